# Shared by the comparison scripts (sourced, not run).
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
