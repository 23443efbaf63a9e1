#!/usr/bin/env python3
"""A second transcription of a successful mavek run, in Python.

Given the command line of a run and the input files, this computes every
byte that mavek writes on its standard output and standard error and into
each result file (".std", ".mvd", ".cor", ".cov", ".inp", ".da1", ".his",
".eig", ".fsc", ".sco") and the "logfile" line.  It was written from the
documented formulas, apart from the C++ sources, and shares no code with
them; the end-to-end cases with a file "model" (the "ref_" cases among them)
take their expected files from it, made when the tests run
(make_ref_cases.py --expected-into).

What it is and is not: a second, plain transcription of the same formulas,
in the same order of operations, with the same decided behaviour (the
constant-variable rule, the Pearson correlation, the guarded solver and so
on).  It catches a program that strays from the formulas (a reordered sum,
a fast path that changes a bit, a writer that drops a byte); it cannot catch
a fault that both transcriptions share.  The independent checks of the
numbers themselves are elsewhere: hand-worked cases and eigen_check.py.

Every formula is evaluated in the program's order of operations.  Python
floats are IEEE doubles and Python never fuses a multiply with an add, so
the results are the same bits; Python's '%' formatting of finite doubles is
byte for byte that of C's printf.  Non-finite values go through cfmt().

Only successful runs are modelled: a fatal error raises ModelError.

Usage:
  mavek_ref.py --run OUTDIR ARG...
      run in the current directory as "mavek ARG..."; put stdout, stderr
      and the result files under OUTDIR (inputs are only read)
"""

import math
import os
import re
import sys

DBL_MAX = sys.float_info.max
# The NaN that an invalid operation produces on x86 (sign bit set).
DEFAULT_NAN = math.inf - math.inf
BANNER_VERSION = "mavek Version VERSION DATE TIME Build: 0 by Kestrin"  # as the runner masks it
COPYRIGHT = ("Copyright (C) 2026 the mavek developers. Free to use, copy and change.\n"
             "Written by Kestrin.")
LOG_STAMP = "YYYY-MM-DD hh:mm:ss"

# Sizes of the program's types on the target (LP64).
SIZE_STATS = 72
SIZE_PTR = 8
SIZE_INT = 4
SIZE_DOUBLE = 8


class ModelError(Exception):
    """A condition that would make the program end with an error."""


# ---------------------------------------------------------------- numbers

def fdiv(a, b):
    """IEEE division, also for a zero divisor.  NaN operands propagate as
    they are; an invalid operation gives the x86 default NaN, which has its
    sign bit set (C prints it as "-nan")."""
    a = float(a)
    b = float(b)
    if b != 0.0 or math.isnan(a) or math.isnan(b):
        return a / b if b != 0.0 or math.isnan(b) else a
    if a == 0.0:
        return DEFAULT_NAN
    sign = math.copysign(1.0, a) * math.copysign(1.0, b)
    return math.copysign(math.inf, sign)


def fsqrt(x):
    """C sqrt: a NaN argument comes back as it is, a negative one gives the
    default NaN; -0 stays -0."""
    if math.isnan(x):
        return x
    if x < 0.0:
        return DEFAULT_NAN
    return math.sqrt(x)


def trunc_int(x):
    """C conversion of a finite double to int (towards zero)."""
    return int(x)


_FMT_RE = re.compile(r'%([-+ #0]*)(\d+|\*)?(?:\.(\d+))?([diuxfeEgGs%c])')


def cfmt(fmt, *args):
    """printf-like formatting with C spelling for nan/inf."""
    out = []
    pos = 0
    ai = 0
    for m in _FMT_RE.finditer(fmt):
        out.append(fmt[pos:m.start()])
        pos = m.end()
        flags, width, prec, conv = m.group(1), m.group(2), m.group(3), m.group(4)
        if conv == '%':
            out.append('%')
            continue
        if width == '*':
            width = str(args[ai])
            ai += 1
        val = args[ai]
        ai += 1
        pyfmt = '%' + flags + (width or '') + ('.' + prec if prec is not None else '') + conv
        if conv in 'feEgG' and not math.isfinite(val):
            neg = math.copysign(1.0, val) < 0
            body = 'nan' if math.isnan(val) else 'inf'
            if conv in 'EG':
                body = body.upper()
            if neg:
                body = '-' + body
            elif '+' in flags:
                body = '+' + body
            elif ' ' in flags:
                body = ' ' + body
            w = int(width) if width else 0
            if len(body) < w:
                body = body + ' ' * (w - len(body)) if '-' in flags else ' ' * (w - len(body)) + body
            out.append(body)
        elif conv in 'diu':
            out.append(pyfmt.replace('u', 'd') % int(val))
        else:
            out.append(pyfmt % val)
    out.append(fmt[pos:])
    return ''.join(out)


# Numbers as strtod / sscanf("%lg") read them (decimal, hex and the words).
_WS = ' \t\n\v\f\r'
_NUM_RE = re.compile(
    r'[+-]?(?:'
    r'0[xX](?:[0-9a-fA-F]+\.?[0-9a-fA-F]*|\.[0-9a-fA-F]+)(?:[pP][+-]?\d+)?'
    r'|(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?'
    r'|[iI][nN][fF](?:[iI][nN][iI][tT][yY])?'
    r'|[nN][aA][nN](?:\([0-9A-Za-z_]*\))?'
    r')')


def _to_double(tok):
    t = tok.lower()
    sign = -1.0 if t.startswith('-') else 1.0
    body = t.lstrip('+-')
    if body.startswith('0x'):
        if 'p' not in body:
            body += 'p0'
        mant, exp = body[2:].split('p')
        if mant.startswith('.'):
            mant = '0' + mant
        return sign * float.fromhex('0x' + mant + 'p' + exp)
    if body.startswith('inf'):
        return sign * math.inf
    if body.startswith('nan'):
        return math.copysign(math.nan, sign)
    return float(tok)


def scan_numbers(text):
    """The run of numbers at the start of text (white space separated)."""
    vals = []
    i = 0
    n = len(text)
    while True:
        j = i
        while j < n and text[j] in _WS:
            j += 1
        m = _NUM_RE.match(text, j)
        if not m:
            break
        vals.append(_to_double(m.group(0)))
        i = m.end()
        if i >= n:
            break
    return vals


# ---------------------------------------------------------------- options

SHORTOPTS = "ABC::DE::F::G:H::IL:M::N::QS:T::V::W:XZ::?abc::de::f::g:h::il:m::n::qs:t::v::w:xz::"
# name: (has_arg, code); the flag-pointer options report code 0 in the
# program, here they carry their own name.
LONGOPTS = [
    ("allscores", 0, 'a'), ("stddev", 0, 'b'), ("correlation", 2, 'c'),
    ("debug", 0, 'debug'), ("eigenvalues", 2, 'e'), ("fsc-file", 2, 'f'),
    ("histogram", 2, 'h'), ("inverse", 0, 'i'), ("language", 1, 'l'),
    ("mean", 2, 'm'), ("scores-mean", 0, 'n'), ("copyright", 0, 'q'),
    ("sort", 1, 's'), ("tetrad", 2, 't'), ("covariance", 2, 'v'),
    ("transpose", 0, 'x'), ("where", 1, 'where'), ("split-file", 0, 'z'),
    ("oldtetrad", 2, 'oldtetrad'), ("quiet", 0, 'quiet'),
    ("silence", 0, 'quiet'), ("help", 0, '?'), ("more", 0, 'more'),
    ("timer", 0, 'timer'),
]


def _short_table():
    tab = {}
    i = 0
    while i < len(SHORTOPTS):
        c = SHORTOPTS[i]
        kind = 0
        if SHORTOPTS[i + 1:i + 3] == '::':
            kind = 2
            i += 3
        elif SHORTOPTS[i + 1:i + 2] == ':':
            kind = 1
            i += 2
        else:
            i += 1
        tab[c] = kind
    return tab


SHORT = _short_table()


def getopt_long(argv):
    """GNU getopt_long with permutation.

    Returns (list of (code, optarg), file arguments, permuted argv)."""
    opts = []
    optwords = []       # option words with their separate arguments
    nonopts = []
    i = 1
    n = len(argv)
    after_dashdash = False
    while i < n:
        a = argv[i]
        if a == '--':
            after_dashdash = True
            i += 1
            break
        if not a.startswith('-') or a == '-':
            nonopts.append(a)
            i += 1
            continue
        if a.startswith('--'):
            body = a[2:]
            name, eq, val = body.partition('=')
            exact = [o for o in LONGOPTS if o[0] == name]
            cands = exact or [o for o in LONGOPTS if o[0].startswith(name)]
            if not cands:
                raise ModelError("unknown option " + a)
            if len(cands) > 1 and len({(c[1], c[2]) for c in cands}) > 1:
                raise ModelError("ambiguous option " + a)
            lname, has_arg, code = cands[0]
            words = [a]
            optarg = None
            if eq:
                if has_arg == 0:
                    raise ModelError("option takes no argument " + a)
                optarg = val
            elif has_arg == 1:
                if i + 1 >= n:
                    raise ModelError("missing argument " + a)
                optarg = argv[i + 1]
                words.append(optarg)
                i += 1
            opts.append((code, optarg))
            optwords.extend(words)
            i += 1
            continue
        # cluster of short options
        words = [a]
        j = 1
        while j < len(a):
            c = a[j]
            if c not in SHORT or c == ':':
                raise ModelError("unknown option -" + c)
            kind = SHORT[c]
            if kind == 0:
                opts.append((c, None))
                j += 1
                continue
            rest = a[j + 1:]
            if rest:
                opts.append((c, rest))
            elif kind == 1:
                if i + 1 >= n:
                    raise ModelError("missing argument -" + c)
                opts.append((c, argv[i + 1]))
                words.append(argv[i + 1])
                i += 1
            else:
                opts.append((c, None))
            break
        optwords.extend(words)
        i += 1
    files = nonopts + argv[i:] if after_dashdash else nonopts
    permuted = [argv[0]] + optwords + (['--'] if after_dashdash else []) + nonopts + argv[i:]
    return opts, files, permuted


def _atol(s):
    m = re.match(r'[ \t\n\v\f\r]*([+-]?\d+)', s)
    return int(m.group(1)) if m else 0


def parse_optarg(option, opta):
    if opta is None:
        return 1
    if opta.startswith('-') or opta.startswith('off'):
        return 0
    if opta.startswith('+') or opta.startswith('on'):
        return 1
    raise ModelError("Need a numeric argument to option %s (%s)" % (option, opta))


def parse_optarg_with_value(opta, cur):
    """Returns (switch, new count)."""
    if opta is None:
        return 1, cur
    count = _atol(opta) & 0xFFFFFFFF
    if count != 0:
        cur = count
    if opta.startswith('-') or opta.startswith('off'):
        return 0, cur
    if opta.startswith('+') or opta.startswith('on'):
        return 1, cur
    return (1 if count != 0 else 0), cur


class Settings:
    def __init__(self):
        self.tetrad = 1
        self.oldtetrad = 0
        self.covariance = 0
        self.sort = 0
        self.correlation = 0
        self.mvd = 1
        self.eigen = 0
        self.split = 0
        self.fsc = 0
        self.histogram = 0
        self.std = 0
        self.scores_mean = 0
        self.inverse = 0
        self.quiet = 0
        self.debug = 0
        self.more = 0
        self.timer = 0
        self.allscores = 0
        self.scores = 3
        self.histosize = 30
        self.sortstring = None


def apply_options(opts, out_err):
    st = Settings()
    for code, optarg in opts:
        if len(code) == 1:
            code = code.lower()
        if code == 'a':
            st.allscores = 1
        elif code == 'b':
            st.std = 1
        elif code == 'c':
            st.correlation = parse_optarg("-c", optarg)
        elif code in ('d', 'debug'):
            st.debug = 1
        elif code == 'e':
            st.eigen, st.scores = parse_optarg_with_value(optarg, st.scores)
        elif code == 'f':
            st.fsc = parse_optarg("-f", optarg)
            if st.fsc == 1:
                st.eigen = 1
        elif code in ('g', 'w'):
            raise ModelError("Unknown option")
        elif code == 'h':
            st.histogram, st.histosize = parse_optarg_with_value(optarg, st.histosize)
        elif code == 'i':
            st.inverse = 1
        elif code == 'l':
            pass
        elif code == 'm':
            st.mvd = parse_optarg("-m", optarg)
        elif code == 'n':
            st.scores_mean = parse_optarg("-n", optarg)
        elif code == 'q':
            out_err.append(COPYRIGHT)
        elif code == 's':
            st.sort = 1
            st.sortstring = optarg
        elif code == 't':
            st.tetrad = parse_optarg("-t", optarg)
        elif code == 'v':
            st.covariance = parse_optarg("-v", optarg)
        elif code == 'x':
            raise ModelError("Not implemented yet!")
        elif code == 'z':
            st.split = parse_optarg("-z", optarg)
        elif code == '?':
            raise ModelError("help")
        elif code == 'oldtetrad':
            st.oldtetrad = parse_optarg("--oldtetrad", optarg)
        elif code == 'quiet':
            st.quiet = 1
        elif code == 'where':
            raise ModelError("--where is not modelled")
        elif code == 'more':
            st.more = 1
        elif code == 'timer':
            st.timer = 1
        else:
            raise ModelError("Unknown option")
    return st


def log_line(permuted):
    parts = [LOG_STAMP]
    for a in permuted:
        if not any(ch in a for ch in ' ,*'):
            parts.append(' ' + a)
            continue

        def q(s):
            return s.replace('\\', '\\\\').replace('"', '\\"')
        if a.startswith('--') and '=' in a:
            name, _, val = a.partition('=')
            parts.append(' %s="%s"' % (name, q(val)))
        else:
            parts.append(' "%s"' % q(a))
    return ''.join(parts) + '\n'


# ---------------------------------------------------------------- naming

def findext(name):
    for k in range(len(name) - 1, -1, -1):
        c = name[k]
        if c == '.':
            return k
        if c in '/\\:':
            return None
    return None


def base_name(arg):
    if '.cor' in arg or '.inp' in arg:
        raise ModelError("The infile extension may not be one of .cor and .inp.")
    k = findext(arg)
    return arg if k is None else arg[:k]


# ---------------------------------------------------------------- reading

def split_lines(data):
    """(line text, offset just past the line) for every line of the file."""
    out = []
    pos = 0
    n = len(data)
    while pos < n:
        e = data.find(b'\n', pos)
        end = n if e < 0 else e + 1
        out.append((data[pos:end], end))
        pos = end
    return out


def is_comment(line):
    return line[:1] in (b'#', b';', b'!') or line[:1] == b'\0'


def read_table(data, ncols_first, quiet):
    """Reading pass.  Returns (rows as lists in file column order, progress
    text for the standard error stream, line count of the examination)."""
    lines = split_lines(data)
    fsize = len(data)
    datalines = [(l, end) for (l, end) in lines if not is_comment(l)]
    g_rows = len(datalines)
    if g_rows == 0:
        raise ModelError("Can't read file")
    g_cols = ncols_first
    rows = []
    rowlen = 0
    last = -1
    err = []
    divisor = fsize * 0.01
    for idx, (l, end) in enumerate(datalines):
        text = l.decode('latin-1')
        vals = scan_numbers(text)
        if len(vals) > g_cols:
            err.append("Line contains to many columns (>%u colums). Truncating row %u.\n"
                       % (g_cols, len(rows)))
            vals = vals[:g_cols]
        if rowlen == 0:
            rowlen = len(vals)
        elif len(vals) != rowlen:
            at_eof = (idx == len(datalines) - 1) and not l.endswith(b'\n')
            if at_eof:
                break
            raise ModelError("Wrong row length: Row %d" % (len(rows) + 1))
        fig = trunc_int(end / divisor)
        if fig != last:
            if not quiet:
                err.append("%03d%%\r" % fig)
            last = fig
        rows.append(vals)
    if not quiet:
        err.append("\r    \r")
    return rows, rowlen, ''.join(err), g_rows


def first_line_count(data):
    for l, _ in split_lines(data):
        if not is_comment(l):
            return len(scan_numbers(l.decode('latin-1')))
    raise ModelError("Can't read file")


# ---------------------------------------------------------------- variable order

def variable_order(cols, st, out):
    sortarr = list(range(cols))
    sortarr1 = list(range(cols))
    if st.inverse:
        for i in range(cols):
            sortarr[cols - 1 - i] = i
            sortarr1[i] = cols - 1 - i
        return sortarr, sortarr1
    if not (st.sort and st.sortstring is not None and (st.covariance or st.tetrad)):
        return sortarr, sortarr1
    if not st.quiet:
        out.append(st.sortstring + "\n")
    s = st.sortstring
    off = 0
    n = 0
    named = []
    while True:
        m = re.match(r'[ \t\n\v\f\r]*([+-]?\d+)', s[off:])
        if not m:
            break
        t = int(m.group(1))
        off += m.end()
        while off < len(s) and s[off] in ', ':
            off += 1
        if t < 1 or t > cols:
            raise ModelError("sort: Value out of range. ( 1 <= %d <= %d )" % (t, cols))
        if t - 1 in named:
            raise ModelError("sort: repeated number")
        if n >= cols:
            raise ModelError("sort: too many numbers")
        if not st.quiet:
            out.append("%d->%d\n" % (n + 1, t))
        sortarr[t - 1] = n
        sortarr1[n] = t - 1
        named.append(t - 1)
        n += 1
    # Positions the list leaves open take the unnamed file columns in order.
    rest = [c for c in range(cols) if c not in named]
    for pos, c in zip(range(n, cols), rest):
        sortarr[c] = pos
        sortarr1[pos] = c
    if not st.quiet:
        out.append("cols:%d\n" % cols)
        out.append(''.join("%d " % (sortarr[i] + 1) for i in range(cols)) + "\n")
        out.append(''.join("%d " % (sortarr1[i] + 1) for i in range(cols)) + "\n")
    return sortarr, sortarr1


# ---------------------------------------------------------------- statistics

class Stats:
    __slots__ = ('variable', 'mean', 'variance', 'stddev', 'min', 'max',
                 'skew', 'curt', 'median')

    def __init__(self):
        for f in self.__slots__:
            setattr(self, f, 0.0)


def minmax(dd, n, m, v):
    for i in range(m):
        v[i].min = DBL_MAX
        v[i].max = -DBL_MAX
    for r in range(n):
        row = dd[r]
        for i in range(m):
            x = row[i]
            if x < v[i].min:
                v[i].min = x
            if x > v[i].max:
                v[i].max = x


def histogram_counts(dd, n, m, v, h):
    hist = [[0] * m for _ in range(h)]
    hm1 = float((h - 1) & 0xFFFFFFFF)
    for r in range(n):
        row = dd[r]
        for i in range(m):
            x = row[i]
            w = fdiv(1.00001 * v[i].max - v[i].min, hm1)
            diff = x - v[i].min
            if math.isnan(x):
                continue
            if w == 0.0:
                hist[h // 2][i] += 1
                continue
            q = fdiv(diff, w)
            if math.isnan(q):
                ix = 0
            elif q < 0:
                ix = 0 if q > -1.0 else -1
            elif q >= h:
                ix = h - 1
            else:
                ix = trunc_int(q)
            if ix < 0:
                ix = 0
            elif ix > h - 1:
                ix = h - 1
            hist[ix][i] += 1
    return hist


def moments(dd, n, m, v, out):
    """Moments, covariance and correlation; returns (cc, ccov)."""
    nd = float(n)
    flagged = False
    for i in range(m):
        s = 0.0
        for r in range(n):
            s = s + dd[r][i]
        mean = s / nd
        t2 = 0.0
        t3 = 0.0
        t4 = 0.0
        for r in range(n):
            d = dd[r][i] - mean
            t2 = t2 + d * d
            t3 = t3 + (d * d) * d
            t4 = t4 + d * ((d * d) * d)
        variance = fdiv(t2, nd - 1.0)
        if variance <= 0.0 or v[i].min == v[i].max:
            if not flagged:
                out.append("\nWARNING! Variable(s)\a")
                flagged = True
            out.append(" %d" % (i + 1))
            variance = 0.0001
        stddev = fsqrt(variance)
        v[i].mean = mean
        v[i].variance = variance
        v[i].stddev = stddev
        v[i].skew = fdiv(t3, (nd * variance) * stddev)
        v[i].curt = fdiv(t4, variance * (nd * variance)) - 3.0
    cc = [[0.0] * m for _ in range(m)]
    ccov = [[0.0] * m for _ in range(m)]
    # Pearson correlation: the covariance (divisor n) times n / (n - 1).
    q = 1.0 if n == 1 else nd / float(n - 1)
    for j in range(m):
        mj = v[j].mean
        for k in range(j, m):
            mk = v[k].mean
            c = 0.0
            for r in range(n):
                p = (dd[r][j] - mj) * (dd[r][k] - mk)
                c = c + (p - c) / float(r + 1)
            ccov[j][k] = c
            cc[j][k] = c
            ccov[k][j] = ccov[j][k]
            cc[j][k] = fdiv(cc[j][k] * q, v[j].stddev * v[k].stddev)
            cc[k][j] = cc[j][k]
    for i in range(m):
        v[i].variable = float(i + 1)
    if flagged:
        out.append(" has no Std.Dev. Modifies...\n")
    return cc, ccov


def _total_order_key(x):
    if math.isnan(x):
        return (1, 0.0, 0)
    return (0, x, 0 if math.copysign(1.0, x) < 0 else 1)


def medians(dd, n, m, v):
    for i in range(m):
        nans = [dd[r][i] for r in range(n) if math.isnan(dd[r][i])]
        if nans:
            # A column holding a NaN has no middle: its first NaN stands.
            v[i].median = nans[0]
            continue
        col = sorted((dd[r][i] for r in range(n)), key=_total_order_key)
        h = n // 2
        if n % 2:
            v[i].median = col[h]
        else:
            v[i].median = (col[h - 1] + col[h]) * 0.5


# ---------------------------------------------------------------- components

ZERO = 1e-13
# The final threshold relative to the first; eigen_check.py lowers it to
# show that the solver converges to the exact decomposition.
FNORM_FACTOR = 1e-6


def mateig(a, n):
    """Cyclic Jacobi with a falling threshold; a is overwritten, returns s."""
    s = [[0.0] * n for _ in range(n)]
    for i in range(n):
        s[i][i] = 1.0
    anorm = 0.0
    for c in range(n):
        for r in range(n):
            if r != c:
                anorm = anorm + a[r][c] * a[r][c]
    anorm = fsqrt(anorm)
    if anorm == 0.0 or not math.isfinite(anorm):
        return s
    fnorm = anorm * FNORM_FACTOR
    nd = float(n)
    while True:
        anorm = anorm / nd
        sweeps = 0
        while True:
            rotated = False
            for iq in range(1, n):
                for ip in range(iq):
                    if not (abs(a[ip][iq]) - anorm < 0.0):
                        _rotate(a, s, n, ip, iq)
                        rotated = True
            sweeps += 1
            if not rotated or sweeps >= 100:
                break
        if not (anorm - fnorm > 0.0):
            break
    return s


def _rotate(a, s, n, p, q):
    x = 0.5 * (a[p][p] - a[q][q])
    y = fdiv(-a[p][q], fsqrt(a[p][q] * a[p][q] + x * x))
    if ZERO > x:
        y = -y
    snn = fdiv(y, fsqrt(2.0 * (1.0 + fsqrt(1.0 - y * y))))
    snn2 = snn * snn
    csn = fsqrt(1.0 - snn2)
    for k in range(n):
        t = s[k][p]
        u = s[k][q]
        s[k][q] = snn * t + csn * u
        s[k][p] = t * csn - u * snn
        if k != p and k != q:
            t = a[k][p]
            u = a[k][q]
            a[k][q] = snn * t + csn * u
            a[k][p] = t * csn - u * snn
    app = a[p][p]
    aqq = a[q][q]
    apq = a[p][q]
    csn2 = csn * csn
    stc = csn * snn
    a[p][q] = (app - aqq) * stc + (csn2 - snn2) * apq
    a[q][p] = a[p][q]
    a[p][p] = csn2 * app + snn2 * aqq + (apq * -2.0) * stc
    a[q][q] = snn2 * app + csn2 * aqq + stc * (2.0 * apq)
    for l in range(n):
        a[p][l] = a[l][p]
        a[q][l] = a[l][q]


def components(cc, m):
    """Returns (root, rootsum, pc, position, ss) and leaves cc diagonalised."""
    for i in range(1, m):
        for j in range(i):
            cc[i][j] = cc[j][i]
    ss = mateig(cc, m)
    root = [0.0] * m
    rootsum = 0.0
    for j in range(m):
        root[j] = cc[j][j]
        rootsum = rootsum + root[j]
    pc = [0.0] * (m * m)
    for j in range(m):
        for k in range(m):
            if not root[j] < 0.0:
                pc[k * m + j] = fsqrt(root[j]) * ss[k][j]
            else:
                pc[k * m + j] = 0.0
    pcs = list(range(m))
    position = list(range(m))
    for i in range(m):
        mx = -1e20
        maxplace = 0
        for j in range(m):
            if pcs[j] != -1 and cc[j][j] > mx:
                mx = cc[j][j]
                maxplace = j
        pcs[maxplace] = -1
        position[i] = maxplace
    return root, rootsum, pc, position, ss


# ---------------------------------------------------------------- writers

def terminal_table(v, m, sortarr1):
    w = trunc_int(math.log(float(m)))
    out = [cfmt("%*s Mean      Variance  Std.Dev.  Min       Max       Skewness  Curtosis Median\n",
                w, "No")]
    for i in range(m):
        lab = sortarr1[trunc_int(v[i].variable) - 1] + 1
        line = cfmt("%*d ", w, lab)
        for f in (v[i].mean, v[i].variance, v[i].stddev, v[i].min, v[i].max, v[i].skew):
            line += cfmt("%9.4g ", f)
        line += cfmt("%8.4g ", v[i].curt)
        line += cfmt("%8.4g", v[i].median)
        out.append(line + "\n")
    return ''.join(out)


def write_std(dd, n, m, v):
    out = []
    for r in range(n):
        out.append(''.join(cfmt("%9.5f ", fdiv(dd[r][c] - v[c].mean, v[c].stddev))
                           for c in range(m)) + "\n")
    return ''.join(out)


def write_mvd(v, m, sortarr1):
    out = ["! Variable  Mean     Variance  Std.Dev.  Min       Max       Skewness  Curtosis  Median\n"]
    for i in range(m):
        lab = sortarr1[trunc_int(v[i].variable) - 1] + 1
        line = cfmt("%9d ", lab)
        for f in (v[i].mean, v[i].variance, v[i].stddev, v[i].min, v[i].max, v[i].skew, v[i].curt):
            line += cfmt("%9.4f ", f)
        line += cfmt("%9.4f", v[i].median)
        out.append(line + "\n")
    return ''.join(out)


def write_cor(cc, m):
    return ''.join(''.join(cfmt(" %- .6f", cc[j][i]) for j in range(i + 1)) + "\n"
                   for i in range(m))


def write_cov(ccov, n, m, sortarr1):
    out = ["/Covariance\n", "%d\n" % n,
           ''.join("x%d " % (sortarr1[i] + 1) for i in range(m)) + "\n"]
    for i in range(m):
        out.append(''.join(cfmt("%- .6f ", ccov[j][i]) for j in range(i + 1)) + "\n")
    return ''.join(out)


def write_inp(cc, n, m, sortarr1, split):
    out = ["/Covariance\n", "%u\n" % n]
    for i in range(m):
        out.append("x%d " % (sortarr1[i] + 1))
        if split and (i + 1) % 20 == 0 and i + 1 != m:
            out.append("\n")
    out.append("\n")
    for i in range(m):
        for j in range(i + 1):
            out.append(cfmt(" %8.4f", cc[j][i]))
            if split and (j + 1) % 11 == 0 and j != i:
                out.append("\n")
        out.append("\n")
    return ''.join(out)


def _oldname(i):
    return chr(ord('a') + i // 10) + chr(ord('0') + i % 10)


def write_da1(cc, n, m):
    if m > 250:
        raise ModelError("Too many variables for old tetrad")
    out = ["%d\n" % (m * n)]
    for i in range(m):
        nm = _oldname(i)
        out.append(" 1.0 %s %s\n" % (nm, nm))
    for i in range(1, m):
        for j in range(i):
            out.append(cfmt("%8.5f ", cc[j][i]) + "%s %s\n" % (_oldname(j), _oldname(i)))
    return ''.join(out)


def write_his(hist, n, m, h):
    return ''.join(''.join(cfmt("%.4f ", fdiv(float(hist[b][i]), float(n))) for b in range(h)) + "\n"
                   for i in range(m))


def write_eig(root, rootsum, pc, position, m):
    out = []
    out.append(''.join(cfmt(" %- 7.3f", fdiv(root[position[i]], rootsum) * 100.0)
                       for i in range(m)) + "\n")
    c0 = 100.0 / float(m) + 1.4
    if m == 1:
        out.append(cfmt("%- 7.3f", c0) + "\n")
    else:
        d = -2.8 / float(m - 1)
        line = cfmt("%- 7.3f", d * 0.0 + c0)
        for i in range(1, m):
            line += cfmt(" %- 7.3f", d * float(i) + c0)
        out.append(line + "\n")
    for k in range(m):
        line = cfmt("%- 7.3f", pc[k * m + position[0]])
        for i in range(1, m):
            line += cfmt(" %- 7.3f", pc[k * m + position[i]])
        out.append(line + "\n")
    return ''.join(out)


def fsc_coef(pc, root, rootsum, m, k, j):
    q = fdiv(root[j], rootsum)
    return fdiv(fdiv(pc[k * m + j], q), 100.0)


def write_fsc(root, rootsum, pc, position, v, m):
    out = ["[FSC_SORTED]\n"]
    for k in range(m):
        out.append(''.join(cfmt("% .7e ", fsc_coef(pc, root, rootsum, m, k, position[i]))
                           for i in range(m)) + "\n")
    out.append("[ROOT_SORTED]\n")
    out.append(''.join(cfmt("% .7e ", root[position[i]]) for i in range(m)))
    out.append("\n[STD]\n")
    out.append(''.join(cfmt("% .7e ", v[k].stddev) for k in range(m)))
    out.append("\n[MEAN]\n")
    out.append(''.join(cfmt("% .7e ", v[k].mean) for k in range(m)))
    out.append("\n")
    return ''.join(out)


def write_sco(dd, n, m, v, root, rootsum, pc, position, nscores, scores_mean):
    out = []
    coef = [[fsc_coef(pc, root, rootsum, m, k, position[c]) for k in range(m)]
            for c in range(nscores)]
    for r in range(n):
        z = [fdiv(dd[r][k] - (v[k].mean if scores_mean else 0.0), v[k].stddev)
             for k in range(m)]
        line = []
        for c in range(nscores):
            S = 0.0
            f = coef[c]
            for k in range(m):
                S = S + z[k] * f[k]
            line.append(cfmt("%9.5f ", S))
        out.append(''.join(line) + "\n")
    return ''.join(out)


# ---------------------------------------------------------------- the run

def run(argv, read_file):
    """Model one successful run.

    argv: the argument vector with argv[0]; read_file(name) -> bytes.
    Returns (stdout text, stderr text, {file name: text}) where the result
    files and "logfile" are listed in the order they are last written."""
    err = []
    out = []
    files_out = {}
    opts, files, permuted = getopt_long(argv)
    st = apply_options(opts, err)
    if not files:
        raise ModelError("help")
    files_out['logfile'] = log_line(permuted)
    if not st.quiet:
        err.append(BANNER_VERSION + "\n")
        err.append(COPYRIGHT + "\n")
    mem_usage = 0
    for fname in files:
        base = base_name(fname)
        data = read_file(fname)
        if not st.quiet:
            out.append("\nExamining file: %s\n" % fname)
        cols = first_line_count(data)
        if cols == 0:
            raise ModelError("Too few variables")
        rows = sum(1 for l, _ in split_lines(data) if not is_comment(l))
        h = st.histosize
        m = cols
        mem_usage += (m * SIZE_STATS + m * m * SIZE_DOUBLE + m * SIZE_INT + m * SIZE_INT
                      + m * SIZE_DOUBLE + m * SIZE_INT + m * SIZE_INT
                      + h * SIZE_PTR + m * h * SIZE_INT
                      + 3 * (m * SIZE_PTR + m * m * SIZE_DOUBLE)
                      + rows * SIZE_PTR + rows * m * SIZE_DOUBLE)
        if not st.quiet:
            out.append(cfmt("Memory need: %.3g Mb\n", float(mem_usage) * 9.5367431640625e-07))
        sortarr, sortarr1 = variable_order(cols, st, out)
        if not st.quiet:
            out.append("\nReads the file: %s\n" % fname)
        filerows, rowlen, progress, g_rows = read_table(data, cols, st.quiet)
        err.append(progress)
        n = len(filerows)
        m = rowlen
        dd = [[0.0] * cols for _ in range(n)]
        for r, vals in enumerate(filerows):
            for c, x in enumerate(vals):
                dd[r][sortarr[c]] = x
        v = [Stats() for _ in range(cols)]
        minmax(dd, n, m, v)
        hist = histogram_counts(dd, n, m, v, h)
        if n == 0 or m == 0:
            raise ModelError("Too few variables")
        if not st.quiet:
            out.append("Found %d columns %d rows\n" % (m, n))
        cc, ccov = moments(dd, n, m, v, out)
        for i in range(m):
            cc[i][i] = 1.0
        medians(dd, n, m, v)
        if not st.quiet:
            out.append(terminal_table(v, m, sortarr1))

        def emit(ext, text, line=None):
            name = base + ext
            if not st.quiet and line is not False:
                out.append(line if line is not None else "Writing file: %s\n" % name)
            files_out.pop(name, None)
            files_out[name] = text

        if st.std:
            emit(".std", write_std(dd, n, m, v), line=False)
        if st.mvd:
            emit(".mvd", write_mvd(v, m, sortarr1))
        if st.correlation:
            emit(".cor", write_cor(cc, m))
        if st.covariance:
            emit(".cov", write_cov(ccov, n, m, sortarr1))
        if st.tetrad:
            emit(".inp", write_inp(cc, n, m, sortarr1, st.split))
            if st.split:
                out.append("Using split\n")
        if st.oldtetrad:
            emit(".da1", write_da1(cc, n, m))
        if st.histogram:
            emit(".his", write_his(hist, n, m, h))
        if st.eigen:
            if not all(math.isfinite(cc[i][j]) for i in range(m) for j in range(m)):
                raise ModelError("No principal components: the correlations of %s are not all finite" % fname)
            root, rootsum, pc, position, _ = components(cc, m)
            emit(".eig", write_eig(root, rootsum, pc, position, m))
            if st.fsc:
                emit(".fsc", write_fsc(root, rootsum, pc, position, v, m))
            # The count is lowered for this file only.
            nscores = m if m < st.scores or st.allscores else st.scores
            name = base + ".sco"
            emit(".sco", write_sco(dd, n, m, v, root, rootsum, pc, position,
                                   nscores, st.scores_mean),
                 line="Writing file: %s %d scores\n" % (name, nscores))
    if st.timer:
        out.append("\nN seconds\n")
    return ''.join(out), ''.join(err), files_out


def _write(path, text):
    d = os.path.dirname(path)
    if d:
        os.makedirs(d, exist_ok=True)
    with open(path, 'w', encoding='latin-1', newline='') as f:
        f.write(text)


def main(argv):
    if len(argv) >= 3 and argv[1] == '--run':
        outdir = argv[2]

        def read_file(name):
            with open(name, 'rb') as f:
                return f.read()
        sout, serr, outs = run(['mavek'] + argv[3:], read_file)
        _write(os.path.join(outdir, 'stdout'), sout)
        _write(os.path.join(outdir, 'stderr'), serr)
        for name, text in outs.items():
            _write(os.path.join(outdir, 'out', name), text)
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv))
