#include "output/report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "diagnostics.h"
#include "stats/new_stcrmt.h"
#include "support.h"

using testsupport::read_text;
using testsupport::TempDir;

using testsupport::kQuietReport;
using testsupport::kReport;

namespace {

// Two variables, ten observations: the covariance 0.9 and 3.6 on the
// diagonal and -0.5 off it, the correlation -0.25.
void two_variables(DataStore &store) {
  store.allocate(10, 2, 30);
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
  write_cor(name, store, 2, kReport);
  write_cov(name, store, 10, 2, kReport);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Writing file: " + dir.file("data.cor") + "\nWriting file: " + dir.file("data.cov") + "\n");
  EXPECT_EQ(read_text(dir.file("data.cor")), "  1.000000\n -0.250000  1.000000\n");
  EXPECT_EQ(read_text(dir.file("data.cov")), "/Covariance\n10\nx1 x2 \n 0.900000 \n-0.500000  3.600000 \n");
}

TEST(Report, OneVariable) {
  TempDir dir;
  DataStore store;
  store.allocate(4, 1, 30);
  store.cc[0][0] = 1.0;
  store.ccov[0][0] = 1.25;
  store.v[0] = {1, 2.5, 5.0 / 3, 1.2909944487358056, 1, 4, 0, -2.0775, 2.5};
  std::string name = dir.file("one.cor");
  testing::internal::CaptureStdout();
  write_cor(name, store, 1, kQuietReport);
  write_cov(name, store, 4, 1, kQuietReport);
  write_mvd(name, store, 1, kQuietReport);
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
  store.allocate(1, 10, 30);
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
  store.allocate(2, 2, 4);
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
  write_std(name, 2, 2, [&](unsigned r, double *z) { standardise_row(store, r, 2, z); });
  write_his(name, store, 2, 2, 4, kReport);
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
    warn_no_stddev(c.positions, kQuietReport);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.text);
  }
}

// Values the formats must show as printf does: NaN of either sign, infinity,
// signed zero, tiny and huge numbers wider than their field.
TEST(Report, NonFiniteAndWideValues) {
  TempDir dir;
  DataStore store;
  store.allocate(3, 2, 30);
  const double nan = std::nan("");
  store.v[0] = {1, nan, HUGE_VAL, 1e-300, -0.0, 123456789.0, -nan, 9.99995, -1e10};
  store.v[1] = {2, 0.5, 0, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 2; ++i) store.sortarr[i] = store.sortarr1[i] = i;
  store.cc[0][0] = store.cc[1][1] = 1.0;
  store.cc[0][1] = store.cc[1][0] = -nan;
  store.ccov[0][0] = -HUGE_VAL;
  store.ccov[0][1] = store.ccov[1][0] = -1e-7;
  store.ccov[1][1] = nan;
  std::string name = dir.file("w.cor");
  testing::internal::CaptureStdout();
  print_statistics(store, 2);
  write_mvd(name, store, 2, kQuietReport);
  write_cor(name, store, 2, kQuietReport);
  write_cov(name, store, 3, 2, kQuietReport);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "No Mean      Variance  Std.Dev.  Min       Max       Skewness  Curtosis Median\n"
            "1       nan       inf    1e-300        -0 1.235e+08      -nan       10   -1e+10\n"
            "2       0.5         0         0         0         0         0        0        0\n");
  EXPECT_EQ(read_text(dir.file("w.mvd")),
            "! Variable  Mean     Variance  Std.Dev.  Min       Max       Skewness  Curtosis  Median\n"
            "        1       nan       inf    0.0000   -0.0000 123456789.0000      -nan   10.0000 "
            "-10000000000.0000\n"
            "        2    0.5000    0.0000    0.0000    0.0000    0.0000    0.0000    0.0000    0.0000\n");
  EXPECT_EQ(read_text(dir.file("w.cor")), "  1.000000\n -nan  1.000000\n");
  EXPECT_EQ(read_text(dir.file("w.cov")), "/Covariance\n3\nx1 x2 \n-inf \n-0.000000  nan \n");
}

// The table reaches stdout whole and before anything printed after it, also
// when it is larger than the formatting buffer.
TEST(Report, LargeTableKeepsItsPlaceOnStdout) {
  DataStore store;
  const unsigned cols = 1100;  // ln 1100 = 7.003: labels seven wide
  store.allocate(1, cols, 30);
  for (unsigned i = 0; i < cols; ++i) {
    store.sortarr1[i] = static_cast<int>(i);
    store.v[i].variable = i + 1;
  }
  std::string want = "     No Mean      Variance  Std.Dev.  Min       Max       Skewness  Curtosis Median\n";
  for (unsigned i = 1; i <= cols; ++i) {
    std::string label = std::to_string(i);
    want += std::string(7 - label.size(), ' ') + label + ' ';
    for (int k = 0; k < 6; ++k) want += "        0 ";
    want += "       0        0\n";
  }
  testing::internal::CaptureStdout();
  std::printf("before\n");
  print_statistics(store, cols);
  std::printf("after\n");
  EXPECT_TRUE(testing::internal::GetCapturedStdout() == "before\n" + want + "after\n");
}

// A result file that cannot take its text ends the run, whether the text
// fits the formatting buffer (the failure shows at the close) or not (it
// shows while writing).
TEST(Report, FailedWriteEndsTheRun) {
  TempDir dir;
  DataStore small;
  two_variables(small);
  DataStore large;
  large.allocate(2, 400, 30);  // a ".cor" of about 800 KB
  for (int i = 0; i < 400; ++i) large.sortarr[i] = large.sortarr1[i] = i;
  std::string name = dir.file("f.cor");
  const std::pair<const char *, std::function<void()>> writers[] = {
      {".mvd", [&] { write_mvd(name, small, 2, kQuietReport); }},
      {".cor", [&] { write_cor(name, large, 400, kQuietReport); }},
      {".cov", [&] { write_cov(name, small, 10, 2, kQuietReport); }},
      {".std",
       [&] { write_std(name, 2, 400, [&](unsigned r, double *z) { standardise_row(large, r, 400, z); }); }},
      {".his", [&] { write_his(name, small, 10, 2, 30, kQuietReport); }},
  };
  // Every file is longer than 10 bytes.
  for (const auto &[ext, write] : writers) {
    std::string err;
    EXPECT_EQ(testsupport::with_file_size_limit(10, write, &err), 1) << ext;
    EXPECT_EQ(err, "\nError: Can't write file: " + dir.file(std::string("f") + ext) +
                       "\a\n\nPress enter to continue\n");
  }
}
