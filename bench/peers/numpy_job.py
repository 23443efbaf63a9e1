"""The job of `mavek -c -v -e FILE` in numpy, for bench/compare.sh.

Usage: /usr/bin/python3 numpy_job.py FILE

Reads the table (comment lines start with '#', ';' or '!') and writes beside
it, named after it like mavek's result files and in the same layouts: the
statistics table (.mvd), the correlation matrix (.cor), the covariance
matrix (.cov), the TETRAD-DAT correlations (.inp), the percentages of
variance and loadings (.eig) and three component scores (.sco). The
statistics follow mavek's definitions: variance and standard deviation with
divisor n - 1, covariance with divisor n, Pearson correlations, skewness and
excess curtosis over the n - 1 standard deviation, principal components of
the correlation matrix (LAPACK's eigh), scores of the values divided by the
standard deviations. Components may differ from mavek's in sign.
The BLAS threads are set by OPENBLAS_NUM_THREADS.
"""
import os
import sys

import numpy as np


def main(path):
    x = np.loadtxt(path, comments=["#", ";", "!"], ndmin=2)
    n, m = x.shape
    base = os.path.splitext(path)[0]

    mean = x.mean(axis=0)
    d = x - mean
    var = x.var(axis=0, ddof=1)
    var[var <= 0] = 1e-4
    sd = np.sqrt(var)
    d2 = d * d
    skew = (d2 * d).sum(axis=0) / (n * var * sd)
    curt = (d2 * d2).sum(axis=0) / (var * (n * var)) - 3.0
    del d2
    median = np.median(x, axis=0)
    cov = (d.T @ d) / n
    del d
    cor = cov * (n / (n - 1)) / np.outer(sd, sd)
    np.fill_diagonal(cor, 1.0)

    labels = "".join("x%d " % (k + 1) for k in range(m))
    with open(base + ".mvd", "w") as f:
        f.write("! Variable  Mean     Variance  Std.Dev.  Min       Max       Skewness  Curtosis  Median\n")
        cols = np.column_stack([mean, var, sd, x.min(axis=0), x.max(axis=0), skew, curt, median])
        for k in range(m):
            f.write("%9d " % (k + 1) + "%9.4f %9.4f %9.4f %9.4f %9.4f %9.4f %9.4f %9.4f\n" % tuple(cols[k]))
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
    load = vec * np.sqrt(np.abs(root))
    with open(base + ".eig", "w") as f:
        f.write(" %- 7.3f" * m % tuple(share * 100) + "\n")
        ref = -2.8 / (m - 1) * np.arange(m) + (100.0 / m + 1.4) if m > 1 else [101.4]
        f.write(" ".join(["%- 7.3f"] * m) % tuple(ref) + "\n")
        np.savetxt(f, load, fmt="%- 7.3f", delimiter=" ")

    k = min(3, m)
    coef = load[:, :k] / share[:k] / 100
    scores = (x / sd) @ coef
    np.savetxt(base + ".sco", scores, fmt="%9.5f ", delimiter="")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: numpy_job.py FILE")
    main(sys.argv[1])
