"""The job of `mavek -c -v -e FILE` in pandas, for bench/compare.sh.

Usage: /usr/bin/python3 pandas_job.py FILE

Reads the table with read_csv (comment lines start with '#') and writes the
same six files as numpy_job.py, beside the input and in mavek's layouts
(except that to_csv separates the loadings of .eig and the scores of .sco
by one blank instead of padding them to a width): .mvd, .cor, .cov, .inp,
.eig and .sco (three scores). Statistics, matrices
and medians come from pandas' own methods; the principal components from
numpy's eigh, as pandas has none. Skewness and curtosis are computed with
mavek's definitions (third and fourth central moments over the n - 1
standard deviation), which pandas' bias-corrected skew() and kurt() are not.
"""
import os
import sys

import numpy as np
import pandas as pd


def main(path):
    df = pd.read_csv(path, sep=r"\s+", header=None, comment="#", dtype=np.float64)
    n, m = df.shape
    base = os.path.splitext(path)[0]

    mean = df.mean()
    var = df.var()
    var[var <= 0] = 1e-4
    sd = np.sqrt(var)
    d = df - mean
    skew = (d**3).sum() / (n * var * sd)
    curt = (d**4).sum() / (var * (n * var)) - 3.0
    del d
    stats = pd.DataFrame(
        {
            "mean": mean,
            "var": var,
            "sd": sd,
            "min": df.min(),
            "max": df.max(),
            "skew": skew,
            "curt": curt,
            "median": df.median(),
        }
    )
    cov = df.cov(ddof=0).to_numpy()
    cor = df.corr().to_numpy()
    np.fill_diagonal(cor, 1.0)

    labels = "".join("x%d " % (k + 1) for k in range(m))
    with open(base + ".mvd", "w") as f:
        f.write("! Variable  Mean     Variance  Std.Dev.  Min       Max       Skewness  Curtosis  Median\n")
        for k, row in enumerate(stats.itertuples(index=False)):
            f.write("%9d " % (k + 1) + "%9.4f %9.4f %9.4f %9.4f %9.4f %9.4f %9.4f %9.4f\n" % tuple(row))
    with open(base + ".cor", "w") as f:
        for i in range(m):
            f.write(" %- .6f" * (i + 1) % tuple(cor[: i + 1, i]) + "\n")
    with open(base + ".cov", "w") as f:
        f.write("/Covariance\n%d\n%s\n" % (n, labels))
        for i in range(m):
            f.write("%- .6f " * (i + 1) % tuple(cov[: i + 1, i]) + "\n")
    with open(base + ".inp", "w") as f:
        f.write("/Covariance\n%d\n%s\n" % (n, labels))
        for i in range(m):
            f.write(" %8.4f" * (i + 1) % tuple(cor[: i + 1, i]) + "\n")

    root, vec = np.linalg.eigh(cor)
    order = np.argsort(-root, kind="stable")
    root, vec = root[order], vec[:, order]
    share = root / root.sum()
    load = pd.DataFrame(vec * np.sqrt(np.abs(root)))
    with open(base + ".eig", "w") as f:
        f.write(" %- 7.3f" * m % tuple(share * 100) + "\n")
        ref = -2.8 / (m - 1) * np.arange(m) + (100.0 / m + 1.4) if m > 1 else [101.4]
        f.write(" ".join(["%- 7.3f"] * m) % tuple(ref) + "\n")
        load.to_csv(f, sep=" ", header=False, index=False, float_format="%.3f")

    k = min(3, m)
    coef = load.iloc[:, :k] / share[:k] / 100
    scores = (df / sd).dot(coef.to_numpy())
    scores.to_csv(base + ".sco", sep=" ", header=False, index=False, float_format="%.5f")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: pandas_job.py FILE")
    main(sys.argv[1])
