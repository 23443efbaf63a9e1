#!/usr/bin/env bash
# The part of the job of `mavek -c -v -e FILE` that GNU datamash can do, for
# bench/compare.sh: the per-column statistics (mean, variance and standard
# deviation with divisor n - 1, minimum, maximum, population skewness and
# excess kurtosis, median), in one pass, written as one line of
# tab-separated values to FILE's name with ".mvd" for its extension: first
# every column's mean, then every column's variance, and so on. datamash has
# no correlation matrix (only one pair of columns per operation) and no
# principal components.
#
# Usage: datamash_job.sh FILE
set -eu
in=$1
m=$(grep -m1 -v '^[#;]' "$in" | wc -w)
ops=()
for op in mean svar sstdev min max pskew pkurt median; do ops+=("$op" "1-$m"); done
datamash --skip-comments --whitespace "${ops[@]}" <"$in" >"${in%.*}.mvd"
