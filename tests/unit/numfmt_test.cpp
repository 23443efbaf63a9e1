// Differential tests: format_fixed(), format_scientific(), format_general(),
// format_integer() and format_unsigned() must produce the same bytes as
// snprintf.
//
// The default run takes a few seconds.  Set MAVEK_NUMFMT_SWEEP=<factor> to
// multiply the number of random values (e.g. MAVEK_NUMFMT_SWEEP=20).

#include "output/numfmt.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "output/outbuf.h"

namespace {

using numfmt_detail::format_fixed_general;
using numfmt_detail::format_general_general;
using numfmt_detail::format_scientific_general;

struct Fmt {
  const char *name;  // the printf conversion this stands for
  int width;
  int precision;
  bool space;
  bool left;
  char conv = 'f';
};

// The conversions the program writes: the result files and the terminal
// table.
const Fmt kFormats[] = {
    {"%9.5f", 9, 5, false, false},       {"%9.4f", 9, 4, false, false},
    {"%8.4f", 8, 4, false, false},       {"%8.5f", 8, 5, false, false},
    {"%.4f", 0, 4, false, false},        {"% .6f", 0, 6, true, false},
    {"%- .6f", 0, 6, true, true},        {"%- 7.3f", 7, 3, true, true},
    {"%.0f", 0, 0, false, false},        {"% .7e", 0, 7, true, false, 'e'},
    {"%9.4g", 9, 4, false, false, 'g'},  {"%8.4g", 8, 4, false, false, 'g'},
    {"%.3g", 0, 3, false, false, 'g'},   {"%-12.0e", 12, 0, false, true, 'e'},
    {"%- .17g", 0, 17, true, true, 'g'},
};

long sweep_factor() {
  const char *s = std::getenv("MAVEK_NUMFMT_SWEEP");
  if (s == nullptr) return 1;
  long v = std::strtol(s, nullptr, 10);
  return v > 0 ? v : 1;
}

// The printf spelling of conversion `conv` ('f', 'e' or 'g') with the
// given flags, width and precision as '*' arguments.
std::string printf_ref(double x, int width, int precision, bool space, bool left, char conv = 'f') {
  std::string fmt = "%";
  if (left) fmt += '-';
  if (space) fmt += ' ';
  fmt += "*.*";
  fmt += conv;
  int n = std::snprintf(nullptr, 0, fmt.c_str(), width, precision, x);
  std::string s(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(s.data(), s.size(), fmt.c_str(), width, precision, x);
  s.resize(static_cast<std::size_t>(n));
  return s;
}

std::size_t max_len(int width, int precision, char conv) {
  return conv == 'e'   ? scientific_max_len(width, precision)
         : conv == 'g' ? general_max_len(width, precision)
                       : fixed_max_len(width, precision);
}

// The buffers are exactly as large as the stated bound, so that the
// sanitizer build catches any write past it.
std::string ours(double x, int width, int precision, bool space, bool left, char conv = 'f') {
  std::vector<char> buf(max_len(width, precision, conv));
  std::size_t n = conv == 'e'   ? format_scientific(buf.data(), x, width, precision, space, left)
                  : conv == 'g' ? format_general(buf.data(), x, width, precision, space, left)
                                : format_fixed(buf.data(), x, width, precision, space, left);
  EXPECT_LE(n, buf.size());
  return std::string(buf.data(), n);
}

std::string ours_general(double x, int width, int precision, bool space, bool left, char conv = 'f') {
  std::vector<char> buf(max_len(width, precision, conv));
  std::size_t n = conv == 'e'   ? format_scientific_general(buf.data(), x, width, precision, space, left)
                  : conv == 'g' ? format_general_general(buf.data(), x, width, precision, space, left)
                                : format_fixed_general(buf.data(), x, width, precision, space, left);
  EXPECT_LE(n, buf.size());
  return std::string(buf.data(), n);
}

std::string hex_of(double x) {
  std::uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  char s[40];
  std::snprintf(s, sizeof s, "0x%016llx", static_cast<unsigned long long>(b));
  return s;
}

// Compares one value; returns true on a match so callers can stop after a
// handful of failures instead of flooding the log.
bool check(double x, int width, int precision, bool space, bool left, char conv = 'f') {
  const std::string want = printf_ref(x, width, precision, space, left, conv);
  const std::string got = ours(x, width, precision, space, left, conv);
  if (want == got) return true;
  ADD_FAILURE() << "value " << hex_of(x) << " (" << printf_ref(x, 0, 17, false, false, 'e') << ") %" << conv
                << " width " << width << " precision " << precision << " space " << space << " left " << left
                << "\n  printf: [" << want << "]\n  ours:   [" << got << "]";
  return false;
}

double from_bits(std::uint64_t b) {
  double x;
  std::memcpy(&x, &b, sizeof x);
  return x;
}

std::vector<double> hostile_values() {
  std::vector<double> v = {
      0.0,
      -0.0,
      0.5,
      1.5,
      2.5,
      3.5,
      -0.5,
      -1.5,
      -2.5,
      0.125,
      0.375,
      0.625,
      0.875,
      -0.125,
      1.03125,
      1.0625,
      0.0625,
      0.03125,
      0.015625,
      0.0078125,
      0.00390625,
      0.001953125,
      0.0009765625,
      0.00048828125,
      0.000244140625,
      0.0001220703125,
      6.103515625e-05,
      3.0517578125e-05,
      1.52587890625e-05,
      7.62939453125e-06,
      3.814697265625e-06,
      1.9073486328125e-06,
      9.5367431640625e-07,
      4.76837158203125e-07,
      1e-9,
      -1e-9,
      1e-5,
      -1e-5,
      5e-6,
      -5e-6,
      4.9999999999999996e-06,
      5.000000000000001e-06,
      0.999995,
      9.999995,
      99999.999995,
      0.99999949999999999,
      0.9999995,
      9.9999995,
      -0.999995,
      -9.999995,
      -99999.999995,
      0.05,
      0.15,
      0.25,
      0.35,
      0.45,
      1.005,
      1.015,
      2.675,
      1.0,
      10.0,
      100.0,
      1e5,
      123456.789,
      12345.678,
      -12345.678,
      3.14159265358979,
      -2.718281828,
      0.1,
      0.2,
      0.3,
      0.7,
      1.1,
      4.35,
      4.45,
      8.675,
      1.45,
      1e15,
      1e16,
      1e17,
      1e18,
      1e19,
      1e20,
      1e21,
      1e22,
      1e23,
      1e100,
      1e300,
      -1e300,
      9007199254740992.0,
      9007199254740993.0,
      4503599627370495.5,
      4503599627370496.5,
      2251799813685247.75,
      18446744073709551615.0,
      18446744073709549568.0,
      1844674407370955.25,
      184467440737095.5,
      18446744073709.5,
      1.8446744073709552e17,
      9.223372036854775807e18,
      0.49999999999999994,
      0.5000000000000001,
      1.4999999999999998,
      2.5000000000000004,
      DBL_MAX,
      -DBL_MAX,
      DBL_MIN,
      -DBL_MIN,
      DBL_EPSILON,
      std::numeric_limits<double>::denorm_min(),
      -std::numeric_limits<double>::denorm_min(),
      from_bits(0x000fffffffffffffULL),
      from_bits(0x0008000000000000ULL),
      from_bits(0x3fefffffffffffffULL),
      from_bits(0x7fefffffffffffffULL),
      from_bits(0x4330000000000000ULL),
      from_bits(0x43dfffffffffffffULL),
      from_bits(0x43efffffffffffffULL),
      from_bits(0x43f0000000000000ULL),
      HUGE_VAL,
      -HUGE_VAL,
      std::nan(""),
      -std::nan(""),
      from_bits(0x7ff0000000000001ULL),
      from_bits(0xfff8000000000001ULL),
      from_bits(0x7ff4000000000000ULL),
  };
  // Exact ties at every precision 0..17: odd multiples of 2^-(p+1).
  for (int p = 0; p <= 17; ++p) {
    for (int k : {0, 1, 2, 3, 4, 5, 6, 7, 99, 100, 12345}) {
      double t = std::ldexp(2.0 * k + 1.0, -(p + 1));
      v.push_back(t);
      v.push_back(-t);
      v.push_back(std::nextafter(t, 0.0));
      v.push_back(std::nextafter(t, 1e300));
    }
    // 0.5 * 10^-p and neighbours (the boundary between 0 and the first
    // nonzero last digit).
    double h = 0.5 / std::pow(10.0, p);
    v.push_back(h);
    v.push_back(-h);
    v.push_back(std::nextafter(h, 0.0));
    v.push_back(std::nextafter(h, 1.0));
    v.push_back(-std::nextafter(h, 0.0));
    // 999...9.5 style carries.
    double c = 1.0 - h;
    v.push_back(c);
    v.push_back(std::nextafter(c, 0.0));
    v.push_back(std::nextafter(c, 2.0));
    v.push_back(9.0 + c);
    v.push_back(99999.0 + c);
    v.push_back(-(99999.0 + c));
  }
  // Powers of two across the whole range.
  for (int e = -1074; e <= 1023; e += 7) v.push_back(std::ldexp(1.0, e));
  // Values that round up to the next power of ten at d significant digits
  // (9.99995 at %.4g, 9.99999995e+n at %.7e), and their neighbours, across
  // the whole exponent range; every exponent near 1 for the digit counts
  // the program prints.
  for (int d = 1; d <= 18; ++d)
    for (int e = -320; e <= 308;
         e += (d == 4 || d == 8) && e > -35 && e < 35 ? 1 : (e > -40 && e < 40 ? 7 : 41)) {
      const double c = (1.0 - 0.5 * std::pow(10.0, -d)) * std::pow(10.0, e);
      if (c == 0.0 || std::isinf(c)) continue;
      v.push_back(c);
      v.push_back(-std::nextafter(c, 0.0));
      v.push_back(std::nextafter(c, HUGE_VAL));
    }
  // Powers of ten and their neighbours.
  for (int e = -30; e <= 30; ++e) {
    double t = std::pow(10.0, e);
    v.push_back(t);
    v.push_back(std::nextafter(t, 0.0));
    v.push_back(std::nextafter(t, 1e308));
  }
  return v;
}

// Ties round to even on the exact binary value, the sign comes from the sign
// bit (so -0 and tiny negatives keep their '-'), and the flags and the width
// apply to inf and nan as to numbers.
TEST(NumFmt, TiesSignsAndNonFinite) {
  EXPECT_EQ(ours(-0.0, 0, 5, false, false), "-0.00000");
  EXPECT_EQ(ours(-1e-9, 0, 5, false, false), "-0.00000");
  EXPECT_EQ(ours(0.125, 0, 2, false, false), "0.12");
  EXPECT_EQ(ours(0.375, 0, 2, false, false), "0.38");
  EXPECT_EQ(ours(2.5, 0, 0, false, false), "2");
  EXPECT_EQ(ours(3.5, 0, 0, false, false), "4");
  EXPECT_EQ(ours(0.5, 0, 0, false, false), "0");
  EXPECT_EQ(ours(1.03125, 0, 4, false, false), "1.0312");
  EXPECT_EQ(ours(HUGE_VAL, 0, 3, true, false), " inf");
  EXPECT_EQ(ours(-HUGE_VAL, 0, 3, false, false), "-inf");
  EXPECT_EQ(ours(std::nan(""), 0, 3, true, false), " nan");
  EXPECT_EQ(ours(-std::nan(""), 0, 3, false, false), "-nan");
  EXPECT_EQ(ours(std::nan(""), 6, 3, false, true), "nan   ");
}

TEST(NumFmt, Examples) {
  EXPECT_EQ(ours(-0.0, 9, 5, false, false), " -0.00000");
  EXPECT_EQ(ours(-1e-9, 0, 5, false, false), "-0.00000");
  EXPECT_EQ(ours(0.125, 0, 2, false, false), "0.12");
  EXPECT_EQ(ours(2.5, 0, 0, false, false), "2");
  EXPECT_EQ(ours(1.5, 0, 0, false, false), "2");
  EXPECT_EQ(ours(1.234567, 9, 5, false, false), "  1.23457");
  EXPECT_EQ(ours(1.234567, -9, 5, false, false), "1.23457  ");
  EXPECT_EQ(ours(1.234567, 9, 5, true, true), " 1.23457 ");
  EXPECT_EQ(ours(-1.234567, 9, 5, true, true), "-1.23457 ");
  EXPECT_EQ(ours(1.25, 0, -1, false, false), "1.250000");
  EXPECT_EQ(ours(HUGE_VAL, 6, 2, true, false), "   inf");
  EXPECT_EQ(ours(-std::nan(""), 6, 2, false, true), "-nan  ");
  EXPECT_EQ(ours(1e22, 0, 0, false, false), "10000000000000000000000");
  EXPECT_EQ(ours(1e300, 0, 2, false, false).size(), 301u + 3u);
  EXPECT_EQ(ours(DBL_MAX, 0, 0, true, false).size(), 310u);
}

// Scientific notation: rounding on the exact binary value, the exponent
// taken after rounding, at least two exponent digits, flags and width.
TEST(NumFmt, ScientificExamples) {
  struct Case {
    double x;
    int width, precision;
    bool space, left;
    const char *text;
  };
  const Case cases[] = {
      {1.45, 0, 7, true, false, " 1.4500000e+00"},
      {0.55, 0, 7, true, false, " 5.5000000e-01"},
      {-0.019069252, 0, 7, true, false, "-1.9069252e-02"},
      {2.5, 0, 7, true, false, " 2.5000000e+00"},
      {0.0, 0, 7, true, false, " 0.0000000e+00"},
      {-0.0, 0, 7, true, false, "-0.0000000e+00"},
      {9.9999999500001, 0, 7, true, false, " 1.0000000e+01"},  // carries into the next power
      {9.9999999499999, 0, 7, true, false, " 9.9999999e+00"},
      {-9.99999995000001e99, 0, 7, true, false, "-1.0000000e+100"},
      {1e-300, 0, 7, true, false, " 1.0000000e-300"},
      {4.9406564584124654e-324, 0, 7, true, false, " 4.9406565e-324"},  // the smallest denormal
      {1.7976931348623157e308, 0, 7, false, false, "1.7976931e+308"},
      {123456789.0, 0, 7, false, false, "1.2345679e+08"},
      {0.125, 0, 1, false, false, "1.2e-01"},  // exact tie: to even
      {0.375, 0, 1, false, false, "3.8e-01"},
      {2.5, 0, 0, false, false, "2e+00"},
      {3.5, 0, 0, false, false, "4e+00"},
      {1.5, 12, 2, false, true, "1.50e+00    "},
      {-1.5, 12, 2, false, false, "   -1.50e+00"},
      {1.5, -12, 2, true, false, " 1.50e+00   "},
      {HUGE_VAL, 0, 7, true, false, " inf"},
      {-HUGE_VAL, 6, 7, false, false, "  -inf"},
      {std::nan(""), 6, 7, true, true, " nan  "},
      {-std::nan(""), 0, 7, true, false, "-nan"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(ours(c.x, c.width, c.precision, c.space, c.left, 'e'), c.text) << c.text;
}

// General notation: fixed between 1e-4 and 10^P after rounding, otherwise
// scientific, trailing zeros and a bare point removed.
TEST(NumFmt, GeneralExamples) {
  struct Case {
    double x;
    int width, precision;
    const char *text;
  };
  const Case cases[] = {
      {5.843333, 9, 4, "    5.843"},
      {0.19, 9, 4, "     0.19"},
      {3.0, 8, 4, "       3"},
      {-1000.0, 9, 4, "    -1000"},
      {1e9, 9, 4, "    1e+09"},
      {5.07e-08, 9, 4, " 5.07e-08"},
      {-3.341e-43, 9, 4, "-3.341e-43"},  // wider than its field
      {9.99995, 9, 4, "       10"},      // 9.99995000000000012 rounds up to 10.00
      {9.99994999, 9, 4, "       10"},
      {9.9994999, 9, 4, "    9.999"},
      {9999.5, 9, 4, "    1e+04"},  // exact tie rounds to even: 10000
      {1234.5, 9, 4, "     1234"},  // exact tie, even stays
      {1235.5, 9, 4, "     1236"},
      {12345.0, 9, 4, "1.234e+04"},  // exact tie at the 4th digit
      {0.0001, 9, 4, "   0.0001"},
      {0.000099999, 9, 4, "   0.0001"},  // rounds to 1.000e-04: fixed after all
      {0.000099994, 9, 4, "9.999e-05"},
      {0.00001234, 9, 4, "1.234e-05"},
      {100.0, 8, 4, "     100"},
      {0.0, 9, 4, "        0"},
      {-0.0, 8, 4, "      -0"},
      {1e100, 9, 4, "   1e+100"},
      {4.9406564584124654e-324, 9, 4, "4.941e-324"},
      {0.5, 0, 0, "0.5"},  // precision 0 counts as 1
      {2.5, 0, 1, "2"},
      {HUGE_VAL, 9, 4, "      inf"},
      {-std::nan(""), 8, 4, "    -nan"},
  };
  for (const Case &c : cases) EXPECT_EQ(ours(c.x, c.width, c.precision, false, false, 'g'), c.text) << c.text;
  EXPECT_EQ(ours(0.25, 6, 4, true, true, 'g'), " 0.25 ");
}

// Every hostile value at every precision 0..17 plus a few large ones, in
// all three notations.  Each value and precision is tried with a rotating
// eighth of the widths and flag combinations (all of them in a sweep).
TEST(NumFmt, HostileValuesAllPrecisions) {
  const std::vector<double> vals = hostile_values();
  const int precisions[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,   10,  11,  12,   13,
                            14, 15, 16, 17, 18, 19, 20, 25, 40, 100, 330, 767, 1074, 1100};
  const int widths[] = {0, 1, 7, 8, 9, 12, 30, -9};
  const bool all = sweep_factor() > 1;
  long checked = 0;
  int failures = 0;
  for (char conv : {'f', 'e', 'g'})
    for (std::size_t i = 0; i < vals.size(); ++i)
      for (int p : precisions)
        for (int c = 0; c < 32; ++c) {
          const int w = widths[c / 4];
          const int flags = c % 4;
          if (p > 100 && c != 0) continue;  // long outputs: one combination suffices
          if (p <= 100 && !all && (static_cast<int>(i) + p + c) % 8 != 0) continue;
          ++checked;
          if (!check(vals[i], w, p, (flags & 1) != 0, (flags & 2) != 0, conv) && ++failures > 20)
            FAIL() << "too many mismatches";
        }
  RecordProperty("checked", static_cast<int>(checked));
  std::printf("[ info     ] %zu hostile values, %ld combinations compared\n", vals.size(), checked);
}

TEST(NumFmt, HostileValuesBulkFormats) {
  long checked = 0;
  for (const Fmt &f : kFormats)
    for (double x : hostile_values()) {
      // Also check that the Fmt table matches its printf spelling.
      char want[2048];
      std::snprintf(want, sizeof want, f.name, x);
      ++checked;
      ASSERT_EQ(ours(x, f.width, f.precision, f.space, f.left, f.conv), std::string(want))
          << f.name << " " << hex_of(x);
    }
  std::printf("[ info     ] %ld values compared\n", checked);
}

// Random values of several shapes for the bulk formats.
TEST(NumFmt, RandomBulkFormats) {
  const long factor = sweep_factor();
  std::mt19937_64 rng(0x6d6176656bULL);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::normal_distribution<double> normal(0.0, 1.0);
  long checked = 0;
  int failures = 0;
  auto run = [&](const Fmt &f, double x) {
    ++checked;
    if (!check(x, f.width, f.precision, f.space, f.left, f.conv)) ++failures;
  };
  for (const Fmt &f : kFormats) {
    // Rounding happens at the last printed decimal: a fixed place for "%f",
    // a place relative to the leading digit for "%e" and "%g".
    const int sig = f.conv == 'e' ? f.precision + 1 : std::max(f.precision, 1);
    const double scale = f.conv == 'f' ? std::pow(10.0, f.precision) : 1.0;
    // Random bit patterns (covers nan, inf, denormals, huge values).
    for (long i = 0; i < 10000 * factor && failures < 20; ++i) run(f, from_bits(rng()));
    // Standardized data and raw data of typical magnitudes.
    for (long i = 0; i < 35000 * factor && failures < 20; ++i) {
      run(f, normal(rng) * (i % 3 == 0 ? 1.0 : 1.3));
      double mag = std::pow(10.0, -8.0 + 16.0 * unit(rng));
      run(f, (rng() & 1) ? mag : -mag);
    }
    // Decimal fractions n / 10^k as they come out of parsing text.
    for (long i = 0; i < 35000 * factor && failures < 20; ++i) {
      const std::uint64_t n = rng() % 10000000000ULL;
      const int k = static_cast<int>(rng() % 12);
      double x = static_cast<double>(n) / std::pow(10.0, k);
      run(f, (rng() & 1) ? x : -x);
    }
    // Correlations and the like: uniform in [-1, 1], and multiples of 1/1000.
    for (long i = 0; i < 10000 * factor && failures < 20; ++i) {
      run(f, 2.0 * unit(rng) - 1.0);
      run(f, static_cast<double>(static_cast<long>(rng() % 2001) - 1000) / 1000.0);
    }
    // Near rounding boundaries: decimal midpoints (i + 1/2) / 10^p (for %e
    // and %g at a random decimal exponent, with i of the printed number of
    // digits) and a few ulps either side, plus exact binary ties.
    for (long i = 0; i < 20000 * factor && failures < 20; ++i) {
      std::uint64_t n = rng() % 100000000ULL;
      double mid = (static_cast<double>(n) + 0.5) / scale;
      if (f.conv != 'f') {
        n = std::min<std::uint64_t>(rng() % 1000000000000000000ULL, 999999999999999999ULL);
        const std::uint64_t lo = sig >= 18 ? 1 : static_cast<std::uint64_t>(std::pow(10.0, sig - 1));
        n = lo + n % (9 * lo);  // sig digits
        mid = (static_cast<double>(n) + 0.5) * std::pow(10.0, static_cast<int>(rng() % 80) - 40 - (sig - 1));
      }
      double x = mid;
      const int steps = static_cast<int>(rng() % 5) - 2;
      for (int s = 0; s < std::abs(steps); ++s) x = std::nextafter(x, steps < 0 ? 0.0 : 1e300);
      run(f, (rng() & 1) ? x : -x);
      const int bits = 1 + static_cast<int>(rng() % 50);
      const std::uint64_t k = rng() >> (64 - bits);
      double t = std::ldexp(2.0 * static_cast<double>(k) + 1.0, -(f.precision + 1));
      run(f, (rng() & 1) ? t : -t);
    }
  }
  EXPECT_LT(failures, 1);
  RecordProperty("checked", static_cast<int>(checked));
  std::printf("[ info     ] %ld random values compared\n", checked);
}

// Random notations, widths, precisions 0..17 and flags.
TEST(NumFmt, RandomArguments) {
  const long factor = sweep_factor();
  std::mt19937_64 rng(12345);
  int failures = 0;
  long checked = 0;
  for (long i = 0; i < 200000 * factor && failures < 20; ++i) {
    const char conv = "feg"[i % 3];
    const int p = static_cast<int>(rng() % 18);
    const int w = static_cast<int>(rng() % 41) - 10;
    const unsigned flags = static_cast<unsigned>(rng() % 4);
    double x;
    switch (rng() % 3) {
      case 0:
        x = from_bits(rng());
        break;
      case 1:
        x = std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 140) - 110);
        break;
      default:
        x = std::ldexp(2.0 * static_cast<double>(rng() >> 20) + 1.0, -(p + 1));
        break;
    }
    if (rng() & 1) x = -x;
    ++checked;
    if (!check(x, w, p, (flags & 1) != 0, (flags & 2) != 0, conv)) ++failures;
  }
  EXPECT_EQ(failures, 0);
  std::printf("[ info     ] %ld values compared\n", checked);
}

// The general paths on their own, including precisions above 17.
TEST(NumFmt, GeneralPath) {
  const long factor = sweep_factor();
  std::mt19937_64 rng(777);
  int failures = 0;
  long checked = 0;
  auto same = [&](double x, int w, int p, bool space, bool left, char conv) {
    ++checked;
    if (printf_ref(x, w, p, space, left, conv) != ours_general(x, w, p, space, left, conv) && ++failures < 20)
      ADD_FAILURE() << hex_of(x) << " %" << conv << " p=" << p << " w=" << w;
  };
  for (char conv : {'f', 'e', 'g'}) {
    for (double x : hostile_values())
      for (int p : {0, 1, 2, 5, 6, 17, 18, 30, 1080}) same(x, 3, p, true, false, conv);
    for (long i = 0; i < 20000 * factor; ++i) {
      const int p = static_cast<int>(rng() % 40);
      double x = (i & 1) ? from_bits(rng())
                         : std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 200) - 150);
      const bool space = (rng() & 1) != 0, left = (rng() & 1) != 0;
      const int w = static_cast<int>(rng() % 30);
      same(x, w, p, space, left, conv);
    }
  }
  EXPECT_EQ(failures, 0);
  std::printf("[ info     ] %ld values compared\n", checked);
}

// "%*lld" and "%*llu": the limits, signs, widths narrower and wider than
// the number, and '-'.
TEST(NumFmt, Integers) {
  auto text = [](long long v, int w, bool left) {
    std::vector<char> buf(integer_max_len(w));
    return std::string(buf.data(), format_integer(buf.data(), v, w, left));
  };
  auto utext = [](unsigned long long v, int w) {
    std::vector<char> buf(integer_max_len(w));
    return std::string(buf.data(), format_unsigned(buf.data(), v, w));
  };
  EXPECT_EQ(text(1, 9, false), "        1");
  EXPECT_EQ(text(12, 0, false), "12");
  EXPECT_EQ(text(-7, 3, false), " -7");
  EXPECT_EQ(text(-7, 3, true), "-7 ");
  EXPECT_EQ(text(42, -5, false), "42   ");
  EXPECT_EQ(text(0, 1, false), "0");
  EXPECT_EQ(text(1234567890, 9, false), "1234567890");
  EXPECT_EQ(text(LLONG_MIN, 0, false), "-9223372036854775808");
  EXPECT_EQ(text(LLONG_MAX, 0, false), "9223372036854775807");
  EXPECT_EQ(text(INT_MIN, 12, false), " -2147483648");
  EXPECT_EQ(text(5, 40, false), std::string(39, ' ') + "5");
  EXPECT_EQ(utext(ULLONG_MAX, 0), "18446744073709551615");
  EXPECT_EQ(utext(62500ULL * 250, 0), "15625000");
  EXPECT_EQ(utext(10000000000000000000ULL, 21), " 10000000000000000000");

  // Differential: powers of two and of ten with their neighbours, then
  // random magnitudes.
  std::vector<unsigned long long> vals;
  for (unsigned long long t = 1;; t *= 10) {
    vals.insert(vals.end(), {t - 1, t, t + 1});
    if (t > ULLONG_MAX / 10) break;
  }
  for (int b = 0; b < 64; ++b) vals.insert(vals.end(), {(1ULL << b) - 1, 1ULL << b});
  vals.push_back(ULLONG_MAX);
  std::mt19937_64 rng(99);
  while (vals.size() < static_cast<std::size_t>(100000 * sweep_factor()))
    vals.push_back(rng() >> (rng() % 64));
  long checked = 0;
  int failures = 0;
  char want[128];
  for (unsigned long long u : vals) {
    const int w = static_cast<int>(rng() % 50) - 25;
    const bool left = (rng() & 3) == 0;
    const long long v = static_cast<long long>(u);  // the upper half gives the negatives
    std::snprintf(want, sizeof want, left ? "%-*lld" : "%*lld", w, v);
    checked += 2;
    if (text(v, w, left) != want && ++failures < 20) ADD_FAILURE() << v << " w=" << w << " left=" << left;
    std::snprintf(want, sizeof want, "%*llu", w, u);
    if (utext(u, w) != want && ++failures < 20) ADD_FAILURE() << u << " w=" << w;
  }
  EXPECT_EQ(failures, 0);
  std::printf("[ info     ] %ld values compared\n", checked);
}

TEST(NumFmt, MaxLenBound) {
  EXPECT_GE(fixed_max_len(0, 0), 311u);
  EXPECT_GE(fixed_max_len(0, -1), 317u);  // precision 6
  EXPECT_GE(fixed_max_len(-1000, 0), 1000u);
  EXPECT_GE(fixed_max_len(std::numeric_limits<int>::min(), 5),
            static_cast<std::size_t>(-static_cast<long long>(std::numeric_limits<int>::min())));
  for (double x : {-DBL_MAX, -std::nan(""), -HUGE_VAL, -0.0, -1e-300, -4.9406564584124654e-324})
    for (int p : {0, 5, 17, 18, 1100})
      for (char conv : {'f', 'e', 'g'})
        EXPECT_LE(ours(x, 0, p, true, false, conv).size(), max_len(0, p, conv));
  EXPECT_GE(scientific_max_len(-1000, 0), 1000u);
  EXPECT_GE(general_max_len(0, -1), general_max_len(0, 6));
  EXPECT_GE(integer_max_len(INT_MIN), static_cast<std::size_t>(-static_cast<long long>(INT_MIN)));
}

// ---------------------------------------------------------------------------
// OutBuf

std::string slurp(std::FILE *f) {
  std::fflush(f);
  std::rewind(f);
  std::string s;
  char buf[8192];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  return s;
}

TEST(OutBuf, MatchesFprintf) {
  std::FILE *a = std::tmpfile();
  std::FILE *b = std::tmpfile();
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  std::mt19937_64 rng(42);
  std::normal_distribution<double> normal(0.0, 1.0);
  {
    OutBuf out(b);
    for (int row = 0; row < 20000; ++row) {
      for (int col = 0; col < 6; ++col) {
        double x = normal(rng) * (col == 5 ? 1e4 : 1.0);
        std::fprintf(a, "%9.5f ", x);
        out.fixed(x, 9, 5);
        out.put(' ');
      }
      std::fprintf(a, "%- .6f|%.0f", 1.0 / (row + 1), row * 0.5);
      out.fixed(1.0 / (row + 1), 0, 6, true, true);
      out.put('|');
      out.fixed(row * 0.5, 0, 0);
      const double y = normal(rng) * std::pow(10.0, row % 40 - 20);
      std::fprintf(a, "% .7e %9.4g%8.4g|%*d|%llu", y, y, -y, row % 7, row - 10000, 3ULL * row);
      out.scientific(y, 0, 7, true);
      out.put(' ');
      out.general(y, 9, 4);
      out.general(-y, 8, 4);
      out.put('|');
      out.integer(row - 10000, row % 7);
      out.put('|');
      out.unsigned_integer(3ULL * row);
      std::fputs("row\n", a);
      out.put(std::string_view("row\n"));
    }
    EXPECT_TRUE(out.flush());
    EXPECT_EQ(out.pending(), 0u);
    EXPECT_TRUE(out.ok());
  }
  const std::string sa = slurp(a), sb = slurp(b);
  EXPECT_GT(sa.size(), 3 * OutBuf::kCapacity);
  EXPECT_TRUE(sa == sb);
  std::fclose(a);
  std::fclose(b);
}

TEST(OutBuf, LargePiecesAndDestructorFlush) {
  std::FILE *f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  std::string want;
  {
    OutBuf out(f);
    out.put('x');
    want += 'x';
    const std::string big(OutBuf::kCapacity + 123, 'b');
    out.put(big);
    want += big;
    const std::string mid(OutBuf::kCapacity - 10, 'm');
    out.put(mid);
    want += mid;
    out.fixed(3.25, 100000, 2, false, true);  // wider than the buffer
    want += printf_ref(3.25, 100000, 2, false, true);
    out.fixed(DBL_MAX, 0, 2000);  // longer than the fast-check bound
    want += printf_ref(DBL_MAX, 0, 2000, false, false);
    out.fixed(-0.5, -5, 0);
    want += printf_ref(-0.5, -5, 0, false, false);
    out.scientific(-2.5, 70000, 3, true, false);  // the other notations too
    want += printf_ref(-2.5, 70000, 3, true, false, 'e');
    out.general(0.125, -70000, 2);
    want += printf_ref(0.125, -70000, 2, false, false, 'g');
    out.scientific(DBL_MIN, 0, 2000);
    want += printf_ref(DBL_MIN, 0, 2000, false, false, 'e');
    out.integer(-3, 70000);
    want += std::string(69998, ' ') + "-3";
    out.unsigned_integer(7, -70000);
    want += '7';
    want.append(69999, ' ');
    EXPECT_TRUE(out.ok());
  }  // destructor flushes the rest
  EXPECT_TRUE(slurp(f) == want);
  std::fclose(f);
}

TEST(OutBuf, ReportsWriteFailure) {
  std::FILE *f = std::fopen("/dev/full", "w");
  if (f == nullptr) GTEST_SKIP() << "/dev/full not available";
  std::setvbuf(f, nullptr, _IONBF, 0);
  {
    OutBuf out(f);
    out.fixed(1.5, 9, 5);
    EXPECT_TRUE(out.ok());  // still only buffered
    EXPECT_FALSE(out.flush());
    EXPECT_FALSE(out.ok());
    out.put('a');
    EXPECT_FALSE(out.ok());  // stays false
  }
  std::fclose(f);
}

}  // namespace
