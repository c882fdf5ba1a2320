#!/bin/sh
# Checks the packages that ./package.sh made in DIR (default build/packages):
# - the .deb: its declared dependencies, its files, and, unpacked into a
#   scratch root with dpkg -x, that its jolrun finds the library of the
#   same root (not one of the build trees) and runs --version and an
#   example script;
# - the Windows zip: its files, that jol32.dll is the i686 library and
#   exports every entry point of the export list by name, that a C host
#   links against the shipped header and import library, and that the
#   shipped extender source builds on its own into a module exporting
#   _JOLExtender@48.
set -e
here=$(cd "$(dirname "$0")/../.." && pwd)
dir=$(cd "${1:-$here/build/packages}" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
need_file() {
  [ -f "$1/$2" ] || fail "$3 lacks $2"
}

# ------------------------------------------------------------------ .deb
deb=$(ls "$dir"/jol_*.deb 2>/dev/null | head -n 1)
if [ -z "$deb" ]; then
  fail "no .deb in $dir"
else
  echo "== $(basename "$deb")"
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  for lib in libc6 libx11-6 libxtst6 libstdc++6; do
    echo "$depends" | grep -q "$lib" || fail "the .deb does not depend on $lib"
  done
  root="$scratch/root"
  dpkg -x "$deb" "$root"
  for f in usr/bin/jolrun usr/lib/libjol.so usr/lib/libjol_platform.so usr/include/jol.h \
           usr/share/man/man1/jolrun.1 usr/share/jol/editor/jol.tmLanguage.json; do
    need_file "$root" "$f" "the .deb"
  done
  readelf -d "$root/usr/bin/jolrun" | grep -q 'RUNPATH.*\$ORIGIN/\.\./lib' ||
    fail "the installed jolrun has no run path \$ORIGIN/../lib"
  # The library the installed jolrun loads is the installed one.
  loaded=$(env -u LD_LIBRARY_PATH ldd "$root/usr/bin/jolrun" | grep 'libjol\.so' || true)
  case "$loaded" in
    *"$root/usr/bin/../lib/libjol.so"*|*"$root/usr/lib/libjol.so"*) ;;
    *) fail "the installed jolrun loads: $loaded" ;;
  esac
  version=$(env -u LD_LIBRARY_PATH "$root/usr/bin/jolrun" --version) ||
    fail "jolrun --version failed"
  echo "$version" | grep -q '^JOL library ' || fail "jolrun --version printed: $version"
  mkdir -p "$scratch/home"
  out=$(cd "$scratch" && env -u LD_LIBRARY_PATH JOL_HOME="$scratch/home" JOL_ANSWERS=default \
        "$root/usr/bin/jolrun" --dump-vars "$root/usr/share/doc/jol/examples/loops.jol") ||
    fail "the example loops.jol failed from the unpacked package"
  echo "$out" | grep -q '^sum=30$' || fail "loops.jol gave: $out"
  python3 -c 'import json, sys; json.load(open(sys.argv[1]))' \
    "$root/usr/share/jol/editor/jol.tmLanguage.json" || fail "the grammar is no JSON"
  if command -v groff >/dev/null; then
    warnings=$(groff -man -Tutf8 -ww -z "$root/usr/share/man/man1/jolrun.1" 2>&1)
    [ -z "$warnings" ] || fail "the man page: $warnings"
  fi
fi

# ------------------------------------------------------------------- zip
zip=$(ls "$dir"/jol-*-win32.zip 2>/dev/null | head -n 1)
if [ -z "$zip" ]; then
  fail "no Windows zip in $dir"
else
  echo "== $(basename "$zip")"
  (cd "$scratch" && unzip -q "$zip")
  top="$scratch/$(basename "$zip" .zip)"
  for f in jol32.dll jolrun.exe include/jol.h lib/libjol32.dll.a lib/jol32.def README.md \
           extender/sample_extender.cpp extender/jolsample32.def \
           extender/dispatch/extender_abi.h extender/lang/keyword_entry.h \
           extender/platform/abi.h editor/jol.tmLanguage.json; do
    need_file "$top" "$f" "the zip"
  done
  objdump=i686-w64-mingw32-objdump
  "$objdump" -f "$top/jol32.dll" | grep -q 'pei-i386' || fail "jol32.dll is not an i686 DLL"
  "$objdump" -f "$top/jolrun.exe" | grep -q 'pei-i386' || fail "jolrun.exe is not i686"
  # The export table: "[ordinal] name" lines after "[Ordinal/Name Pointer] Table".
  "$objdump" -p "$top/jol32.dll" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*\([^[:space:]]*\)$/\1/p' |
    sort >"$scratch/exports"
  sed -n '/^EXPORTS/,$p' "$here/resources/jol.def.in" |
    sed -n 's/^[[:space:]]\{1,\}\([A-Za-z_][A-Za-z0-9_]*\).*/\1/p' | sort >"$scratch/listed"
  missing=$(comm -23 "$scratch/listed" "$scratch/exports")
  [ -z "$missing" ] || fail "jol32.dll does not export: $missing"
  echo "jol32.dll exports $(wc -l <"$scratch/exports") names, $(wc -l <"$scratch/listed") listed"
  # A C host against the shipped header and import library.
  i686-w64-mingw32-gcc -std=c99 -Wall -Wextra -Werror -I"$top/include" \
    "$here/tests/abi/jol_header.c" "$top/lib/libjol32.dll.a" -o "$scratch/host.exe" ||
    fail "a C host does not link against the shipped import library"
  # The sample extender from its shipped source alone.
  i686-w64-mingw32-g++ -std=c++20 -shared -O2 -I"$top/extender" \
    "$top/extender/sample_extender.cpp" "$top/extender/jolsample32.def" \
    -static-libgcc -static-libstdc++ -o "$scratch/jolsample.dll" ||
    fail "the shipped sample extender does not build"
  "$objdump" -p "$scratch/jolsample.dll" 2>/dev/null | grep -q '_JOLExtender@48' ||
    fail "the sample extender does not export _JOLExtender@48"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures package checks failed" >&2
  exit 1
fi
echo "the packages pass their checks"
