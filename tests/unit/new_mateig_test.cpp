#include "components/new_mateig.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "mateig_reference.h"

namespace {

// An n by n row-pointer table over one contiguous block, as the data store
// makes them.
struct Square {
  std::vector<double> block;
  std::vector<double *> rows;
  explicit Square(int n) : block(static_cast<std::size_t>(n) * n, 0.0), rows(n) {
    for (int i = 0; i < n; ++i) rows[i] = block.data() + static_cast<std::size_t>(i) * n;
  }
  Square(const Square &other) : Square(static_cast<int>(other.rows.size())) { block = other.block; }
  double **get() { return rows.data(); }
  double *operator[](int i) { return rows[i]; }
};

// The correlation matrix of a random table of `rows` observations of m
// variables (covariance with divisor n, standard deviations with divisor
// n - 1, diagonal 1.0), with a few common factors so that it has structure.
// With `twin` >= 1, variable `twin` is a copy of variable 0.
Square random_correlation(int rows, int m, std::uint64_t seed, int twin = -1) {
  std::mt19937_64 rng(seed);
  std::normal_distribution<double> normal(0.0, 1.0);
  const int factors = 1 + static_cast<int>(seed % 4);
  std::vector<double> load(static_cast<std::size_t>(m) * factors);
  for (double &l : load) l = normal(rng);
  std::vector<std::vector<double>> d(rows, std::vector<double>(m));
  for (int r = 0; r < rows; ++r) {
    std::vector<double> f(factors);
    for (double &x : f) x = normal(rng);
    for (int k = 0; k < m; ++k) {
      double x = normal(rng);
      for (int h = 0; h < factors; ++h) x += load[static_cast<std::size_t>(k) * factors + h] * f[h];
      d[r][k] = x;
    }
    if (twin >= 1 && twin < m) d[r][twin] = d[r][0];
  }
  std::vector<double> mean(m), sd(m);
  for (int k = 0; k < m; ++k) {
    double sum = 0.0;
    for (int r = 0; r < rows; ++r) sum += d[r][k];
    mean[k] = sum / rows;
    double sq = 0.0;
    for (int r = 0; r < rows; ++r) sq += (d[r][k] - mean[k]) * (d[r][k] - mean[k]);
    sd[k] = std::sqrt(sq / (rows - 1));
  }
  Square cc(m);
  for (int j = 0; j < m; ++j) {
    for (int k = j + 1; k < m; ++k) {
      double c = 0.0;
      for (int r = 0; r < rows; ++r) c += (d[r][j] - mean[j]) * (d[r][k] - mean[k]);
      c = c / rows / (sd[j] * sd[k]);
      cc[j][k] = c;
      cc[k][j] = c;
    }
    cc[j][j] = 1.0;
  }
  return cc;
}

bool same_bits(const std::vector<double> &x, const std::vector<double> &y) {
  if (x.size() != y.size()) return false;
  for (std::size_t i = 0; i < x.size(); ++i)
    if (std::bit_cast<std::uint64_t>(x[i]) != std::bit_cast<std::uint64_t>(y[i])) return false;
  return true;
}

void expect_identity(Square &s, int n) {
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) EXPECT_EQ(s[i][j], i == j ? 1.0 : 0.0) << i << "," << j;
}

// Runs the reference transcription and the solver on every instruction-set
// level this processor has, with one, two and three threads, on copies of
// `input`, and expects the same bits.
void expect_same_as_reference(const Square &input, int n) {
  Square a_ref(input), s_ref(n);
  const unsigned long long ref_rotations = reference_mateig(a_ref.get(), s_ref.get(), n);
  for (Isa isa : runnable_isas()) {
    for (unsigned threads : {1u, 2u, 3u}) {
      Square a_fast(input), s_fast(n);
      MateigCounts counts;
      new_mateig_counted(a_fast.get(), s_fast.get(), n, counts, RunContext{isa, threads});
      EXPECT_TRUE(same_bits(a_fast.block, a_ref.block))
          << "matrix differs, n = " << n << ", " << isa_name(isa) << ", threads " << threads;
      EXPECT_TRUE(same_bits(s_fast.block, s_ref.block))
          << "eigenvectors differ, n = " << n << ", " << isa_name(isa) << ", threads " << threads;
      EXPECT_EQ(counts.rotations, ref_rotations) << "n = " << n;
      EXPECT_EQ(counts.cap_hits, 0u);
    }
  }
}

}  // namespace

TEST(NewMateig, OneVariableLeavesMatrixAndGivesIdentity) {
  Square a(1), s(1);
  a[0][0] = 1.0;
  s[0][0] = 7.0;  // earlier content is ignored
  MateigCounts counts;
  new_mateig_counted(a.get(), s.get(), 1, counts);
  EXPECT_EQ(a[0][0], 1.0);
  EXPECT_EQ(s[0][0], 1.0);
  EXPECT_TRUE(counts.early_exit);
  EXPECT_EQ(counts.rotations, 0u);
}

TEST(NewMateig, TwoVariablesPositiveCorrelation) {
  Square a(2), s(2);
  a[0][0] = 1.0;
  a[1][1] = 1.0;
  a[0][1] = 0.5;
  a[1][0] = 0.5;
  MateigCounts counts;
  new_mateig_counted(a.get(), s.get(), 2, counts);
  // x is 0, so the sign test turns y into +1 and the first sweep rotates once;
  // nothing is left above any later threshold.
  EXPECT_EQ(counts.rotations, 1u);
  EXPECT_EQ(counts.thresholds, 20u);  // the threshold halves 20 times to reach 1e-6
  EXPECT_FALSE(counts.early_exit);
  EXPECT_FALSE(counts.fallback);
  EXPECT_NEAR(a[0][0], 0.5, 1e-15);
  EXPECT_NEAR(a[1][1], 1.5, 1e-15);
  EXPECT_NEAR(a[0][1], 0.0, 1e-15);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(a[0][1]), std::bit_cast<std::uint64_t>(a[1][0]));
  const double h = std::sqrt(0.5);
  EXPECT_NEAR(s[0][0], h, 1e-15);
  EXPECT_NEAR(s[1][0], -h, 1e-15);
  EXPECT_NEAR(s[0][1], h, 1e-15);
  EXPECT_NEAR(s[1][1], h, 1e-15);
}

TEST(NewMateig, TwoVariablesNegativeCorrelation) {
  Square a(2), s(2);
  a[0][0] = 1.0;
  a[1][1] = 1.0;
  a[0][1] = -0.5;
  a[1][0] = -0.5;
  MateigCounts counts;
  new_mateig_counted(a.get(), s.get(), 2, counts);
  EXPECT_EQ(counts.rotations, 1u);
  EXPECT_EQ(counts.thresholds, 20u);
  EXPECT_NEAR(a[0][0], 0.5, 1e-15);
  EXPECT_NEAR(a[1][1], 1.5, 1e-15);
  const double h = std::sqrt(0.5);
  EXPECT_NEAR(s[0][0], h, 1e-15);
  EXPECT_NEAR(s[1][0], h, 1e-15);
  EXPECT_NEAR(s[0][1], -h, 1e-15);
  EXPECT_NEAR(s[1][1], h, 1e-15);
}

TEST(NewMateig, EigenvectorsAreOrthonormalAndDiagonalise) {
  const int n = 12;
  Square input = random_correlation(50, n, 7);
  Square a(input), s(n);
  new_mateig(a.get(), s.get(), n);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      double dot = 0.0;
      double quad = 0.0;  // column i of s, through the input matrix, onto column j
      for (int k = 0; k < n; ++k) {
        dot += s[k][i] * s[k][j];
        for (int l = 0; l < n; ++l) quad += s[k][i] * input[k][l] * s[l][j];
      }
      EXPECT_NEAR(dot, i == j ? 1.0 : 0.0, 1e-12);
      // The remainders the last sweep left off the diagonal included.
      EXPECT_NEAR(quad, a[i][j], 1e-12);
    }
  }
  double trace = 0.0;
  for (int i = 0; i < n; ++i) trace += a[i][i];
  EXPECT_NEAR(trace, n, 1e-12);
}

TEST(NewMateig, ZeroOffDiagonalReturnsAtOnce) {
  const int n = 3;
  Square a(n), s(n);
  a[0][0] = 3.0;
  a[1][1] = 1.0;
  a[2][2] = 2.0;
  s[1][2] = 5.0;
  Square before(a);
  MateigCounts counts;
  new_mateig_counted(a.get(), s.get(), n, counts);
  EXPECT_TRUE(counts.early_exit);
  EXPECT_EQ(counts.thresholds, 0u);
  EXPECT_TRUE(same_bits(a.block, before.block));
  expect_identity(s, n);
}

TEST(NewMateig, NotANumberReturnsAtOnce) {
  const int n = 3;
  Square a(n), s(n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) a[i][j] = i == j ? 1.0 : 0.25;
  a[0][2] = std::numeric_limits<double>::quiet_NaN();
  a[2][0] = a[0][2];
  Square before(a);
  MateigCounts counts;
  new_mateig_counted(a.get(), s.get(), n, counts);
  EXPECT_TRUE(counts.early_exit);
  EXPECT_TRUE(same_bits(a.block, before.block));
  expect_identity(s, n);
}

TEST(NewMateig, InfinityReturnsAtOnce) {
  const int n = 4;
  Square a(n), s(n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) a[i][j] = i == j ? 1.0 : 0.1;
  a[1][3] = -std::numeric_limits<double>::infinity();
  a[3][1] = a[1][3];
  Square before(a);
  MateigCounts counts;
  new_mateig_counted(a.get(), s.get(), n, counts);
  EXPECT_TRUE(counts.early_exit);
  EXPECT_TRUE(same_bits(a.block, before.block));
  expect_identity(s, n);
}

TEST(NewMateig, HugeElementsWhoseSquaresOverflowReturnAtOnce) {
  const int n = 2;
  Square a(n), s(n);
  a[0][0] = 1.0;
  a[1][1] = 1.0;
  a[0][1] = 1e200;
  a[1][0] = 1e200;
  MateigCounts counts;
  new_mateig_counted(a.get(), s.get(), n, counts);
  EXPECT_TRUE(counts.early_exit);
  EXPECT_EQ(a[0][1], 1e200);
  expect_identity(s, n);
}

TEST(NewMateig, SweepCapEndsAHopelessMatrix) {
  // A NaN on the diagonal leaves the off-diagonal norm finite, but every
  // rotation then spreads NaN, which always passes the threshold test: only
  // the cap on sweeps at one threshold ends it.
  const int n = 3;
  Square a(n), s(n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) a[i][j] = i == j ? 1.0 : 0.5;
  a[1][1] = std::numeric_limits<double>::quiet_NaN();
  MateigCounts counts;
  new_mateig_counted(a.get(), s.get(), n, counts);
  EXPECT_FALSE(counts.early_exit);
  EXPECT_GT(counts.cap_hits, 0u);
  EXPECT_EQ(counts.max_sweeps, kMateigSweepCap);
  EXPECT_EQ(counts.cap_hits, counts.thresholds);
}

TEST(NewMateig, FastSolverMatchesReferenceBitForBit) {
  const int sizes[] = {2, 3, 4, 5, 7, 8, 10, 16, 17, 31, 40, 64, 100, 130};
  std::uint64_t seed = 1;
  for (int n : sizes) {
    for (int rows : {n + 3, 3 * n + 20}) {
      Square cc = random_correlation(rows, n, seed++);
      expect_same_as_reference(cc, n);
    }
  }
}

TEST(NewMateig, FastSolverMatchesReferenceOnSpecialMatrices) {
  // Two identical variables; a matrix with equal diagonal elements and one
  // off-diagonal pattern; a table with fewer observations than variables.
  expect_same_as_reference(random_correlation(30, 6, 11, 3), 6);
  expect_same_as_reference(random_correlation(5, 20, 12), 20);
  const int n = 9;
  Square flat(n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) flat[i][j] = i == j ? 1.0 : 0.3;
  expect_same_as_reference(flat, n);
  Square sparse(n);
  for (int i = 0; i < n; ++i) sparse[i][i] = 1.0 + i;
  sparse[2][7] = sparse[7][2] = -0.75;
  expect_same_as_reference(sparse, n);
}

TEST(NewMateig, NonSymmetricInputFollowsTheElementWiseLoops) {
  const int n = 6;
  Square a = random_correlation(40, n, 21);
  a[4][1] = a[1][4] + 1e-3;
  Square a_ref(a), s(n), s_ref(n);
  MateigCounts counts;
  new_mateig_counted(a.get(), s.get(), n, counts);
  const unsigned long long ref_rotations = reference_mateig(a_ref.get(), s_ref.get(), n);
  EXPECT_TRUE(counts.fallback);
  EXPECT_EQ(counts.rotations, ref_rotations);
  EXPECT_TRUE(same_bits(a.block, a_ref.block));
  EXPECT_TRUE(same_bits(s.block, s_ref.block));
}

TEST(NewMateig, SweepCapIsNeverReachedOnRealisticTables) {
  unsigned most = 0;
  std::uint64_t seed = 1000;
  for (int m = 2; m <= 60; ++m) {
    for (int rows : {m + 1, 2 * m + 10, 200}) {
      for (int twin : {-1, m / 2}) {
        Square a = random_correlation(rows, m, seed++, twin);
        Square s(m);
        MateigCounts counts;
        new_mateig_counted(a.get(), s.get(), m, counts);
        EXPECT_EQ(counts.cap_hits, 0u) << "m = " << m << ", rows = " << rows;
        EXPECT_FALSE(counts.fallback);
        if (counts.max_sweeps > most) most = counts.max_sweeps;
      }
    }
  }
  // Far below the cap: the cap is a guard, not a part of the schedule.
  EXPECT_LT(most, kMateigSweepCap / 4);
  RecordProperty("most_sweeps_at_one_threshold", static_cast<int>(most));
}

TEST(NewMateig, TwoIdenticalColumnsConverge) {
  // Perfectly correlated variables: one eigenvalue is zero up to rounding.
  const int n = 2;
  Square a(n), s(n);
  a[0][0] = a[1][1] = 1.0;
  a[0][1] = a[1][0] = 0.75;  // (n - 1)/n for n = 4 observations
  MateigCounts counts;
  new_mateig_counted(a.get(), s.get(), n, counts);
  EXPECT_EQ(counts.cap_hits, 0u);
  EXPECT_NEAR(a[0][0], 0.25, 1e-15);
  EXPECT_NEAR(a[1][1], 1.75, 1e-15);
  Square b = random_correlation(10, 2, 5, 1);
  Square sb(n);
  new_mateig_counted(b.get(), sb.get(), n, counts);
  EXPECT_EQ(counts.cap_hits, 0u);
  // The off-diagonal element is (n - 1)/n = 0.9 for 10 observations.
  EXPECT_NEAR(std::fmin(b[0][0], b[1][1]), 0.1, 1e-12);
}
