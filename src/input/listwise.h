// Listwise deletion (--missing): a row that holds a missing value or a NaN
// is left out whole, so that every matrix stays a valid covariance or
// correlation matrix of the rows used.
#pragma once

#include <vector>

#include "reporter.h"

// The rows left out of one table: how many, and the physical lines (from 1)
// of the first kListed of them.
struct LeftOut {
  static constexpr unsigned kListed = 10;
  unsigned count = 0;
  std::vector<long> lines;

  void add(long line);
};

// Whether one of the n values at `row` is a NaN (missing values are read as
// NaN).
bool has_nan(const double *row, unsigned n);

// With rows left out: the notice "Left out N rows with missing values (lines
// L1, L2, ...), used U" through `report`, and, when no row is left to use,
// the end of the run with "No complete rows in NAME".
void report_left_out(const LeftOut &left_out, unsigned used, const char *name, const Reporter &report);
