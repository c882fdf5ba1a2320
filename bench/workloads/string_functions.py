s = "abcdefgh"
n = 0
i = 0
while i < 200000:
    t = s[1:4] + "x"
    n = n + len(t)
    i = i + 1
