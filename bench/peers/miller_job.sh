#!/usr/bin/env bash
# The part of the job of `mavek -c -v -e FILE` that Miller can do, for
# bench/compare.sh: the per-column statistics (mean, variance and standard
# deviation with divisor n - 1, minimum, maximum, skewness, kurtosis, and the
# interpolated median, which is the mean of the two middle values for an
# even count), written as "COLUMN_STATISTIC VALUE" lines to FILE's name with
# ".mvd" for its extension. Miller's correlations (stats2) take one named
# pair of columns at a time, and it has no principal components.
#
# Usage: miller_job.sh FILE
set -eu
in=$1
mlr --inidx --ifs ' ' --repifs --skip-comments --oxtab \
  stats1 -i -a mean,var,stddev,min,max,skewness,kurtosis,median --fr . "$in" >"${in%.*}.mvd"
