# Sorting: a merge sort written out, on pseudo-random integers.
def merge_sort(a):
    if len(a) < 2:
        return a
    m = len(a) // 2
    l = merge_sort(a[:m]); r = merge_sort(a[m:])
    out = []; i = j = 0
    while i < len(l) and j < len(r):
        if l[i] <= r[j]:
            out.append(l[i]); i += 1
        else:
            out.append(r[j]); j += 1
    out.extend(l[i:]); out.extend(r[j:])
    return out
seed = 42; a = []
for _ in range(50000):
    seed = (seed * 1309 + 13849) % 65536
    a.append(seed)
s = merge_sort(a)
ok = all(s[k] <= s[k + 1] for k in range(len(s) - 1)) and sum(s) == sum(a)
print("ok" if ok and s[0] == min(a) else "wrong")
