#!/bin/bash
# Times the file functions of JOL (native backend) against the system's
# tools and other interpreters on the same data, and prints a table:
#   - FileCopy of a 100 MB file against cp;
#   - FileItemize of a folder of 10,000 files against ls.
# (FileRead, line by line over 50 MB, is the file_read workload of
# bench/compare.sh.)
# Each time is the best of $RUNS runs (default 3). The data is made once in
# a scratch folder ($WORK, default a new folder under /tmp) and removed at
# the end. BUILD names the build folder of jolrun (default build/native,
# built here when it is the default).
#   bench/files.sh
set -e
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
runs=${RUNS:-3}
build=${BUILD:-$top/build/native}
if [ -z "$BUILD" ]; then
  cmake --preset native -S "$top" >/dev/null
  cmake --build "$build" -j"$(nproc)" --target jolrun >/dev/null
fi
jolrun="$build/jolrun"
[ -x "$jolrun" ] || { echo "no jolrun in $build" >&2; exit 1; }

work=${WORK:-$(mktemp -d /tmp/jol-files-bench.XXXXXX)}
mkdir -p "$work"
cleanup() { rm -rf "$work"; }
trap cleanup EXIT

. "$here/timing.sh"

# A JOL script from lines given as arguments (scripts end lines with CR LF).
script() {
  local out=$1
  shift
  : >"$out"
  for line in "$@"; do printf '%s\r\n' "$line" >>"$out"; done
}

echo "making the data in $work" >&2
head -c $((100 * 1024 * 1024)) /dev/urandom >"$work/big.bin"
mkdir -p "$work/many"
(cd "$work/many" && seq -f "file%05g.dat" 1 10000 | xargs touch)

script "$work/copy.jol" "FileCopy(\"$work/big.bin\", \"$work/copy.bin\", @FALSE)"
# The list of a FileItemize call holds at most 32400 bytes (about 2,300 of
# these names; the call then raises 1398), but the search still reads the
# whole folder.
script "$work/items.jol" "ErrorMode(@OFF)" "DirChange(\"$work/many\")" "x = FileItemize(\"*.*\")"
script "$work/empty.jol" "x = 1"
export JOL_HOME="$work/home"
mkdir -p "$JOL_HOME"
export JOL_ANSWERS=ok

# Checks that the JOL runs did their work.
"$jolrun" "$work/copy.jol" && cmp -s "$work/big.bin" "$work/copy.bin" ||
  { echo "FileCopy gave a different file" >&2; exit 1; }

t_start=$(best "$jolrun" "$work/empty.jol")
PREP="rm -f '$work/copy.bin'"
t_jol_copy=$(best "$jolrun" "$work/copy.jol")
t_cp=$(best cp "$work/big.bin" "$work/copy.bin")
PREP=""
t_jol_items=$(best "$jolrun" "$work/items.jol")
t_ls=$(best ls "$work/many")

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b + 0 > 0 && a != "fail") printf "%.2f", a / b; else printf "-" }'; }
# JOL's time without the start-up of jolrun and the library (an empty
# script), which the peers' times do not carry in the same way.
net() { awk -v a="$1" -v s="$t_start" 'BEGIN { if (a == "fail") print "fail"; else { d = a - s; if (d < 0) d = 0; printf "%.3f", d } }'; }
row() {
  local n
  n=$(net "$2")
  printf '%-26s %8s %8s %-8s %9s %7s %7s\n' "$1" "$2" "$n" "$3" "$4" "$(ratio "$2" "$4")" "$(ratio "$n" "$4")"
}
printf '%-26s %8s %8s %-8s %9s %7s %7s\n' workload "jol (s)" "net (s)" peer "peer (s)" ratio "net"
printf '%-26s %8s\n' "jolrun start-up" "$t_start"
row "FileCopy 100 MB" "$t_jol_copy" cp "$t_cp"
row "FileItemize 10,000 files" "$t_jol_items" ls "$t_ls"
