// Benchmark: the eigen solver on the correlation matrix of a seeded table of
// 2,000 rows and 500 variables, against a plain transcription of its loops
// (column access on row-pointer tables). Both must give the same bits in the
// eigenvalues and eigenvectors; the times, the speed-up and the number of
// rotations are printed.
//
// Usage: eigen_bench [rows [variables]]

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "components/new_mateig.h"
#include "mateig_reference.h"

namespace {

// An n by n row-pointer table over one contiguous block.
struct Square {
  std::vector<double> block;
  std::vector<double *> rows;
  explicit Square(int n) : block(static_cast<std::size_t>(n) * n), rows(n) {
    for (int i = 0; i < n; ++i) rows[i] = block.data() + static_cast<std::size_t>(i) * n;
  }
  double **get() { return rows.data(); }
};

// Correlation matrix (divisor n for the covariance, n - 1 for the standard
// deviations, diagonal 1.0) of a table with some structure: a few common
// factors plus noise, so that the eigenvalues are spread out.
void correlation_of_random_table(int rows, int m, double **cc) {
  std::mt19937_64 rng(20240611);
  std::normal_distribution<double> normal(0.0, 1.0);
  const int factors = 5;
  std::vector<double> load(static_cast<std::size_t>(m) * factors);
  for (double &l : load) l = normal(rng);
  std::vector<double> d(static_cast<std::size_t>(rows) * m);
  std::vector<double> f(factors);
  for (int r = 0; r < rows; ++r) {
    for (double &x : f) x = normal(rng);
    for (int k = 0; k < m; ++k) {
      double x = 2.0 * normal(rng);
      for (int h = 0; h < factors; ++h) x += load[static_cast<std::size_t>(k) * factors + h] * f[h];
      d[static_cast<std::size_t>(r) * m + k] = x;
    }
  }
  std::vector<double> mean(m, 0.0);
  std::vector<double> sd(m, 0.0);
  for (int k = 0; k < m; ++k) {
    double sum = 0.0;
    for (int r = 0; r < rows; ++r) sum += d[static_cast<std::size_t>(r) * m + k];
    mean[k] = sum / rows;
    double sq = 0.0;
    for (int r = 0; r < rows; ++r) {
      const double e = d[static_cast<std::size_t>(r) * m + k] - mean[k];
      sq += e * e;
    }
    sd[k] = std::sqrt(sq / (rows - 1));
  }
  for (int j = 0; j < m; ++j) {
    for (int k = j; k < m; ++k) {
      double c = 0.0;
      for (int r = 0; r < rows; ++r)
        c += (d[static_cast<std::size_t>(r) * m + j] - mean[j]) *
             (d[static_cast<std::size_t>(r) * m + k] - mean[k]);
      c = c / rows / (sd[j] * sd[k]);
      cc[j][k] = c;
      cc[k][j] = c;
    }
    cc[j][j] = 1.0;
  }
}

double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main(int argc, char **argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 2000;
  const int m = argc > 2 ? std::atoi(argv[2]) : 500;
  if (rows < 2 || m < 1) {
    std::fprintf(stderr, "usage: eigen_bench [rows >= 2 [variables >= 1]]\n");
    return 2;
  }

  Square cc(m);
  correlation_of_random_table(rows, m, cc.get());
  std::printf("table %d x %d, correlation matrix %d x %d\n", rows, m, m, m);

  Square a_fast(m), s_fast(m), a_ref(m), s_ref(m);
  a_fast.block = cc.block;
  a_ref.block = cc.block;

  auto t0 = std::chrono::steady_clock::now();
  MateigCounts counts;
  new_mateig_counted(a_fast.get(), s_fast.get(), m, counts);
  const double t_fast = seconds_since(t0);

  t0 = std::chrono::steady_clock::now();
  const unsigned long long ref_rotations = reference_mateig(a_ref.get(), s_ref.get(), m);
  const double t_ref = seconds_since(t0);

  const bool same_a =
      std::memcmp(a_fast.block.data(), a_ref.block.data(), a_fast.block.size() * sizeof(double)) == 0;
  const bool same_s =
      std::memcmp(s_fast.block.data(), s_ref.block.data(), s_fast.block.size() * sizeof(double)) == 0;

  std::printf(
      "rotations: %llu (reference %llu), sweeps %llu, thresholds %u, "
      "most sweeps at one threshold %u, cap hits %u\n",
      counts.rotations, ref_rotations, counts.sweeps, counts.thresholds, counts.max_sweeps, counts.cap_hits);
  std::printf("reference: %.3f s\n", t_ref);
  std::printf("new_mateig: %.3f s\n", t_fast);
  std::printf("speed-up: %.2fx\n", t_ref / t_fast);
  std::printf("identical matrix: %s, identical eigenvectors: %s\n", same_a ? "yes" : "NO",
              same_s ? "yes" : "NO");
  return same_a && same_s && counts.rotations == ref_rotations ? 0 : 1;
}
