# Dictionary: inserts and lookups with string and integer keys.
d = {}
for i in range(1, 50001):
    d[str(i)] = i
total = 0
for i in range(1, 50001):
    total += d[str(i)]
e = {}
for i in range(1, 50001):
    e[i * 7] = i
for i in range(1, 50001):
    total += e[i * 7]
print("ok" if total == 2500050000 else "wrong %d" % total)
