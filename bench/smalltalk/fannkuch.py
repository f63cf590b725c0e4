# Fannkuch-redux: permutations and array reversal.
def fannkuch(n):
    perm1 = list(range(n)); count = [0] * n
    maxflips = 0; checksum = 0; permcount = 0; r = n
    while True:
        while r != 1:
            count[r - 1] = r; r -= 1
        perm = perm1[:]
        flips = 0
        k = perm[0]
        while k != 0:
            perm[:k + 1] = perm[k::-1]
            flips += 1
            k = perm[0]
        maxflips = max(maxflips, flips)
        checksum += flips if permcount % 2 == 0 else -flips
        while True:
            if r == n:
                return checksum, maxflips
            p0 = perm1[0]
            for i in range(r):
                perm1[i] = perm1[i + 1]
            perm1[r] = p0
            count[r] -= 1
            if count[r] > 0:
                break
            r += 1
        permcount += 1
c, m = fannkuch(8)
print("ok" if (c, m) == (1616, 22) else "wrong %d %d" % (c, m))
