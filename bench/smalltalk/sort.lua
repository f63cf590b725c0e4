-- Sorting: a merge sort written out, on pseudo-random integers.
local function mergeSort(a)
  if #a < 2 then return a end
  local m = #a // 2
  local l = mergeSort(table.move(a, 1, m, 1, {}))
  local r = mergeSort(table.move(a, m + 1, #a, 1, {}))
  local out, i, j = {}, 1, 1
  while i <= #l and j <= #r do
    if l[i] <= r[j] then out[i + j - 1] = l[i]; i = i + 1 else out[i + j - 1] = r[j]; j = j + 1 end
  end
  while i <= #l do out[i + j - 1] = l[i]; i = i + 1 end
  while j <= #r do out[i + j - 1] = r[j]; j = j + 1 end
  return out
end
local seed, a = 42, {}
for k = 1, 50000 do seed = (seed * 1309 + 13849) % 65536; a[k] = seed end
local s = mergeSort(a)
local ok, sa, ss, mn = true, 0, 0, a[1]
for k = 1, #s - 1 do if s[k] > s[k + 1] then ok = false end end
for k = 1, #a do sa = sa + a[k]; ss = ss + s[k]; if a[k] < mn then mn = a[k] end end
print((ok and sa == ss and s[1] == mn) and "ok" or "wrong")
