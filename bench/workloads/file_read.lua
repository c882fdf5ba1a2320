local n = 0
for line in io.lines(os.getenv("JOL_BENCH_TEXT")) do
    n = n + 1
end
