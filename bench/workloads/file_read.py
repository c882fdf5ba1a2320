import os

n = 0
with open(os.environ["JOL_BENCH_TEXT"], "rb") as f:
    for line in f:
        n += 1
