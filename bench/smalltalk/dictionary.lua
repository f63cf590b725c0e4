-- Dictionary: inserts and lookups with string and integer keys.
local d, e, total = {}, {}, 0
for i = 1, 50000 do d[tostring(i)] = i end
for i = 1, 50000 do total = total + d[tostring(i)] end
for i = 1, 50000 do e[i * 7] = i end
for i = 1, 50000 do total = total + e[i * 7] end
print(total == 2500050000 and "ok" or ("wrong " .. total))
