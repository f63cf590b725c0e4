-- Recursive Fibonacci: calls and small-integer arithmetic.
local function fib(n) if n < 2 then return n end return fib(n - 1) + fib(n - 2) end
local r = fib(27)
print(r == 196418 and "ok" or ("wrong " .. r))
