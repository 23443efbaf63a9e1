#!/usr/bin/env bash
# Runs the batch example over directories of tables: it must process the
# tables in order, pass the options on, stop at the first table that fails
# and name it, and show the new lines of the run log.
# Usage: batch_test.sh MAVEK BATCH_SCRIPT
set -u
export MAVEK
MAVEK=$(readlink -f "$1")
script=$(readlink -f "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

failed=0
fail() {
  echo "FAIL: $*"
  failed=$((failed + 1))
}

mkdir good bad empty
printf '1 2\n2 1\n3 4\n4 3\n' >good/a.dat
printf '# x y\n5 1\n6 3\n7 2\n' >good/b.dat
cp good/a.dat bad/a.dat
printf '1 2\n3\n4 5\n' >bad/b.dat # row 2 too short
cp good/b.dat bad/c.dat

# All tables good: every result written, one log line each, status 0.
bash "$script" good -c >out 2>err
status=$?
[ $status -eq 0 ] || fail "good: status $status"
for f in a.mvd a.inp a.cor b.mvd b.inp b.cor; do
  [ -f "good/$f" ] || fail "good: no $f"
done
[ "$(wc -l <logfile)" -eq 2 ] || fail "good: logfile has $(wc -l <logfile) lines"
grep -q -- '--quiet -c good/a.dat$' out || fail "good: the log line of a.dat is not shown"
grep -q -- '--quiet -c good/b.dat$' out || fail "good: the log line of b.dat is not shown"
[ -s err ] && fail "good: unexpected standard error: $(cat err)"

# A bad table in the middle: a done, b named, c never touched.
bash "$script" bad >out 2>err
status=$?
[ $status -eq 1 ] || fail "bad: status $status"
grep -q 'mavek failed on bad/b.dat' err || fail "bad: the failing table is not named"
grep -q 'Wrong row length: Row 2' err || fail "bad: mavek's diagnostic is missing"
[ -f bad/a.mvd ] || fail "bad: a.dat was not processed"
ls bad/c.* | grep -qv 'c.dat$' && fail "bad: c.dat was processed after the failure"
[ "$(wc -l <logfile)" -eq 4 ] || fail "bad: logfile has $(wc -l <logfile) lines, expected 4"
[ "$(grep -c '^[0-9]\{4\}-' out)" -eq 2 ] || fail "bad: expected the 2 new log lines only"

# Nothing to do, or no directory: status 2.
bash "$script" empty >/dev/null 2>err
[ $? -eq 2 ] || fail "empty: status"
grep -q 'no table' err || fail "empty: no message"
bash "$script" >/dev/null 2>&1
[ $? -eq 2 ] || fail "no argument: status"

if [ $failed -ne 0 ]; then
  echo "$failed batch checks failed"
  exit 1
fi
echo "batch checks passed"
