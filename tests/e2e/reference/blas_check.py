#!/usr/bin/env python3
"""Whole runs with --blas against the exact engine, and against numpy.

  blas_check.py MAVEK CASES_DIR IRIS

1. Every end-to-end case with components runs twice, as it is and with
   --blas, in fresh folders. The exit status, both streams and every file
   of per-variable values (.mvd, .std, .his) must be the same bytes; the
   matrices (.cor, .cov, .inp, .da1) may differ by one unit in their last
   printed decimal; the component files are compared up to the sign of each
   component. The largest difference of each file kind is printed.
2. With numpy (Debian's python3-numpy), the --blas results for the public
   data sets in the tests (Fisher's iris; the NIST StRD univariate NumAcc
   sets) are checked against numpy's own covariance, correlation and
   eigendecomposition (numpy.linalg.eigh).

Exits 77 (skipped) when mavek cannot load OpenBLAS; without numpy, part 2
is left out with a note.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

# The cases with components; certified_numacc makes its tables in its setup.
CASES = ['certified_numacc', 'eigen_without_fsc', 'hostile_counts_wrap', 'pca_example', 'pca_scores_mean',
         'ref_generated', 'ref_iris_all', 'ref_iris_default', 'ref_iris_inverse', 'ref_iris_sorted',
         'ref_one_column', 'ref_two_files', 'ref_wide', 'single_observation']
SAME = ('.mvd', '.std', '.his')
MATRICES = ('.cor', '.cov', '.inp', '.da1')
NUMBER = re.compile(r'[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?|[-+]?(?:nan|inf)')

worst = {}
failures = []


def note(kind, diff):
    worst[kind] = max(worst.get(kind, 0.0), diff)


def fail(msg):
    failures.append(msg)
    print('FAIL: ' + msg)


def run(mavek, case_dir, work, blas):
    os.makedirs(work)
    files = os.path.join(case_dir, 'files')
    if os.path.isdir(files):
        for f in os.listdir(files):
            shutil.copy(os.path.join(files, f), work)
    if os.path.exists(os.path.join(case_dir, 'setup')):
        subprocess.run(['bash', os.path.join(case_dir, 'setup')], cwd=work, check=True)
    before = set(os.listdir(work))
    with open(os.path.join(case_dir, 'args')) as f:
        args = f.read().strip()
    script = 'eval "set -- %s"; exec "$MAVEK" %s"$@"' % (args.replace('\\', '\\\\').replace('"', '\\"'),
                                                          '--blas ' if blas else '')
    p = subprocess.run(['bash', '-c', script], cwd=work, stdin=subprocess.DEVNULL, capture_output=True,
                       env=dict(os.environ, MAVEK=mavek))
    out = {f: open(os.path.join(work, f), 'rb').read() for f in os.listdir(work)
           if f not in before and f != 'logfile'}
    return p.returncode, p.stdout, p.stderr, out


def numbers(text):
    return NUMBER.findall(text.decode())


def unit(token):
    """One unit in the last printed decimal of a token such as -0.117570 or 1.2e-02."""
    mant, _, exp = token.lower().partition('e')
    decimals = len(mant.split('.')[1]) if '.' in mant else 0
    return 10.0 ** (-decimals + (int(exp) if exp else 0))


def compare_matrix(kind, a, b, where):
    """Matrices as printed: one unit in the last decimal apart at most, or,
    for covariances far larger than their printed unit, 1e-13 of the
    geometric mean of the two variances (the rounding of sums of n products)."""
    ta, tb = numbers(a), numbers(b)
    if len(ta) != len(tb) or re.sub(NUMBER, '#', a.decode()) != re.sub(NUMBER, '#', b.decode()):
        fail('%s: the layout differs' % where)
        return
    scale = [0.0] * len(ta)
    if kind == '.cov':
        # After the header (title, count, one label per variable) the lower
        # triangle row by row: row i holds cov[0..i][i].
        rows = [line.split() for line in a.decode().splitlines()[3:]]
        diag = [abs(float(r[-1])) for r in rows]
        at = len(ta) - sum(len(r) for r in rows)
        for i, r in enumerate(rows):
            for j in range(len(r)):
                scale[at] = (diag[i] * diag[j]) ** 0.5
                at += 1
    for x, y, sc in zip(ta, tb, scale):
        d = abs(float(x) - float(y))
        if d != d:
            if x != y:
                fail('%s: %s against %s' % (where, x, y))
            continue
        note(kind + (' (relative to the variances)' if sc else ''), d / sc if sc else d)
        if d > max(unit(x) * 1.0000001, 1e-13 * sc):
            fail('%s: %s against %s' % (where, x, y))


def columns(rows):
    return [list(c) for c in zip(*rows)] if rows else []


def signed_diff(ca, cb):
    """Largest |a - s*b| over a column, with s the sign that fits best."""
    dot = sum(x * y for x, y in zip(ca, cb))
    s = -1.0 if dot < 0 else 1.0
    return max((abs(x - s * y) for x, y in zip(ca, cb)), default=0.0), s


def parse_rows(text):
    return [[float(t) for t in line.split()] for line in text.decode().splitlines()
            if line.strip() and not line.startswith('[')]


def separated(percentages):
    """The components (in file order) whose share of the variance stands more
    than 0.1 percentage points from the shares of their neighbours, and above
    0.01 %: single vectors of these are determined well enough to compare one
    by one; the others are compared by the spaces they span in the unit
    tests."""
    p = percentages
    return [i for i in range(len(p)) if p[i] > 0.01 and all(
        abs(p[i] - p[j]) > 0.1 for j in (i - 1, i + 1) if 0 <= j < len(p))]


def compare_components(name, a, b, where, shares):
    if name.endswith('.eig'):
        ra, rb = parse_rows(a), parse_rows(b)
        d = max(abs(x - y) for x, y in zip(ra[0], rb[0]))
        note('.eig percentages', d)
        if d > 0.0010000001:
            fail('%s: percentages differ by %g' % (where, d))
        if ra[1] != rb[1]:
            fail('%s: the reference row differs' % where)
        ca, cb = columns(ra[2:]), columns(rb[2:])
        for i in separated(ra[0]):
            note('.eig loadings', signed_diff(ca[i], cb[i])[0])
    elif name.endswith('.fsc'):
        sa, sb = a.decode().split('[ROOT_SORTED]'), b.decode().split('[ROOT_SORTED]')
        if sa[1].split('[STD]')[1] != sb[1].split('[STD]')[1]:
            fail('%s: [STD] or [MEAN] differs' % where)
        roots_a = [float(t) for t in sa[1].split('[STD]')[0].split()]
        roots_b = [float(t) for t in sb[1].split('[STD]')[0].split()]
        note('.fsc roots', max(abs(x - y) for x, y in zip(roots_a, roots_b)))
        ca, cb = columns(parse_rows(sa[0].encode())), columns(parse_rows(sb[0].encode()))
        for i in separated(shares):
            scale = max(abs(t) for t in ca[i]) or 1.0
            note('.fsc coefficients (relative)', signed_diff(ca[i], cb[i])[0] / scale)
    elif name.endswith('.sco'):
        ca, cb = columns(parse_rows(a)), columns(parse_rows(b))
        for i in separated(shares):
            if i < len(ca):
                scale = max(abs(t) for t in ca[i]) or 1.0
                note('.sco (relative)', signed_diff(ca[i], cb[i])[0] / scale)


def part_one(mavek, cases_dir, tmp):
    for case in CASES:
        case_dir = os.path.join(cases_dir, case)
        ea = run(mavek, case_dir, os.path.join(tmp, case, 'exact'), False)
        eb = run(mavek, case_dir, os.path.join(tmp, case, 'blas'), True)
        for what, x, y in (('status', ea[0], eb[0]), ('stdout', ea[1], eb[1]), ('stderr', ea[2], eb[2]),
                           ('files', sorted(ea[3]), sorted(eb[3]))):
            if x != y:
                fail('%s: the %s differ' % (case, what))
        shares = {}
        for name, text in ea[3].items():
            if name.endswith('.eig'):
                shares[os.path.splitext(name)[0]] = parse_rows(text)[0]
        for name in sorted(set(ea[3]) & set(eb[3])):
            a, b = ea[3][name], eb[3][name]
            kind = os.path.splitext(name)[1]
            where = '%s/%s' % (case, name)
            if kind in SAME:
                if a != b:
                    fail('%s: not the same bytes' % where)
            elif kind in MATRICES:
                compare_matrix(kind, a, b, where)
            else:
                compare_components(name, a, b, where, shares.get(os.path.splitext(name)[0], []))


def load(path):
    import numpy as np
    return np.loadtxt(path, comments=['#', ';', '!'], ndmin=2)


def part_two(mavek, cases_dir, iris, tmp):
    try:
        import numpy as np
    except ImportError:
        print('numpy is not installed for %s (Debian: python3-numpy): the independent check is left out'
              % sys.executable)
        return
    work = os.path.join(tmp, 'numpy')
    os.makedirs(work)
    shutil.copy(iris, work)
    subprocess.run(['bash', os.path.join(cases_dir, 'certified_numacc', 'setup')], cwd=work, check=True)
    for data in ['iris.dat', 'NumAcc1.dat', 'NumAcc2.dat', 'NumAcc3.dat', 'NumAcc4.dat']:
        subprocess.run([mavek, '--quiet', '--blas', '-c', '-v', '-e', '-f', '-a', '-n', data], cwd=work,
                       check=True, capture_output=True)
        base = os.path.join(work, os.path.splitext(data)[0])
        x = load(os.path.join(work, data))
        n, m = x.shape
        d = x - x.mean(axis=0)
        cov = d.T @ d / n
        var = x.var(axis=0, ddof=1)
        sd = np.sqrt(var)
        cor = cov * (n / (n - 1)) / np.outer(sd, sd)
        np.fill_diagonal(cor, 1.0)
        root, vec = np.linalg.eigh(cor)
        order = np.argsort(-root, kind='stable')
        root, vec = root[order], vec[:, order]

        def tri(path, skip):
            with open(path) as f:
                return [float(t) for line in f.read().splitlines()[skip:] for t in line.split()]

        got_cor = tri(base + '.cor', 0)
        want_cor = [cor[j, i] for i in range(m) for j in range(i + 1)]
        note('numpy .cor', max(abs(a - b) for a, b in zip(got_cor, want_cor)))
        got_cov = tri(base + '.cov', 3)
        want_cov = [cov[j, i] for i in range(m) for j in range(i + 1)]
        note('numpy .cov', max(abs(a - b) for a, b in zip(got_cov, want_cov)))
        with open(base + '.fsc') as f:
            fsc = f.read()
        roots = [float(t) for t in fsc.split('[ROOT_SORTED]')[1].split('[STD]')[0].split()]
        note('numpy .fsc roots (relative)', max(abs(a - b) / max(root[0], 1e-300) for a, b in zip(roots, root)))
        coef = columns(parse_rows(fsc.split('[ROOT_SORTED]')[0].encode()))
        share = root / root.sum()
        want = (vec * np.sqrt(np.maximum(root, 0))) / share / 100
        for j in range(m):
            if root[j] > 1e-6 * root[0]:
                note('numpy .fsc coefficients (relative)',
                     signed_diff(coef[j], list(want[:, j]))[0] / np.abs(want[:, j]).max())
        eig = parse_rows(open(base + '.eig', 'rb').read())
        for j, col in enumerate(columns(eig[2:])):
            note('numpy .eig loadings', signed_diff(col, list(vec[:, j] * np.sqrt(max(root[j], 0))))[0])
        scores = columns(parse_rows(open(base + '.sco', 'rb').read()))
        want_scores = (d / sd) @ want
        for j, col in enumerate(scores):
            note('numpy .sco', signed_diff(col, list(want_scores[:, j]))[0])
    limits = {'numpy .cor': 5.1e-7, 'numpy .cov': 5.1e-7, 'numpy .fsc roots (relative)': 1e-7,
              'numpy .fsc coefficients (relative)': 1e-6, 'numpy .eig loadings': 5.1e-4, 'numpy .sco': 5.1e-6}
    for kind, limit in limits.items():
        if worst.get(kind, 0.0) > limit:
            fail('%s: %g, more than %g' % (kind, worst[kind], limit))


def main(argv):
    mavek, cases_dir, iris = (os.path.abspath(a) for a in argv[1:4])
    with tempfile.TemporaryDirectory() as tmp:
        probe = os.path.join(tmp, 'probe.dat')
        with open(probe, 'w') as f:
            f.write('1 2\n2 1\n3 5\n')
        p = subprocess.run([mavek, '--quiet', '--blas', '-m-', '-t-', probe], capture_output=True, cwd=tmp)
        if p.returncode != 0:
            print('mavek --blas cannot run here: %s' % p.stderr.decode().strip())
            return 77
        part_one(mavek, cases_dir, tmp)
        part_two(mavek, cases_dir, iris, tmp)
    print('Largest differences, --blas against the exact engine (and against numpy):')
    for kind in sorted(worst):
        print('  %-36s %.3g' % (kind, worst[kind]))
    print('%d failures' % len(failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
