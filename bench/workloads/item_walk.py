items = ""
for i in range(1, 2001):
    items = items + "a" + str(i) + " "
n = 0
for r in range(10):
    for i in range(1, 2001):
        n = n + len(items.split(" ")[i - 1])
