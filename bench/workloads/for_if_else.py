n = 0
for i in range(1, 1000001):
    if i % 3 == 0:
        n = n + 2
    else:
        n = n - 1
