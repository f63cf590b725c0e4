-- N-body: Float arithmetic on five bodies.
local PI = 3.141592653589793
local SOLAR, DPY = 4 * PI * PI, 365.24
local bodies = {
 {0,0,0,0,0,0,SOLAR},
 {4.84143144246472090e+00,-1.16032004402742839e+00,-1.03622044471123109e-01,1.66007664274403694e-03*DPY,7.69901118419740425e-03*DPY,-6.90460016972063023e-05*DPY,9.54791938424326609e-04*SOLAR},
 {8.34336671824457987e+00,4.12479856412430479e+00,-4.03523417114321381e-01,-2.76742510726862411e-03*DPY,4.99852801234917238e-03*DPY,2.30417297573763929e-05*DPY,2.85885980666130812e-04*SOLAR},
 {1.28943695621391310e+01,-1.51111514016986312e+01,-2.23307578892655734e-01,2.96460137564761618e-03*DPY,2.37847173959480950e-03*DPY,-2.96589568540237556e-05*DPY,4.36624404335156298e-05*SOLAR},
 {1.53796971148509165e+01,-2.59193146099879641e+01,1.79258772950371181e-01,2.68067772490389322e-03*DPY,1.62824170038242295e-03*DPY,-9.51592254519715870e-05*DPY,5.15138902046611451e-05*SOLAR}}
local function energy()
  local e = 0.0
  for i = 1, 5 do
    local b = bodies[i]
    e = e + 0.5 * b[7] * (b[4]*b[4] + b[5]*b[5] + b[6]*b[6])
    for j = i + 1, 5 do
      local c = bodies[j]
      local dx, dy, dz = b[1]-c[1], b[2]-c[2], b[3]-c[3]
      e = e - b[7] * c[7] / math.sqrt(dx*dx + dy*dy + dz*dz)
    end
  end
  return e
end
local function advance(dt)
  for i = 1, 5 do
    local b = bodies[i]
    for j = i + 1, 5 do
      local c = bodies[j]
      local dx, dy, dz = b[1]-c[1], b[2]-c[2], b[3]-c[3]
      local d2 = dx*dx + dy*dy + dz*dz
      local mag = dt / (d2 * math.sqrt(d2))
      b[4] = b[4] - dx * c[7] * mag; b[5] = b[5] - dy * c[7] * mag; b[6] = b[6] - dz * c[7] * mag
      c[4] = c[4] + dx * b[7] * mag; c[5] = c[5] + dy * b[7] * mag; c[6] = c[6] + dz * b[7] * mag
    end
  end
  for i = 1, 5 do
    local b = bodies[i]
    b[1] = b[1] + dt * b[4]; b[2] = b[2] + dt * b[5]; b[3] = b[3] + dt * b[6]
  end
end
local px, py, pz = 0.0, 0.0, 0.0
for i = 1, 5 do local b = bodies[i]; px = px + b[4]*b[7]; py = py + b[5]*b[7]; pz = pz + b[6]*b[7] end
bodies[1][4], bodies[1][5], bodies[1][6] = -px/SOLAR, -py/SOLAR, -pz/SOLAR
for _ = 1, 20000 do advance(0.01) end
local e = energy()
print(math.abs(e - (-0.169089263)) < 1e-8 and "ok" or string.format("wrong %.9f", e))
