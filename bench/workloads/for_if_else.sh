n=0
for ((i = 1; i <= 1000000; i++)); do
    if (( i % 3 == 0 )); then
        n=$((n + 2))
    else
        n=$((n - 1))
    fi
done
