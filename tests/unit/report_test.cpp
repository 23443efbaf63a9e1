#include "output/report.h"

#include <gtest/gtest.h>

#include <string>

#include "diagnostics.h"
#include "support.h"

using testsupport::read_text;
using testsupport::TempDir;

namespace {

// Two variables, ten observations: the covariance 0.9 and 3.6 on the
// diagonal and -0.5 off it, the correlation -0.25.
void two_variables(DataStore &store) {
  store.allocate(10, 2, 30, 0);
  store.ccov[0][0] = 0.9;
  store.ccov[1][1] = 3.6;
  store.ccov[0][1] = store.ccov[1][0] = -0.5;
  store.cc[0][0] = store.cc[1][1] = 1.0;
  store.cc[0][1] = store.cc[1][0] = -0.25;
  for (int i = 0; i < 2; ++i) {
    store.sortarr[i] = store.sortarr1[i] = i;
    store.v[i].variable = i + 1;
  }
}

}  // namespace

TEST(Report, CorrelationAndCovarianceFiles) {
  TempDir dir;
  DataStore store;
  two_variables(store);
  std::string name = dir.file("data.cor");
  testing::internal::CaptureStdout();
  write_cor(name, store, 2, 0);
  write_cov(name, store, 10, 2, 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Writing file: " + dir.file("data.cor") + "\nWriting file: " + dir.file("data.cov") + "\n");
  EXPECT_EQ(read_text(dir.file("data.cor")), "  1.000000\n -0.250000  1.000000\n");
  EXPECT_EQ(read_text(dir.file("data.cov")), "/Covariance\n10\nx1 x2 \n 0.900000 \n-0.500000  3.600000 \n");
}

TEST(Report, OneVariable) {
  TempDir dir;
  DataStore store;
  store.allocate(4, 1, 30, 0);
  store.cc[0][0] = 1.0;
  store.ccov[0][0] = 1.25;
  store.v[0] = {1, 2.5, 5.0 / 3, 1.2909944487358056, 1, 4, 0, -2.0775, 2.5};
  std::string name = dir.file("one.cor");
  testing::internal::CaptureStdout();
  write_cor(name, store, 1, 1);
  write_cov(name, store, 4, 1, 1);
  write_mvd(name, store, 1, 1);
  print_statistics(store, 1);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(read_text(dir.file("one.cor")), "  1.000000\n");
  EXPECT_EQ(read_text(dir.file("one.cov")), "/Covariance\n4\nx1 \n 1.250000 \n");
  EXPECT_EQ(read_text(dir.file("one.mvd")),
            "! Variable  Mean     Variance  Std.Dev.  Min       Max       Skewness  Curtosis  Median\n"
            "        1    2.5000    1.6667    1.2910    1.0000    4.0000    0.0000   -2.0775    2.5000\n");
  EXPECT_EQ(out,
            "No Mean      Variance  Std.Dev.  Min       Max       Skewness  Curtosis Median\n"
            "1       2.5     1.667     1.291         1         4         0   -2.078      2.5\n");
}

TEST(Report, LabelsFollowTheVariableOrderAndWidthGrows) {
  DataStore store;
  store.allocate(1, 10, 30, 0);
  for (int i = 0; i < 10; ++i) {
    store.sortarr1[i] = 9 - i;
    store.v[i].variable = i + 1;
  }
  testing::internal::CaptureStdout();
  print_statistics(store, 10);
  std::string out = testing::internal::GetCapturedStdout();
  // ln 10 = 2.3: labels two characters wide, the last input column first.
  EXPECT_EQ(out.substr(0, 8), "No Mean ");
  EXPECT_NE(out.find("\n10         0 "), std::string::npos) << out;
  EXPECT_NE(out.find("\n 1         0 "), std::string::npos) << out;
}

TEST(Report, StandardisedAndHistogramFiles) {
  TempDir dir;
  DataStore store;
  store.allocate(2, 2, 4, 0);
  double data[2][2] = {{1, -0.0}, {3, 1e300}};
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 2; ++c) store.dd[r][c] = data[r][c];
  store.v[0].mean = 2;
  store.v[0].stddev = 1;
  store.v[1].mean = 0;
  store.v[1].stddev = 0.01;
  store.histogram[0][0] = 1;
  store.histogram[2][0] = 1;
  store.histogram[3][1] = 2;
  std::string name = dir.file("s.cor");
  testing::internal::CaptureStdout();
  write_std(name, store, 2, 2);
  write_his(name, store, 2, 2, 4, 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Writing file: " + dir.file("s.his") + "\n");
  std::string big = "1" + std::string(302, '0');
  // 1e300 / 0.01 is 1e302 to the nearest double; its exact digits differ.
  char expected_big[400];
  std::snprintf(expected_big, sizeof expected_big, "%9.5f ", 1e300 / 0.01);
  EXPECT_EQ(read_text(dir.file("s.std")),
            " -1.00000  -0.00000 \n  1.00000 " + std::string(expected_big) + "\n");
  EXPECT_EQ(read_text(dir.file("s.his")), "0.5000 0.0000 0.5000 0.0000 \n0.0000 0.0000 0.0000 1.0000 \n");
}

TEST(Report, NoStddevWarning) {
  struct Case {
    std::vector<int> positions;
    const char *text;
  };
  const Case cases[] = {
      {{}, ""},
      {{2}, "\nWARNING! Variable(s)\a 2 has no Std.Dev. Modifies...\n"},
      {{2, 4, 5}, "\nWARNING! Variable(s)\a 2 4 5 has no Std.Dev. Modifies...\n"},
  };
  for (const Case &c : cases) {
    testing::internal::CaptureStdout();
    warn_no_stddev(c.positions);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.text);
  }
}
