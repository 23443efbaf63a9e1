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

// Keys that order doubles as integers: -0 before +0, values that are not
// numbers after everything else (all with one key). Equal keys mean equal
// values, bit for bit, except among those that are not numbers.
constexpr std::uint64_t kNanKey = ~std::uint64_t{0};

inline std::uint64_t order_key(double x) {
  if (std::isnan(x)) return kNanKey;
  const std::uint64_t b = std::bit_cast<std::uint64_t>(x);
  return (b >> 63) != 0 ? ~b : b | (std::uint64_t{1} << 63);
}

inline double key_value(std::uint64_t k) {
  return std::bit_cast<double>((k >> 63) != 0 ? k & ~(std::uint64_t{1} << 63) : ~k);
}

// The key of rank r (0-based) among the n keys at k, which are rearranged
// but keep their values. Large sets are narrowed a 16-bit digit at a time,
// from the top, before the rest is selected directly.
std::uint64_t select_rank(std::uint64_t *k, std::size_t n, std::size_t r, std::vector<std::uint32_t> &hist) {
  for (int shift = 48; n > 4096 && shift >= 0; shift -= 16) {
    hist.assign(65536, 0);
    for (std::size_t i = 0; i < n; ++i) ++hist[(k[i] >> shift) & 0xffff];
    std::size_t digit = 0;
    while (r >= hist[digit]) r -= hist[digit++];
    // The keys of that digit go to the front; the rest stay behind them.
    std::size_t w = 0;
    for (std::size_t i = 0; i < n; ++i)
      if (((k[i] >> shift) & 0xffff) == digit) std::swap(k[w++], k[i]);
    n = w;
  }
  std::nth_element(k, k + r, k + n);
  return k[r];
}

// The median of n keys, among which the middle ranks of the whole column
// are rank_lo and rank_hi (equal for an odd count, consecutive for an even
// one): the key of rank_hi, and for an even count the mean with the key of
// rank_lo. The keys are rearranged; none of them stands for a NaN.
double middle_value(std::uint64_t *k, std::size_t n, std::size_t rank_lo, std::size_t rank_hi,
                    std::vector<std::uint32_t> &digits) {
  const std::uint64_t at = select_rank(k, n, rank_hi, digits);
  if (rank_lo == rank_hi) return key_value(at);
  // The key of rank_lo: the largest key below `at` when rank_hi keys lie
  // below it, else `at` itself (it occurs more than once).
  std::uint64_t below = at;
  std::size_t less = 0;
  std::uint64_t largest = 0;
  for (std::size_t i = 0; i < n; ++i)
    if (k[i] < at) {
      ++less;
      if (k[i] > largest) largest = k[i];
    }
  if (less == rank_hi) below = largest;
  return (key_value(below) + key_value(at)) * 0.5;
}

// The first value of column `col` that is not a number, bit for bit: the
// median of a column holding one, whatever the other values are.
double first_nan(double **dd, unsigned rows, unsigned col) {
  for (unsigned r = 0; r < rows; ++r)
    if (std::isnan(dd[r][col])) return dd[r][col];
  return 0.0;  // not reached for a column known to hold one
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
               std::vector<int> &no_stddev, Isa isa, unsigned threads) {
  const int m = columns;
  const double n = static_cast<double>(rows);
  moments(d, columns, rows, v, no_stddev);
  std::vector<double> mean(m);
  for (int i = 0; i < m; ++i) mean[i] = v[i].mean;

  // Upper triangle with the diagonal, accumulated in place in ccov.
  for (int j = 0; j < m; ++j)
    for (int k = j; k < m; ++k) ccov[j][k] = 0.0;
  covariance_triangle(d, rows, m, mean.data(), ccov, kernels_for(isa), threads);
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

void calculate_median(double **dd, unsigned rows, unsigned cols, stats *v, unsigned threads) {
  if (rows == 0 || cols == 0) return;
  const std::size_t h = rows / 2;
  const std::size_t lo = rows % 2 == 0 ? h - 1 : h;  // the ranks of the middle: lo and h

  // A column can always take the slower way through a copy of it.
  auto by_copy = [&](unsigned c, std::vector<std::uint64_t> &column) {
    column.resize(rows);
    bool nan = false;
    for (unsigned r = 0; r < rows; ++r) {
      column[r] = order_key(dd[r][c]);
      nan |= column[r] == kNanKey;
    }
    if (nan) {
      v[c].median = first_nan(dd, rows, c);
      return;
    }
    std::vector<std::uint32_t> digits;
    v[c].median = middle_value(column.data(), rows, lo, h, digits);
  };
  const int bits = cols <= 64 ? 16 : 12;
  const std::size_t buckets = std::size_t{1} << bits;
  if (rows < buckets) {
    // Short columns: their bucket counts would take more than half the
    // table's space again, and copies of them are small.
    parallel_for(threads, cols, [&](std::size_t c) {
      std::vector<std::uint64_t> column;
      by_copy(static_cast<unsigned>(c), column);
    });
    return;
  }

  // One pass over the table counts the keys of every column by their top
  // bits; that finds, for each column, the bucket or two that hold the middle
  // ranks and how many keys lie below them.
  const int shift = 64 - bits;
  std::vector<std::uint32_t> hist(buckets * cols, 0);
  std::vector<unsigned char> nan(cols, 0);
  for (unsigned r = 0; r < rows; ++r) {
    const double *x = dd[r];
    std::uint32_t *hc = hist.data();
    for (unsigned c = 0; c < cols; ++c, hc += buckets) {
      const std::uint64_t k = order_key(x[c]);
      ++hc[k >> shift];
      nan[c] |= k == kNanKey;
    }
  }
  struct Middle {
    std::size_t first = 0, last = 0;  // the buckets of ranks lo and h
    std::size_t below = 0;            // keys in the buckets before `first`
    std::size_t size = 0;             // keys in first .. last
  };
  std::vector<Middle> middle(cols);
  for (unsigned c = 0; c < cols; ++c) {
    const std::uint32_t *hc = hist.data() + c * buckets;
    Middle &mc = middle[c];
    std::size_t seen = 0, b = 0;
    while (seen + hc[b] <= lo) seen += hc[b++];
    mc.first = b;
    mc.below = seen;
    while (seen + hc[b] <= h) seen += hc[b++];
    mc.last = b;
    for (std::size_t i = mc.first; i <= mc.last; ++i) mc.size += hc[i];
  }
  hist.clear();
  hist.shrink_to_fit();

  // A second pass gathers those buckets' keys, for as many columns as fit a
  // bounded space (about 16 MB); a column whose middle buckets are larger
  // takes the slower way through a copy of the whole column.
  const std::size_t budget = (std::size_t{16} << 20) / sizeof(std::uint64_t);
  std::vector<unsigned> gathered, copied;
  std::size_t room = budget;
  for (unsigned c = 0; c < cols; ++c) {
    if (nan[c] != 0) {
      v[c].median = first_nan(dd, rows, c);
    } else if (middle[c].size <= room) {
      room -= middle[c].size;
      gathered.push_back(c);
    } else {
      copied.push_back(c);
    }
  }
  // Each key is written to its column's next free place and the place is
  // taken only when the key belongs there, which spares the processor a
  // guess per value; one spare place a column takes the last write.
  const std::size_t ng = gathered.size();
  std::vector<std::size_t> offset(ng + 1, 0);
  for (std::size_t g = 0; g < ng; ++g) offset[g + 1] = offset[g] + middle[gathered[g]].size + 1;
  std::vector<std::uint64_t> keys(offset[ng]);
  std::vector<std::uint64_t *> next(ng);
  std::vector<std::uint64_t> first(ng), span(ng);
  for (std::size_t g = 0; g < ng; ++g) {
    next[g] = keys.data() + offset[g];
    first[g] = middle[gathered[g]].first;
    span[g] = middle[gathered[g]].last - middle[gathered[g]].first;
  }
  for (unsigned r = 0; r < rows; ++r) {
    const double *x = dd[r];
    for (std::size_t g = 0; g < ng; ++g) {
      const std::uint64_t k = order_key(x[gathered[g]]);
      *next[g] = k;
      next[g] += ((k >> shift) - first[g]) <= span[g];  // unsigned: below `first` wraps to large
    }
  }
  parallel_for(threads, gathered.size(), [&](std::size_t g) {
    const unsigned c = gathered[g];
    const Middle &mc = middle[c];
    std::vector<std::uint32_t> digits;  // made only when the buckets are large enough to need it
    v[c].median = middle_value(keys.data() + offset[g], mc.size, lo - mc.below, h - mc.below, digits);
  });

  std::vector<std::uint64_t> column;
  for (unsigned c : copied) by_copy(c, column);
}
