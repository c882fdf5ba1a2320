s = "abc"
t = "abd"
n = 0
i = 0
while i < 1000000:
    if s == "abc":
        n = n + 1
    if t == "abc":
        n = n - 1
    i = i + 1
