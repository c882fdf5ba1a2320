local n = 0
for i = 1, 1000000 do
    if i % 3 == 0 then n = n + 2 else n = n - 1 end
end
