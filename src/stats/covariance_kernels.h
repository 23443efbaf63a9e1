// The vector kernels of the covariance update, written once for every vector
// width (see lanes.h). The statistics compile them for each instruction-set
// level; the tests also compile them without any target attribute and compare
// every width with the plain loops, bit for bit.
#pragma once

#include "lanes.h"

// One observation's contribution to the running means of row j of the upper
// triangle, for k in [from, to): c[k] = c[k] + (p - c[k]) / rp1 with
// p = cj * cen[k] and rp1 the observation's 1-based number. The pairs are
// independent sums, so lanes take several of them at once without changing
// any single sum's order of operations.
template <class V>
__attribute__((always_inline)) inline void update_row_lanes(double *__restrict c,
                                                            const double *__restrict cen, double cj,
                                                            double rp1, int from, int to) {
  constexpr int w = lanes<V>;
  V vj;
  V vr;
  splat(vj, cj);
  splat(vr, rp1);
  int k = from;
  for (; k + w <= to; k += w) {
    V x;
    V ck;
    load(x, cen + k);
    load(ck, c + k);
    const V p = vj * x;
    const V next = ck + (p - ck) / vr;
    store(c + k, next);
  }
  for (; k < to; ++k) {
    const double p = cj * cen[k];
    c[k] = c[k] + (p - c[k]) / rp1;
  }
}

// cen[k] = x[k] - mean[k] for k in [0, m).
template <class V>
__attribute__((always_inline)) inline void centre_row_lanes(double *__restrict cen,
                                                            const double *__restrict x,
                                                            const double *__restrict mean, int m) {
  constexpr int w = lanes<V>;
  int k = 0;
  for (; k + w <= m; k += w) {
    V a;
    V b;
    load(a, x + k);
    load(b, mean + k);
    const V d = a - b;
    store(cen + k, d);
  }
  for (; k < m; ++k) cen[k] = x[k] - mean[k];
}
