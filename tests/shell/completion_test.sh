#!/usr/bin/env bash
# Tries the bash completion of mavek in a real bash: sources the script and
# calls its completion function with COMP_WORDS set as bash sets them.
# Usage: completion_test.sh COMPLETION_SCRIPT
set -u
script=$(readlink -f "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
# shellcheck source=/dev/null
source "$script"

failed=0
# check "EXPECTED WORDS (sorted, blank-separated)" WORD... : the last WORD is
# the one being completed.
check() {
  local expected=$1
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _mavek
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | tr '\n' ' ')
  got=${got% }
  if [ "$got" != "$expected" ]; then
    echo "FAIL: [$*] gave [$got], expected [$expected]"
    failed=$((failed + 1))
  fi
}

[ "$(complete -p mavek)" = "complete -F _mavek mavek" ] || { echo "FAIL: not registered"; failed=1; }

# Options.
check "--correlation" mavek --cor
check "--copyright --correlation --covariance" mavek --co
check "--scores-mean --silence --sort= --split-file --stddev" mavek --s
check "--where=" mavek data.txt --wh
check "-? -a -b -c -d -e -f -h -i -l -m -n -q -s -t -v -z" mavek -
check "-c" mavek -c
check "" mavek --transpose

# A file named like a short option must not stand in for "-?".
: >-x
check "-? -a -b -c -d -e -f -h -i -l -m -n -q -s -t -v -z" mavek -
rm -- -x

# The on/off words, with "=" split off as bash does by default, and whole.
check "+ - off on" mavek --correlation = ""
check "off on" mavek --histogram = o
check "--correlation=off" mavek --correlation=of
check "--eigenvalues=+ --eigenvalues=- --eigenvalues=off --eigenvalues=on" mavek --eigenvalues=
check "" mavek --scores-mean = ""

# Free words after the options that need one.
check "" mavek -s ""
check "" mavek --sort ""
check "" mavek --language = ""
check "" mavek --percentiles ""
check "" mavek --percentiles = ""

# Input tables: result files (which are refused as inputs) and logfile are
# left out; a name that only contains a result extension is an input.
mkdir sub
: >data.txt
: >data.mvd
: >data.his
: >data.inp
: >data.pct
: >x.cor.txt
: >logfile
: >--odd.dat
check "--odd.dat data.txt sub x.cor.txt" mavek ""
check "data.txt" mavek -c da
check "sub" mavek -c su
# A folder for the results, in either shape.
check "sub" mavek --results-dir ""
check "sub" mavek --results-dir = s
check "--results-dir=sub" mavek --results-dir=
# After "--" a word starting with "-" is a file.
check "--odd.dat" mavek -- --o

if [ $failed -ne 0 ]; then
  echo "$failed completion checks failed"
  exit 1
fi
echo "completion checks passed"
