#include "stats/new_stcrmt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "stats/histogram.h"
#include "stats/median.h"
#include "tables/datastore.h"

namespace {

// A store holding `columns` (one vector per variable), with MinMax done and
// the statistics computed with the kernels of `isa`.
struct Stats {
  DataStore store;
  std::vector<int> no_stddev;
  explicit Stats(const std::vector<std::vector<double>> &columns, Isa isa = active_isa(),
                 unsigned threads = 1) {
    unsigned m = columns.size(), n = columns[0].size();
    store.allocate(n, m, 30);
    for (unsigned i = 0; i < m; ++i)
      for (unsigned r = 0; r < n; ++r) store.dd[r][i] = columns[i][r];
    MinMax(store, n, m);
    EXPECT_EQ(
        new_stcrmt(store.dd, m, n, store.v.get(), store.cc, store.ccov, no_stddev, RunContext{isa, threads}),
        0);
    for (unsigned i = 0; i < m; ++i) store.cc[i][i] = 1.0;
    calculate_median(store.dd, n, m, store.v.get(), RunContext{isa, threads});
  }
  const stats &v(int i) const { return store.v[i]; }
};

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

TEST(Moments, OneTwoThreeFour) {
  Stats s({{1, 2, 3, 4}});
  EXPECT_EQ(s.v(0).mean, 2.5);
  EXPECT_EQ(s.v(0).variance, 5.0 / 3.0);
  EXPECT_EQ(s.v(0).stddev, std::sqrt(5.0 / 3.0));
  EXPECT_EQ(s.v(0).skew, 0.0);
  EXPECT_NEAR(s.v(0).curt, -2.0775, 1e-12);
  EXPECT_EQ(s.store.ccov[0][0], 1.25);
  EXPECT_EQ(s.v(0).median, 2.5);
  EXPECT_EQ(s.v(0).variable, 1.0);
  EXPECT_TRUE(s.no_stddev.empty());
}

TEST(Moments, OddMedian) {
  Stats s({{3, 1, 2}});
  EXPECT_EQ(s.v(0).median, 2.0);
}

TEST(Moments, ConstantColumn) {
  Stats s({{1, 2, 3, 4}, {5, 5, 5, 5}});
  const stats &c = s.v(1);
  EXPECT_EQ(c.mean, 5.0);
  EXPECT_EQ(c.variance, 0.0001);
  EXPECT_EQ(c.stddev, std::sqrt(0.0001));
  EXPECT_EQ(c.skew, 0.0);
  EXPECT_EQ(c.curt, -3.0);
  EXPECT_EQ(c.median, 5.0);
  EXPECT_EQ(s.store.ccov[0][1], 0.0);
  EXPECT_EQ(s.store.cc[1][0], 0.0);
  EXPECT_EQ(s.no_stddev, std::vector<int>{2});
}

TEST(Moments, EveryConstantColumnIsListed) {
  Stats s({{1, 2, 3, 4}, {0, 0, 0, 0}, {1, 3, 2, 4}, {6, 6, 6, 6}, {7, 7, 7, 7}});
  EXPECT_EQ(s.no_stddev, (std::vector<int>{2, 4, 5}));
}

TEST(Moments, PerfectlyCorrelatedPair) {
  Stats s({{1, 2, 3, 4}, {2, 4, 6, 8}});
  EXPECT_EQ(s.store.ccov[0][1], 2.5);
  EXPECT_EQ(s.store.ccov[1][0], 2.5);
  EXPECT_EQ(s.store.cc[0][1], 1.0);  // 2.5 * 4/3 over sqrt(5/3) * sqrt(20/3)
  EXPECT_EQ(s.store.cc[1][0], s.store.cc[0][1]);
  EXPECT_EQ(s.store.cc[0][0], 1.0);
  EXPECT_EQ(s.store.cc[1][1], 1.0);
}

TEST(Moments, LargeMeanSmallSpread) {
  Stats s({{1000000000.1, 1000000000.2, 1000000000.3}});
  EXPECT_NEAR(s.v(0).variance, 0.01, 0.00005);
  EXPECT_TRUE(s.no_stddev.empty());
}

TEST(Moments, SingleObservationIsConstant) {
  Stats s({{3}, {4}});
  EXPECT_EQ(s.v(0).variance, 0.0001);
  EXPECT_EQ(s.v(1).variance, 0.0001);
  EXPECT_EQ(s.no_stddev, (std::vector<int>{1, 2}));
  EXPECT_FALSE(std::isnan(s.v(0).skew));
  EXPECT_FALSE(std::isnan(s.store.cc[0][1]));
}

TEST(Moments, RunningMeanOrderOfOperations) {
  // The covariance is a running mean over ascending observations, not a sum
  // divided by n: check against that recurrence bit for bit.
  std::vector<double> a, b;
  unsigned seed = 7;
  for (int i = 0; i < 1000; ++i) {
    seed = seed * 1103515245u + 12345u;
    a.push_back((seed >> 8) / 65536.0);
    seed = seed * 1103515245u + 12345u;
    b.push_back((seed >> 8) / 4096.0 - 1000.0);
  }
  Stats s({a, b});
  double ma = 0, mb = 0;
  for (int i = 0; i < 1000; ++i) ma += a[i];
  for (int i = 0; i < 1000; ++i) mb += b[i];
  ma /= 1000.0;
  mb /= 1000.0;
  double c = 0.0;
  for (int r = 0; r < 1000; ++r) {
    double p = (a[r] - ma) * (b[r] - mb);
    c = c + (p - c) / (r + 1);
  }
  EXPECT_EQ(s.store.ccov[0][1], c);
  EXPECT_EQ(s.store.cc[0][1], (c * (1000.0 / 999.0)) / (s.v(0).stddev * s.v(1).stddev));
}

// Squares that overflow: the variance and standard deviation are infinite,
// skewness and curtosis not numbers (inf - inf in their sums), and the
// correlation with a finite variable is -0, not NaN. The covariance itself
// stays finite: -5e299 / 4.
TEST(Moments, OverflowingSquares) {
  Stats s({{1e300, -1e300, 1e300, 0}, {1, 2, 3, 4}});
  EXPECT_TRUE(s.no_stddev.empty());
  EXPECT_EQ(s.v(0).mean, 2.5e299);
  EXPECT_EQ(s.v(0).variance, std::numeric_limits<double>::infinity());
  EXPECT_EQ(s.v(0).stddev, std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(s.v(0).skew));
  EXPECT_TRUE(std::isnan(s.v(0).curt));
  EXPECT_NEAR(s.store.ccov[0][1] / -1.25e299, 1.0, 1e-15);
  EXPECT_EQ(s.store.cc[0][1], 0.0);
  EXPECT_TRUE(std::signbit(s.store.cc[0][1]));
  EXPECT_EQ(s.v(1).variance, 5.0 / 3.0);
}

// The kernels of every instruction-set level this processor has, on one, two
// and three threads, must give the bits of the formulas written out plainly,
// one sum at a time. Odd sizes leave tails after every vector width and
// after every block of observations.
TEST(Moments, EveryInstructionSetGivesThePlainBits) {
  // A narrow table, and one so wide that observations go in blocks.
  for (auto [n, m] : {std::pair{803u, 37u}, std::pair{37u, 257u}}) {
    std::mt19937 rng(11);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<std::vector<double>> columns(m, std::vector<double>(n));
    for (unsigned r = 0; r < n; ++r) {
      const double common = normal(rng);
      for (unsigned i = 0; i < m; ++i) columns[i][r] = (i % 5) * common + normal(rng) * (i + 1) + i * 100.0;
    }
    // The formulas, one variable and one pair at a time.
    std::vector<double> mean(m), sd(m);
    for (unsigned i = 0; i < m; ++i) {
      double sum = 0.0;
      for (unsigned r = 0; r < n; ++r) sum += columns[i][r];
      mean[i] = sum / n;
      double t2 = 0.0;
      for (unsigned r = 0; r < n; ++r) t2 += (columns[i][r] - mean[i]) * (columns[i][r] - mean[i]);
      sd[i] = std::sqrt(t2 / (n - 1.0));
    }
    for (Isa isa : runnable_isas()) {
      for (unsigned threads : {1u, 2u, 3u}) {
        Stats s(columns, isa, threads);
        for (unsigned i = 0; i < m; ++i) {
          ASSERT_TRUE(same_bits(s.v(i).mean, mean[i])) << isa_name(isa);
          ASSERT_TRUE(same_bits(s.v(i).stddev, sd[i])) << isa_name(isa);
        }
        for (unsigned j = 0; j < m; ++j)
          for (unsigned k = j; k < m; ++k) {
            double c = 0.0;
            for (unsigned r = 0; r < n; ++r) {
              const double p = (columns[j][r] - mean[j]) * (columns[k][r] - mean[k]);
              c = c + (p - c) / (r + 1);
            }
            ASSERT_TRUE(same_bits(s.store.ccov[j][k], c)) << isa_name(isa) << " " << j << " " << k;
            ASSERT_TRUE(same_bits(s.store.ccov[k][j], c));
            if (j != k) {
              const double r = (c * (n / (n - 1.0))) / (sd[j] * sd[k]);
              ASSERT_TRUE(same_bits(s.store.cc[j][k], r)) << isa_name(isa) << " " << j << " " << k;
            }
          }
      }
    }
  }
}

// NIST StRD univariate sets NumAcc1 to NumAcc4, made from their definitions,
// against their certified means and standard deviations.
//
// The bounds: the data themselves are stored rounded, each value within
// u * |x| of its decimal (u = 2^-53). The mean is the sum in input order
// divided by n; n - 1 roundings of a sum of positive terms keep it within
// (n - 1) * u of its relative value, so |mean - certified| <= n * u * mean.
// The standard deviation is 1-Lipschitz in the data (measured as the root of
// the summed squared changes over n - 1), so the rounded inputs alone move
// it by up to u * max|x| * sqrt(n / (n - 1)); its own computation adds far
// less than n * u relative. That input term is what limits NumAcc3 and
// NumAcc4 (about 1e-10 and 1e-9 absolute); NumAcc4 must still hold 8
// significant digits, and NumAcc1, all small integers, is exact.
TEST(Moments, CertifiedNumAcc) {
  struct Set {
    double centre, below, above;
    int pairs;
    double mean, stddev;
  };
  const Set sets[] = {
      {10000001, 10000003, 10000002, 0, 10000002, 1},  // NumAcc1: the three values as listed
      {1.2, 1.1, 1.3, 500, 1.2, 0.1},
      {1000000.2, 1000000.1, 1000000.3, 500, 1000000.2, 0.1},
      {10000000.2, 10000000.1, 10000000.3, 500, 10000000.2, 0.1},
  };
  const double u = std::numeric_limits<double>::epsilon() / 2;
  for (const Set &set : sets) {
    std::vector<double> x = {set.centre};
    if (set.pairs == 0) {
      x.push_back(set.below);
      x.push_back(set.above);
    }
    for (int i = 0; i < set.pairs; ++i) {
      x.push_back(set.below);
      x.push_back(set.above);
    }
    const double n = static_cast<double>(x.size());
    const double max = std::max(set.below, set.above);
    Stats s({x});
    SCOPED_TRACE(set.centre);
    EXPECT_LE(std::fabs(s.v(0).mean - set.mean), n * u * set.mean);
    EXPECT_LE(std::fabs(s.v(0).stddev - set.stddev), u * max * std::sqrt(n / (n - 1)) + n * u * set.stddev);
  }
  Stats acc1({{10000001, 10000003, 10000002}});
  EXPECT_EQ(acc1.v(0).mean, 10000002.0);
  EXPECT_EQ(acc1.v(0).stddev, 1.0);
  std::vector<double> acc4 = {10000000.2};
  for (int i = 0; i < 500; ++i) {
    acc4.push_back(10000000.1);
    acc4.push_back(10000000.3);
  }
  Stats s4({acc4});
  EXPECT_LT(std::fabs(s4.v(0).stddev - 0.1), 0.5e-8);  // 8 significant digits
}
