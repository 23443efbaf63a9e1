// The derivations behind the fast paths, and why they are exact: docs/numfmt.md.

#include "output/numfmt.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

__extension__ typedef unsigned __int128 u128;  // GCC/Clang extension

constexpr int kFastMaxPrecision = 17;

constexpr std::uint64_t kPow5[kFastMaxPrecision + 1] = {
    1ULL,         5ULL,          25ULL,         125ULL,         625ULL,          3125ULL,
    15625ULL,     78125ULL,      390625ULL,     1953125ULL,     9765625ULL,      48828125ULL,
    244140625ULL, 1220703125ULL, 6103515625ULL, 30517578125ULL, 152587890625ULL, 762939453125ULL,
};

constexpr std::uint64_t kPow10[20] = {
    1ULL,
    10ULL,
    100ULL,
    1000ULL,
    10000ULL,
    100000ULL,
    1000000ULL,
    10000000ULL,
    100000000ULL,
    1000000000ULL,
    10000000000ULL,
    100000000000ULL,
    1000000000000ULL,
    10000000000000ULL,
    100000000000000ULL,
    1000000000000000ULL,
    10000000000000000ULL,
    100000000000000000ULL,
    1000000000000000000ULL,
    10000000000000000000ULL,
};

constexpr char kDigitPairs[201] =
    "00010203040506070809"
    "10111213141516171819"
    "20212223242526272829"
    "30313233343536373839"
    "40414243444546474849"
    "50515253545556575859"
    "60616263646566676869"
    "70717273747576777879"
    "80818283848586878889"
    "90919293949596979899";

constexpr char kBlanks16[17] = "                ";

// Number of decimal digits of n (0 for n == 0).
inline int count_digits(std::uint64_t n) {
  // bit length * log10(2), then correct by one against the power table.
  const int bits = 64 - __builtin_clzll(n | 1);
  const int t = (bits * 1233) >> 12;  // floor(bits * 0.30103), <= 19
  return t + (n >= kPow10[t] ? 1 : 0);
}

// printf's treatment of '*' arguments: a negative width is the '-' flag
// plus its magnitude, a negative precision counts as omitted (6).
inline void normalize_args(int &width, int &precision, bool &left_flag, std::size_t &w) {
  if (width < 0) {
    left_flag = true;
    w = static_cast<std::size_t>(-static_cast<long long>(width));
  } else {
    w = static_cast<std::size_t>(width);
  }
  if (precision < 0) precision = 6;
}

// Places `body_len` chars of already-written text starting at out[0] into a
// field of width w, padding with blanks on the left or right.  Returns the
// total length.
std::size_t pad_field(char *out, std::size_t body_len, std::size_t w, bool left_flag) {
  if (w <= body_len) return body_len;
  const std::size_t pad = w - body_len;
  if (left_flag) {
    std::memset(out + body_len, ' ', pad);
  } else {
    std::memmove(out + pad, out, body_len);
    std::memset(out, ' ', pad);
  }
  return w;
}

// The general path of every floating conversion: sign and blank, then |x|
// through std::to_chars in format `fmt`, then the padding.
std::size_t general_impl(char *out, double x, std::size_t w, int precision, bool space_flag, bool left_flag,
                         std::chars_format fmt) {
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const bool neg = (bits >> 63) != 0;
  const double ax = neg ? -x : x;  // exact; clears the sign bit (also for nan)

  std::size_t n = 0;
  if (neg)
    out[n++] = '-';
  else if (space_flag)
    out[n++] = ' ';

  if (ax != ax) {
    std::memcpy(out + n, "nan", 3);
    n += 3;
  } else if (ax == __builtin_inf()) {
    std::memcpy(out + n, "inf", 3);
    n += 3;
  } else {
    // Room the caller guarantees beyond the sign: for fixed notation 309
    // integer digits, '.', `precision` fraction digits; otherwise one
    // digit, '.', `precision` digits and "e-324".
    const std::size_t p = static_cast<std::size_t>(precision);
    const std::size_t room =
        fmt == std::chars_format::fixed ? static_cast<std::size_t>(kMaxFixedIntDigits) + 1 + p : p + 8;
    auto res = std::to_chars(out + n, out + n + room, ax, fmt, precision);
    if (res.ec == std::errc()) {
      n = static_cast<std::size_t>(res.ptr - out);
    } else {
      // Cannot happen with the room above; keep the output well-formed
      // anyway by letting the C library do it.
      const char *spec = fmt == std::chars_format::fixed        ? "%.*f"
                         : fmt == std::chars_format::scientific ? "%.*e"
                                                                : "%.*g";
      int k = std::snprintf(out + n, room, spec, precision, ax);
      n += k > 0 ? std::min(static_cast<std::size_t>(k), room - 1) : 0;
    }
  }
  return pad_field(out, n, w, left_flag);
}

// ---------------------------------------------------------------------------
// Pieces of the fast paths of "%e", "%g" and the integers.

// 5^k for k <= 32 in 128 bits (5^32 < 2^75).
constexpr int kWideMaxPow5 = 32;
constexpr int kDivMaxPow5 = 27;  // 5^27 < 2^63

struct Pow5Wide {
  u128 v[kWideMaxPow5 + 1];
  constexpr Pow5Wide() : v() {
    v[0] = 1;
    for (int k = 1; k <= kWideMaxPow5; ++k) v[k] = v[k - 1] * 5;
  }
};
constexpr Pow5Wide kPow5Wide;

// Most significant digits the fast paths handle: n stays below 10^18, and
// within 64 bits, even at a trial exponent one below the answer.
constexpr int kSigFastMaxDigits = 17;

// Writes the `count` lowest decimal digits of n, leading zeros included, so
// that they end just before `end`; returns n / 10^count.
inline std::uint64_t put_digits(char *end, std::uint64_t n, int count) {
  while (count >= 2) {
    end -= 2;
    std::memcpy(end, kDigitPairs + 2 * (n % 100), 2);
    n /= 100;
    count -= 2;
  }
  if (count != 0) {
    *--end = static_cast<char>('0' + n % 10);
    n /= 10;
  }
  return n;
}

// Blanks for padding.  Up to 16 they are written as one 16-byte block, which
// the buffer bounds of the fast paths leave room for on either side of the
// text.
inline void put_blanks(char *p, std::size_t n) {
  if (n <= 16)
    std::memcpy(p, kBlanks16, 16);
  else
    std::memset(p, ' ', n);
}

// A field laid out as [pad][sign][body][pad]: open_field() writes the
// leading blanks and the sign and returns where the body goes; the caller
// writes exactly `body` chars there and close_field() adds the trailing
// blanks and returns the total length.
struct Field {
  char *body;
  std::size_t right_pad;
  std::size_t total;
};

inline Field open_field(char *out, std::size_t body, std::size_t w, bool neg, bool space_flag,
                        bool left_flag) {
  const std::size_t len = body + ((neg || space_flag) ? 1 : 0);
  const std::size_t pad = w > len ? w - len : 0;
  char *p = out;
  if (!left_flag) {
    put_blanks(p, pad);
    p += pad;
  }
  if (neg)
    *p++ = '-';
  else if (space_flag)
    *p++ = ' ';
  return {p, left_flag ? pad : 0, len + pad};
}

inline std::size_t close_field(const Field &f, std::size_t body) {
  if (f.right_pad != 0) put_blanks(f.body + body, f.right_pad);
  return f.total;
}

// n = round(m * 2^e * 10^s), ties to even, computed exactly (see the top of
// this file).  False when the operands leave the 128-bit range or the
// result does not fit in 64 bits.
bool scale_round(std::uint64_t m, int e, int s, std::uint64_t &n) {
  u128 q;
  if (s >= 0) {
    if (s > kWideMaxPow5) return false;
    const u128 big = static_cast<u128>(m) * kPow5Wide.v[s];
    const int up = e + s;
    if (up >= 0) {
      if (up >= 64 || (big >> (64 - up)) != 0) return false;
      n = static_cast<std::uint64_t>(big << up);
      return true;
    }
    const int sh = -up;
    if (sh >= 128) return false;
    q = big >> sh;
    const u128 rem = big - (q << sh);
    const u128 half = static_cast<u128>(1) << (sh - 1);
    q += static_cast<unsigned>(rem > half) |
         (static_cast<unsigned>(rem == half) & static_cast<unsigned>(q & 1));
  } else {
    const int k = -s;
    const int t = e - k;
    if (k > kDivMaxPow5 || t > 74 || t < -63) return false;
    const u128 a = static_cast<u128>(m) << (t > 0 ? t : 0);
    const u128 b = static_cast<u128>(kPow5Wide.v[k]) << (t < 0 ? -t : 0);
    q = a / b;
    const u128 twice_rem = (a - q * b) << 1;
    q += static_cast<unsigned>(twice_rem > b) |
         (static_cast<unsigned>(twice_rem == b) & static_cast<unsigned>(q & 1));
  }
  if ((q >> 64) != 0) return false;
  n = static_cast<std::uint64_t>(q);
  return true;
}

// |x| = m * 2^e (m > 0) rounded to `digits` (1..17) significant digits:
// 10^(digits-1) <= n < 10^digits and the decimal exponent x10 after
// rounding, as printf's "%e" prints them.  False when the fast path does not
// cover the value.
bool round_significant(std::uint64_t m, int e, int digits, std::uint64_t &n, int &x10) {
  const int e2 = e + 63 - __builtin_clzll(m);  // floor(log2 |x|)
  int x = (e2 * 78913) >> 18;                  // floor(e2 * log10(2)), arithmetic shift
  for (int step = 0; step < 3; ++step) {
    std::uint64_t v;
    if (!scale_round(m, e, digits - 1 - x, v)) return false;
    if (v >= kPow10[digits]) {
      ++x;
    } else if (v < kPow10[digits - 1]) {
      --x;
    } else {
      n = v;
      x10 = x;
      return true;
    }
  }
  return false;
}

// The parts of a finite double: sign, and |x| = m * 2^e.
struct Parts {
  bool neg;
  bool finite;
  std::uint64_t m;
  int e;
};

inline Parts split_double(double x) {
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const int bexp = static_cast<int>((bits >> 52) & 0x7ff);
  const std::uint64_t frac = bits & ((std::uint64_t{1} << 52) - 1);
  Parts r{(bits >> 63) != 0, bexp != 0x7ff, frac, -1074};
  if (bexp != 0) {
    r.m = frac | (std::uint64_t{1} << 52);
    r.e = bexp - 1075;
  }
  return r;
}

// Writes "e+dd" or "e-dd" so that it ends at `end`; returns where it starts.
// The fast paths only see decimal exponents from -32 (s <= 32 with at least
// one digit) to 43 (k <= 27 with at most 17 digits); three-digit exponents
// are left to the general path.
inline char *put_exponent(char *end, int x10) {
  const unsigned a = static_cast<unsigned>(x10 < 0 ? -x10 : x10);
  end -= 2;
  std::memcpy(end, kDigitPairs + 2 * a, 2);
  *--end = x10 < 0 ? '-' : '+';
  *--end = 'e';
  return end;
}

constexpr std::size_t kExponentLen = 4;

inline std::size_t width_of(int width, bool &left_flag) {
  if (width < 0) {
    left_flag = true;
    return static_cast<std::size_t>(-static_cast<long long>(width));
  }
  return static_cast<std::size_t>(width);
}

}  // namespace

std::size_t fixed_max_len(int width, int precision) noexcept {
  const std::size_t w =
      width < 0 ? static_cast<std::size_t>(-static_cast<long long>(width)) : static_cast<std::size_t>(width);
  const std::size_t p = precision < 0 ? 6 : static_cast<std::size_t>(precision);
  // sign or blank + integer digits + '.' + fraction digits; "-nan"/"-inf"
  // are shorter than that.
  const std::size_t body = 1 + static_cast<std::size_t>(kMaxFixedIntDigits) + 1 + p;
  return std::max(w, body);
}

std::size_t scientific_max_len(int width, int precision) noexcept {
  const std::size_t w =
      width < 0 ? static_cast<std::size_t>(-static_cast<long long>(width)) : static_cast<std::size_t>(width);
  const std::size_t p = precision < 0 ? 6 : static_cast<std::size_t>(precision);
  // sign + digit + '.' + p digits + "e-ddd" is p + 8; the fast path may
  // write a 16-byte block of blanks after that.
  return std::max(w, p + 32);
}

std::size_t general_max_len(int width, int precision) noexcept {
  // "%g" is never longer than "%e" at the same precision, or than
  // "-0.000ddd" with precision digits.
  return scientific_max_len(width, precision < 0 ? 6 : std::max(precision, 1));
}

std::size_t integer_max_len(int width) noexcept {
  const std::size_t w =
      width < 0 ? static_cast<std::size_t>(-static_cast<long long>(width)) : static_cast<std::size_t>(width);
  // sign + 20 digits, and room for a 16-byte block of blanks.
  return std::max<std::size_t>(w, 40);
}

namespace numfmt_detail {
std::size_t format_fixed_general(char *out, double x, int width, int precision, bool space_flag,
                                 bool left_flag) noexcept {
  std::size_t w;
  normalize_args(width, precision, left_flag, w);
  return general_impl(out, x, w, precision, space_flag, left_flag, std::chars_format::fixed);
}

std::size_t format_scientific_general(char *out, double x, int width, int precision, bool space_flag,
                                      bool left_flag) noexcept {
  std::size_t w;
  normalize_args(width, precision, left_flag, w);
  return general_impl(out, x, w, precision, space_flag, left_flag, std::chars_format::scientific);
}

std::size_t format_general_general(char *out, double x, int width, int precision, bool space_flag,
                                   bool left_flag) noexcept {
  std::size_t w;
  normalize_args(width, precision, left_flag, w);
  return general_impl(out, x, w, precision, space_flag, left_flag, std::chars_format::general);
}
}  // namespace numfmt_detail

std::size_t format_fixed(char *out, double x, int width, int precision, bool space_flag,
                         bool left_flag) noexcept {
  std::size_t w;
  normalize_args(width, precision, left_flag, w);

  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const bool neg = (bits >> 63) != 0;
  const int bexp = static_cast<int>((bits >> 52) & 0x7ff);
  const std::uint64_t frac = bits & ((std::uint64_t{1} << 52) - 1);

  if (bexp == 0x7ff || precision > kFastMaxPrecision)
    return general_impl(out, x, w, precision, space_flag, left_flag, std::chars_format::fixed);

  // x = m * 2^e exactly.
  std::uint64_t m;
  int e;
  if (bexp == 0) {
    m = frac;
    e = -1074;
  } else {
    m = frac | (std::uint64_t{1} << 52);
    e = bexp - 1075;
  }

  const u128 big = static_cast<u128>(m) * kPow5[precision];  // < 2^93
  const int q = e + precision;
  std::uint64_t n;
  if (q >= 0) {
    if (q >= 64 || (big >> (64 - q)) != 0)
      return general_impl(out, x, w, precision, space_flag, left_flag, std::chars_format::fixed);
    n = static_cast<std::uint64_t>(big << q);
  } else {
    const int s = -q;
    if (s >= 94) {
      n = 0;  // below one half (see the top of this file)
    } else {
      u128 ip = big >> s;
      const u128 rem = big - (ip << s);
      const u128 half = static_cast<u128>(1) << (s - 1);
      // Round to nearest, ties to even; kept branch-free because the
      // direction is random for real data.
      ip += static_cast<unsigned>(rem > half) |
            (static_cast<unsigned>(rem == half) & static_cast<unsigned>(ip & 1));
      if ((ip >> 64) != 0)
        return general_impl(out, x, w, precision, space_flag, left_flag, std::chars_format::fixed);
      n = static_cast<std::uint64_t>(ip);
    }
  }

  // Layout: [pad][sign][int digits][.frac digits][pad]
  const int nd = count_digits(n);
  const int int_digits = std::max(nd - precision, 1);
  const std::size_t body =
      static_cast<std::size_t>(int_digits) + (precision > 0 ? static_cast<std::size_t>(precision) + 1 : 0);
  const bool has_sign = neg || space_flag;
  const std::size_t len = body + (has_sign ? 1 : 0);
  const std::size_t pad = w > len ? w - len : 0;

  // The fast path produces at most 1 + 20 + 1 + 17 = 39 chars of sign and
  // digits, while the caller provides at least fixed_max_len() >= 311
  // bytes, so writing a full 16-byte block of blanks at either end of the
  // number stays inside the buffer; it avoids a variable-length memset.
  char *p = out;
  if (!left_flag) {
    if (pad <= 16)
      std::memcpy(p, kBlanks16, 16);
    else
      std::memset(p, ' ', pad);
    p += pad;
  }
  // The sign slot is overwritten by the first digit when there is no sign.
  *p = neg ? '-' : ' ';
  p += has_sign ? 1 : 0;
  char *const end = p + body;

  // Digits are written backwards from the end of the body.
  char *d = end;
  int fr = precision;
  while (fr >= 2) {
    d -= 2;
    std::memcpy(d, kDigitPairs + 2 * (n % 100), 2);
    n /= 100;
    fr -= 2;
  }
  if (fr != 0) {
    *--d = static_cast<char>('0' + n % 10);
    n /= 10;
  }
  if (precision > 0) *--d = '.';
  // Remaining integer part: exactly int_digits digits (a lone 0 if n == 0).
  while (n >= 100) {
    d -= 2;
    std::memcpy(d, kDigitPairs + 2 * (n % 100), 2);
    n /= 100;
  }
  if (n >= 10) {
    d -= 2;
    std::memcpy(d, kDigitPairs + 2 * n, 2);
  } else {
    *--d = static_cast<char>('0' + n);
  }

  if (left_flag) {
    if (pad <= 16)
      std::memcpy(end, kBlanks16, 16);
    else
      std::memset(end, ' ', pad);
  }
  return len + pad;
}

std::size_t format_scientific(char *out, double x, int width, int precision, bool space_flag,
                              bool left_flag) noexcept {
  std::size_t w;
  normalize_args(width, precision, left_flag, w);
  const Parts v = split_double(x);
  if (!v.finite || precision + 1 > kSigFastMaxDigits)
    return general_impl(out, x, w, precision, space_flag, left_flag, std::chars_format::scientific);
  std::uint64_t n = 0;
  int x10 = 0;
  if (v.m != 0 && !round_significant(v.m, v.e, precision + 1, n, x10))
    return general_impl(out, x, w, precision, space_flag, left_flag, std::chars_format::scientific);

  const std::size_t p = static_cast<std::size_t>(precision);
  const std::size_t body = 1 + (p > 0 ? p + 1 : 0) + kExponentLen;
  const Field f = open_field(out, body, w, v.neg, space_flag, left_flag);
  char *const d = f.body;
  n = put_digits(put_exponent(d + body, x10), n, precision);
  if (p > 0) d[1] = '.';
  d[0] = static_cast<char>('0' + n);
  return close_field(f, body);
}

std::size_t format_general(char *out, double x, int width, int precision, bool space_flag,
                           bool left_flag) noexcept {
  std::size_t w;
  normalize_args(width, precision, left_flag, w);
  const int digits = precision == 0 ? 1 : precision;
  const Parts v = split_double(x);
  if (!v.finite || digits > kSigFastMaxDigits)
    return general_impl(out, x, w, precision, space_flag, left_flag, std::chars_format::general);
  std::uint64_t n = 0;
  int x10 = 0;
  int nd = 1;  // digits of n once the trailing zeros are gone
  if (v.m != 0) {
    if (!round_significant(v.m, v.e, digits, n, x10))
      return general_impl(out, x, w, precision, space_flag, left_flag, std::chars_format::general);
    nd = digits;
    while (nd > 1 && n % 10 == 0) {
      n /= 10;
      --nd;
    }
  }
  const std::size_t ndigits = static_cast<std::size_t>(nd);

  if (x10 < -4 || x10 >= digits) {  // d[.ddd]e+XX
    const std::size_t body = ndigits + (nd > 1 ? 1 : 0) + kExponentLen;
    const Field f = open_field(out, body, w, v.neg, space_flag, left_flag);
    char *const d = f.body;
    n = put_digits(put_exponent(d + body, x10), n, nd - 1);
    if (nd > 1) d[1] = '.';
    d[0] = static_cast<char>('0' + n);
    return close_field(f, body);
  }
  if (x10 < 0) {  // 0.[000]ddd
    const std::size_t zeros = static_cast<std::size_t>(-x10 - 1);
    const std::size_t body = 2 + zeros + ndigits;
    const Field f = open_field(out, body, w, v.neg, space_flag, left_flag);
    char *const d = f.body;
    d[0] = '0';
    d[1] = '.';
    std::memset(d + 2, '0', zeros);
    put_digits(d + body, n, nd);
    return close_field(f, body);
  }
  const int int_digits = x10 + 1;
  if (nd <= int_digits) {  // ddd[000]
    const std::size_t body = static_cast<std::size_t>(int_digits);
    const Field f = open_field(out, body, w, v.neg, space_flag, left_flag);
    char *const d = f.body;
    put_digits(d + nd, n, nd);
    std::memset(d + nd, '0', body - ndigits);
    return close_field(f, body);
  }
  // ddd.ddd
  const std::size_t body = ndigits + 1;
  const Field f = open_field(out, body, w, v.neg, space_flag, left_flag);
  char *const d = f.body;
  n = put_digits(d + body, n, nd - int_digits);
  d[int_digits] = '.';
  put_digits(d + int_digits, n, int_digits);
  return close_field(f, body);
}

std::size_t format_unsigned(char *out, unsigned long long v, int width, bool left_flag) noexcept {
  const std::size_t w = width_of(width, left_flag);
  const int nd = std::max(count_digits(v), 1);
  const std::size_t body = static_cast<std::size_t>(nd);
  const Field f = open_field(out, body, w, false, false, left_flag);
  put_digits(f.body + body, v, nd);
  return close_field(f, body);
}

std::size_t format_integer(char *out, long long v, int width, bool left_flag) noexcept {
  const std::size_t w = width_of(width, left_flag);
  const bool neg = v < 0;
  // The magnitude in unsigned arithmetic, so that LLONG_MIN does not overflow.
  const unsigned long long a =
      neg ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
  const int nd = std::max(count_digits(a), 1);
  const std::size_t body = static_cast<std::size_t>(nd);
  const Field f = open_field(out, body, w, neg, false, left_flag);
  put_digits(f.body + body, a, nd);
  return close_field(f, body);
}
