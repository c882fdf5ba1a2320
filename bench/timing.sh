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
