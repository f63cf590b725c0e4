-- String building: printing numbers into a growing string.
local parts = {}
for i = 1, 100000 do parts[#parts + 1] = tostring(i); parts[#parts + 1] = " " end
local s = table.concat(parts)
print(#s == 588895 and "ok" or ("wrong " .. #s))
