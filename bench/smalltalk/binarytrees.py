# Binary trees: allocation of many small objects and recursion.
def make(d):
    return (None, None) if d == 0 else (make(d - 1), make(d - 1))
def check(t):
    return 1 if t[0] is None else 1 + check(t[0]) + check(t[1])
total = 0
for d in range(4, 15, 2):
    for i in range(1 << (14 - d)):
        total += check(make(d))
print("ok" if total == 195243 else "wrong %d" % total)
