// Moments, covariance and correlation, and medians.
#pragma once

#include <vector>

#include "run_context.h"
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
// observation). Both matrices full and symmetric. `ctx` chooses the kernels and
// how many threads share the covariances; every level and every
// count gives the same bits. Returns 0.
int new_stcrmt(double **d, int columns, int rows, stats *v, double **cc, double **ccov,
               std::vector<int> &no_stddev, const RunContext &ctx = {});

// The standardised values of observation r, (x - mean) / stddev for each of
// the `cols` variables, into out: the rows of ".std".
void standardise_row(const DataStore &store, unsigned r, unsigned cols, double *out);
