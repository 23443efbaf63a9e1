// Number scanner with the exact behaviour of glibc's "%lg%n" scanf
// conversions, in time linear in what it consumes.
//
// How glibc reads a "%lg" (and so how this file reads one):
//  1. Skip ' ', \t, \n, \v, \f, \r.  Reaching the end there ends the scan.
//  2. Take an optional '+' or '-'.
//  3. If the next letter is n/N: "nan" (any case) must follow, and the number
//     ends right after it.  If it is i/I: "inf" must follow; if an i/I comes
//     next, "inity" must follow in full.  Otherwise the conversion fails.
//  4. "0x" / "0X" starts a hex number: hex digits and one '.', then, after at
//     least one hex digit, 'p'/'P', an optional sign right after it, and
//     decimal digits.  Nothing but "0x" (after the sign) is a failure.
//  5. Otherwise decimal digits and one '.', then, after at least one digit,
//     'e'/'E', an optional sign right after it, and decimal digits.
//  6. Every character accepted in 4/5 is consumed for good; the collected
//     text is handed to strtod, and the value is whatever strtod makes of its
//     longest valid prefix.  Only when strtod takes nothing ("", ".", "-.")
//     does the conversion fail.
//
// The value of a decimal number is computed here directly when that is
// provably correctly rounded (up to 19 significant digits and a small power
// of ten), otherwise by std::from_chars on the valid prefix; all of these
// round correctly, as glibc's strtod does.  Anything else
// (hex numbers, values out of range) goes to strtod itself on a private copy
// of the collected text, which is just what scanf does.

#include "contract/numscan.h"

#include <cfloat>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>

// x86's 80-bit long double: 64-bit significand stored in the low 8 bytes.
#if (defined(__x86_64__) || defined(__i386__)) && LDBL_MANT_DIG == 64 && DBL_MANT_DIG == 53
#define NUMSCAN_X87 1
#else
#define NUMSCAN_X87 0
#endif

namespace {

inline bool is_digit(unsigned char c) { return static_cast<unsigned>(c - '0') < 10u; }

inline bool is_xdigit(unsigned char c) { return is_digit(c) || static_cast<unsigned>((c | 0x20) - 'a') < 6u; }

// isspace() of the "C" locale.
inline bool is_space(unsigned char c) { return c == ' ' || static_cast<unsigned>(c - '\t') < 5u; }

// True when c is the ASCII letter `lower` in either case (`lower` must be a
// lowercase letter; only it and its uppercase form give lower after | 0x20).
inline bool is_letter(unsigned char c, char lower) { return (c | 0x20) == static_cast<unsigned char>(lower); }

// Exactly representable powers of ten.
constexpr double kPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                               1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

#if NUMSCAN_X87
// Powers of ten that are exact in the 64-bit significand of x87 long double
// (10^27 = 2^27 * 5^27 and 5^27 < 2^64).
constexpr long double kPow10L[28] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,
                                     1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L,
                                     1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};

// m * 10^e10 for |e10| <= 27, rounded correctly to double, when that can be
// told from one extended-precision operation; false when it cannot.
//
// m and 10^|e10| are exact long doubles, so x below is the exact value
// rounded once to 64 significant bits.  Rounding x to double then drops its
// 11 low bits.  That second rounding can only differ from rounding the exact
// value when x sits exactly on a halfway point between two doubles (low
// bits 0x400): the exact value may then lie on either side.  Every other x
// is on the same side of each halfway point as the exact value.  The results
// here stay far inside the range of normal doubles.
inline bool long_double_value(std::uint64_t m, int e10, double *v) {
  long double x = static_cast<long double>(m);
  x = e10 < 0 ? x / kPow10L[-e10] : x * kPow10L[e10];
  std::uint64_t sig;
  std::memcpy(&sig, &x, sizeof sig);  // the significand is the low 8 bytes
  if ((sig & 0x7ff) == 0x400) return false;
  *v = static_cast<double>(x);
  return true;
}
#endif

// The value of the decimal m * 10^e10, where m has nd <= 19 significant
// digits, when it can be had exactly here; false sends the caller to
// from_chars.
inline bool fast_decimal_value(std::uint64_t m, std::int64_t nd, std::int64_t e10, double *v) {
  if (nd == 0) {
    *v = 0.0;  // all digits are zero, whatever the exponent
    return true;
  }
#if FLT_EVAL_METHOD == 0
  if (m <= (std::uint64_t{1} << 53) && e10 >= -22 && e10 <= 22) {
    // m and 10^|e10| are exact doubles, so one multiplication or division
    // rounds the exact value once, correctly.
    const double x = static_cast<double>(m);
    *v = e10 < 0 ? x / kPow10[-e10] : x * kPow10[e10];
    return true;
  }
#endif
#if NUMSCAN_X87
  if (e10 >= -27 && e10 <= 27) return long_double_value(m, static_cast<int>(e10), v);
#endif
  return false;
}

// strtod over the text [b, e), copied so that strtod cannot look past e.
double strtod_copy(const char *b, const char *e) {
  const std::size_t n = static_cast<std::size_t>(e - b);
  char small[128];
  if (n < sizeof small) {
    std::memcpy(small, b, n);
    small[n] = '\0';
    return std::strtod(small, nullptr);
  }
  std::string big(b, n);
  return std::strtod(big.c_str(), nullptr);
}

// The three kinds of number after the optional sign: each reads from t (just
// past the sign, p being where the number began) and returns the end of what
// it consumed, or null when the conversion fails (the value is then left
// alone).

// Hex: "0x", hex digits and one '.', then p[sign]digits after a digit. The
// value is what strtod makes of the collected text, as with scanf.
const char *scan_hex(const char *p, const char *t, double *value) {
  const char *q = t + 2;
  bool got_digit = false;
  bool got_dot = false;
  for (;; ++q) {
    const unsigned char d = static_cast<unsigned char>(*q);
    if (is_xdigit(d)) {
      got_digit = true;
    } else if (d == '.' && !got_dot) {
      got_dot = true;
    } else {
      break;
    }
  }
  if (q == t + 2) return nullptr;  // just "0x"
  if (got_digit && is_letter(static_cast<unsigned char>(*q), 'p')) {
    ++q;
    if (*q == '+' || *q == '-') ++q;
    while (is_digit(static_cast<unsigned char>(*q))) ++q;
  }
  *value = strtod_copy(p, q);
  return q;
}

// Decimal: digits and one '.', then e[sign]digits after a digit.
const char *scan_decimal(const char *p, const char *t, bool neg, double *value) {
  // The digits from the first non-zero one on are gathered in m (which wraps
  // harmlessly when there are more than 19 of them: such numbers take the
  // slow road); e10 is the power of ten that applies to m.
  const char *q = t;
  while (*q == '0') ++q;
  const char *sig = q;  // first significant digit, if any
  std::uint64_t m = 0;
  while (is_digit(static_cast<unsigned char>(*q))) {
    m = m * 10 + static_cast<unsigned>(*q - '0');
    ++q;
  }
  std::int64_t nd = q - sig;  // significant digits
  bool got_digit = q != t;
  std::int64_t e10 = 0;
  if (*q == '.') {
    ++q;
    const char *f = q;
    if (nd == 0) {
      while (*q == '0') ++q;
    }
    const char *fsig = q;
    while (is_digit(static_cast<unsigned char>(*q))) {
      m = m * 10 + static_cast<unsigned>(*q - '0');
      ++q;
    }
    nd += q - fsig;
    e10 = -(q - f);
    got_digit = got_digit || q != f;
  }
  const bool many = nd > 19;
  if (!got_digit) return nullptr;  // "", "." : strtod takes nothing

  // The value ends here unless a complete exponent follows; an 'e' and a
  // sign without digits are consumed all the same.
  const char *vend = q;
  if (is_letter(static_cast<unsigned char>(*q), 'e')) {
    ++q;
    bool eneg = false;
    if (*q == '+' || *q == '-') {
      eneg = *q == '-';
      ++q;
    }
    const char *ds = q;
    std::int64_t ex = 0;
    while (is_digit(static_cast<unsigned char>(*q))) {
      if (ex < 100000000) ex = ex * 10 + (*q - '0');
      ++q;
    }
    if (q != ds) {
      vend = q;
      e10 += eneg ? -ex : ex;
    }
  }

  double v;
  if (!many && fast_decimal_value(m, nd, e10, &v)) {
    // done
  } else {
    const std::from_chars_result r = std::from_chars(t, vend, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != vend) {
      // Overflow to infinity or underflow to zero (which from_chars reports
      // without a value): strtod on the collected text gives the value
      // scanf stores.
      *value = strtod_copy(p, q);
      return q;
    }
  }
  *value = neg ? -v : v;
  return q;
}

// The words "nan", "inf" and "infinity", in any letter case.
const char *scan_word(const char *t, bool neg, double *value) {
  const unsigned char c = static_cast<unsigned char>(*t);
  if (is_letter(c, 'n')) {
    if (!is_letter(static_cast<unsigned char>(t[1]), 'a') ||
        !is_letter(static_cast<unsigned char>(t[2]), 'n'))
      return nullptr;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    *value = neg ? -nan : nan;
    return t + 3;
  }

  if (is_letter(c, 'i')) {
    if (!is_letter(static_cast<unsigned char>(t[1]), 'n') ||
        !is_letter(static_cast<unsigned char>(t[2]), 'f'))
      return nullptr;
    const char *q = t + 3;
    if (is_letter(static_cast<unsigned char>(*q), 'i')) {
      // Once past "infi" the whole word is required.
      static const char rest[] = "nity";
      for (int i = 0; i < 4; ++i)
        if (!is_letter(static_cast<unsigned char>(q[1 + i]), rest[i])) return nullptr;
      q += 5;
    }
    const double inf = std::numeric_limits<double>::infinity();
    *value = neg ? -inf : inf;
    return q;
  }
  return nullptr;
}

// Reads one number starting at p (not white space, not the end).
const char *scan_one(const char *p, double *value) {
  const char *t = p;
  bool neg = false;
  if (*t == '-' || *t == '+') {
    neg = *t == '-';
    ++t;
  }
  const unsigned char c = static_cast<unsigned char>(*t);
  if (is_digit(c) || c == '.') {
    if (c == '0' && is_letter(static_cast<unsigned char>(t[1]), 'x')) return scan_hex(p, t, value);
    return scan_decimal(p, t, neg, value);
  }
  return scan_word(t, neg, value);
}

}  // namespace

int scan_numbers(const char *s, int max, double *out, std::size_t *consumed) {
  const char *p = s;
  std::size_t last = 0;
  int count = 0;
  while (count < max) {
    while (is_space(static_cast<unsigned char>(*p))) ++p;
    if (*p == '\0') break;
    const char *e = scan_one(p, &out[count]);
    if (e == nullptr) break;
    ++count;
    last = static_cast<std::size_t>(e - s);
    p = e;
  }
  *consumed = last;
  return count;
}
