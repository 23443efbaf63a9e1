#include "stats/new_stcrmt.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// One observation's contribution to the running means of the upper triangle
// row j: c = c + (p - c) / (r + 1) with p = cen[j] * cen[k]. The pairs are
// independent, so the loop over k runs several of them at once without
// changing any single sum's order of operations.
__attribute__((always_inline)) inline void update_row_loop(double *__restrict c, const double *__restrict cen,
                                                           double cj, double rp1, int from, int to) {
  for (int k = from; k < to; ++k) {
    double p = cj * cen[k];
    c[k] = c[k] + (p - c[k]) / rp1;
  }
}

__attribute__((always_inline)) inline void centre_row_loop(double *__restrict cen, const double *__restrict x,
                                                           const double *__restrict mean, int m) {
  for (int k = 0; k < m; ++k) cen[k] = x[k] - mean[k];
}

// The same loops compiled for each instruction-set level; the lanes are
// independent sums, so every level gives the same bits.
struct Kernels {
  void (*update_row)(double *, const double *, double, double, int, int);
  void (*centre_row)(double *, const double *, const double *, int);
};

void update_row_base(double *c, const double *cen, double cj, double rp1, int from, int to) {
  update_row_loop(c, cen, cj, rp1, from, to);
}
void centre_row_base(double *cen, const double *x, const double *mean, int m) {
  centre_row_loop(cen, x, mean, m);
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) void update_row_avx2(double *c, const double *cen, double cj, double rp1,
                                                     int from, int to) {
  update_row_loop(c, cen, cj, rp1, from, to);
}
__attribute__((target("avx2"))) void centre_row_avx2(double *cen, const double *x, const double *mean,
                                                     int m) {
  centre_row_loop(cen, x, mean, m);
}
#endif

Kernels kernels_for(Isa isa) {
#if defined(__x86_64__) || defined(__i386__)
  if (isa != Isa::base) return {update_row_avx2, centre_row_avx2};
#endif
  (void)isa;
  return {update_row_base, centre_row_base};
}

bool total_less(double a, double b) {
  if (std::isnan(b)) return !std::isnan(a);
  if (std::isnan(a)) return false;
  if (a == b) return std::signbit(a) && !std::signbit(b);
  return a < b;
}

}  // namespace

int new_stcrmt(double **d, int columns, int rows, stats *v, double **cc, double **ccov,
               std::vector<int> &no_stddev, Isa isa) {
  const int m = columns;
  const double n = static_cast<double>(rows);
  std::vector<double> s(m, 0.0), mean(m), t2(m, 0.0), t3(m, 0.0), t4(m, 0.0);

  // The sums of every variable advance together, row by row; each single sum
  // still runs over the observations in ascending order.
  for (int r = 0; r < rows; ++r) {
    const double *x = d[r];
    for (int i = 0; i < m; ++i) s[i] += x[i];
  }
  for (int i = 0; i < m; ++i) mean[i] = s[i] / n;
  for (int r = 0; r < rows; ++r) {
    const double *x = d[r];
    for (int i = 0; i < m; ++i) {
      double dv = x[i] - mean[i];
      t2[i] += dv * dv;
      t3[i] += (dv * dv) * dv;
      t4[i] += dv * ((dv * dv) * dv);
    }
  }

  no_stddev.clear();
  for (int i = 0; i < m; ++i) {
    stats &st = v[i];
    st.mean = mean[i];
    // Deviations from the mean keep their digits when the mean is large
    // against the spread, where the sum of squares minus the squared sum
    // would cancel to nothing.
    st.variance = t2[i] / (n - 1.0);
    // A column whose values are all equal is constant even when rounding
    // leaves a tiny positive variance: the mean of equal values need not be
    // that value exactly (three times 0.1 sum to 0.30000000000000004).
    if (st.variance <= 0 || st.min == st.max) {
      no_stddev.push_back(i + 1);
      st.variance = 0.0001;
    }
    st.stddev = std::sqrt(st.variance);
    st.skew = t3[i] / ((n * st.variance) * st.stddev);
    st.curt = t4[i] / (st.variance * (n * st.variance)) - 3.0;
  }

  // Upper triangle with the diagonal, accumulated in place in ccov.
  for (int j = 0; j < m; ++j)
    for (int k = j; k < m; ++k) ccov[j][k] = 0.0;
  const Kernels kernel = kernels_for(isa);
  std::vector<double> cen(m);
  for (int r = 0; r < rows; ++r) {
    kernel.centre_row(cen.data(), d[r], mean.data(), m);
    const double rp1 = static_cast<double>(r) + 1.0;
    for (int j = 0; j < m; ++j) kernel.update_row(ccov[j], cen.data(), cen[j], rp1, j, m);
  }
  // The covariance has divisor n and the standard deviations n - 1; the
  // factor q = n / (n - 1) brings the covariance to n - 1 as well, so that cc
  // holds product-moment correlations. One observation has no n - 1 (and
  // every covariance is 0 then).
  const double q = rows == 1 ? 1.0 : n / static_cast<double>(rows - 1);
  for (int j = 0; j < m; ++j) {
    for (int k = j; k < m; ++k) {
      double c = ccov[j][k];
      ccov[k][j] = c;
      cc[j][k] = (c * q) / (v[j].stddev * v[k].stddev);
      cc[k][j] = cc[j][k];
    }
  }

  for (int i = 0; i < m; ++i) v[i].variable = i + 1;
  return 0;
}

void calculate_median(double **dd, unsigned rows, unsigned cols, stats *v) {
  std::vector<double> scratch(rows);
  const std::size_t h = rows / 2;
  for (unsigned i = 0; i < cols; ++i) {
    for (unsigned r = 0; r < rows; ++r) scratch[r] = dd[r][i];
    // Selection gives the same elements at h (and h - 1) as a full sort.
    std::nth_element(scratch.begin(), scratch.begin() + h, scratch.end(), total_less);
    if (rows % 2 == 1) {
      v[i].median = scratch[h];
    } else {
      double below = *std::max_element(scratch.begin(), scratch.begin() + h, total_less);
      v[i].median = (below + scratch[h]) * 0.5;
    }
  }
}
