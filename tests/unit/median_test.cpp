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
// threads, and on request their percentiles.
struct Medians {
  DataStore store;
  unsigned m, n, threads;
  explicit Medians(const std::vector<std::vector<double>> &columns, unsigned threads_ = 1,
                   std::size_t gather_keys = kMedianGatherKeys)
      : m(columns.size()), n(columns[0].size()), threads(threads_) {
    store.allocate(n, m, 30);
    for (unsigned i = 0; i < m; ++i)
      for (unsigned r = 0; r < n; ++r) store.dd[r][i] = columns[i][r];
    calculate_median(store.dd, n, m, store.v.get(), RunContext{Isa::base, threads}, gather_keys);
  }
  const stats &v(int i) const { return store.v[i]; }
  std::vector<double> percentiles(const std::vector<double> &percent) const {
    return calculate_percentiles(store.dd, n, m, percent, RunContext{Isa::base, threads});
  }
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

// Medians, and percentiles by their formula, against a full sort under the
// same total order, for odd and even counts, duplicates, signed zeros and
// values that are not numbers, on one, two and three threads, below and
// above the size where selection narrows by digits first, and with room to
// gather only a few keys, which makes long columns narrow their middle
// buckets step by step.
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
  const std::vector<double> percent = {0, 100, 50, 25, 0.1, 99.9, 33.3, 2.5, 50, 66.6666};
  auto sorted_percentiles = [&](std::vector<double> x) {
    std::vector<double> out;
    for (double value : x)
      if (std::isnan(value)) return std::vector<double>(percent.size(), value);
    std::sort(x.begin(), x.end(),
              [](double a, double b) { return a < b || (a == b && std::signbit(a) > std::signbit(b)); });
    for (double pct : percent) {
      const double h = static_cast<double>(x.size() - 1) * (pct / 100.0), lo = std::floor(h);
      const double below = x[static_cast<std::size_t>(lo)];
      const double above = h == lo ? below : x[static_cast<std::size_t>(lo) + 1];
      out.push_back(above == below ? below : below + (h - lo) * (above - below));
    }
    return out;
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
    std::vector<double> want_q;
    for (unsigned i = 0; i < shape.cols; ++i) {
      want[i] = sorted_median(columns[i]);
      for (double q : sorted_percentiles(columns[i])) want_q.push_back(q);
    }
    for (unsigned threads : {1u, 2u, 3u}) {
      Medians s(columns, threads);
      for (unsigned i = 0; i < shape.cols; ++i)
        EXPECT_TRUE(same_bits(s.v(i).median, want[i]))
            << n << " " << i << " " << s.v(i).median << " " << want[i];
      for (std::size_t room : {0, 5, 300}) {
        Medians narrowed(columns, threads, room);
        for (unsigned i = 0; i < shape.cols; ++i)
          EXPECT_TRUE(same_bits(narrowed.v(i).median, want[i])) << n << " " << i << " room " << room;
      }
      const std::vector<double> q = s.percentiles(percent);
      for (std::size_t k = 0; k < q.size(); ++k)
        EXPECT_TRUE(same_bits(q[k], want_q[k])) << n << " " << k << " " << q[k] << " " << want_q[k];
    }
  }
}

// Worked by hand over 3 1 4 1 5 9 2 6 5, sorted 1 1 2 3 4 5 5 6 9, where
// h = 8p: whole positions, a neighbour equal to x[floor(h)], and fractions
// between different values, in the order the percentages are given. The
// interpolation is x + f * (y - x) in that order: for 0.1 and 0.7 at 30 %
// that is 0x1.1eb851eb851ecp-2, where (1 - f) * x + f * y would end in ebp-2.
TEST(Percentiles, WorkedExamples) {
  EXPECT_EQ(Medians({{3, 1, 4, 1, 5, 9, 2, 6, 5}})
                .percentiles({50, 0, 100, 25, 12.5, 30, 37.5, 68.75, 81.25, 93.75, 50}),
            (std::vector<double>{4, 1, 9, 2, 1, 2.4, 3, 5, 5.5, 7.5, 4}));
  EXPECT_EQ(Medians({{0.7, 0.1}}).percentiles({30})[0], 0x1.1eb851eb851ecp-2);
}
