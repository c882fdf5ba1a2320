s=abcdefgh
n=0
i=0
while [ $i -lt 200000 ]; do
    t="${s:1:3}x"
    n=$((n + ${#t}))
    i=$((i + 1))
done
