#!/bin/bash
# Times the workloads through the Windows build (jolrun.exe of the win64
# preset, under Wine on a virtual display) beside the native build, in one
# run, and prints the Windows build's time over the native one's: whole
# runs, and runs less their start-up (a one-line script, timed in the same
# run), which is the cost of the lines themselves.
#   bench/wine.sh [workload ...]   (default: every bench/workloads/*.jol)
#   RUNS=n bench/wine.sh           (the best of n runs, default 3)
# The loop workloads are cut to 100,000 rounds: Wine's start-up and a slow
# build must not make a run take minutes.
set -e
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
runs=${RUNS:-3}
rounds=100000

native="$top/build/native"
windows="$top/build/win64"
cmake --preset native -S "$top" -Wno-dev >/dev/null
cmake --build "$native" -j"$(nproc)" --target jolrun >/dev/null
cmake --preset win64 -S "$top" -Wno-dev >/dev/null
cmake --build "$windows" -j"$(nproc)" --target jolrun >/dev/null

export WINEPREFIX="$windows/wineprefix"
export WINEDEBUG=-all
wine=/usr/lib/wine/wine64
work=$(mktemp -d /tmp/jol-wine-bench.XXXXXX)
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
if [ -z "$DISPLAY" ]; then
  for n in 90 91 92 93 94 95; do
    if [ ! -e "/tmp/.X$n-lock" ]; then export DISPLAY=":$n"; break; fi
  done
  Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  sleep 1
fi
[ -f "$WINEPREFIX/system.reg" ] || "$wine" wineboot -i >/dev/null 2>&1 || true
# One server for every run, so that no run pays for starting it.
/usr/lib/wine/wineserver -p >/dev/null 2>&1 || true
"$wine" wineboot >/dev/null 2>&1 || true

. "$here/timing.sh"

if [ $# -gt 0 ]; then workloads=("$@"); else
  workloads=()
  for f in "$here"/workloads/*.jol; do workloads+=("$(basename "$f" .jol)"); done
fi
bench_data "$work" "${workloads[@]}"

printf 'x = 1\r\n' >"$work/startup.jol"
ns=$(best "$native/jolrun" "$work/startup.jol")
ws=$(best "$wine" "$windows/jolrun.exe" "$work/startup.jol")
echo "start-up (a one-line script): native ${ns}s, Windows build ${ws}s"
echo "loops cut to $rounds rounds; ratio: Windows time / native time (less start-up each)"
printf '%-18s %9s %9s %18s\n' workload native windows ratio
for w in "${workloads[@]}"; do
  sed "s/1000000/$rounds/g" "$here/workloads/$w.jol" >"$work/$w.jol"
  prep_for "$w"
  nt=$(best "$native/jolrun" "$work/$w.jol")
  wt=$(best "$wine" "$windows/jolrun.exe" "$work/$w.jol")
  if [ "$nt" = fail ] || [ "$wt" = fail ]; then
    printf '%-18s %9s %9s\n' "$w" "$nt" "$wt"
    continue
  fi
  printf '%-18s %8ss %8ss %18s\n' "$w" "$nt" "$wt" "$(awk -v n="$nt" -v w="$wt" -v a="$ns" -v b="$ws" \
    'BEGIN { d = n - a; if (d < 0.001) d = 0.001; printf "%.1f (%.1f)", w / n, (w - b) / d }')"
done
