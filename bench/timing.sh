# Shared by the benchmark scripts (sourced, not run).
# best CMD...: the best wall time of $runs runs of a command, in seconds;
# "fail" when it fails. PREP, when set, runs (untimed) before each run.
best() {
  local best_ns="" start end ns
  for ((r = 0; r < runs; r++)); do
    [ -n "${PREP:-}" ] && eval "$PREP"
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || { echo "fail"; return; }
    end=$(date +%s%N)
    ns=$((end - start))
    if [ -z "$best_ns" ] || [ "$ns" -lt "$best_ns" ]; then best_ns=$ns; fi
  done
  awk -v ns="$best_ns" 'BEGIN { printf "%.3f", ns / 1e9 }'
}

# make_text FILE: about 50 MB of text lines ended by CR LF.
make_text() {
  awk 'BEGIN { size = 0; for (n = 0; size < 50 * 1024 * 1024; n++) {
    s = sprintf("The quick brown fox jumps over the lazy dog %08d\r\n", n)
    printf "%s", s; size += length(s) } }' >"$1"
}

# make_csv FILE: 2,000 rows "region,amount" (20 regions), ended by CR LF.
make_csv() {
  awk 'BEGIN { for (n = 0; n < 2000; n++)
    printf "region%02d,%d\r\n", (n * 7) % 20, (n * 37) % 1000 }' >"$1"
}

# bench_data DIR WORKLOAD...: makes the data the workloads read, in DIR,
# and names it in the environment.
bench_data() {
  local dir=$1 w
  shift
  for w in "$@"; do
    case $w in
    file_read)
      export JOL_BENCH_TEXT="$dir/text.txt"
      make_text "$JOL_BENCH_TEXT"
      ;;
    ini_write)
      export JOL_BENCH_CSV="$dir/rows.csv" JOL_BENCH_INI="$dir/totals.ini"
      make_csv "$JOL_BENCH_CSV"
      ;;
    esac
  done
}

# prep_for WORKLOAD: sets PREP for a workload that must start from nothing.
prep_for() {
  if [ "$1" = ini_write ]; then PREP='rm -f "$JOL_BENCH_INI"'; else PREP=""; fi
}

# callgrind_setup: for the instruction counts; needs valgrind, builds the
# jolrun of $build (the native preset's own folder unless JOL_BUILD names
# another build) and makes $work, removed at the end.
callgrind_setup() {
  command -v valgrind >/dev/null 2>&1 || { echo "valgrind is needed" >&2; exit 1; }
  if [ -z "$JOL_BUILD" ]; then cmake --preset native -S "$top" -Wno-dev >/dev/null; fi
  cmake --build "$build" -j"$(nproc)" --target jolrun >/dev/null
  work=$(mktemp -d /tmp/jol-callgrind.XXXXXX)
  trap 'rm -rf "$work"' EXIT
}

# instructions SCRIPT: the instructions callgrind counts in a run of it.
instructions() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$build/jolrun" "$1" 2>&1 >/dev/null |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
