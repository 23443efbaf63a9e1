#!/usr/bin/env python3
"""Cross-check of the principal components by another method.

Takes the correlation matrix that mavek_ref.py computes for a table (its
diagonal set to 1.0), forms the characteristic polynomial exactly with
rational arithmetic (Faddeev-LeVerrier), finds its roots by bisection with
60-digit decimals, gets each eigenvector from the null space of A - l*I,
and compares eigenvalues and loadings with the Jacobi results of the model,
and with the ".eig"/".fsc" files of a program run when they are given.

  python3 eigen_check.py DATAFILE [EIGFILE [FSCFILE]]
"""

import decimal
import math
import os
import sys
from decimal import Decimal
from fractions import Fraction

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import mavek_ref as ref  # noqa: E402

decimal.getcontext().prec = 60


def correlation(path):
    with open(path, 'rb') as f:
        data = f.read()
    cols = ref.first_line_count(data)
    rows, m, _, _ = ref.read_table(data, cols, True)
    n = len(rows)
    v = [ref.Stats() for _ in range(m)]
    ref.minmax(rows, n, m, v)
    cc, _ = ref.moments(rows, n, m, v, [])
    for i in range(m):
        cc[i][i] = 1.0
    return cc, m


def charpoly(A):
    """Coefficients c[0..n] of det(l*I - A) = sum c[k] l^(n-k), exact."""
    n = len(A)
    A = [[Fraction(x) for x in row] for row in A]
    c = [Fraction(1)]
    M = [[Fraction(0)] * n for _ in range(n)]
    for k in range(1, n + 1):
        # M = A*M_prev + c_{k-1} I
        AM = [[sum(A[i][t] * M[t][j] for t in range(n)) for j in range(n)] for i in range(n)]
        M = [[AM[i][j] + (c[k - 1] if i == j else 0) for j in range(n)] for i in range(n)]
        AM = [[sum(A[i][t] * M[t][j] for t in range(n)) for j in range(n)] for i in range(n)]
        tr = sum(AM[i][i] for i in range(n))
        c.append(-tr / k)
    return c


def peval(c, x):
    r = Decimal(0)
    for a in c:
        r = r * x + a
    return r


def roots(c, n):
    cd = [Decimal(a.numerator) / Decimal(a.denominator) for a in c]
    # The eigenvalues of a correlation matrix lie in [0, n]; scan for sign changes.
    steps = 200000
    xs = [Decimal(-1) + (Decimal(n) + 2) * k / steps for k in range(steps + 1)]
    found = []
    prev_x, prev_v = xs[0], peval(cd, xs[0])
    for x in xs[1:]:
        val = peval(cd, x)
        if prev_v == 0:
            found.append(prev_x)
        elif (prev_v < 0) != (val < 0) and val != 0:
            lo, hi, flo = prev_x, x, prev_v
            for _ in range(200):
                mid = (lo + hi) / 2
                fm = peval(cd, mid)
                if (fm < 0) == (flo < 0):
                    lo, flo = mid, fm
                else:
                    hi = mid
            found.append((lo + hi) / 2)
        prev_x, prev_v = x, val
    return sorted(found, reverse=True)


def nullvec(A, lam):
    """Unit vector v with (A - lam I) v = 0, by elimination with pivoting."""
    n = len(A)
    M = [[Decimal(A[i][j]) - (lam if i == j else 0) for j in range(n)] for i in range(n)]
    piv_cols = []
    r = 0
    for col in range(n):
        p = max(range(r, n), key=lambda i: abs(M[i][col]))
        if abs(M[p][col]) < Decimal('1e-40'):
            continue
        M[r], M[p] = M[p], M[r]
        for i in range(n):
            if i != r:
                f = M[i][col] / M[r][col]
                M[i] = [M[i][j] - f * M[r][j] for j in range(n)]
        piv_cols.append(col)
        r += 1
        if r == n - 1:
            break
    free = [c for c in range(n) if c not in piv_cols][0]
    x = [Decimal(0)] * n
    x[free] = Decimal(1)
    for i, col in enumerate(piv_cols):
        x[col] = -M[i][free] / M[i][col]
    norm = sum(t * t for t in x).sqrt()
    return [t / norm for t in x]


def main(argv):
    cc, m = correlation(argv[1])
    c = charpoly(cc)
    lams = roots(c, m)
    assert len(lams) == m, lams
    tot = sum(lams)
    exact = []
    for lam in lams:
        vec = nullvec(cc, lam)
        exact.append((lam, [lam.sqrt() * t for t in vec]))
    # the model's Jacobi results
    a = [row[:] for row in cc]
    root, rootsum, pc, position, _ = ref.components(a, m)
    worst_val = 0.0
    worst_load = 0.0
    print("component  eigenvalue (charpoly)        eigenvalue (Jacobi)          diff")
    for i, (lam, load) in enumerate(exact):
        j = position[i]
        dv = abs(float(lam) - root[j])
        worst_val = max(worst_val, dv)
        sign = 1.0 if sum(float(load[k]) * pc[k * m + j] for k in range(m)) >= 0 else -1.0
        dl = max(abs(sign * float(load[k]) - pc[k * m + j]) for k in range(m))
        worst_load = max(worst_load, dl)
        print("%9d  %.20f  %.20f  %.2e  (loadings max diff %.2e)" % (i + 1, lam, root[j], dv, dl))
        print("           loadings: " + ' '.join('%.12f' % (sign * float(t)) for t in load))
        print("           jacobi:   " + ' '.join('%.12f' % pc[k * m + j] for k in range(m)))
    print("sum of roots: charpoly %.17g  Jacobi %.17g" % (tot, rootsum))
    print("max |eigenvalue diff| %.3e, max |loading diff| %.3e" % (worst_val, worst_load))
    # Eigenvalues are second order in the off-diagonal remainders that the
    # solver leaves (below 1e-6 times the first threshold), the loadings
    # first order; so the loadings agree to about 1e-6 only.
    ok = worst_val < 1e-9 and worst_load < 1e-5
    # The same solver run on to a far lower threshold must meet the exact
    # decomposition closely.
    saved = ref.FNORM_FACTOR
    ref.FNORM_FACTOR = 1e-15
    a = [row[:] for row in cc]
    root2, _, pc2, position2, _ = ref.components(a, m)
    ref.FNORM_FACTOR = saved
    tv = tl = 0.0
    for i, (lam, load) in enumerate(exact):
        j = position2[i]
        tv = max(tv, abs(float(lam) - root2[j]))
        sign = 1.0 if sum(float(load[k]) * pc2[k * m + j] for k in range(m)) >= 0 else -1.0
        tl = max(tl, max(abs(sign * float(load[k]) - pc2[k * m + j]) for k in range(m)))
    print("same solver with final threshold 1e-15: max |eigenvalue diff| %.3e, "
          "max |loading diff| %.3e" % (tv, tl))
    ok = ok and tv < 1e-12 and tl < 1e-12
    eig_ok = True
    if len(argv) > 2:
        # a program's .eig file: percentages and loadings, 3 decimals
        with open(argv[2]) as f:
            lines = f.read().split('\n')
        perc = [float(t) for t in lines[0].split()]
        for i, (lam, _) in enumerate(exact):
            p = float(lam / tot * 100)
            if abs(p - perc[i]) > 0.0005 + 1e-9:
                print("eig percentage %d: %s vs %.6f" % (i, perc[i], p))
                eig_ok = False
        for k in range(m):
            vals = [float(t) for t in lines[2 + k].split()]
            for i, (lam, load) in enumerate(exact):
                j = position[i]
                sign = 1.0 if sum(float(load[q]) * pc[q * m + j] for q in range(m)) >= 0 else -1.0
                if abs(vals[i] - sign * float(load[k])) > 0.0005 + 1e-9:
                    print("eig loading %d,%d: %s vs %.6f" % (k, i, vals[i], sign * float(load[k])))
                    eig_ok = False
        print(".eig file agrees to its printed precision" if eig_ok else ".eig file DIFFERS")
        ok = ok and eig_ok
    if len(argv) > 3:
        with open(argv[3]) as f:
            lines = f.read().split('\n')
        k0 = lines.index('[ROOT_SORTED]')
        rts = [float(t) for t in lines[k0 + 1].split()]
        d = max(abs(rts[i] - float(exact[i][0])) for i in range(m))
        print(".fsc [ROOT_SORTED] max diff from charpoly roots: %.3e" % d)
        ok = ok and d < 1e-7
    print("OK" if ok else "MISMATCH")
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main(sys.argv))
