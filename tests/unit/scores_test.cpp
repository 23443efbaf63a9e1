#include "components/scores.h"

#include <gtest/gtest.h>

#include <vector>

#include "support.h"
#include "table_support.h"
#include "tables/datastore.h"

using testsupport::correlated_table;
using testsupport::prepare_components;

TEST(Scores, CountRule) {
  // {m, asked, allscores, expected}
  const unsigned cases[][4] = {{5, 3, 0, 3}, {2, 3, 0, 2},  {5, 3, 1, 5},
                               {1, 1, 0, 1}, {10, 2, 0, 2}, {4, 7, 1, 4}};
  for (const auto &c : cases)
    EXPECT_EQ(score_count(c[0], c[1], static_cast<int>(c[2])), c[3]) << c[0] << " " << c[1] << " " << c[2];
}

TEST(Scores, ReferenceRow) {
  EXPECT_EQ(reference_percentage(1, 0), 101.4);
  EXPECT_EQ(reference_percentage(2, 0), 100.0 / 2 + 1.4);
  EXPECT_EQ(reference_percentage(2, 1), -2.8 + (100.0 / 2 + 1.4));
  // The first value is exactly 100/m + 1.4, the last 2.8 lower, for any m.
  for (unsigned m : {3u, 7u, 40u}) {
    EXPECT_EQ(reference_percentage(m, 0), 100.0 / m + 1.4);
    EXPECT_NEAR(reference_percentage(m, m - 1), 100.0 / m - 1.4, 1e-12);
  }
}

// Every score recomputed the plain way, each standardised value and each
// coefficient anew for every score, must give the same bits.
TEST(Scores, EachScoreIsItsFormula) {
  DataStore store;
  const unsigned rows = 40;
  const unsigned m = 7;
  prepare_components(store, rows, m, correlated_table(rows, m, 17));
  for (int mean_flag = 0; mean_flag <= 1; ++mean_flag) {
    for (unsigned count : {1u, 3u, m}) {
      ComponentScores scores(store, m, count, mean_flag);
      ASSERT_EQ(scores.count(), count);
      std::vector<double> got(count);
      for (unsigned r = 0; r < rows; ++r) {
        scores.row(r, got.data());
        for (unsigned c = 0; c < count; ++c) {
          const int j = store.position[c];
          double s = 0.0;
          for (unsigned k = 0; k < m; ++k) {
            const double centre = mean_flag ? store.v[k].mean : 0.0;
            const double z = (store.dd[r][k] - centre) / store.v[k].stddev;
            const double q = store.root[j] / store.rootsum;
            const double f = (store.pc[k * m + j] / q) / 100;
            s = s + z * f;
          }
          EXPECT_EQ(got[c], s) << "row " << r << " score " << c << " mean " << mean_flag;
        }
      }
    }
  }
}

TEST(Scores, PercentagesAddUpToAHundred) {
  DataStore store;
  prepare_components(store, 30, 5, correlated_table(30, 5, 3));
  double total = 0.0;
  for (int j = 0; j < 5; ++j) total += variance_percentage(store, j);
  EXPECT_NEAR(total, 100.0, 1e-12);
  // The coefficient is the loading over the share, over 100.
  const int j = store.position[0];
  EXPECT_EQ(fsc_coefficient(store, 5, 2, j), (store.pc[2 * 5 + j] / (store.root[j] / store.rootsum)) / 100);
}
