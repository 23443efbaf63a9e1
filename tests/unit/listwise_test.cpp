// Rows left out for missing values: the record and the notice.
#include "input/listwise.h"

#include <gtest/gtest.h>

#include <cmath>

#include "diagnostics.h"
#include "support.h"

namespace {

std::string notice(unsigned count, unsigned used, const Reporter &report = testsupport::kReport) {
  LeftOut left;
  for (unsigned i = 0; i < count; ++i) left.add(2 * i + 3);
  testing::internal::CaptureStdout();
  report_left_out(left, used, "t.csv", report);
  return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(Listwise, TheNoticeListsTheFirstTenLines) {
  EXPECT_EQ(notice(0, 5), "");
  EXPECT_EQ(notice(1, 5), "Left out 1 rows with missing values (lines 3), used 5\n");
  EXPECT_EQ(notice(10, 1),
            "Left out 10 rows with missing values (lines 3, 5, 7, 9, 11, 13, 15, 17, 19, 21), used 1\n");
  EXPECT_EQ(notice(12, 7),
            "Left out 12 rows with missing values (lines 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, ...), used 7\n");
  EXPECT_EQ(notice(3, 1, testsupport::kQuietReport), "");
}

TEST(Listwise, NoCompleteRowsEndsTheRun) {
  LeftOut left;
  left.add(4);
  testing::internal::CaptureStderr();
  EXPECT_FAILS(report_left_out(left, 0, "t.csv", testsupport::kQuietReport));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nError: No complete rows in t.csv\a\n\nPress enter to continue\n");
}

TEST(Listwise, ARowWithANaN) {
  const double row[3] = {1, -NAN, 3};
  EXPECT_TRUE(has_nan(row, 3));
  EXPECT_FALSE(has_nan(row, 1));
  const double full[2] = {INFINITY, -0.0};
  EXPECT_FALSE(has_nan(full, 2));
}
