s=abc
t=abd
n=0
i=0
while [ $i -lt 1000000 ]; do
    if [ "$s" = "abc" ]; then n=$((n + 1)); fi
    if [ "$t" = "abc" ]; then n=$((n - 1)); fi
    i=$((i + 1))
done
