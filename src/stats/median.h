// Medians and percentiles of the variables, by exact selection.
#pragma once

#include <cstddef>
#include <vector>

#include "run_context.h"
#include "tables/datastore.h"

// v[i].median for each variable: the middle value, or the mean of the two
// middle values for an even count, values ordered totally (-0 before +0). A
// column holding a value that is not a number has no middle: its median is
// the column's first such value, bit for bit, whatever the others are.
// Columns are shared among the threads of `ctx`; the result does not depend
// on how the selection proceeds. Besides the table, the selection takes
// about `gather_keys` keys of 8 bytes and a few counts per variable, never a
// copy of a long column.
inline constexpr std::size_t kMedianGatherKeys = (std::size_t{16} << 20) / 8;
void calculate_median(double **dd, unsigned rows, unsigned cols, stats *v, const RunContext &ctx = {},
                      std::size_t gather_keys = kMedianGatherKeys);

// The percentiles `percent` (each from 0 to 100) of every variable, by R's
// type 7 (numpy's "linear"): over the column ordered as for the median, with
// p = P / 100 and h = (rows - 1) * p, the value x[floor(h)] when h is whole
// or x[floor(h) + 1] equals it, otherwise x[floor(h)] + (h - floor(h)) *
// (x[floor(h) + 1] - x[floor(h)]), in that order of operations. A column
// holding a value that is not a number gives its first such value for every
// percentile, as for its median. Variable i's percentiles are at
// i * percent.size() of the result, in the order of `percent`. Columns are
// shared among the threads of `ctx`; the result does not depend on that.
std::vector<double> calculate_percentiles(double **dd, unsigned rows, unsigned cols,
                                          const std::vector<double> &percent, const RunContext &ctx = {});
