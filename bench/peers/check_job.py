"""Checks that a peer of bench/compare.sh did mavek's job on a table.

Usage: python3 check_job.py PEER MAVEK_BASE PEER_BASE

MAVEK_BASE and PEER_BASE are the result paths without extension (DIR/t for
DIR/t.cor and so on). PEER is numpy, pandas or R (the six files of
`mavek -c -v -e`), or datamash or miller (their per-column statistics only).
Numbers are compared as printed: two values rounded to the same decimals may
differ by one unit in the last place, a full-precision value from the
rounded one by half a unit; besides, the two computations may differ by
1e-9 of the value. Principal components are compared up to their
sign, which is arbitrary. Prints one line for the peer and exits with 1 when
anything differs.
"""
import math
import sys


def numbers(path, skip=0):
    with open(path) as f:
        lines = f.read().split("\n")[skip:]
    return [[float(t) for t in line.split()] for line in lines if line.strip()]


class Checker:
    def __init__(self):
        self.compared = 0
        self.faults = []

    def close(self, what, ours, theirs, tol):
        self.compared += 1
        # Beyond the printed decimals, the two computations may differ by
        # rounding in their own last bits: 1e-9 relative is far above that.
        if not (abs(ours - theirs) <= tol * (1 + 1e-9) + 1e-9 * abs(ours)):
            if len(self.faults) < 10:
                self.faults.append("%s: mavek %r, peer %r" % (what, ours, theirs))

    def table(self, what, ours, theirs, tol, flip=None):
        if len(ours) != len(theirs):
            self.faults.append("%s: %d lines, peer %d" % (what, len(ours), len(theirs)))
            return
        for i, (a, b) in enumerate(zip(ours, theirs)):
            if len(a) != len(b):
                self.faults.append("%s line %d: %d values, peer %d" % (what, i + 1, len(a), len(b)))
                return
            for j, (x, y) in enumerate(zip(a, b)):
                self.close("%s [%d,%d]" % (what, i + 1, j + 1), x, y * (flip[j] if flip else 1), tol)


def signs(ours, theirs):
    """Per column, -1 when the peer's column points the other way."""
    out = []
    for j in range(len(ours[0])):
        dot = sum(a[j] * b[j] for a, b in zip(ours, theirs))
        out.append(-1.0 if dot < 0 else 1.0)
    return out


def check_full(c, mavek, peer):
    c.table("mvd", numbers(mavek + ".mvd", 1), numbers(peer + ".mvd", 1), 1e-4)
    c.table("cor", numbers(mavek + ".cor"), numbers(peer + ".cor"), 1e-6)
    c.table("cov", numbers(mavek + ".cov", 3), numbers(peer + ".cov", 3), 1e-6)
    c.table("inp", numbers(mavek + ".inp", 3), numbers(peer + ".inp", 3), 1e-4)
    ours, theirs = numbers(mavek + ".eig"), numbers(peer + ".eig")
    c.table("eig percentages", ours[:2], theirs[:2], 1e-3)
    c.table("eig loadings", ours[2:], theirs[2:], 1e-3, signs(ours[2:], theirs[2:]))
    ours, theirs = numbers(mavek + ".sco"), numbers(peer + ".sco")
    c.table("sco", ours, theirs, 1e-5, signs(ours, theirs))


def mvd_columns(mavek):
    """mavek's statistics as {name: [value per variable]}, and n from .cov."""
    rows = numbers(mavek + ".mvd", 1)
    names = ["mean", "var", "sd", "min", "max", "skew", "curt", "median"]
    with open(mavek + ".cov") as f:
        n = int(f.read().split("\n")[1])
    return {name: [r[i + 1] for r in rows] for i, name in enumerate(names)}, n


def check_partial(c, tool, mavek, peer):
    ours, n = mvd_columns(mavek)
    m = len(ours["mean"])
    if tool == "datamash":
        flat = numbers(peer + ".mvd")[0]
        names = ["mean", "var", "sd", "min", "max", "pskew", "pkurt", "median"]
        theirs = {name: flat[i * m : (i + 1) * m] for i, name in enumerate(names)}
    else:
        theirs = {}
        key = {"mean": "mean", "var": "var", "stddev": "sd", "min": "min", "max": "max",
               "skewness": "skew", "kurtosis": "pkurt", "median": "median"}
        for name, value in (line.split() for line in open(peer + ".mvd") if line.strip()):
            col, stat = name.split("_", 1)
            theirs.setdefault(key[stat], [None] * m)[int(col) - 1] = float(value)
    # Population moments brought to mavek's n - 1 standard deviation.
    if "pskew" in theirs:
        theirs["skew"] = [g * ((n - 1) / n) ** 1.5 for g in theirs["pskew"]]
    theirs["curt"] = [(k + 3) * ((n - 1) / n) ** 2 - 3 for k in theirs["pkurt"]]
    for name in ["mean", "var", "sd", "min", "max", "skew", "curt", "median"]:
        for k in range(m):
            c.close("%s of variable %d" % (name, k + 1), ours[name][k], theirs[name][k], 0.5e-4)


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: check_job.py PEER MAVEK_BASE PEER_BASE")
    tool, mavek, peer = sys.argv[1:]
    c = Checker()
    try:
        if tool in ("datamash", "miller"):
            check_partial(c, tool, mavek, peer)
        else:
            check_full(c, mavek, peer)
    except (OSError, ValueError, IndexError, KeyError, TypeError) as e:
        c.faults.append("unreadable result: %s" % e)
    if c.faults:
        print("%s: DIFFERS from mavek (%d values compared)" % (tool, c.compared))
        for fault in c.faults:
            print("  " + fault)
        return 1
    print("%s: same as mavek in %d values" % (tool, c.compared))
    return 0


if __name__ == "__main__":
    sys.exit(main())
