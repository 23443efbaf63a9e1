#!/usr/bin/env python3
"""Delimited tables against the whitespace reader: the same numbers must give
the same result files, byte for byte.

    delimited_diff.py MAVEK AIRQUALITY_CSV

Each comparison writes one table twice, as a delimited table and as a
whitespace table (its "twin") that holds the same number texts of the rows
that are used, one row a line, and runs mavek on both with every result file
switched on, each in a directory of its own so that the result names agree.
Every result file must be the same bytes, and so must standard output once
the lines that name the input or tell what was left out are set aside (the
row capacity, and with it "Memory need", counts the rows left out too).

 - large: 60,000 rows of 9 variables with a row-name column, a quoted label
   column with separators, doubled quotes and line breaks, CR LF line ends, a
   byte-order mark, comment and empty lines, numbers padded with blanks or
   quoted, in every form the whitespace reader takes (hex, exponents, signs),
   and missing values of every kind in about 3 % of the rows (--missing);
 - specials: infinities, NaN, out-of-range and denormal numbers without
   --missing (they are values then);
 - semicolons: ';' as the separator (--csv=';'), no header (--names=off: the
   first row has a text field), a label column;
 - whitespace_missing: a whitespace table with missing-value words and NaN
   (--missing) against the same table without those rows;
 - airquality: R's write.csv export, parsed here by Python's csv module, its
   complete cases as the twin.
"""
import csv
import os
import random
import shutil
import subprocess
import sys
import tempfile

SWITCHES = ["-b", "-c", "-v", "--oldtetrad", "-h12", "-e", "-f", "-a", "-n"]
# Lines of standard output that differ by the input's format or name.
SET_ASIDE = ("Examining file:", "Reads the file:", "Memory need:", "Left out ", "Column ")
MISSING = ["NA", "", "na", ".", "null", "N/A", "NaN", " NA ", '""', "NULL", "nan"]


def run(mavek, directory, args):
    p = subprocess.run([mavek] + args, cwd=directory, stdin=subprocess.DEVNULL, capture_output=True)
    return p.returncode, p.stdout, p.stderr


def compare(name, mavek, work, fname, table, args, twin, twin_args, notices):
    """Runs the table `fname` and its twin t.dat; returns a list of
    differences (empty when none)."""
    out = []
    results = {}
    for kind, (text, args, fname) in {"delim": (table, args, fname), "twin": (twin, twin_args, "t.dat")}.items():
        d = os.path.join(work, name, kind)
        os.makedirs(d)
        with open(os.path.join(d, fname), "wb") as f:
            f.write(text)
        status, stdout, stderr = run(mavek, d, SWITCHES + args + [fname])
        files = {}
        for entry in sorted(os.listdir(d)):
            if entry not in (fname, "logfile"):
                with open(os.path.join(d, entry), "rb") as f:
                    files[entry] = f.read()
        lines = stdout.decode("latin-1").split("\n")
        kept = [l for l in lines if not l.startswith(SET_ASIDE)]
        results[kind] = (status, kept, files, lines, stderr)
    a, b = results["delim"], results["twin"]
    if a[0] != 0 or b[0] != 0:
        out.append("%s: status %d and %d\n%s\n%s" % (name, a[0], b[0], a[4].decode("latin-1")[-300:],
                                                      b[4].decode("latin-1")[-300:]))
        return out
    if a[1] != b[1]:
        out.append("%s: standard output differs" % name)
    if sorted(a[2]) != sorted(b[2]):
        out.append("%s: result files %s and %s" % (name, sorted(a[2]), sorted(b[2])))
    for f in sorted(set(a[2]) & set(b[2])):
        if a[2][f] != b[2][f]:
            out.append("%s: %s differs" % (name, f))
    for notice in notices:
        if notice not in a[3]:
            out.append("%s: no line %r in\n%s" % (name, notice, "\n".join(a[3][:12])))
    sizes = ", ".join("%s %d" % (f[2:], len(v)) for f, v in sorted(a[2].items()))
    print("%-18s %s: %s" % (name, "same" if not out else "DIFFERENT", sizes))
    return out


def number_text(rng):
    """A number in one of the forms both readers take, and its text."""
    x = rng.gauss(0, 1) * 10 ** rng.randint(-3, 4)
    form = rng.randrange(10)
    if form == 0:
        return "%d" % round(x)
    if form == 1:
        return "%.3e" % x
    if form == 2:
        return float.hex(x)
    if form == 3:
        return "%+.4f" % x
    if form == 4:
        return ("%.2f" % abs(x)).lstrip("0") or "0"
    if form == 5:
        return "%.1fE+00" % x
    return repr(x)


def field(rng, text):
    """The text of a number as a field: bare, padded or quoted."""
    kind = rng.randrange(8)
    if kind == 0:
        return " %s " % text
    if kind == 1:
        return '"%s"' % text
    if kind == 2:
        return ' " %s"' % text
    return text


def label(rng, i):
    return rng.choice(['"plain"', '"with, comma"', '"say ""hi"""', '"two\nlines"', "bare", '"#not, a comment"'])


def large(rng):
    rows, cols = 60000, 9
    names = ",".join('"v%d"' % j for j in range(cols))
    parts = ["\ufeff# generated by delimited_diff.py\r\n".encode(), ('"",%s,"label"\r\n' % names).encode()]
    twin = []
    left = 0
    for i in range(rows):
        texts = [number_text(rng) for _ in range(cols)]
        fields = [field(rng, t) for t in texts]
        if rng.random() < 0.03:
            fields[rng.randrange(cols)] = rng.choice(MISSING)
            left += 1
        else:
            twin.append(" ".join(texts) + "\n")
        line = '"%d",%s,%s\r\n' % (i + 1, ",".join(fields), label(rng, i))
        parts.append(line.encode())
        if rng.random() < 0.01:
            parts.append(rng.choice([b"\r\n", b"# a comment, with a separator\r\n", b"\n"]))
    return b"".join(parts), "".join(twin).encode(), left


def specials(rng):
    words = ["inf", "-inf", "Infinity", "nan", "-nan", "1e400", "-1e400", "4.9e-324", "2.2250738585072009e-308",
             "-0", "0x1p-1074", "0x1.fffffffffffffp1023"]
    lines = ["x,y,z\n"]
    twin = []
    for i in range(500):
        texts = [number_text(rng) for _ in range(3)]
        if i % 50 == 7:
            texts[rng.randrange(3)] = rng.choice(words)
        lines.append(",".join(texts) + "\n")
        twin.append(" ".join(texts) + "\n")
    return "".join(lines).encode(), "".join(twin).encode()


def semicolons(rng):
    lines, twin = [], []
    for i in range(3000):
        texts = [number_text(rng) for _ in range(4)]
        word = "a" if i == 0 else rng.choice(["a", "b c", '"d;e"'])
        lines.append("%s;%s;%s\n" % (";".join(texts[:2]), word, ";".join(texts[2:])))
        twin.append(" ".join(texts) + "\n")
    return "".join(lines).encode(), "".join(twin).encode()


def whitespace_missing(rng):
    lines, twin = ["# x y z\n"], []
    left = 0
    for i in range(5000):
        texts = [number_text(rng) for _ in range(3)]
        if rng.random() < 0.05:
            texts[rng.randrange(3)] = rng.choice(["NA", "na", ".", "null", "N/A", "nan", "-NaN"])
            left += 1
            lines.append(" ".join(texts) + "\n")
        else:
            lines.append("\t".join(texts) + "\n")
            twin.append(" ".join(texts) + "\n")
        if i % 1000 == 3:
            lines.append("; a comment\n")
    return "".join(lines).encode(), "".join(twin).encode(), left


def airquality(path):
    with open(path, newline="") as f:
        records = list(csv.reader(f))
    twin = []
    for r in records[1:]:
        values = r[1:]  # the row names are left out
        if "NA" not in values:
            twin.append(" ".join(values) + "\n")
    with open(path, "rb") as f:
        return f.read(), "".join(twin).encode(), len(records) - 1 - len(twin)


def main():
    mavek, aq_path = os.path.abspath(sys.argv[1]), sys.argv[2]
    rng = random.Random(20261209)
    work = tempfile.mkdtemp()
    failures = []
    try:
        text, twin, left = large(rng)
        failures += compare("large", mavek, work, "t.csv", text, ["--missing"], twin, [],
                            ["Column 1 () left out: not numeric", "Column 11 (label) left out: not numeric"] +
                            ["Found 9 columns %d rows" % (60000 - left)])
        text, twin = specials(rng)
        failures += compare("specials", mavek, work, "t.csv", text, ["-e-", "-f-"], twin, ["-e-", "-f-"], [])
        text, twin = semicolons(rng)
        failures += compare("semicolons", mavek, work, "t.txt", text, ["--csv=;", "--names=off"], twin, [],
                            ["Column 3 (a) left out: not numeric"])
        text, twin, left = whitespace_missing(rng)
        failures += compare("whitespace_missing", mavek, work, "t.txt", text, ["--missing"], twin, [],
                            ["Found 3 columns %d rows" % (5000 - left)])
        text, twin, left = airquality(aq_path)
        failures += compare("airquality", mavek, work, "t.csv", text, ["--missing", "-i"], twin, ["-i"],
                            ["Left out %d rows with missing values (lines 6, 7, 11, 12, 26, 27, 28, 33, 34, 35, "
                             "...), used %d" % (left, 153 - left)])
    finally:
        shutil.rmtree(work)
    for f in failures:
        print("FAIL", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
