n=0
while IFS= read -r line; do
    n=$((n + 1))
done <"$JOL_BENCH_TEXT"
