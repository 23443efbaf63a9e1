#include "components/principal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tables/datastore.h"

namespace {

// A store for two variables whose correlation matrix has the diagonal 1.0 and
// the off-diagonal element r.
void two_variables(DataStore &store, double r) {
  store.allocate(4, 2, 30);
  store.cc[0][0] = 1.0;
  store.cc[1][1] = 1.0;
  store.cc[0][1] = r;
  store.cc[1][0] = r;
}

}  // namespace

TEST(PrincipalComponents, OneVariable) {
  DataStore store;
  store.allocate(4, 1, 30);
  store.cc[0][0] = 1.0;
  store.rootsum = 99.0;
  principal_components(store, 1);
  EXPECT_EQ(store.cc[0][0], 1.0);
  EXPECT_EQ(store.ss[0][0], 1.0);
  EXPECT_EQ(store.root[0], 1.0);
  EXPECT_EQ(store.rootsum, 1.0);
  EXPECT_EQ(store.pc[0], 1.0);
  EXPECT_EQ(store.position[0], 0);
  EXPECT_EQ(store.pcs[0], -1);
}

TEST(PrincipalComponents, TwoVariablesPositiveCorrelation) {
  DataStore store;
  two_variables(store, 0.5);
  principal_components(store, 2);
  EXPECT_NEAR(store.root[0], 0.5, 1e-15);
  EXPECT_NEAR(store.root[1], 1.5, 1e-15);
  EXPECT_EQ(store.root[0], store.cc[0][0]);
  EXPECT_EQ(store.root[1], store.cc[1][1]);
  EXPECT_EQ(store.rootsum, store.root[0] + store.root[1]);
  EXPECT_NEAR(store.rootsum, 2.0, 1e-15);
  const double h = std::sqrt(0.5);
  EXPECT_NEAR(store.ss[0][0], h, 1e-15);
  EXPECT_NEAR(store.ss[1][0], -h, 1e-15);
  EXPECT_NEAR(store.ss[0][1], h, 1e-15);
  EXPECT_NEAR(store.ss[1][1], h, 1e-15);
  EXPECT_EQ(store.position[0], 1);
  EXPECT_EQ(store.position[1], 0);
  // pc[k * m + j]: variable k on component j.
  EXPECT_NEAR(store.pc[0 * 2 + 1], std::sqrt(0.75), 1e-15);
  EXPECT_NEAR(store.pc[1 * 2 + 1], std::sqrt(0.75), 1e-15);
  EXPECT_NEAR(store.pc[0 * 2 + 0], 0.5, 1e-15);
  EXPECT_NEAR(store.pc[1 * 2 + 0], -0.5, 1e-15);
  EXPECT_EQ(store.pc[1], std::sqrt(store.root[1]) * store.ss[0][1]);
}

TEST(PrincipalComponents, TwoVariablesNegativeCorrelation) {
  DataStore store;
  two_variables(store, -0.5);
  principal_components(store, 2);
  EXPECT_NEAR(store.root[0], 0.5, 1e-15);
  EXPECT_NEAR(store.root[1], 1.5, 1e-15);
  const double h = std::sqrt(0.5);
  EXPECT_NEAR(store.ss[0][0], h, 1e-15);
  EXPECT_NEAR(store.ss[1][0], h, 1e-15);
  EXPECT_NEAR(store.ss[0][1], -h, 1e-15);
  EXPECT_NEAR(store.ss[1][1], h, 1e-15);
  EXPECT_EQ(store.position[0], 1);
  EXPECT_EQ(store.position[1], 0);
  EXPECT_NEAR(store.pc[0 * 2 + 1], -std::sqrt(0.75), 1e-15);
  EXPECT_NEAR(store.pc[1 * 2 + 1], std::sqrt(0.75), 1e-15);
  EXPECT_NEAR(store.pc[0 * 2 + 0], 0.5, 1e-15);
  EXPECT_NEAR(store.pc[1 * 2 + 0], 0.5, 1e-15);
}

TEST(PrincipalComponents, FourObservationExample) {
  // (1, 2), (2, 1), (3, 4), (4, 3): the correlation element is 0.45.
  DataStore store;
  two_variables(store, 0.45);
  principal_components(store, 2);
  EXPECT_NEAR(store.root[0], 0.55, 1e-15);
  EXPECT_NEAR(store.root[1], 1.45, 1e-15);
  EXPECT_NEAR(store.rootsum, 2.0, 1e-15);
  EXPECT_EQ(store.position[0], 1);
  EXPECT_EQ(store.position[1], 0);
  EXPECT_NEAR(store.pc[0 * 2 + 1], 0.8515, 5e-5);
  EXPECT_NEAR(store.pc[1 * 2 + 1], 0.8515, 5e-5);
  EXPECT_NEAR(store.pc[0 * 2 + 0], 0.5244, 5e-5);
  EXPECT_NEAR(store.pc[1 * 2 + 0], -0.5244, 5e-5);
}

TEST(PrincipalComponents, CopiesUpperTriangleOntoLower) {
  DataStore full;
  DataStore upper;
  const unsigned m = 4;
  full.allocate(10, m, 30);
  upper.allocate(10, m, 30);
  const double r[4][4] = {
      {1.0, 0.3, -0.2, 0.1}, {0.3, 1.0, 0.4, -0.05}, {-0.2, 0.4, 1.0, 0.25}, {0.1, -0.05, 0.25, 1.0}};
  for (unsigned i = 0; i < m; ++i) {
    for (unsigned j = 0; j < m; ++j) {
      full.cc[i][j] = r[i][j];
      if (j >= i)
        upper.cc[i][j] = r[i][j];
      else
        upper.cc[i][j] = 42.0;  // overwritten from the upper triangle
    }
  }
  principal_components(full, m);
  principal_components(upper, m);
  for (unsigned i = 0; i < m; ++i) {
    EXPECT_EQ(full.root[i], upper.root[i]);
    EXPECT_EQ(full.position[i], upper.position[i]);
    for (unsigned j = 0; j < m; ++j) {
      EXPECT_EQ(full.ss[i][j], upper.ss[i][j]);
      EXPECT_EQ(full.pc[i * m + j], upper.pc[i * m + j]);
    }
  }
  EXPECT_EQ(full.rootsum, upper.rootsum);
}

TEST(PrincipalComponents, NegativeRootGivesZeroLoadings) {
  // Eigenvalues 3 and -1: not a correlation matrix, but the loadings of the
  // negative root must be 0.0, not a NaN.
  DataStore store;
  two_variables(store, 2.0);
  principal_components(store, 2);
  EXPECT_NEAR(store.root[0], -1.0, 1e-14);
  EXPECT_NEAR(store.root[1], 3.0, 1e-14);
  EXPECT_EQ(store.pc[0 * 2 + 0], 0.0);
  EXPECT_EQ(store.pc[1 * 2 + 0], 0.0);
  EXPECT_FALSE(std::signbit(store.pc[0]));
  EXPECT_NEAR(std::fabs(store.pc[0 * 2 + 1]), std::sqrt(1.5), 1e-14);
  EXPECT_EQ(store.position[0], 1);
  EXPECT_EQ(store.position[1], 0);
  EXPECT_NEAR(store.rootsum, 2.0, 1e-14);
}

TEST(PrincipalComponents, UncorrelatedVariablesKeepUnitVectors) {
  DataStore store;
  const unsigned m = 3;
  store.allocate(5, m, 30);
  for (unsigned i = 0; i < m; ++i) store.cc[i][i] = 1.0;
  principal_components(store, m);
  for (unsigned i = 0; i < m; ++i) {
    EXPECT_EQ(store.root[i], 1.0);
    EXPECT_EQ(store.position[i], static_cast<int>(i));
    for (unsigned j = 0; j < m; ++j) EXPECT_EQ(store.pc[i * m + j], i == j ? 1.0 : 0.0);
  }
  EXPECT_EQ(store.rootsum, 3.0);
}

TEST(Pcssort, DescendingWithEqualValuesInIndexOrder) {
  DataStore store;
  const int m = 5;
  store.allocate(1, m, 30);
  const double diag[m] = {1.0, 2.0, 0.5, 2.0, 1.0};
  for (int i = 0; i < m; ++i) store.cc[i][i] = diag[i];
  pcssort(m, store);
  const int expected[m] = {1, 3, 0, 4, 2};
  for (int i = 0; i < m; ++i) {
    EXPECT_EQ(store.position[i], expected[i]) << i;
    EXPECT_EQ(store.pcs[i], -1);
  }
}

TEST(Pcssort, NotANumberIsNeverChosen) {
  DataStore store;
  const int m = 3;
  store.allocate(1, m, 30);
  store.cc[0][0] = std::numeric_limits<double>::quiet_NaN();
  store.cc[1][1] = 1.0;
  store.cc[2][2] = 2.0;
  pcssort(m, store);
  EXPECT_EQ(store.position[0], 2);
  EXPECT_EQ(store.position[1], 1);
  EXPECT_EQ(store.position[2], 0);  // nothing chosen: index 0

  // With the NaN elsewhere the last place falls back to index 0 again.
  store.cc[0][0] = 1.0;
  store.cc[1][1] = std::numeric_limits<double>::quiet_NaN();
  pcssort(m, store);
  EXPECT_EQ(store.position[0], 2);
  EXPECT_EQ(store.position[1], 0);
  EXPECT_EQ(store.position[2], 0);
  EXPECT_EQ(store.pcs[1], 1);
}

TEST(Pcssort, ValuesNotAboveTheFloorAreNeverChosen) {
  DataStore store;
  const int m = 2;
  store.allocate(1, m, 30);
  store.cc[0][0] = 0.0;
  store.cc[1][1] = -1e20;
  pcssort(m, store);
  EXPECT_EQ(store.position[0], 0);
  EXPECT_EQ(store.position[1], 0);
}
