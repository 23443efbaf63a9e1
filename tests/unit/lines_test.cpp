#include "contract/lines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

TEST(Lines, CommentMarks) {
  for (int c : {'#', ';', '!'}) EXPECT_TRUE(is_comment_mark(c));
  for (int c : {int{' '}, int{'\t'}, int{'1'}, int{'a'}, 0, int{'/'}, EOF})
    EXPECT_FALSE(is_comment_mark(c)) << c;
}

// The two counters agree on every line whose numbers are complete: decimals
// with and without exponents, hexadecimal floats with their digits, the
// words inf, infinity and nan, any white space between them, and any text
// after them that does not start a number.
TEST(Lines, CountersAgreeOnCompleteNumbers) {
  const char *numbers[] = {"0",        "-1",
                           "+2.5",     ".5",
                           "5.",       "1e5",
                           "-2.5E-3",  "1e+300",
                           "1e400",    "4.9e-324",
                           "0x1p3",    "-0X1.8P-2",
                           "0x.8p1",   "0xff",
                           "inf",      "-INF",
                           "infinity", "NaN",
                           "-nan",     "1e-400",
                           "007",      "3.14159265358979"};
  const char *gaps[] = {" ", "\t", "  ", " \t ", "\v", "\f", "\r"};
  const char *tails[] = {"", "\n", "\r\n", " x", " # note\n", ",2", " abc 1", " \n", " ."};
  std::mt19937 rng(7);
  for (int trial = 0; trial < 20000; ++trial) {
    std::string line;
    const int count = 1 + static_cast<int>(rng() % 20);
    if (rng() % 3 == 0) line += gaps[rng() % std::size(gaps)];
    for (int i = 0; i < count; ++i) {
      if (i > 0) line += gaps[rng() % std::size(gaps)];
      line += numbers[rng() % std::size(numbers)];
    }
    line += tails[rng() % std::size(tails)];
    ASSERT_EQ(scanline(line.c_str()), count) << line;
    ASSERT_EQ(count_read_numbers(line.c_str()), static_cast<unsigned>(count)) << line;
  }
}

// Where a number is cut short, "%lg" keeps what strtod gives back, and the
// counts differ; both are kept as they are.
TEST(Lines, CountersDifferOnIncompleteNumbers) {
  struct Case {
    const char *line;
    int examination;
    unsigned reading;
  };
  const Case cases[] = {
      {"1e 5", 1, 2},         // "%lg" takes "1e"; strtod stops before the 'e'
      {"1e+ 5", 1, 2},        //
      {"2 1.5e+ 7\n", 2, 3},  //
      {"0x 5", 1, 0},         // strtod reads the 0 of "0x"; "%lg" finds no number
      {"0x1p- 2", 1, 2},      // "%lg" takes "0x1p-" as 1
  };
  for (const Case &c : cases) {
    EXPECT_EQ(scanline(c.line), c.examination) << c.line;
    EXPECT_EQ(count_read_numbers(c.line), c.reading) << c.line;
  }
}

// A line is taken up to a limit, in column order, with the cut reported.
TEST(Lines, TakesAtMostTheLimit) {
  const std::string line = "1 2 3 4 5 6 7 8 9 10 11";
  std::string seen;
  bool cut = false;
  EXPECT_EQ(take_read_numbers(line.c_str(), 9, &cut,
                              [&](unsigned c, double x) {
                                seen += std::to_string(c) + "=" + std::to_string(static_cast<int>(x)) + " ";
                              }),
            9u);
  EXPECT_TRUE(cut);
  EXPECT_EQ(seen, "0=1 1=2 2=3 3=4 4=5 5=6 6=7 7=8 8=9 ");
  EXPECT_EQ(take_read_numbers("1 2 3 4 5 6 7 8", 8, &cut, [](unsigned, double) {}), 8u);
  EXPECT_FALSE(cut);
}

// Values 0 to 3 in 4 bins, and 0 to 10 in 30 bins; the maximum is widened by
// 1.00001 on itself, and the divisor is h - 1.
TEST(Lines, HistogramBinWidth) {
  EXPECT_EQ(histogram_bin_width(0.0, 3.0, 4), (1.00001 * 3.0 - 0.0) / 3.0);
  EXPECT_DOUBLE_EQ(histogram_bin_width(0.0, 3.0, 4), 1.00001);
  EXPECT_DOUBLE_EQ(histogram_bin_width(0.0, 10.0, 30), 10.0001 / 29);
  EXPECT_DOUBLE_EQ(histogram_bin_width(4.3, 7.9, 30), (7.900079 - 4.3) / 29);
  EXPECT_EQ(histogram_bin_width(0.0, 0.0, 30), 0.0);
  EXPECT_FALSE(std::isfinite(histogram_bin_width(1.0, 2.0, 1)));
}
