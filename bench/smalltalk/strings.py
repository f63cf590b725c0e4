# String building: printing numbers into a growing string.
parts = []
for i in range(1, 100001):
    parts.append(str(i)); parts.append(" ")
s = "".join(parts)
print("ok" if len(s) == 588895 else "wrong %d" % len(s))
