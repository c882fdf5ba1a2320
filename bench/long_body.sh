#!/bin/bash
# Counts, with callgrind, the instructions of one run of a statement in a
# While loop body of many copies of it: the loop with the body run 20,000
# times, less the same loop without it, divided by the runs of the
# statement. Shows how the cost of a line grows (or does not) with the
# length of the loop body it is in.
#   bench/long_body.sh [lines ...]            (default: 10 60 120 250 300)
#   STATEMENT='x = x + 1' bench/long_body.sh  (the statement copied)
#   JOL_BUILD=dir bench/long_body.sh          (the jolrun of another build)
set -e
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
build=${JOL_BUILD:-$top/build/native}
statement=${STATEMENT:-x = x + 1}
rounds=20000
. "$here/timing.sh"
callgrind_setup

# script COPIES: the loop with that many copies of the statement, CR LF.
script() {
  printf 'i = 0\r\nx = 5\r\nWhile i < %d\r\n' "$rounds"
  for ((k = 0; k < $1; k++)); do printf '%s\r\n' "$statement"; done
  printf 'i = i + 1\r\nEndWhile\r\n'
}

script 0 >"$work/empty.jol"
base=$(instructions "$work/empty.jol")
echo "instructions per run of: $statement"
for n in "${@:-10 60 120 250 300}"; do
  for copies in $n; do
    script "$copies" >"$work/body.jol"
    total=$(instructions "$work/body.jol")
    printf '%6d lines: %d\n' "$copies" $(((total - base) / (rounds * copies)))
  done
done
