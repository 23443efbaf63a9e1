// Fixed-notation formatting that reproduces glibc's "%*.*f" byte for byte.
//
// How glibc rounds: printf works on the exact binary value of the double and
// rounds it to `precision` decimals in the current rounding mode.  Under the
// default mode (to nearest) a value lying exactly halfway between two
// candidates goes to the one whose last digit is even, so 0.125 -> "0.12",
// 0.375 -> "0.38", 2.5 -> "2" at precision 0.  The sign is printed from the
// sign bit, so -0.0 and negative values that round to zero keep their '-'
// ("-0.00000" for -1e-9 with %.5f).  Non-finite values are "inf", "-inf",
// "nan", "-nan" (sign bit again), and both the ' ' flag and the width apply to
// them as to numbers.
//
// Fast path (precision <= 17, rounded result below 2^64):
//   A finite double is x = m * 2^e with an integer 0 <= m < 2^53 and
//   -1074 <= e <= 971.  Then
//       x * 10^p = m * 5^p * 2^(e+p)
//   and M = m * 5^p < 2^53 * 5^17 < 2^93 is an exact unsigned 128-bit integer.
//   With q = e + p:
//     q >= 0: x * 10^p = M << q is an integer; no rounding at all.
//     q <  0: x * 10^p = M / 2^s with s = -q.  The quotient N = M >> s and
//             the remainder r = M mod 2^s are exact, and r is compared with
//             the exact half 2^(s-1): above rounds up, below rounds down, equal
//             rounds to even N.  When s >= 94 we have M < 2^93 <= 2^(s-1), so
//             the value is below one half and N = 0.
//   Every step is integer arithmetic on the exact value, so N is precisely
//   the correctly rounded x * 10^p (ties to even) that glibc prints; the
//   digits of N with a '.' inserted before the last p of them are the output.
//   Anything that does not fit (N >= 2^64, precision > 17, inf/nan) goes to
//   the general path.
//
// General path: std::to_chars(..., chars_format::fixed, precision) from
// libstdc++ is exact for every double and precision and also rounds exact
// ties to even, giving the same digits as glibc; we format |x| with it and
// add sign, blank and padding ourselves so that those follow printf's rules
// independently of to_chars.

#include "output/numfmt.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
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

// Number of decimal digits of n (1 for n == 0).
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

std::size_t general_impl(char *out, double x, std::size_t w, int precision, bool space_flag, bool left_flag) {
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
    // Room the caller guarantees beyond the sign: 309 integer digits,
    // '.', `precision` fraction digits.
    const std::size_t room =
        static_cast<std::size_t>(kMaxFixedIntDigits) + 1 + static_cast<std::size_t>(precision);
    auto res = std::to_chars(out + n, out + n + room, ax, std::chars_format::fixed, precision);
    if (res.ec == std::errc()) {
      n = static_cast<std::size_t>(res.ptr - out);
    } else {
      // Cannot happen with the room above; keep the output well-formed
      // anyway by letting the C library do it.
      int k = std::snprintf(out + n, room, "%.*f", precision, ax);
      n += k > 0 ? std::min(static_cast<std::size_t>(k), room - 1) : 0;
    }
  }
  return pad_field(out, n, w, left_flag);
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

namespace numfmt_detail {
std::size_t format_fixed_general(char *out, double x, int width, int precision, bool space_flag,
                                 bool left_flag) noexcept {
  std::size_t w;
  normalize_args(width, precision, left_flag, w);
  return general_impl(out, x, w, precision, space_flag, left_flag);
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
    return general_impl(out, x, w, precision, space_flag, left_flag);

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
    if (q >= 64 || (big >> (64 - q)) != 0) return general_impl(out, x, w, precision, space_flag, left_flag);
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
      if ((ip >> 64) != 0) return general_impl(out, x, w, precision, space_flag, left_flag);
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

// ---------------------------------------------------------------------------
// OutBuf

OutBuf::OutBuf(std::FILE *f) : f_(f), buf_(new char[kCapacity]) {}

OutBuf::~OutBuf() { flush(); }

void OutBuf::write_out(const char *p, std::size_t n) {
  if (n == 0) return;
  if (std::fwrite(p, 1, n, f_) != n) ok_ = false;
}

bool OutBuf::flush() {
  write_out(buf_.get(), len_);
  len_ = 0;
  return ok_;
}

void OutBuf::put(std::string_view s) {
  if (s.size() <= kCapacity - len_) {
    std::memcpy(buf_.get() + len_, s.data(), s.size());
    len_ += s.size();
    return;
  }
  flush();
  if (s.size() >= kCapacity) {
    write_out(s.data(), s.size());
  } else {
    std::memcpy(buf_.get(), s.data(), s.size());
    len_ = s.size();
  }
}

void OutBuf::fixed(double x, int width, int precision, bool space, bool left) {
  // Common case: small width and precision, whose bound is well under 512.
  if (static_cast<unsigned>(width) <= 128 && static_cast<unsigned>(precision) <= 128) {
    if (kCapacity - len_ < 512) flush();
    len_ += format_fixed(buf_.get() + len_, x, width, precision, space, left);
    return;
  }
  const std::size_t need = fixed_max_len(width, precision);
  if (need > kCapacity - len_) flush();
  if (need <= kCapacity) {
    len_ += format_fixed(buf_.get() + len_, x, width, precision, space, left);
  } else {
    std::unique_ptr<char[]> tmp(new char[need]);
    write_out(tmp.get(), format_fixed(tmp.get(), x, width, precision, space, left));
  }
}
