local list = ""
for i = 1, 2000 do list = list .. "a" .. i .. " " end
local n = 0
for r = 1, 10 do
    for i = 1, 2000 do
        local k = 0
        for item in string.gmatch(list, "([^ ]*) ") do
            k = k + 1
            if k == i then n = n + #item break end
        end
    end
end
