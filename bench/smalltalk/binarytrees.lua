-- Binary trees: allocation of many small objects and recursion.
local function make(d)
  if d == 0 then return {} end
  return {make(d - 1), make(d - 1)}
end
local function check(t)
  if t[1] == nil then return 1 end
  return 1 + check(t[1]) + check(t[2])
end
local total = 0
for d = 4, 14, 2 do
  for _ = 1, 1 << (14 - d) do total = total + check(make(d)) end
end
print(total == 195243 and "ok" or ("wrong " .. total))
