// The --blas engine: its loader, its sign rule, worked examples, and its
// agreement with the exact engine on the tables of the end-to-end cases that
// have components. The tests that need OpenBLAS skip where it is missing.
#include "components/blas_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "components/principal.h"
#include "stats/histogram.h"
#include "stats/new_stcrmt.h"
#include "support.h"
#include "table_support.h"

namespace {

const OpenBlas *openblas() {
  static std::unique_ptr<OpenBlas> blas = [] {
    std::string why;
    return OpenBlas::load(kOpenBlasLibrary, why);
  }();
  return blas.get();
}

#define NEED_OPENBLAS()                                                             \
  const OpenBlas *blas_ptr = openblas();                                            \
  if (blas_ptr == nullptr) GTEST_SKIP() << kOpenBlasLibrary << " is not installed"; \
  const OpenBlas &blas = *blas_ptr

// A table as the program reads a well-formed file: lines starting with '#',
// ';' or '!' are comments, and every other line holds the same count of
// numbers as the first.
std::vector<double> read_table(const std::string &path, unsigned &rows, unsigned &m) {
  std::ifstream in(path);
  std::vector<double> data;
  rows = 0;
  m = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#' || line[0] == ';' || line[0] == '!') continue;
    std::istringstream words(line);
    unsigned count = 0;
    for (std::string w; words >> w; ++count) data.push_back(std::strtod(w.c_str(), nullptr));
    if (rows == 0) m = count;
    EXPECT_EQ(count, m) << path << " row " << rows;
    ++rows;
  }
  return data;
}

void fill(DataStore &store, unsigned rows, unsigned m, const std::vector<double> &data) {
  store.allocate(rows, m, 30);
  for (unsigned r = 0; r < rows; ++r)
    for (unsigned k = 0; k < m; ++k) store.dd[r][k] = data[static_cast<std::size_t>(r) * m + k];
  MinMax(store, rows, m);
}

// The statistics and matrices of the engine of `blas` (exact when null).
void matrices(DataStore &store, unsigned rows, unsigned m, const OpenBlas *blas, int block_rows = 0) {
  std::vector<int> no_stddev;
  const int mi = static_cast<int>(m), n = static_cast<int>(rows);
  if (blas == nullptr) {
    new_stcrmt(store.dd, mi, n, store.v.get(), store.cc, store.ccov, no_stddev);
  } else {
    moments(store.dd, mi, n, store.v.get(), no_stddev);
    blas_matrices(*blas, store.dd, mi, n, store.v.get(), store.cc, store.ccov, block_rows);
  }
  for (unsigned k = 0; k < m; ++k) store.cc[k][k] = 1.0;
}

TEST(OrientVector, LargestMagnitudeBecomesPositive) {
  struct Case {
    std::vector<double> x;
    std::vector<double> expected;
  };
  const std::vector<Case> cases = {
      {{0.6, -0.8}, {-0.6, 0.8}},             // largest negative: turned
      {{-0.6, 0.8}, {-0.6, 0.8}},             // largest positive: kept
      {{-0.5, 0.2, 0.5}, {0.5, -0.2, -0.5}},  // a tie goes to the first
      {{0.5, 0.2, -0.5}, {0.5, 0.2, -0.5}},   // a tie goes to the first
      {{0.0, -0.0, 0.0}, {0.0, -0.0, 0.0}},   // nothing to turn
      {{-1.0}, {1.0}},                        // one element
      {{-0.0, -1e-300, 0.0}, {0.0, 1e-300, -0.0}},
  };
  for (const Case &c : cases) {
    std::vector<double> x = c.x;
    orient_vector(x.data(), x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
      EXPECT_EQ(x[i], c.expected[i]) << i;
      EXPECT_EQ(std::signbit(x[i]), std::signbit(c.expected[i])) << i;
    }
  }
  // A column of a row-major matrix: every third element.
  std::vector<double> grid = {1, 0.1, 9, 2, -0.9, 9, 3, 0.3, 9};
  orient_vector(grid.data() + 1, 3, 3);
  EXPECT_EQ(grid, (std::vector<double>{1, -0.1, 9, 2, 0.9, 9, 3, -0.3, 9}));
}

TEST(OpenBlasLoader, SaysWhatIsMissing) {
  std::string why;
  EXPECT_EQ(OpenBlas::load("/nonexistent/libopenblas.so.0", why), nullptr);
  EXPECT_NE(why.find("/nonexistent/libopenblas.so.0"), std::string::npos) << why;
  // A library without BLAS: the first missing entry point is named.
  why.clear();
  EXPECT_EQ(OpenBlas::load("libm.so.6", why), nullptr);
  EXPECT_NE(why.find("dsyrk_"), std::string::npos) << why;
}

// The run ends before any file is read, with the loader's reason and the
// package to install.
TEST(OpenBlasLoader, MissingLibraryEndsTheRun) {
  testsupport::TempDir dir;
  testsupport::write_text(dir.file("t.dat"), "1 2\n2 1\n3 5\n");
  std::string out, err;
  const int status = testsupport::run_command(
      "cd " + dir.path() +
          " && MAVEK_OPENBLAS=/nonexistent/libopenblas.so.0 " MAVEK_BINARY " --quiet --blas -e t.dat",
      &out, &err);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(out, "");
  EXPECT_EQ(
      err,
      "\nError: --blas needs OpenBLAS with LAPACK: /nonexistent/libopenblas.so.0: cannot open shared object "
      "file: No such file or directory\nOn Debian, install the package libopenblas0-pthread.\a\n\n"
      "Press enter to continue\n");
  EXPECT_FALSE(testsupport::exists(dir.file("t.mvd")));
}

// A run without --blas never loads the library (nor starts its threads); the
// dynamic loader's trace names every library it opens.
TEST(OpenBlasLoader, OnlyBlasLoadsTheLibrary) {
  testsupport::TempDir dir;
  testsupport::write_text(dir.file("t.dat"), "1 2\n2 1\n3 5\n");
  std::string out, err;
  const std::string run = "cd " + dir.path() + " && LD_DEBUG=files " MAVEK_BINARY " --quiet -c -v -e t.dat";
  EXPECT_EQ(testsupport::run_command(run, &out, &err), 0) << err;
  EXPECT_NE(err.find("file=libstdc++"), std::string::npos) << "no loader trace:\n" << err;
  EXPECT_EQ(err.find("openblas"), std::string::npos) << err;
  if (openblas() == nullptr) GTEST_SKIP() << kOpenBlasLibrary << " is not installed";
  EXPECT_EQ(testsupport::run_command(run + " --blas", &out, &err), 0) << err;
  EXPECT_NE(err.find("file=libopenblas.so.0"), std::string::npos) << err;
}

// Covariance with divisor n and correlation, worked by hand: x = 1 2 3 4,
// y = 2 4 6 9, z constant. Means 2.5 and 5.25; deviations -1.5 -0.5 0.5 1.5
// and -3.25 -1.25 0.75 3.75; sums of products 5 (xx), 11.5 (xy), 26.75 (yy).
TEST(BlasMatrices, WorkedExample) {
  NEED_OPENBLAS();
  DataStore store;
  fill(store, 4, 3, {1, 2, 7, 2, 4, 7, 3, 6, 7, 4, 9, 7});
  matrices(store, 4, 3, &blas, 0);
  EXPECT_EQ(store.ccov[0][0], 1.25);
  EXPECT_EQ(store.ccov[0][1], 2.875);
  EXPECT_EQ(store.ccov[1][0], 2.875);
  EXPECT_EQ(store.ccov[1][1], 6.6875);
  EXPECT_EQ(store.ccov[2][2], 0.0);
  // (2.875 * 4/3) / (sqrt(5/3) * sqrt(26.75/3)): the formula, to rounding.
  EXPECT_NEAR(store.cc[0][1], 11.5 / std::sqrt(5.0 * 26.75), 4 * DBL_EPSILON);
  EXPECT_EQ(store.cc[0][1], store.cc[1][0]);
  EXPECT_EQ(store.cc[0][2], 0.0);  // the constant variable: variance 1e-4, covariance 0
  for (unsigned k = 0; k < 3; ++k) EXPECT_EQ(store.cc[k][k], 1.0);
}

// Blocks of rows of any size give the same matrices as the exact engine, to
// the rounding of sums of n products; one observation gives zeros.
TEST(BlasMatrices, BlocksOfRowsAgreeWithTheExactEngine) {
  NEED_OPENBLAS();
  const unsigned rows = 53, m = 9;
  const std::vector<double> data = testsupport::correlated_table(rows, m, 3);
  DataStore exact;
  fill(exact, rows, m, data);
  matrices(exact, rows, m, nullptr);
  for (int block : {0, 1, 7, 52, 53, 1000}) {
    DataStore store;
    fill(store, rows, m, data);
    matrices(store, rows, m, &blas, block);
    for (unsigned j = 0; j < m; ++j)
      for (unsigned k = 0; k < m; ++k) {
        const double scale = std::sqrt(exact.ccov[j][j] * exact.ccov[k][k]);
        EXPECT_NEAR(store.ccov[j][k], exact.ccov[j][k], 4 * rows * DBL_EPSILON * scale) << block;
        EXPECT_NEAR(store.cc[j][k], exact.cc[j][k], 4 * rows * DBL_EPSILON) << block;
        EXPECT_EQ(store.ccov[j][k], store.ccov[k][j]);
        EXPECT_EQ(store.cc[j][k], store.cc[k][j]);
      }
  }
  DataStore one;
  fill(one, 1, 3, {5, -1, 2});
  matrices(one, 1, 3, &blas);
  for (unsigned j = 0; j < 3; ++j)
    for (unsigned k = 0; k < 3; ++k) {
      EXPECT_EQ(one.ccov[j][k], 0.0);
      EXPECT_EQ(one.cc[j][k], j == k ? 1.0 : 0.0);
    }
}

// Components worked by hand. [[1, r], [r, 1]]: eigenvalues 1 + r and 1 - r,
// vectors (1, 1) / sqrt 2 and (1, -1) / sqrt 2, the latter oriented by the
// tie rule. A single variable: one component of eigenvalue 1.
TEST(BlasComponents, WorkedExamples) {
  NEED_OPENBLAS();
  DataStore two;
  two.allocate(2, 2, 30);
  const double r = 0.6;
  two.cc[0][0] = two.cc[1][1] = 1.0;
  two.cc[0][1] = two.cc[1][0] = r;
  ASSERT_EQ(blas_components(blas, two, 2), BlasComponents::done);
  const double h = std::sqrt(0.5);
  EXPECT_NEAR(two.root[0], 1.6, 4 * DBL_EPSILON);
  EXPECT_NEAR(two.root[1], 0.4, 4 * DBL_EPSILON);
  EXPECT_EQ(two.position[0], 0);
  EXPECT_EQ(two.position[1], 1);
  EXPECT_NEAR(two.rootsum, 2.0, 4 * DBL_EPSILON);
  const double expected_ss[2][2] = {{h, h}, {h, -h}};
  for (unsigned k = 0; k < 2; ++k)
    for (unsigned j = 0; j < 2; ++j) {
      EXPECT_NEAR(two.ss[k][j], expected_ss[k][j], 4 * DBL_EPSILON) << k << j;
      EXPECT_NEAR(two.pc[k * 2 + j], std::sqrt(two.root[j]) * expected_ss[k][j], 4 * DBL_EPSILON);
    }
  EXPECT_EQ(two.cc[0][1], 0.0);
  EXPECT_EQ(two.cc[1][0], 0.0);

  DataStore one;
  one.allocate(1, 1, 30);
  one.cc[0][0] = 1.0;
  ASSERT_EQ(blas_components(blas, one, 1), BlasComponents::done);
  EXPECT_EQ(one.root[0], 1.0);
  EXPECT_EQ(one.ss[0][0], 1.0);
  EXPECT_EQ(one.pc[0], 1.0);
}

TEST(BlasComponents, NonFiniteMatrixIsRefused) {
  NEED_OPENBLAS();
  for (double bad : {NAN, INFINITY, -INFINITY}) {
    DataStore store;
    store.allocate(3, 3, 30);
    for (unsigned k = 0; k < 3; ++k) store.cc[k][k] = 1.0;
    store.cc[2][1] = store.cc[1][2] = bad;
    EXPECT_EQ(blas_components(blas, store, 3), BlasComponents::not_finite);
    EXPECT_EQ(store.cc[0][0], 1.0);  // untouched
    EXPECT_EQ(store.ss[0][0], 0.0);
  }
}

// The components of both engines on the tables of the end-to-end cases that
// have components, and of a seeded wide table.
//
// Eigenvalues: the exact solver stops when every off-diagonal element is
// below its threshold and leaves them in cc; their norm e bounds how far its
// eigenvalues are from those of the matrix (Weyl), and rounding adds a few
// units of m * eps * lambda_max to either engine. Vectors: a component whose
// eigenvalue is further than g from every other one turns by at most about
// 2 * d / g (Davis and Kahan) under a perturbation d, so its vector is
// compared up to sign, its loadings and coefficients with it; eigenvalues
// closer than 1000 * d to a neighbour form a group, and a group is compared
// by the space it spans (its projector), not vector by vector.
struct Agreement {
  double eigenvalue = 0;   // largest |difference| / tolerance
  double vector = 0;       // the same for single vectors and loadings
  double space = 0;        // the same for the projectors of groups
  double coefficient = 0;  // the same for the factor-score coefficients
};

Agreement compare_engines(const OpenBlas &blas, const std::vector<double> &data, unsigned rows, unsigned m,
                          const std::string &what) {
  DataStore exact, fast;
  fill(exact, rows, m, data);
  fill(fast, rows, m, data);
  matrices(exact, rows, m, nullptr);
  matrices(fast, rows, m, &blas);
  principal_components(exact, m);
  EXPECT_EQ(blas_components(blas, fast, m), BlasComponents::done) << what;

  double e = 0.0;  // what the exact solver left off the diagonal
  for (unsigned j = 0; j < m; ++j)
    for (unsigned k = 0; k < m; ++k)
      if (j != k) e += exact.cc[j][k] * exact.cc[j][k];
  e = std::sqrt(e);
  const double lmax = exact.root[exact.position[0]];
  const double d = e + 64.0 * m * DBL_EPSILON * std::max(lmax, 1.0);

  Agreement worst;
  std::vector<double> le(m), lf(m);
  for (unsigned i = 0; i < m; ++i) {
    le[i] = exact.root[exact.position[i]];
    lf[i] = fast.root[fast.position[i]];
    worst.eigenvalue = std::max(worst.eigenvalue, std::fabs(le[i] - lf[i]) / d);
    // The sign rule: the element of the largest magnitude is positive.
    const int j = fast.position[i];
    std::size_t at = 0;
    for (unsigned k = 1; k < m; ++k)
      if (std::fabs(fast.ss[k][j]) > std::fabs(fast.ss[at][j])) at = k;
    EXPECT_GE(fast.ss[at][j], 0.0) << what << " component " << i;
  }
  EXPECT_NEAR(fast.rootsum, exact.rootsum, d * m) << what;

  // Groups of neighbouring eigenvalues closer than 1000 * d.
  for (unsigned first = 0; first < m;) {
    unsigned last = first;
    while (last + 1 < m && le[last] - le[last + 1] < 1000.0 * d) ++last;
    const double below = first == 0 ? INFINITY : le[first - 1] - le[first];
    const double above = last + 1 == m ? INFINITY : le[last] - le[last + 1];
    const double gap = std::min(below, above);
    const double turn = 4.0 * d / gap + 1e-12;  // how far a vector of the group may turn
    if (first == last) {
      const int je = exact.position[first], jf = fast.position[first];
      double dot = 0.0;
      for (unsigned k = 0; k < m; ++k) dot += exact.ss[k][je] * fast.ss[k][jf];
      const double s = dot < 0 ? -1.0 : 1.0;
      const double share = le[first] / exact.rootsum;
      for (unsigned k = 0; k < m; ++k) {
        const double ve = exact.ss[k][je], vf = s * fast.ss[k][jf];
        worst.vector = std::max(worst.vector, std::fabs(ve - vf) / turn);
        const double pe = exact.pc[k * m + je], pf = s * fast.pc[k * m + jf];
        const double load_tol = std::sqrt(std::max(lmax, 0.0)) * turn + d / std::sqrt(std::max(le[first], d));
        worst.vector = std::max(worst.vector, std::fabs(pe - pf) / load_tol);
        // Coefficients (loading / share / 100) of eigenvalues that d leaves
        // determined to better than a thousandth.
        if (le[first] > 1000.0 * d) {
          const double ce = pe / share / 100, cf = pf / (lf[first] / fast.rootsum) / 100;
          const double rel = 2.0 * d / le[first] + m * d / exact.rootsum;  // of the eigenvalue and the share
          const double coef_tol = (load_tol + std::fabs(pe) * rel) / share / 100;
          worst.coefficient = std::max(worst.coefficient, std::fabs(ce - cf) / coef_tol);
        }
      }
    } else {
      // Projectors onto the group's space: sum of v v^T over its vectors.
      for (unsigned a = 0; a < m; ++a)
        for (unsigned b = 0; b < m; ++b) {
          double pe = 0.0, pf = 0.0;
          for (unsigned i = first; i <= last; ++i) {
            pe += exact.ss[a][exact.position[i]] * exact.ss[b][exact.position[i]];
            pf += fast.ss[a][fast.position[i]] * fast.ss[b][fast.position[i]];
          }
          worst.space = std::max(worst.space, std::fabs(pe - pf) / turn);
        }
    }
    first = last + 1;
  }
  EXPECT_LE(worst.eigenvalue, 1.0) << what;
  EXPECT_LE(worst.vector, 1.0) << what;
  EXPECT_LE(worst.space, 1.0) << what;
  EXPECT_LE(worst.coefficient, 1.0) << what;
  return worst;
}

TEST(BlasComponents, AgreeWithTheExactEngineOnTheReferenceCases) {
  NEED_OPENBLAS();
  // Every end-to-end case with components and its tables (a case with a
  // generated input of one column is covered by ref_one_column).
  const std::vector<std::string> tables = {
      "ref_generated/files/data.txt",       "ref_iris_all/files/iris.dat",
      "ref_one_column/files/x.dat",         "ref_two_files/files/a.dat",
      "ref_two_files/files/b.dat",          "ref_wide/files/wide.dat",
      "pca_example/files/data.txt",         "pca_scores_mean/files/data.txt",
      "eigen_without_fsc/files/data.txt",   "single_observation/files/data.txt",
      "hostile_counts_wrap/files/data.txt",
  };
  for (const std::string &t : tables) {
    unsigned rows = 0, m = 0;
    const std::vector<double> data = read_table(MAVEK_TESTDATA "/e2e/cases/" + t, rows, m);
    ASSERT_GT(rows * m, 0u) << t;
    const Agreement a = compare_engines(blas, data, rows, m, t);
    std::printf(
        "%-36s %4u x %-3u  worst/tolerance: eigenvalues %.2g, vectors %.2g, spaces %.2g, "
        "coefficients %.2g\n",
        t.c_str(), rows, m, a.eigenvalue, a.vector, a.space, a.coefficient);
  }
}

// Equal eigenvalues: variables in two blocks of perfectly equal correlation
// give a correlation matrix with a many-fold eigenvalue, whose vectors are
// any basis of their space; only the space is compared.
TEST(BlasComponents, EqualEigenvaluesCompareBySpace) {
  NEED_OPENBLAS();
  const unsigned rows = 40, m = 6;
  std::vector<double> data = testsupport::correlated_table(rows, 2, 11);
  std::vector<double> wide(static_cast<std::size_t>(rows) * m);
  for (unsigned r = 0; r < rows; ++r)
    for (unsigned k = 0; k < m; ++k) wide[r * m + k] = data[r * 2 + k / 3] * (k % 3 + 1);
  compare_engines(blas, wide, rows, m, "two blocks of three");
  compare_engines(blas, testsupport::correlated_table(500, 80, 5), 500, 80, "correlated 500 x 80");
}

}  // namespace
