#!/bin/sh
# Sets the machine up when needed, builds every configuration (Linux,
# Linux with sanitizers, Windows x86_64 and the shipped Windows i686
# library) with warnings as errors, and runs every test: on Linux directly,
# and the Windows build under Wine on a virtual display; then makes and
# checks the two packages. The native desktop
# tests start a display of their own (tests/desktop/rig.sh); the other
# native tests run without one.
set -e
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"
./tools/setup.sh
jobs=$(nproc)

for preset in native native-asan win64 win32 fuzz; do
  echo "== build $preset"
  cmake --preset "$preset" -DJOL_WERROR=ON >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
done

# Wine: one prefix inside the build folder, one virtual display and one
# wine server kept running for all tests.
export WINEPREFIX="$here/build/win64/wineprefix"
export WINEDEBUG=-all
# No desktop menu entries made for the shortcut files the tests save.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
display=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  /usr/lib/wine/wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
for n in 97 98 99 100 101 102; do
  if [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
# No reset when the last client leaves (see tests/desktop/rig.sh).
Xvfb "$display" -noreset -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY="$display"
# Ready once it answers; the keyboard map is the same on every machine, so
# that keys typed by the desktop tests come out as the same characters.
tries=100
until xprop -root >/dev/null 2>&1; do
  tries=$((tries - 1))
  [ "$tries" -gt 0 ] || { echo "Xvfb did not start on $display" >&2; exit 1; }
  sleep 0.1
done
setxkbmap us
# The server and Wine's own services start here, outside the tests: a
# service started by a test's program would hold that test's output open.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== initialising the Wine prefix"
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
fi
/usr/lib/wine/wineserver -p >/dev/null 2>&1 || true
/usr/lib/wine/wine64 wineboot >/dev/null 2>&1 || true

failed=""
# The packages, from the native and win32 trees built above, unpacked and
# tried (tests/package/check_packages.sh); before the tests, so that the
# output ends with ctest's summary.
echo "== packages"
./package.sh --check || failed="$failed packages"
for preset in fuzz native native-asan; do
  echo "== test $preset"
  ctest --preset "$preset" -j"$jobs" || failed="$failed $preset"
done
# Wine shows every program on its display the state of the one keyboard: a
# key a desktop test holds down reaches the programs of the tests running
# beside it. The Windows desktop tests therefore run in a pass of their
# own, after the other Windows tests.
echo "== test win64"
ctest --preset win64 -j"$jobs" -LE desktop || failed="$failed win64"
echo "== test win64 desktop"
ctest --preset win64 -L desktop || failed="$failed win64-desktop"
# Each ctest run above ends with its summary; the status tells whether all
# of them (and the packages) passed.
[ -z "$failed" ]
