-- Fannkuch-redux: permutations and array reversal.
local function fannkuch(n)
  local perm1, count, perm = {}, {}, {}
  for i = 1, n do perm1[i] = i - 1; count[i] = 0 end
  local maxflips, checksum, permcount, r = 0, 0, 0, n
  while true do
    while r ~= 1 do count[r] = r; r = r - 1 end
    for i = 1, n do perm[i] = perm1[i] end
    local flips, k = 0, perm[1]
    while k ~= 0 do
      local i, j = 1, k + 1
      while i < j do perm[i], perm[j] = perm[j], perm[i]; i = i + 1; j = j - 1 end
      flips = flips + 1; k = perm[1]
    end
    if flips > maxflips then maxflips = flips end
    if permcount % 2 == 0 then checksum = checksum + flips else checksum = checksum - flips end
    while true do
      if r == n then return checksum, maxflips end
      local p0 = perm1[1]
      for i = 1, r do perm1[i] = perm1[i + 1] end
      perm1[r + 1] = p0
      count[r + 1] = count[r + 1] - 1
      if count[r + 1] > 0 then break end
      r = r + 1
    end
    permcount = permcount + 1
  end
end
local c, m = fannkuch(8)
print((c == 1616 and m == 22) and "ok" or ("wrong " .. c .. " " .. m))
