#include "stats/new_stcrmt.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "stats/covariance_kernels.h"
#include "threads.h"

namespace {

// The kernels compiled for each instruction-set level: two lanes for the
// baseline, four with AVX2, eight with AVX-512. The lanes are independent
// sums, so every level gives the same bits.
struct Kernels {
  void (*update_row)(double *, const double *, double, double, int, int);
  void (*centre_row)(double *, const double *, const double *, int);
};

void update_row_base(double *c, const double *cen, double cj, double rp1, int from, int to) {
  update_row_lanes<v2d>(c, cen, cj, rp1, from, to);
}
void centre_row_base(double *cen, const double *x, const double *mean, int m) {
  centre_row_lanes<v2d>(cen, x, mean, m);
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) void update_row_avx2(double *c, const double *cen, double cj, double rp1,
                                                     int from, int to) {
  update_row_lanes<v4d>(c, cen, cj, rp1, from, to);
}
__attribute__((target("avx2"))) void centre_row_avx2(double *cen, const double *x, const double *mean,
                                                     int m) {
  centre_row_lanes<v4d>(cen, x, mean, m);
}
__attribute__((target("avx512f"))) void update_row_avx512(double *c, const double *cen, double cj, double rp1,
                                                          int from, int to) {
  update_row_lanes<v8d>(c, cen, cj, rp1, from, to);
}
__attribute__((target("avx512f"))) void centre_row_avx512(double *cen, const double *x, const double *mean,
                                                          int m) {
  centre_row_lanes<v8d>(cen, x, mean, m);
}
#endif

Kernels kernels_for(Isa isa) {
#if defined(__x86_64__) || defined(__i386__)
  if (isa == Isa::avx512) return {update_row_avx512, centre_row_avx512};
  if (isa == Isa::avx2) return {update_row_avx2, centre_row_avx2};
#endif
  (void)isa;
  return {update_row_base, centre_row_base};
}

// The running means of the upper triangle rows [j0, j1), over all
// observations. When the triangle is larger than a cache, observations are
// taken a block at a time, and each row of the triangle takes the whole block
// while it is in cache; a small triangle stays in cache anyway, and there the
// sums of one observation are better interleaved, since the steps of one sum
// wait for each other. Every single sum takes its observations in ascending
// order.
void covariance_rows(double **d, int rows, int m, const double *mean, double **c, const Kernels &kernel,
                     int j0, int j1) {
  const double triangle_bytes = 0.5 * m * (m + 1.0) * sizeof(double);
  const int kBlock = triangle_bytes > 256.0 * 1024 ? 16 : 1;
  std::vector<double> cen(static_cast<std::size_t>(kBlock) * m);
  for (int r0 = 0; r0 < rows; r0 += kBlock) {
    const int count = rows - r0 < kBlock ? rows - r0 : kBlock;
    for (int b = 0; b < count; ++b)
      kernel.centre_row(cen.data() + static_cast<std::size_t>(b) * m, d[r0 + b], mean, m);
    for (int j = j0; j < j1; ++j)
      for (int b = 0; b < count; ++b) {
        const double *cb = cen.data() + static_cast<std::size_t>(b) * m;
        kernel.update_row(c[j], cb, cb[j], static_cast<double>(r0 + b) + 1.0, j, m);
      }
  }
}

// The whole upper triangle, its rows shared among `threads` threads in
// stretches of about equal work (row j has m - j sums). Every stretch reads
// and centres all observations again, so a stretch must hold at least about
// eight sums per value read: narrow tables are not split.
void covariance_triangle(double **d, int rows, int m, const double *mean, double **c, const Kernels &kernel,
                         unsigned threads) {
  const double work = static_cast<double>(m) * rows * m;
  const unsigned most = static_cast<unsigned>((m + 1) / 16);
  const unsigned parts = threads > 1 && work > 1e6 && most > 1 ? std::min(4 * threads, most) : 1;
  std::vector<int> bound(parts + 1, m);
  bound[0] = 0;
  const double total = 0.5 * static_cast<double>(m) * (m + 1);
  double done = 0.0;
  unsigned part = 1;
  for (int j = 0; j < m && part < parts; ++j) {
    done += m - j;
    if (done >= total * part / parts) bound[part++] = j + 1;
  }
  parallel_for(threads, parts, [&](std::size_t i) {
    if (bound[i] < bound[i + 1]) covariance_rows(d, rows, m, mean, c, kernel, bound[i], bound[i + 1]);
  });
}

}  // namespace

void moments(double **d, int columns, int rows, stats *v, std::vector<int> &no_stddev) {
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
    st.variable = i + 1;
  }
}

int new_stcrmt(double **d, int columns, int rows, stats *v, double **cc, double **ccov,
               std::vector<int> &no_stddev, const RunContext &ctx) {
  const int m = columns;
  const double n = static_cast<double>(rows);
  moments(d, columns, rows, v, no_stddev);
  std::vector<double> mean(m);
  for (int i = 0; i < m; ++i) mean[i] = v[i].mean;

  // Upper triangle with the diagonal, accumulated in place in ccov.
  for (int j = 0; j < m; ++j)
    for (int k = j; k < m; ++k) ccov[j][k] = 0.0;
  covariance_triangle(d, rows, m, mean.data(), ccov, kernels_for(ctx.isa), ctx.threads);
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

  return 0;
}

void standardise_row(const DataStore &store, unsigned r, unsigned cols, double *out) {
  const double *x = store.dd[r];
  for (unsigned c = 0; c < cols; ++c) out[c] = (x[c] - store.v[c].mean) / store.v[c].stddev;
}
