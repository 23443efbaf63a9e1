#include "stats/median.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

// The medians of `columns` (one vector per variable), computed on `threads`
// threads.
struct Medians {
  DataStore store;
  explicit Medians(const std::vector<std::vector<double>> &columns, unsigned threads = 1) {
    unsigned m = columns.size(), n = columns[0].size();
    store.allocate(n, m, 30);
    for (unsigned i = 0; i < m; ++i)
      for (unsigned r = 0; r < n; ++r) store.dd[r][i] = columns[i][r];
    calculate_median(store.dd, n, m, store.v.get(), RunContext{Isa::base, threads});
  }
  const stats &v(int i) const { return store.v[i]; }
};

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

TEST(Median, TotalOrderWithSpecialValues) {
  Medians z({{-0.0, 0.0}});
  EXPECT_FALSE(std::signbit(z.v(0).median));
  Medians neg({{-0.0, -0.0, 0.0}});
  EXPECT_TRUE(std::signbit(neg.v(0).median));
  Medians inf({{1, HUGE_VAL, -HUGE_VAL, HUGE_VAL}});  // -inf 1 inf inf
  EXPECT_EQ(inf.v(0).median, HUGE_VAL);
}

// A column holding a NaN has the median NaN: its first NaN, sign and payload
// included, wherever it stands and however many numbers surround it. The
// other columns keep their medians.
TEST(Median, ColumnWithNaNTakesItsFirstNaN) {
  const double minus_nan = -std::numeric_limits<double>::quiet_NaN();
  const double payload = std::bit_cast<double>(std::uint64_t{0x7ff8000000000123});
  Medians s({{1, 3, minus_nan, 2, payload}, {5, 4, 3, 2, 1}, {payload, 1, 2, 3, minus_nan}});
  EXPECT_TRUE(same_bits(s.v(0).median, minus_nan));
  EXPECT_EQ(s.v(1).median, 3.0);
  EXPECT_TRUE(same_bits(s.v(2).median, payload));
}

// Medians against a full sort under the same total order, for odd and even
// counts, duplicates, signed zeros and values that are not numbers, on one,
// two and three threads, below and above the size where selection narrows
// by digits first.
TEST(Median, SelectionMatchesASortedColumn) {
  std::mt19937 rng(5);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  auto sorted_median = [&](std::vector<double> x) {
    for (double value : x)
      if (std::isnan(value)) return value;
    std::sort(x.begin(), x.end(), [](double a, double b) {
      if (std::isnan(b)) return !std::isnan(a);
      if (std::isnan(a)) return false;
      if (a == b) return std::signbit(a) && !std::signbit(b);
      return a < b;
    });
    const std::size_t h = x.size() / 2;
    return x.size() % 2 == 1 ? x[h] : (x[h - 1] + x[h]) * 0.5;
  };
  // Short columns are copied whole; long ones (from 4,096 rows with more
  // than 64 columns, from 65,536 with fewer) are first counted by buckets.
  struct Shape {
    unsigned cols, n;
  };
  for (Shape shape : {Shape{4, 1}, Shape{4, 2}, Shape{4, 7}, Shape{4, 10}, Shape{4, 4097}, Shape{4, 20000},
                      Shape{4, 70001}, Shape{4, 70002}, Shape{70, 4095}, Shape{70, 4096}, Shape{70, 4101}}) {
    const unsigned n = shape.n;
    std::vector<std::vector<double>> columns(shape.cols, std::vector<double>(n));
    std::uniform_int_distribution<int> small(-3, 3);
    std::normal_distribution<double> normal(1000.0, 0.001);
    for (unsigned r = 0; r < n; ++r) {
      for (unsigned c = 0; c + 3 < shape.cols; c += 4) {
        columns[c][r] = small(rng) * 0.5;                                             // many duplicates
        columns[c + 1][r] = r % 3 == 0 ? -0.0 : (r % 3 == 1 ? 0.0 : -1.0 * (r % 5));  // signed zeros
        columns[c + 2][r] = normal(rng);  // a narrow range: long shared digits
        // Not numbers of either sign among huge values; in every other
        // group of a wide table, a narrow column whose only NaN comes last.
        columns[c + 3][r] = r % 4 == 3 ? (r % 8 == 3 ? -nan : nan) : small(rng) * 1e300;
        if (c % 8 == 4 && r + 1 == n) columns[c + 2][r] = nan;
      }
      for (unsigned c = shape.cols / 4 * 4; c < shape.cols; ++c) columns[c][r] = normal(rng) * 1e-300;
    }
    std::vector<double> want(shape.cols);
    for (unsigned i = 0; i < shape.cols; ++i) want[i] = sorted_median(columns[i]);
    for (unsigned threads : {1u, 2u, 3u}) {
      Medians s(columns, threads);
      for (unsigned i = 0; i < shape.cols; ++i)
        EXPECT_TRUE(same_bits(s.v(i).median, want[i]))
            << n << " " << i << " " << s.v(i).median << " " << want[i];
    }
  }
}

// ---- Percentiles ----

namespace {

// The percentiles of `columns` (one vector per variable), as one vector per
// variable.
std::vector<std::vector<double>> percentiles(const std::vector<std::vector<double>> &columns,
                                             const std::vector<double> &percent, unsigned threads = 1) {
  DataStore store;
  const unsigned m = columns.size(), n = columns[0].size();
  store.allocate(n, m, 30);
  for (unsigned i = 0; i < m; ++i)
    for (unsigned r = 0; r < n; ++r) store.dd[r][i] = columns[i][r];
  const std::vector<double> q =
      calculate_percentiles(store.dd, n, m, percent, RunContext{Isa::base, threads});
  std::vector<std::vector<double>> out(m);
  for (unsigned i = 0; i < m; ++i)
    out[i].assign(q.begin() + i * percent.size(), q.begin() + (i + 1) * percent.size());
  return out;
}

}  // namespace

// Worked by hand over 3 1 4 1 5 9 2 6 5, sorted 1 1 2 3 4 5 5 6 9, where
// h = 8p: whole positions, a neighbour equal to x[floor(h)], and fractions
// between different values, in the order the percentages are given.
TEST(Percentiles, WorkedExample) {
  const auto q =
      percentiles({{3, 1, 4, 1, 5, 9, 2, 6, 5}}, {50, 0, 100, 25, 12.5, 30, 37.5, 68.75, 81.25, 93.75, 50});
  EXPECT_EQ(q[0], (std::vector<double>{4, 1, 9, 2, 1, 2.4, 3, 5, 5.5, 7.5, 4}));
}

// The interpolation is x + f * (y - x), in that order: for 0.1 and 0.7 at
// 30 % that is 0x1.1eb851eb851ecp-2, where (1 - f) * x + f * y would end in
// ...ebp-2. Equal neighbours give x itself, so -0 and +0 give -0 (the lower
// in the order of the median), where the formula would give +0.
// Infinities take part in the formula as they are.
TEST(Percentiles, OrderOfOperationsAndSpecialValues) {
  const double inf = HUGE_VAL;
  const auto q = percentiles({{0.7, 0.1}, {0.0, -0.0}, {1, inf}, {inf, inf}}, {30, 50});
  EXPECT_EQ(q[0][0], 0x1.1eb851eb851ecp-2);
  EXPECT_EQ(q[1][1], 0.0);
  EXPECT_TRUE(std::signbit(q[1][1]));
  EXPECT_EQ(q[2][1], inf);
  EXPECT_EQ(q[3][0], inf);
  const auto spread = percentiles({{inf, 1, -inf}}, {0, 25, 50, 100});
  EXPECT_EQ(spread[0][0], -inf);
  EXPECT_TRUE(std::isnan(spread[0][1]));  // -inf + 0.5 * (1 - -inf)
  EXPECT_EQ(spread[0][2], 1.0);
  EXPECT_EQ(spread[0][3], inf);
}

// A column holding a NaN gives its first NaN, bit for bit, for every
// percentile, as its median does; the other columns are untouched by it.
TEST(Percentiles, ColumnWithNaNTakesItsFirstNaN) {
  const double minus_nan = -std::numeric_limits<double>::quiet_NaN();
  const double payload = std::bit_cast<double>(std::uint64_t{0x7ff8000000000123});
  const auto q = percentiles({{1, payload, 2, minus_nan}, {4, 3, 2, 1}}, {0, 50, 100});
  for (double x : q[0]) EXPECT_TRUE(same_bits(x, payload));
  EXPECT_EQ(q[1], (std::vector<double>{1, 2.5, 4}));
}

// Percentiles against a full sort under the median's total order, with the
// formula applied to the sorted column: duplicates, signed zeros, narrow and
// wide ranges, one row and many, percentages whose h is whole or not, on one,
// two and three threads.
TEST(Percentiles, SelectionMatchesASortedColumn) {
  std::mt19937 rng(11);
  const std::vector<double> percent = {0, 100, 50, 25, 75, 0.1, 99.9, 33.3, 2.5, 50, 12.5, 66.6666};
  auto sorted_percentiles = [&](std::vector<double> x) {
    std::sort(x.begin(), x.end(), [](double a, double b) {
      if (a == b) return std::signbit(a) && !std::signbit(b);
      return a < b;
    });
    std::vector<double> out;
    for (double pct : percent) {
      const double h = static_cast<double>(x.size() - 1) * (pct / 100.0);
      const std::size_t lo = static_cast<std::size_t>(std::floor(h));
      if (h == std::floor(h) || x[lo + 1] == x[lo])
        out.push_back(x[lo]);
      else
        out.push_back(x[lo] + (h - std::floor(h)) * (x[lo + 1] - x[lo]));
    }
    return out;
  };
  for (unsigned n : {1u, 2u, 3u, 10u, 1001u, 20000u}) {
    std::vector<std::vector<double>> columns(4, std::vector<double>(n));
    std::uniform_int_distribution<int> small(-3, 3);
    std::normal_distribution<double> normal(1000.0, 0.001);
    for (unsigned r = 0; r < n; ++r) {
      columns[0][r] = small(rng) * 0.5;
      columns[1][r] = r % 3 == 0 ? -0.0 : (r % 3 == 1 ? 0.0 : -1.0 * (r % 5));
      columns[2][r] = normal(rng);
      columns[3][r] = small(rng) * 1e300 + normal(rng) * 1e-300;
    }
    std::vector<std::vector<double>> want;
    for (const auto &c : columns) want.push_back(sorted_percentiles(c));
    for (unsigned threads : {1u, 2u, 3u}) {
      const auto got = percentiles(columns, percent, threads);
      for (unsigned i = 0; i < columns.size(); ++i)
        for (std::size_t j = 0; j < percent.size(); ++j)
          EXPECT_TRUE(same_bits(got[i][j], want[i][j]))
              << n << " rows, column " << i << ", " << percent[j] << " %: " << got[i][j] << " " << want[i][j];
    }
  }
}
