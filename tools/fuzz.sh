#!/bin/sh
# tools/fuzz.sh TARGET MINUTES: a long run of one fuzz target of the fuzz
# preset (the targets ./test.sh runs for 60 seconds each), from its seed
# corpus in tests/fuzz/corpus/. The inputs it finds are kept in
# build/fuzz/long/TARGET; at the end the ones that reach code the seeds do
# not are merged into the seed corpus (libFuzzer -merge=1, which keeps
# only inputs that add coverage), ready to commit. A crash stops the run:
# its input is left as build/fuzz/long/TARGET-crash-... and the script
# fails. The target's seeds, dictionary and options are read from its
# test, so a target added to tests/fuzz/CMakeLists.txt is found here too.
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
if [ $# -ne 2 ] || ! [ "$2" -gt 0 ] 2>/dev/null; then
  echo "usage: tools/fuzz.sh TARGET MINUTES" >&2
  exit 2
fi
target=$1
minutes=$2

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "$target" -j2

# The test's command: the program, its options, the work folder and the
# seed folder, one per line.
command=$(ctest --preset fuzz --show-only=json-v1 | python3 -c '
import json, sys
name = sys.argv[1]
for test in json.load(sys.stdin)["tests"]:
    if test["name"] == name:
        print("\n".join(test["command"]))
        break
else:
    sys.exit("no fuzz test named " + name)
' "$target")
program=$(echo "$command" | sed -n 1p)
seeds=$(echo "$command" | tail -n 1)
dict=$(echo "$command" | grep '^-dict=' || true)
max_len=$(echo "$command" | grep '^-max_len=' || true)
timeout=$(echo "$command" | grep '^-timeout=' || true)
case "$seeds" in
  "$here"/tests/fuzz/corpus/*) ;;
  *) echo "fuzz.sh: $target has no seed folder under tests/fuzz/corpus ($seeds)" >&2; exit 1 ;;
esac

work="$here/build/fuzz/long/$target"
mkdir -p "$work"
before=$(ls "$seeds" | wc -l)
echo "== $target for $minutes minutes (seeds: $seeds, $before inputs)"
status=0
"$program" -max_total_time=$((minutes * 60)) $max_len $timeout $dict -print_final_stats=1 \
  -artifact_prefix="$work-" "$work" "$seeds" || status=$?
if [ "$status" -ne 0 ]; then
  echo "fuzz.sh: $target failed (status $status); the input is in $work-*" >&2
  exit 1
fi

echo "== merging the new inputs into $seeds"
"$program" -merge=1 $max_len $dict "$seeds" "$work"
after=$(ls "$seeds" | wc -l)
echo "fuzz.sh: $target ran $minutes minutes; the seed corpus grew from $before to $after inputs"
