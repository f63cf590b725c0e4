# Recursive Fibonacci: calls and small-integer arithmetic.
def fib(n):
    return n if n < 2 else fib(n - 1) + fib(n - 2)
r = fib(27)
print("ok" if r == 196418 else "wrong %d" % r)
