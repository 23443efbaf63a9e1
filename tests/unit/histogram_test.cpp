#include "stats/histogram.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cfloat>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

namespace {

std::vector<int> counts(const std::vector<double> &values, unsigned h, std::string *trace = nullptr) {
  DataStore store;
  unsigned n = values.size();
  store.allocate(n, 1, h);
  for (unsigned r = 0; r < n; ++r) store.dd[r][0] = values[r];
  MinMax(store, n, 1);
  if (trace != nullptr) testing::internal::CaptureStderr();
  Histogram(store, n, 1, h, Reporter(1, trace != nullptr));
  if (trace != nullptr) *trace = testing::internal::GetCapturedStderr();
  std::vector<int> out;
  for (unsigned b = 0; b < h; ++b) out.push_back(store.histogram[b][0]);
  return out;
}

}  // namespace

TEST(MinMax, IgnoresNotANumber) {
  DataStore store;
  store.allocate(3, 2, 1);
  double nan = std::numeric_limits<double>::quiet_NaN();
  double rows[3][2] = {{nan, 1}, {2, 1}, {-1, 1}};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 2; ++c) store.dd[r][c] = rows[r][c];
  MinMax(store, 3, 2);
  EXPECT_EQ(store.v[0].min, -1);
  EXPECT_EQ(store.v[0].max, 2);
  EXPECT_EQ(store.v[1].min, 1);
  EXPECT_EQ(store.v[1].max, 1);
}

TEST(Histogram, FourBins) { EXPECT_EQ(counts({0, 1, 2, 3}, 4), (std::vector<int>{2, 1, 1, 0})); }

TEST(Histogram, ZeroColumnGoesToTheMiddleBin) {
  std::vector<int> c = counts({0, 0, 0}, 30);
  EXPECT_EQ(c[15], 3);
  EXPECT_EQ(std::accumulate(c.begin(), c.end(), 0), 3);
}

TEST(Histogram, ConstantColumnGoesToBinZero) { EXPECT_EQ(counts({5, 5, 5}, 4)[0], 3); }

TEST(Histogram, ZeroToTenInThirtyBins) {
  std::vector<double> v;
  for (int i = 0; i <= 10; ++i) v.push_back(i);
  std::vector<int> c = counts(v, 30);
  EXPECT_EQ(c[28], 1);
  EXPECT_EQ(c[29], 0);
  EXPECT_EQ(std::accumulate(c.begin(), c.end(), 0), 11);
}

TEST(Histogram, IndicesOutsideTheTableArePinned) {
  // A negative maximum with a narrow range makes the width negative.
  std::vector<int> neg = counts({-100.0, -100.0005}, 4);
  EXPECT_EQ(std::accumulate(neg.begin(), neg.end(), 0), 2);
  // One bin and a zero column: 0/0 counts in bin 0.
  EXPECT_EQ(counts({0, 0}, 1), (std::vector<int>{2}));
  // Values that are not numbers are not counted; infinities are pinned.
  double nan = std::numeric_limits<double>::quiet_NaN(), inf = HUGE_VAL;
  std::vector<int> odd = counts({nan, 1, 2, inf}, 4);
  EXPECT_EQ(std::accumulate(odd.begin(), odd.end(), 0), 3);
  std::vector<int> huge = counts({-DBL_MAX, DBL_MAX, 0}, 3);
  EXPECT_EQ(std::accumulate(huge.begin(), huge.end(), 0), 3);
}

// Each counted value is traced with the source position of the trace call,
// whichever line that is: the line number is cut out before the comparison.
TEST(Histogram, DebugTrace) {
  std::string trace;
  counts({0, 1}, 4, &trace);
  const std::string prefix = "Debug: histogram.cpp(";
  std::string rest;
  for (std::size_t at = 0; at < trace.size();) {
    ASSERT_EQ(trace.compare(at, prefix.size(), prefix), 0) << trace;
    std::size_t close = trace.find(") ", at);
    ASSERT_NE(close, std::string::npos);
    for (std::size_t i = at + prefix.size(); i < close; ++i) ASSERT_TRUE(std::isdigit(trace[i])) << trace;
    std::size_t end = trace.find('\n', close);
    ASSERT_NE(end, std::string::npos);
    rest += trace.substr(close + 2, end + 1 - (close + 2));
    at = end + 1;
  }
  // The values: diff / w, w, (diff / w) / w, the bin and the bin count.
  EXPECT_EQ(rest,
            "dummy:0.000000 diff:0.333337= 0.000000 0 4\n"
            "dummy:2.999970 diff:0.333337= 8.999820 2 4\n");
  std::string none;
  counts({0, 0}, 4, &none);
  EXPECT_EQ(none, "");
}
