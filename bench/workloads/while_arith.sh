i=0
sum=0
while [ $i -lt 1000000 ]; do
    sum=$((sum + i % 7))
    i=$((i + 1))
done
