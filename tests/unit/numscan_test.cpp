// Differential tests: scan_numbers() must give the same count, offset and
// value bits as glibc's sscanf with "%lg%n" pairs.
//
// The default run takes about a second.  Set MAVEK_NUMSCAN_SWEEP=<factor> to
// multiply the number of generated strings and values.

#include "contract/numscan.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

long sweep_factor() {
  const char *e = std::getenv("MAVEK_NUMSCAN_SWEEP");
  if (e == nullptr) return 1;
  const long f = std::strtol(e, nullptr, 10);
  return f > 0 ? f : 1;
}

// The call that scan_numbers() replaces, with the caller's reading of it.
int sscanf_numbers(const char *s, int max, double *out, std::size_t *consumed) {
  int n[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  double d[8];
  int r = 0;
  // Each format gets exactly its own arguments.
#define A1 &d[0], &n[0]
#define A2 A1, &d[1], &n[1]
#define A3 A2, &d[2], &n[2]
#define A4 A3, &d[3], &n[3]
#define A5 A4, &d[4], &n[4]
#define A6 A5, &d[5], &n[5]
#define A7 A6, &d[6], &n[6]
#define A8 A7, &d[7], &n[7]
  switch (max) {
    case 1:
      r = std::sscanf(s, "%lg%n", A1);
      break;
    case 2:
      r = std::sscanf(s, "%lg%n%lg%n", A2);
      break;
    case 3:
      r = std::sscanf(s, "%lg%n%lg%n%lg%n", A3);
      break;
    case 4:
      r = std::sscanf(s, "%lg%n%lg%n%lg%n%lg%n", A4);
      break;
    case 5:
      r = std::sscanf(s, "%lg%n%lg%n%lg%n%lg%n%lg%n", A5);
      break;
    case 6:
      r = std::sscanf(s, "%lg%n%lg%n%lg%n%lg%n%lg%n%lg%n", A6);
      break;
    case 7:
      r = std::sscanf(s, "%lg%n%lg%n%lg%n%lg%n%lg%n%lg%n%lg%n", A7);
      break;
    default:
      r = std::sscanf(s, "%lg%n%lg%n%lg%n%lg%n%lg%n%lg%n%lg%n%lg%n", A8);
      break;
  }
#undef A8
#undef A7
#undef A6
#undef A5
#undef A4
#undef A3
#undef A2
#undef A1
  const int k = r > 0 ? r : 0;
  std::memcpy(out, d, sizeof(double) * static_cast<std::size_t>(k));
  *consumed = k > 0 ? static_cast<std::size_t>(n[k - 1]) : 0;
  return k;
}

std::string show(const std::string &s) {
  std::string o = "\"";
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
      o += static_cast<char>(c);
    } else {
      char b[8];
      std::snprintf(b, sizeof b, "\\x%02x", c);
      o += b;
    }
  }
  if (o.size() > 300) o = o.substr(0, 300) + "...";
  return o + "\"";
}

std::uint64_t bits(double d) {
  std::uint64_t b;
  std::memcpy(&b, &d, sizeof b);
  return b;
}

long g_checks = 0;

// Prints how many comparisons a test made.
struct CheckCount {
  explicit CheckCount(const char *what) : what_(what), start_(g_checks) {}
  ~CheckCount() { std::printf("numscan %s: %ld comparisons with sscanf\n", what_, g_checks - start_); }
  const char *what_;
  long start_;
};

// Compares both scanners on `s` for one `max`.  The text is copied into a
// heap block of exactly its size so that the sanitizer catches any read past
// the terminating NUL.  Returns true when they agree.
bool agree(const std::string &s, int max) {
  ++g_checks;
  const std::size_t len = s.size();
  char *buf = static_cast<char *>(std::malloc(len + 1));
  std::memcpy(buf, s.c_str(), len + 1);

  double want[8];
  std::size_t want_off = 0;
  const int want_k = sscanf_numbers(buf, max, want, &want_off);

  // Fill with a marker so that writes past the count are seen.
  const double marker = -1234.5;
  double got[9];
  for (double &g : got) g = marker;
  std::size_t got_off = 12345;
  const int got_k = scan_numbers(buf, max, got, &got_off);
  std::free(buf);

  bool ok = true;
  if (got_k != want_k || got_off != want_off) {
    ADD_FAILURE() << "max=" << max << " text=" << show(s) << ": count/offset " << got_k << "/" << got_off
                  << ", sscanf gives " << want_k << "/" << want_off;
    return false;
  }
  for (int i = 0; i < want_k; ++i) {
    if (bits(got[i]) != bits(want[i])) {
      ADD_FAILURE() << "max=" << max << " text=" << show(s) << ": value " << i << " is " << std::hexfloat
                    << got[i] << " (0x" << std::hex << bits(got[i]) << "), sscanf gives " << std::hexfloat
                    << want[i] << " (0x" << std::hex << bits(want[i]) << ")";
      ok = false;
    }
  }
  for (int i = want_k; i < 9; ++i) {
    if (bits(got[i]) != bits(marker)) {
      ADD_FAILURE() << "max=" << max << " text=" << show(s) << ": wrote out[" << i << "] past the count";
      ok = false;
    }
  }
  return ok;
}

bool agree_all_max(const std::string &s) {
  bool ok = true;
  for (int max = 1; max <= 8; ++max) ok = agree(s, max) && ok;
  return ok;
}

std::string repeat(const std::string &s, int n) {
  std::string o;
  for (int i = 0; i < n; ++i) o += s;
  return o;
}

// Texts chosen to hit every odd corner of scanf's number reading.
std::vector<std::string> hostile_texts() {
  std::vector<std::string> t = {
      "",
      " ",
      "\t",
      "\n",
      "\v",
      "\f",
      "\r",
      " \t\n\v\f\r",
      " \t\n\v\f\r7",
      "1",
      "-1",
      "+1",
      "0",
      "-0",
      "+0",
      "00",
      "-00",
      "007",
      "-0.0",
      "0.",
      "-0.",
      ".0",
      "-.0",
      "+.0",
      ".",
      "-.",
      "+.",
      "..",
      "..5",
      ".5.",
      "5..",
      "1.2.3",
      "-",
      "+",
      "+-",
      "-+",
      "+-5",
      "-+5",
      "--5",
      "++5",
      "- 5",
      "+ 5",
      "-\t5",
      "e",
      "E",
      "e5",
      "E5",
      "e+",
      "e-",
      "-e5",
      ".e5",
      ".e",
      "1e",
      "1E",
      "1e+",
      "1e-",
      "1e+5",
      "1e-5",
      "1E+05",
      "1e5",
      "1e05",
      "1.e5",
      ".1e5",
      "-.1e-5",
      "1e 5",
      "1e+ 5",
      "1e- 5",
      "1e++5",
      "1e+-5",
      "1e-+5",
      "1e--5",
      "1e5e5",
      "1e5.5",
      "1e.5",
      "1.e",
      "1.5e+",
      "1.5e-",
      "1.5E",
      "1.5e+x",
      "1ee5",
      "1eE5",
      "1e+5+5",
      "1e5-5",
      "1-1",
      "1+1",
      "1p5",
      "1x5",
      "1.5p+3",
      // hex
      "0x",
      "0X",
      "0x ",
      "0xg",
      "-0x",
      "+0x",
      "-0X",
      "0x.",
      "-0x.",
      "0x..",
      "0x.p1",
      "0xp1",
      "0xP1",
      "0x1",
      "0X1",
      "0x1p",
      "0x1P",
      "0x1p+",
      "0x1p-",
      "0x1p+1",
      "0x1p-1",
      "0x1P3",
      "0x1p3p3",
      "0x1p3.5",
      "0x1.8",
      "0x1.8p1",
      "0x.8",
      "0x.8p1",
      "0x8.",
      "0x8.p1",
      "-0x1.fffffffffffffp1023",
      "0x1.fffffffffffff8p1023",
      "0x1p1024",
      "-0x1p1024",
      "0x1p-1074",
      "0x1p-1075",
      "0x1.0000000000001p-1075",
      "0x1p-1076",
      "0x3p-1076",
      "0x1.00000000000008p0",
      "0x1.00000000000018p0",
      "0x1.000000000000080000001p0",
      "0xABCDEFabcdef",
      "0xabcdefg",
      "0x1e+5",
      "0x1e-5",
      "0x1E5",
      "0x1p1e5",
      "0x0x1",
      "00x1",
      "0x1.2.3",
      "0x1p+-3",
      "0x1p++3",
      "0x1p 3",
      "0x1 p3",
      "0x-1",
      "0x+1",
      "0x.e",
      "0x.ep1",
      "0x0",
      "-0x0",
      "0x0p99999999999",
      "0x1p99999999999",
      "0x1p-99999999999",
      "0x00000000000000000000000000000000000001",
      "0x.00000000000000000000000000001p100",
      "0x" + repeat("f", 300),
      "0x1" + repeat("0", 300) + "1p-1200",
      // inf / nan
      "inf",
      "INF",
      "Inf",
      "iNf",
      "-inf",
      "+inf",
      "-INF",
      "i",
      "in",
      "inx",
      "infx",
      "inf5",
      "infi",
      "infin",
      "infini",
      "infinit",
      "infinity",
      "INFINITY",
      "InFiNiTy",
      "infinityx",
      "infinity5",
      "infinitx",
      "infinite",
      "-infinity",
      "+infinity",
      "-infin",
      "inf inity",
      "n",
      "na",
      "nan",
      "NAN",
      "NaN",
      "nAn",
      "-nan",
      "+nan",
      "-NAN",
      "nax",
      "nanx",
      "nan5",
      "nan(",
      "nan()",
      "nan(12)",
      "nan(abc)",
      "-nan(0x1)",
      "nanan",
      "nannan",
      "nan nan",
      "-n",
      "+i",
      "- nan",
      "-infinit",
      "inf-",
      "nan-1",
      "infinity-1",
      "in f",
      // separators and junk
      "1,2",
      "1;2",
      "1 2",
      "1\t2",
      "1\n2",
      "1\v2",
      "1\f2",
      "1\r2",
      "1  \t 2",
      "1(2)",
      "(1)",
      "1 , 2",
      "1\x80"
      "2",
      "\x80",
      "\xff"
      "5",
      "5\xff",
      "\xa0"
      "5",
      "5\xa0"
      "6",
      "\x85"
      "5",
      "abc",
      "1abc",
      "1.5abc",
      "0xfg",
      "1_000",
      "1'000",
      "$5",
      "5$",
      // range
      "1e308",
      "1.7976931348623157e308",
      "1.7976931348623158e308",
      "1.7976931348623159e308",
      "1e309",
      "1e400",
      "-1e400",
      "1e-400",
      "-1e-400",
      "4e-324",
      "5e-324",
      "2e-324",
      "3e-324",
      "2.4703282292062328e-324",
      "2.4703282292062327e-324",
      "2.4703282292062327208e-324",
      "-2.4703282292062328e-324",
      "2.2250738585072011e-308",
      "2.2250738585072014e-308",
      "2.2250738585072012e-308",
      "4.9406564584124654e-324",
      "1e-320",
      "1e-310",
      "9007199254740993",
      "9007199254740992",
      "9007199254740993.000000000001",
      "9007199254740994.9999999999999",
      "18014398509481985",
      "1e22",
      "1e23",
      "1e-22",
      "1e-23",
      "123456789012345678901234567890",
      "18446744073709551615",
      "18446744073709551616",
      "18446744073709551617",
      "1844674407370955161.6",
      "0.18446744073709551617e20",
      "9999999999999999999",
      "99999999999999999999",
      "10000000000000000000",
      "1000000000000000000000",
      "0.1",
      "0.2",
      "0.3",
      "0.30000000000000004",
      "3.141592653589793238462643383279502884197",
      "1e99999999999999999999",
      "-1e99999999999999999999",
      "1e-99999999999999999999",
      "0e99999999999999999999",
      "-0e99999999999999999999",
      "0e-99999999999999999999",
      "0.0e999",
      "0.000000e-999",
      "1e2147483647",
      "1e2147483648",
      "1e-2147483648",
      "1e-2147483649",
      "1e4294967296",
      "1e18446744073709551616",
      "0.0001e309",
      "10000e-312",
      "1" + repeat("0", 400) + "e-400",
      "0." + repeat("0", 400) + "1e400",
      "0." + repeat("0", 330) + "1",
      // long digit strings
      repeat("9", 5000),
      "-" + repeat("1", 3000) + "e-3000",
      "1." + repeat("0", 5000) + "1",
      "1" + repeat("0", 1000),
      repeat("0", 4000) + "1",
      "0." + repeat("0", 4000),
      repeat("123456789", 500) + "e-4400",
      "." + repeat("5", 2000),
      "9007199254740993" + repeat("0", 1000),
      "9007199254740993" + repeat("0", 1000) + "1",
      "9007199254740992" + repeat("0", 1000) + "1",
      "1.00000000000000011102230246251565404236316680908203125",
      "1.00000000000000011102230246251565404236316680908203124",
      "1.000000000000000111022302462515654042363166809082031250000000000000000000001",
      "2."
      "470328229206232720882843964341106861825299013071623822127928412503377536351043759326499181808179961898"
      "982823477228588654633283551779698981993873980053909390631503565951557022639229085839244910518443593180"
      "284993653615250031937045767824921936562366986365848075700158576926990370631192827955855133292783433840"
      "935197801553124659726357957462276646527282722005637400648549997709659947045402082816622623785739345073"
      "633900796776193057750674017632467360096895134053553745851666113422376667860416215968046191446729184030"
      "053005753084904876539171138659164623952491262365388187963623937328042389101867234849766823508986338858"
      "792562830275599565752445550725518931369083625477918694866799496832404970582102851318545139621383772282"
      "61454376934125320985913276672363281255e-324",
      // several numbers
      "1 2 3 4 5 6 7 8 9 10",
      "1e 2e 3e 4e 5e 6e 7e 8e 9e",
      "-1-2-3-4-5-6-7-8-9",
      "1.2.3.4.5.6.7.8.9",
      "0x1p0x1p0x1p",
      "nannannannannannannannan",
      "infinfinfinfinfinfinfinf",
      "infinityinfinityinf",
      "1 2 3 infin 5",
      "1 2 3 nan( 5",
      "1,2,3",
      " 1 2 3 ",
      "\t1\t2\t3\t",
      "1 2 3 -",
      "1 2 3 .",
      "1 2 3 0x",
      "1 2 3 e5",
      "1.23457 -0.000123 12345.6 1e-05",
      "1e+5+5e+5-5e-5",
      "+.5-.5+.5-.5",
      "0x10x10x1",
  };
  return t;
}

TEST(NumScan, HostileTable) {
  CheckCount checks("HostileTable");
  const std::vector<std::string> texts = hostile_texts();
  for (const std::string &s : texts) agree_all_max(s);
}

TEST(NumScan, HostilePairs) {
  CheckCount checks("HostilePairs");
  // Every pair of short hostile texts, joined with nothing or with white
  // space, so that each form is also seen after each other form.
  std::vector<std::string> texts;
  for (const std::string &s : hostile_texts())
    if (s.size() <= 24) texts.push_back(s);
  const char *joins[] = {"", " ", "\t \n"};
  for (const std::string &a : texts)
    for (const std::string &b : texts)
      for (const char *j : joins) {
        const std::string s = a + j + b;
        agree(s, 8);
        agree(s, 1 + static_cast<int>((a.size() + b.size()) % 3));
      }
}

TEST(NumScan, DirectExamples) {
  double v[8];
  std::size_t off = 99;
  EXPECT_EQ(scan_numbers("", 8, v, &off), 0);
  EXPECT_EQ(off, 0u);
  off = 99;
  EXPECT_EQ(scan_numbers(" \t\n", 8, v, &off), 0);
  EXPECT_EQ(off, 0u);
  off = 99;
  EXPECT_EQ(scan_numbers("x", 8, v, &off), 0);
  EXPECT_EQ(off, 0u);
  EXPECT_EQ(scan_numbers("  1e 5 infin", 8, v, &off), 2);
  EXPECT_EQ(off, 6u);
  EXPECT_EQ(v[0], 1.0);
  EXPECT_EQ(v[1], 5.0);
  EXPECT_EQ(scan_numbers("nan(12)", 8, v, &off), 1);
  EXPECT_EQ(off, 3u);
  EXPECT_TRUE(std::isnan(v[0]));
}

// Numbers of a hundred thousand characters, in every range.
TEST(NumScan, HugeTokens) {
  CheckCount checks("HugeTokens");
  const int n = 100000;
  const std::string sevens(n, '7');
  const std::string zeros(n, '0');
  const std::string effs(n, 'f');
  const std::vector<std::string> texts = {
      sevens,
      sevens + "e-99990",
      sevens + "e-100400",
      "-" + sevens + "e-100330",
      "1" + zeros,
      "0." + zeros + "1",
      "0." + zeros + "1e100000",
      "0." + zeros + "1e+",
      "-0." + zeros + "17e100000",
      "0x" + effs,
      "0x" + effs + "p-400000",
      "0x" + effs + "p-401070",
      "0x." + zeros + "1p400000",
      sevens + "." + sevens + " " + sevens,
      zeros + "x",
      "9007199254740993" + zeros,
      "9007199254740993" + zeros + "1" + " 1 2",
      "2."
      "470328229206232720882843964341106861825299013071623822127928412503377536351043759326499181808179961898"
      "982823477228588654633283551779698981993873980053909390631503565951557022639229085839244910518443593180"
      "284993653615250031937045767824921936562366986365848075700158576926990370631192827955855133292783433840"
      "935197801553124659726357957462276646527282722005637400648549997709659947045402082816622623785739345073"
      "633900796776193057750674017632467360096895134053553745851666113422376667860416215968046191446729184030"
      "053005753084904876539171138659164623952491262365388187963623937328042389101867234849766823508986338858"
      "792562830275599565752445550725518931369083625477918694866799496832404970582102851318545139621383772282"
      "61454376934125320985913276672363281250" +
          zeros + "1e-324",
  };
  for (const std::string &s : texts) agree_all_max(s);
}

// Random strings over an alphabet of number pieces and junk.
TEST(NumScan, GeneratedStrings) {
  CheckCount checks("GeneratedStrings");
  static const char *const pieces[] = {
      "0",  "1",   "2",   "5",        "7",     "9",   "0",   "1",  "00", "123", "+", "-",  ".",
      ".",  "e",   "E",   "e+",       "e-",    "x",   "X",   "0x", "0X", "p",   "P", "p-", "a",
      "b",  "c",   "d",   "f",        "A",     "F",   "i",   "n",  "f",  "t",   "y", "I",  "N",
      "a",  "inf", "nan", "infinity", "infin", "INF", "NaN", "(",  ")",  " ",   " ", "  ", "\t",
      "\n", "\v",  "\f",  "\r",       ",",     ";",   "g",   "z",  "_"};
  constexpr int npieces = sizeof pieces / sizeof pieces[0];
  std::mt19937_64 rng(20240611);
  const long n = 200000 * sweep_factor();
  long failures = 0;
  for (long i = 0; i < n && failures < 20; ++i) {
    std::string s;
    const int len = static_cast<int>(rng() % 14);
    for (int j = 0; j < len; ++j) {
      const unsigned r = static_cast<unsigned>(rng() % 100);
      if (r < 8) {
        s += static_cast<char>(1 + rng() % 255);  // any byte but NUL
      } else {
        s += pieces[rng() % npieces];
      }
    }
    const int max = 1 + static_cast<int>(rng() % 8);
    if (!agree(s, max)) ++failures;
    if (max != 8 && (i & 3) == 0 && !agree(s, 8)) ++failures;
  }
}

// Random doubles of every kind printed in several ways, several to a line.
TEST(NumScan, PrintedDoubles) {
  CheckCount checks("PrintedDoubles");
  std::mt19937_64 rng(77123);
  static const char *const fmts[] = {"%.17g", "%.6g", "%a",    "%e",    "%.16e", "%g",  "%.3f",
                                     "%.0e",  "%A",   "%.20g", "%.25e", "%.1f",  "%.9g"};
  constexpr int nfmts = sizeof fmts / sizeof fmts[0];
  static const char *const seps[] = {" ", "\t", "  ", " \t", "\n", ",", " \r\n", ""};
  const long n = 30000 * sweep_factor();
  long failures = 0;
  for (long i = 0; i < n && failures < 20; ++i) {
    std::string line;
    const int count = 1 + static_cast<int>(rng() % 10);
    for (int j = 0; j < count; ++j) {
      double d;
      switch (rng() % 4) {
        case 0: {  // any bit pattern: normals, denormals, inf, nan
          const std::uint64_t b = rng();
          std::memcpy(&d, &b, sizeof d);
          break;
        }
        case 1:  // data-like values
          d = std::ldexp(static_cast<double>(rng() >> 11), -53) *
              std::pow(10.0, static_cast<int>(rng() % 13) - 6);
          if (rng() & 1) d = -d;
          break;
        case 2:  // denormals and the edges of the range
          d = std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 80) - 1140);
          break;
        default:  // integers
          d = static_cast<double>(static_cast<std::int64_t>(rng()) >> (rng() % 64));
          break;
      }
      char b[128];
      std::snprintf(b, sizeof b, fmts[rng() % nfmts], d);
      line += b;
      line += seps[rng() % (sizeof seps / sizeof seps[0])];
    }
    if (!agree(line, 8)) ++failures;
    if (!agree(line, 1 + static_cast<int>(rng() % 8))) ++failures;
  }
}

// Decimal texts at and around the midpoints between neighbouring doubles,
// where correct rounding is hardest.  A midpoint of two doubles is exact in
// x86 long double, and glibc prints it exactly.
TEST(NumScan, Midpoints) {
  CheckCount checks("Midpoints");
  std::mt19937_64 rng(99);
  const long n = 4000 * sweep_factor();
  long failures = 0;
  for (long i = 0; i < n && failures < 20; ++i) {
    // Random sign and fraction; any finite exponent, or one at the bottom of
    // the range for a quarter of the values.
    const std::uint64_t e = i % 4 == 0 ? rng() % 3 : rng() % 2047;
    const std::uint64_t b = (rng() & 0x800fffffffffffffULL) | e << 52;
    double lo;
    std::memcpy(&lo, &b, sizeof lo);
    if (!std::isfinite(lo)) continue;
    const double hi = std::nextafter(lo, lo < 0 ? -INFINITY : INFINITY);
    if (!std::isfinite(hi)) continue;
    const long double mid = (static_cast<long double>(lo) + static_cast<long double>(hi)) / 2;
    char buf[1200];
    std::snprintf(buf, sizeof buf, "%.*Le", static_cast<int>(rng() % 3 == 0 ? 800 : 40 + rng() % 40), mid);
    std::string s = buf;
    if (!agree(s, 1)) ++failures;
    // Just above and just below the midpoint.
    const std::size_t epos = s.find('e');
    std::string up = s.substr(0, epos) + "0000001" + s.substr(epos);
    if (!agree(up, 1)) ++failures;
    std::string mant = s.substr(0, epos);
    std::size_t last = mant.find_last_not_of('0');
    if (last != std::string::npos && mant[last] != '.' && mant[last] > '0' && mant[last] <= '9') {
      std::string down = mant;
      down[last] = static_cast<char>(down[last] - 1);
      down += "99999999999999999999" + s.substr(epos);
      if (!agree(down, 1)) ++failures;
    }
    // The shortest round-trip text of each neighbour, too.
    std::snprintf(buf, sizeof buf, "%.17g %.17g", lo, hi);
    if (!agree(buf, 2)) ++failures;
  }
}

// Texts of 16 to 19 significant digits with a small power of ten, nearest to
// the midpoints between neighbouring doubles: the hardest inputs for reading
// up to 19 digits in one extended-precision step.
TEST(NumScan, NearMidpointsFewDigits) {
  CheckCount checks("NearMidpointsFewDigits");
  std::mt19937_64 rng(2718);
  const long n = 20000 * sweep_factor();
  long failures = 0;
  for (long i = 0; i < n && failures < 20; ++i) {
    // Magnitudes from 1e-10 to 1e27, so that the texts below have a power of
    // ten within +-27 of their 19-digit integer part.
    const double mag = std::pow(10.0, static_cast<double>(rng() % 3700) / 100.0 - 10.0);
    const double lo = mag * (1.0 + std::ldexp(static_cast<double>(rng() >> 11), -53));
    const double hi = std::nextafter(lo, INFINITY);
    const long double mid = (static_cast<long double>(lo) + static_cast<long double>(hi)) / 2;
    for (int prec = 15; prec <= 18; ++prec) {
      char buf[80];
      std::snprintf(buf, sizeof buf, "%.*Le", prec, mid);
      if (!agree(buf, 1)) ++failures;
      std::snprintf(buf, sizeof buf, "-%.*Lf", prec, mid);  // fixed notation, any length
      if (!agree(buf, 1)) ++failures;
    }
  }
  // Integers at and next to the midpoints above 2^53, which are exact
  // 16- to 19-digit integers, also written with a scaled-down mantissa.
  for (long i = 0; i < n / 4 && failures < 20; ++i) {
    const int k = 53 + static_cast<int>(rng() % 10);
    const std::uint64_t base = (std::uint64_t{1} << k) | (rng() & ((std::uint64_t{1} << k) - 1));
    const std::uint64_t step = std::uint64_t{1} << (k - 52);
    const std::uint64_t mid = (base & ~(step - 1)) + step / 2;
    for (std::uint64_t v : {mid - 1, mid, mid + 1}) {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(v));
      if (!agree(buf, 1)) ++failures;
      std::snprintf(buf, sizeof buf, "%llue-7", static_cast<unsigned long long>(v));
      if (!agree(buf, 1)) ++failures;
    }
  }
}

// A line of a million numbers read 8 at a time at advancing offsets.  With a
// scanner that looked at the whole rest of the line on each call this would
// take minutes.
TEST(NumScan, MillionNumberLine) {
  const int n = 1000000;
  std::mt19937_64 rng(4242);
  std::string line;
  line.reserve(static_cast<std::size_t>(n) * 12);
  std::vector<double> want;
  want.reserve(n);
  for (int i = 0; i < n; ++i) {
    const double d = (static_cast<double>(rng() >> 11) - 4.5e15) * 1e-12;
    char b[64];
    std::snprintf(b, sizeof b, "%.6g", d);
    want.push_back(std::strtod(b, nullptr));
    line += b;
    line += (i % 7 == 3) ? "\t" : " ";
  }
  std::size_t pos = 0;
  std::size_t got_n = 0;
  long mismatches = 0;
  for (;;) {
    double v[8];
    std::size_t used = 0;
    const int k = scan_numbers(line.c_str() + pos, 8, v, &used);
    if (k == 0) break;
    for (int j = 0; j < k; ++j)
      if (got_n + static_cast<std::size_t>(j) >= want.size() || bits(v[j]) != bits(want[got_n + j]))
        ++mismatches;
    got_n += static_cast<std::size_t>(k);
    pos += used;
  }
  EXPECT_EQ(got_n, want.size());
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(pos, line.size() - 1);  // all but the final blank
}

}  // namespace
