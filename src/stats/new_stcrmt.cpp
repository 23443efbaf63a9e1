#include "stats/new_stcrmt.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// One observation's contribution to the running means of the upper triangle
// row j: c = c + (p - c) / (r + 1) with p = cen[j] * cen[k]. The pairs are
// independent, so the loop over k runs several of them at once without
// changing any single sum's order of operations.
__attribute__((target_clones("avx2", "default"))) void update_row(double *__restrict c,
                                                                  const double *__restrict cen, double cj,
                                                                  double rp1, int from, int to) {
  for (int k = from; k < to; ++k) {
    double p = cj * cen[k];
    c[k] = c[k] + (p - c[k]) / rp1;
  }
}

__attribute__((target_clones("avx2", "default"))) void centre_row(double *__restrict cen,
                                                                  const double *__restrict x,
                                                                  const double *__restrict mean, int m) {
  for (int k = 0; k < m; ++k) cen[k] = x[k] - mean[k];
}

bool total_less(double a, double b) {
  if (std::isnan(b)) return !std::isnan(a);
  if (std::isnan(a)) return false;
  if (a == b) return std::signbit(a) && !std::signbit(b);
  return a < b;
}

}  // namespace

int new_stcrmt(double **d, int columns, int rows, stats *v, double **cc, double **ccov) {
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

  bool variance_flag = false;
  for (int i = 0; i < m; ++i) {
    stats &st = v[i];
    st.mean = mean[i];
    // Deviations from the mean keep their digits when the mean is large
    // against the spread, where the sum of squares minus the squared sum
    // would cancel to nothing.
    st.variance = t2[i] / (n - 1.0);
    if (st.variance <= 0 || st.min == st.max) {
      if (!variance_flag) std::printf("\nWARNING! Variable(s)\a");
      variance_flag = true;
      std::printf(" %d", i + 1);
      st.variance = 0.0001;
    }
    st.stddev = std::sqrt(st.variance);
    st.skew = t3[i] / ((n * st.variance) * st.stddev);
    st.curt = t4[i] / (st.variance * (n * st.variance)) - 3.0;
  }

  // Upper triangle with the diagonal, accumulated in place in ccov.
  for (int j = 0; j < m; ++j)
    for (int k = j; k < m; ++k) ccov[j][k] = 0.0;
  std::vector<double> cen(m);
  for (int r = 0; r < rows; ++r) {
    centre_row(cen.data(), d[r], mean.data(), m);
    const double rp1 = static_cast<double>(r) + 1.0;
    for (int j = 0; j < m; ++j) update_row(ccov[j], cen.data(), cen[j], rp1, j, m);
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
  if (variance_flag) std::printf(" has no Std.Dev. Modifies...\n");
  return 0;
}

int double_cmp(const void *a, const void *b) {
  double x = *static_cast<const double *>(a);
  double y = *static_cast<const double *>(b);
  if (total_less(x, y)) return -1;
  if (total_less(y, x)) return 1;
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
