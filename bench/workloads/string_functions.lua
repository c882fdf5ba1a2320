local s, n, i = "abcdefgh", 0, 0
while i < 200000 do
    local t = string.sub(s, 2, 4) .. "x"
    n = n + #t
    i = i + 1
end
