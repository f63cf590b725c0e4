-- Spectral norm: Float arithmetic in nested loops.
local function A(i, j) return 1.0 / ((i + j) * (i + j + 1) // 2 + i + 1) end
local function mul(v, transposed)
  local n, r = #v, {}
  for i = 0, n - 1 do
    local s = 0.0
    for j = 0, n - 1 do
      s = s + (transposed and A(j, i) or A(i, j)) * v[j + 1]
    end
    r[i + 1] = s
  end
  return r
end
local function mulAtA(v) return mul(mul(v, false), true) end
local u, v = {}, nil
for i = 1, 100 do u[i] = 1.0 end
for _ = 1, 10 do v = mulAtA(u); u = mulAtA(v) end
local vbv, vv = 0.0, 0.0
for i = 1, 100 do vbv = vbv + u[i] * v[i]; vv = vv + v[i] * v[i] end
local r = math.sqrt(vbv / vv)
print(math.abs(r - 1.274219991) < 1e-8 and "ok" or string.format("wrong %.9f", r))
