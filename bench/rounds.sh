#!/bin/bash
# Counts, with callgrind, the instructions of one round of a workload's
# loop: the workload with its one million rounds cut to 100,000, less the
# same script with one round, divided by the rounds between them. Start-up
# and the end of the run fall out.
#   bench/rounds.sh [workload ...]      (default: while_arith for_if_else
#                                        string_compare)
#   JOL_BUILD=dir bench/rounds.sh       (the jolrun of another native build)
#   JOL_NO_SPEEDUPS=all bench/rounds.sh (the same with the fast paths off)
set -e
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
build=${JOL_BUILD:-$top/build/native}
rounds=100000
. "$here/timing.sh"
callgrind_setup

for w in "${@:-while_arith for_if_else string_compare}"; do
  for name in $w; do
    source="$here/workloads/$name.jol"
    grep -q 1000000 "$source" || { echo "$name: no loop of one million rounds" >&2; continue; }
    sed "s/1000000/$rounds/" "$source" >"$work/many.jol"
    sed "s/1000000/1/" "$source" >"$work/one.jol"
    many=$(instructions "$work/many.jol")
    one=$(instructions "$work/one.jol")
    printf '%-18s %d\n' "$name" $(((many - one) / (rounds - 1)))
  done
done
