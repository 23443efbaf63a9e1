#include "input/sortorder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "diagnostics.h"
#include "support.h"

namespace {

struct Order {
  std::vector<int> sortarr, sortarr1;
  std::string out, err;
  int status = -1;
};

Order order(int cols, const char *sortstring, bool inverse = false, int quiet = 0) {
  std::vector<int> sortarr(cols, -1), sortarr1(cols, -1);
  Order res;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  try {
    parse_sortstring(cols, sortstring, inverse, Reporter(quiet, 0), sortarr.data(), sortarr1.data());
  } catch (const Failure &failure) {
    report_failure(failure);
    res.status = 1;
  } catch (const ExitRequest &e) {
    res.status = e.status;
  }
  res.err = testing::internal::GetCapturedStderr();
  res.out = testing::internal::GetCapturedStdout();
  res.sortarr = sortarr;
  res.sortarr1 = sortarr1;
  return res;
}

}  // namespace

TEST(SortOrder, SortStringWithTrace) {
  Order o = order(3, "3 1 2");
  EXPECT_EQ(o.out, "3 1 2\n1->3\n2->1\n3->2\ncols:3\n2 3 1 \n3 1 2 \n");
  EXPECT_EQ(o.sortarr, (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(o.sortarr1, (std::vector<int>{2, 0, 1}));
}

TEST(SortOrder, SeparatorsAndEndOfList) {
  EXPECT_EQ(order(3, "3,1,2").sortarr1, (std::vector<int>{2, 0, 1}));
  EXPECT_EQ(order(3, "3, 1, 2").sortarr1, (std::vector<int>{2, 0, 1}));
  Order semi = order(3, "2 1;3");
  EXPECT_EQ(semi.sortarr, (std::vector<int>{1, 0, 2}));
  EXPECT_EQ(semi.sortarr1, (std::vector<int>{1, 0, 2}));
  Order none = order(3, ",1 2");
  EXPECT_EQ(none.out, ",1 2\ncols:3\n1 2 3 \n1 2 3 \n");
  EXPECT_EQ(none.sortarr1, (std::vector<int>{0, 1, 2}));
}

TEST(SortOrder, PartialListFillsTheRestInOrder) {
  Order o = order(3, "3 1");
  EXPECT_EQ(o.sortarr1, (std::vector<int>{2, 0, 1}));
  EXPECT_EQ(o.sortarr, (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(o.out, "3 1\n1->3\n2->1\ncols:3\n2 3 1 \n3 1 2 \n");
  Order skip = order(5, "4 2");
  EXPECT_EQ(skip.sortarr1, (std::vector<int>{3, 1, 0, 2, 4}));
  EXPECT_EQ(skip.sortarr, (std::vector<int>{2, 1, 3, 0, 4}));
}

TEST(SortOrder, OutOfRangeAndRepeatedNumbers) {
  Order high = order(4, "5");
  EXPECT_EQ(high.status, 1);
  EXPECT_EQ(high.err, "\nError: sort: Value out of range. ( 1 <= 5 <= 4 )\nPress enter to continue\n");
  Order zero = order(4, "0");
  EXPECT_EQ(zero.err, "\nError: sort: Value out of range. ( 1 <= 0 <= 4 )\nPress enter to continue\n");
  Order repeat = order(3, "2 2");
  EXPECT_EQ(repeat.status, 1);
  EXPECT_EQ(repeat.err, "\nError: sort: Value repeated. ( 2 )\nPress enter to continue\n");
  EXPECT_EQ(repeat.out, "2 2\n1->2\n");
  Order surplus = order(2, "1 2 1 2 1 2");
  EXPECT_EQ(surplus.err, "\nError: sort: Value repeated. ( 1 )\nPress enter to continue\n");
  Order huge = order(2, "99999999999");
  EXPECT_EQ(huge.status, 1);
}

TEST(SortOrder, InverseWinsAndPrintsNothing) {
  Order o = order(4, "2 1", true);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.sortarr, (std::vector<int>{3, 2, 1, 0}));
  EXPECT_EQ(o.sortarr1, (std::vector<int>{3, 2, 1, 0}));
}

TEST(SortOrder, QuietOrNoString) {
  Order quiet = order(3, "3 1 2", false, 1);
  EXPECT_EQ(quiet.out, "");
  EXPECT_EQ(quiet.sortarr1, (std::vector<int>{2, 0, 1}));
  Order none = order(3, nullptr);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.sortarr1, (std::vector<int>{0, 1, 2}));
}
