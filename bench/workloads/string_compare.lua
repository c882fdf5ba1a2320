local s, t, n, i = "abc", "abd", 0, 0
while i < 1000000 do
    if s == "abc" then n = n + 1 end
    if t == "abc" then n = n - 1 end
    i = i + 1
end
