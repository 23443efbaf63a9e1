// Every vector width of the numerical kernels, compiled here without any
// target attribute, against the plain loops, bit for bit. GCC splits a vector
// wider than the processor's into the halves it has, so the eight-lane
// kernels that processors with AVX-512 run are checked on every machine, at
// sizes that leave every tail after every width.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <vector>

#include "components/rotation_kernels.h"
#include "stats/covariance_kernels.h"

namespace {

std::vector<double> random_values(std::size_t n, std::mt19937_64 &rng) {
  std::normal_distribution<double> normal(0.0, 3.0);
  std::vector<double> x(n);
  for (double &v : x) v = normal(rng);
  return x;
}

bool same_bits(const std::vector<double> &x, const std::vector<double> &y) {
  if (x.size() != y.size()) return false;
  for (std::size_t i = 0; i < x.size(); ++i)
    if (std::bit_cast<std::uint64_t>(x[i]) != std::bit_cast<std::uint64_t>(y[i])) return false;
  return true;
}

std::vector<int> sizes() {
  std::vector<int> n;
  for (int i = 1; i <= 70; ++i) n.push_back(i);
  for (int i : {255, 256, 257, 300}) n.push_back(i);
  return n;
}

// A sine and cosine as the solver makes them.
void angle(std::mt19937_64 &rng, double &snn, double &csn) {
  std::uniform_real_distribution<double> y(-0.99, 0.99);
  snn = y(rng);
  csn = std::sqrt(1 - snn * snn);
}

template <class V>
void rotate_rows_matches_plain_loop() {
  std::mt19937_64 rng(lanes<V>);
  for (int n : sizes()) {
    const int step = n > 70 ? 37 : 1;  // every pair of the small sizes, a sample of the large
    for (int q = 1; q < n; q += step)
      for (int p = 0; p < q; p += step) {
        double snn, csn;
        angle(rng, snn, csn);
        std::vector<double> rp = random_values(n, rng), rq = random_values(n, rng);
        std::vector<double> plain_p = rp, plain_q = rq;
        for (int k = 0; k < n; ++k) {
          if (k == p || k == q) continue;
          const double t = plain_p[k], u = plain_q[k];
          plain_q[k] = snn * t + csn * u;
          plain_p[k] = t * csn - u * snn;
        }
        rotate_rows_with<V>(rp.data(), rq.data(), p, q, n, snn, csn);
        ASSERT_TRUE(same_bits(rp, plain_p) && same_bits(rq, plain_q))
            << lanes<V> << " lanes, n " << n << ", p " << p << ", q " << q;
      }
  }
}

template <class V>
void apply_rotations_matches_plain_loop() {
  std::mt19937_64 rng(10 + lanes<V>);
  for (int n : sizes()) {
    if (n < 2) continue;
    // Rotations in sweep order, so that runs share their q, then a few at
    // random.
    std::vector<LoggedRotation> log;
    for (int q = 1; q < n && log.size() < 400; ++q)
      for (int p = 0; p < q; ++p) {
        LoggedRotation r{p, q, 0.0, 0.0};
        angle(rng, r.snn, r.csn);
        log.push_back(r);
      }
    std::uniform_int_distribution<int> index(0, n - 1);
    for (int i = 0; i < 20; ++i) {
      LoggedRotation r{index(rng), index(rng), 0.0, 0.0};
      if (r.p == r.q) continue;
      if (r.p > r.q) std::swap(r.p, r.q);
      angle(rng, r.snn, r.csn);
      log.push_back(r);
    }
    std::vector<std::vector<double>> st(n), plain(n);
    std::vector<double *> rows(n);
    for (int j = 0; j < n; ++j) {
      st[j] = random_values(n, rng);
      plain[j] = st[j];
      rows[j] = st[j].data();
    }
    for (const LoggedRotation &r : log)
      for (int k = 0; k < n; ++k) {
        const double t = plain[r.p][k], u = plain[r.q][k];
        plain[r.q][k] = r.snn * t + r.csn * u;
        plain[r.p][k] = t * r.csn - u * r.snn;
      }
    apply_rotations_with<V>(rows.data(), n, log.data(), log.size());
    for (int j = 0; j < n; ++j) ASSERT_TRUE(same_bits(st[j], plain[j])) << lanes<V> << " lanes, n " << n;
  }
}

template <class V>
void covariance_update_matches_plain_loop() {
  std::mt19937_64 rng(20 + lanes<V>);
  for (int m : sizes()) {
    std::vector<double> x = random_values(m, rng), mean = random_values(m, rng);
    std::vector<double> cen(m), plain_cen(m);
    for (int k = 0; k < m; ++k) plain_cen[k] = x[k] - mean[k];
    centre_row_lanes<V>(cen.data(), x.data(), mean.data(), m);
    ASSERT_TRUE(same_bits(cen, plain_cen)) << lanes<V> << " lanes, m " << m;
    for (int from : {0, 1, m / 2, m - 1}) {
      if (from < 0 || from >= m) continue;  // m = 1 lists from = 1
      std::vector<double> c = random_values(m, rng), plain = c;
      const double rp1 = 1.0 + static_cast<double>(from + 6);
      for (int k = from; k < m; ++k) {
        const double p = cen[from] * cen[k];
        plain[k] = plain[k] + (p - plain[k]) / rp1;
      }
      update_row_lanes<V>(c.data(), cen.data(), cen[from], rp1, from, m);
      ASSERT_TRUE(same_bits(c, plain)) << lanes<V> << " lanes, m " << m << ", from " << from;
    }
  }
}

}  // namespace

TEST(KernelWidths, RowRotationsOfEveryWidth) {
  rotate_rows_matches_plain_loop<v2d>();
  rotate_rows_matches_plain_loop<v4d>();
  rotate_rows_matches_plain_loop<v8d>();
}

TEST(KernelWidths, EigenvectorBandsOfEveryWidth) {
  apply_rotations_matches_plain_loop<v2d>();
  apply_rotations_matches_plain_loop<v4d>();
  apply_rotations_matches_plain_loop<v8d>();
}

TEST(KernelWidths, CovarianceUpdateOfEveryWidth) {
  covariance_update_matches_plain_loop<v2d>();
  covariance_update_matches_plain_loop<v4d>();
  covariance_update_matches_plain_loop<v8d>();
}
