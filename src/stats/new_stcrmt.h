// Moments, covariance and correlation, and medians.
#pragma once

#include <vector>

#include "isa.h"
#include "tables/datastore.h"

// For each of the `columns` variables of d (rows observations, n): mean
// (divisor n), variance from centred deviations (divisor n - 1), standard
// deviation, skewness (third central moment, divisor n, over stddev^3) and
// excess curtosis (fourth central moment, divisor n, over variance^2, minus
// 3); v[i].variable = i + 1. A variable whose variance is not positive, or
// whose min equals its max (v[i].min/max must be set), is constant: it gets
// the variance 0.0001 and its 1-based position is listed in `no_stddev`.
void moments(double **d, int columns, int rows, stats *v, std::vector<int> &no_stddev);

// The moments as above, and the two matrices: ccov[j][k] is the covariance
// with divisor n (a running mean of the centred products, observations in
// ascending order); cc[j][k] is the product-moment correlation
// (ccov[j][k] * q) / (stddev_j * stddev_k) with q = n / (n - 1) (1 for one
// observation). Both matrices full and symmetric. `isa` chooses the kernels
// and `threads` how many threads share the covariances; every level and every
// count gives the same bits. Returns 0.
int new_stcrmt(double **d, int columns, int rows, stats *v, double **cc, double **ccov,
               std::vector<int> &no_stddev, Isa isa = active_isa(), unsigned threads = 1);

// v[i].median for each variable: the middle value, or the mean of the two
// middle values for an even count, values ordered totally (-0 before +0). A
// column holding a value that is not a number has no middle: its median is
// the column's first such value, bit for bit, whatever the others are.
// Columns are shared among `threads` threads; the result does not depend on
// how the selection proceeds.
void calculate_median(double **dd, unsigned rows, unsigned cols, stats *v, unsigned threads = 1);
