#!/usr/bin/env python3
"""Makes the "ref_" end-to-end cases (their arguments and input files,
seeded, so the files are the same on every run) and, when the tests run, the
expected files of every case that takes them from the reference model
mavek_ref.py: those whose folder holds a file "model".

  python3 make_ref_cases.py                     # the "ref_" cases' inputs
  python3 make_ref_cases.py --expected-into DIR # DIR/<case>/ for every
                                                # case with a file "model"

For each such case, its files/ (links followed) are copied into a scratch
folder, its setup runs there, and the model runs there on its arguments,
which must be plain shell words. CTest does the second (the test
reference_model) before the cases that need it.
"""

import os
import random
import shlex
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CASES = os.path.join(HERE, '..', 'cases')
MODEL = os.path.join(HERE, 'mavek_ref.py')
# The iris cases read the example table itself, through a link.
IRIS_LINK = os.path.join('..', '..', '..', '..', '..', 'examples', 'iris.dat')

IRIS_CASES = {
    'ref_iris_all': '-b -c -v -h --oldtetrad -e -f -a iris.dat',
    'ref_iris_default': 'iris.dat',
    'ref_iris_sorted': '-s "4 2" -v -z -e -n iris.dat',
    'ref_iris_inverse': '-i -c -e7 iris.dat',
}


def case_dir(name, args):
    d = os.path.join(CASES, name)
    os.makedirs(os.path.join(d, 'files'), exist_ok=True)
    with open(os.path.join(d, 'args'), 'w') as f:
        f.write(args + '\n')
    with open(os.path.join(d, 'model'), 'w') as f:
        f.write('The expected files are made by the reference model when the tests run (tests/e2e/reference).\n')
    return d


def generated_table():
    """About 200 rows of 12 variables with a comment header:
    1  normal around 50
    2  1000000000.1xx: a large mean with a tiny spread
    3  the constant 0.1 (its mean is not exactly 0.1)
    4  a copy of column 1
    5  narrow negative range -1000.1 .. -1000.0 (bin index above the top)
    6  -2 .. 2 with "-0" and "0", the middle of the sorted column on -0
    7  tiny values in exponent notation
    8  values around 1e12 in exponent notation
    9  a skewed (exponential) variable
    10 -1000.004 .. -1000.000 (negative bin width)
    11 column 1 turned round plus noise
    12 uniform 0..1 printed with 17 significant digits
    """
    rnd = random.Random(20260517)
    n = 200
    # column 6: 40 x -2, 50 x -1, 20 x -0, 20 x 0, 40 x 1, 30 x 2, shuffled;
    # sorted positions 90..109 hold -0, so the median is -0.
    col6 = ['-2'] * 40 + ['-1'] * 50 + ['-0'] * 20 + ['0'] * 20 + ['1'] * 40 + ['2'] * 30
    rnd.shuffle(col6)
    lines = [
        '# Generated test table for mavek (seeded).',
        '# 12 variables, mixed magnitudes; see make_ref_cases.py.',
        '; a second comment style',
        '! and a third',
    ]
    for r in range(n):
        a = round(rnd.gauss(50.0, 10.0), 2)
        b = '1000000000.1%02d' % rnd.randrange(100)
        e = '%.3f' % (-1000.0 - rnd.randrange(101) / 1000.0)
        g = '%.4e' % (rnd.uniform(1.0, 9.0) * 1e-8)
        hh = '%.6e' % (rnd.gauss(3.0, 0.5) * 1e12)
        i = '%.5f' % rnd.expovariate(0.5)
        j = '%.3f' % (-1000.0 - rnd.randrange(5) / 1000.0)
        k = '%.2f' % (100.0 - a * 1.5 + rnd.gauss(0.0, 5.0))
        lval = repr(rnd.random())
        row = ['%.2f' % a, b, '0.1', '%.2f' % a, e, col6[r], g, hh, i, j, k, lval]
        sep = '\t' if r % 7 == 3 else ' '
        lines.append(sep.join(row))
        if r == 99:
            lines.append('# a comment between the data rows')
    lines.append('# trailing comment')
    return '\n'.join(lines) + '\n'


def small_tables():
    rnd = random.Random(77)
    a = ['# two variables'] + ['%.1f %.3f' % (rnd.uniform(0, 10), rnd.gauss(5, 2)) for _ in range(12)]
    b = []
    for r in range(9):
        x = rnd.gauss(0, 1)
        b.append('%.4f %.4f %d %.2e %.4f' % (x, x * 2 + rnd.gauss(0, 0.3), rnd.randrange(-5, 6),
                                             rnd.uniform(1, 2) * 1e5, rnd.random()))
    return '\n'.join(a) + '\n', '\n'.join(b) + '\n'


def wide_table():
    """300 rows of 60 correlated variables ("%.6g"): wide enough that the
    covariances are shared among threads when several may be used."""
    rnd = random.Random(60300)
    load = [[rnd.gauss(0, 1) for _ in range(4)] for _ in range(60)]
    lines = ['# 60 variables driven by 4 common factors']
    for _ in range(300):
        f = [rnd.gauss(0, 1) for _ in range(4)]
        row = []
        for k in range(60):
            x = 2.0 * rnd.gauss(0, 1) + sum(load[k][h] * f[h] for h in range(4)) + 10 * k
            row.append('%.6g' % x)
        lines.append(' '.join(row))
    return '\n'.join(lines) + '\n'


def make_inputs():
    for name, args in IRIS_CASES.items():
        d = case_dir(name, args)
        link = os.path.join(d, 'files', 'iris.dat')
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(IRIS_LINK, link)
    d = case_dir('ref_generated', '-b -c -v -h15 -e -f --oldtetrad -z data.txt')
    with open(os.path.join(d, 'files', 'data.txt'), 'w') as f:
        f.write(generated_table())
    d = case_dir('ref_two_files', '-e -h a.dat b.dat')
    ta, tb = small_tables()
    with open(os.path.join(d, 'files', 'a.dat'), 'w') as f:
        f.write(ta)
    with open(os.path.join(d, 'files', 'b.dat'), 'w') as f:
        f.write(tb)
    d = case_dir('ref_wide', '--quiet -c -v -e5 -f -h wide.dat')
    with open(os.path.join(d, 'files', 'wide.dat'), 'w') as f:
        f.write(wide_table())
    # one variable, the file named before the options (getopt moves it last)
    d = case_dir('ref_one_column', 'x.dat -c -v --oldtetrad -e -f -h4')
    with open(os.path.join(d, 'files', 'x.dat'), 'w') as f:
        f.write('# one variable\n3.5\n-1.25\n0\n7\n2.5\n')


def model_cases():
    return sorted(c for c in os.listdir(CASES) if os.path.isfile(os.path.join(CASES, c, 'model')))


def expected_into(root):
    shutil.rmtree(root, ignore_errors=True)
    for name in model_cases():
        d = os.path.join(CASES, name)
        with open(os.path.join(d, 'args')) as f:
            args = shlex.split(f.read())
        exp = os.path.join(root, name)
        with tempfile.TemporaryDirectory() as work:
            if os.path.isdir(os.path.join(d, 'files')):
                shutil.copytree(os.path.join(d, 'files'), work, dirs_exist_ok=True)
            if os.path.isfile(os.path.join(d, 'setup')):
                subprocess.check_call(['bash', os.path.join(d, 'setup')], cwd=work)
            subprocess.check_call([sys.executable, MODEL, '--run', exp] + args, cwd=work)
        with open(os.path.join(exp, 'status'), 'w') as f:
            f.write('0\n')
    print('%d cases: expected files made by the model in %s' % (len(model_cases()), root))


if __name__ == '__main__':
    if len(sys.argv) == 3 and sys.argv[1] == '--expected-into':
        expected_into(sys.argv[2])
    elif len(sys.argv) == 1:
        make_inputs()
    else:
        sys.stderr.write(__doc__)
        sys.exit(2)
