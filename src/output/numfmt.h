// Fast number formatting for bulk output.
//
// Each format_* function produces exactly the bytes glibc's printf produces
// for one conversion in the "C" locale under the default rounding mode (round
// to nearest, ties to even on the exact binary value), but several times
// faster, into a buffer the caller provides:
//   format_fixed       "%*.*f"   with the optional ' ' and '-' flags
//   format_scientific  "%*.*e"   with the optional ' ' and '-' flags
//   format_general     "%*.*g"   with the optional ' ' and '-' flags (no '#')
//   format_integer     "%*lld"   with the optional '-' flag
//   format_unsigned    "%*llu"   with the optional '-' flag
// Why the results are exact: docs/numfmt.md.
//
// Common contract: no terminating NUL is written; the return value is the
// number of chars written.  `out` must have room for the bound that the
// matching *_max_len(width, precision) function returns; bytes past the
// returned length within that bound may be used as scratch space and hold
// arbitrary values afterwards.  As with printf's '*', a negative width means
// left-justify in -width columns and a negative precision means the default
// precision 6.  Non-finite values are written as "inf", "-inf", "nan", "-nan"
// (the sign of a NaN is its sign bit), with the ' ' flag and the width
// applied as to any other value.
#pragma once

#include <cstddef>

// Largest number of integer digits a finite double can have in fixed
// notation (DBL_MAX ~ 1.8e308 has 309 digits).
inline constexpr int kMaxFixedIntDigits = 309;

// Upper bound on the number of chars format_fixed(out, x, width, precision,
// ...) writes, for any x and any flags (at least 311 + precision, or the
// width if larger).
std::size_t fixed_max_len(int width, int precision) noexcept;

// Writes x as printf("%*.*f", width, precision, x) would, optionally with the
// ' ' flag (blank before a non-negative value) and/or the '-' flag
// (left-justify).
std::size_t format_fixed(char *out, double x, int width, int precision, bool space_flag = false,
                         bool left_flag = false) noexcept;

// Buffer bound for format_scientific: the width, or precision + 24 if larger.
std::size_t scientific_max_len(int width, int precision) noexcept;

// Writes x as printf("%*.*e", width, precision, x) would: one digit, the
// point and `precision` digits (no point for precision 0), 'e', the sign of
// the exponent and at least two exponent digits.  Flags as format_fixed.
std::size_t format_scientific(char *out, double x, int width, int precision, bool space_flag = false,
                              bool left_flag = false) noexcept;

// Buffer bound for format_general: the width, or precision + 24 if larger.
std::size_t general_max_len(int width, int precision) noexcept;

// Writes x as printf("%*.*g", width, precision, x) would (without the '#'
// flag): P = precision significant digits (1 for precision 0); with X the
// decimal exponent of x after rounding to P digits, fixed notation when
// -4 <= X < P and scientific otherwise; trailing zeros of the fraction and a
// bare trailing point removed.  Flags as format_fixed.
std::size_t format_general(char *out, double x, int width, int precision, bool space_flag = false,
                           bool left_flag = false) noexcept;

// Buffer bound for format_integer and format_unsigned: the width, or 36 if
// larger.
std::size_t integer_max_len(int width) noexcept;

// Writes v as printf("%*lld", width, v) would, left-justified with the '-'
// flag.
std::size_t format_integer(char *out, long long v, int width = 0, bool left_flag = false) noexcept;

// Writes v as printf("%*llu", width, v) would, left-justified with the '-'
// flag.
std::size_t format_unsigned(char *out, unsigned long long v, int width = 0, bool left_flag = false) noexcept;

namespace numfmt_detail {
// The general paths that the format_* functions use when their integer fast
// paths do not apply (magnitudes outside the 128-bit range, large precisions,
// non-finite values).  Same contracts as the public functions; exposed so
// tests can check them on their own.
std::size_t format_fixed_general(char *out, double x, int width, int precision, bool space_flag,
                                 bool left_flag) noexcept;
std::size_t format_scientific_general(char *out, double x, int width, int precision, bool space_flag,
                                      bool left_flag) noexcept;
std::size_t format_general_general(char *out, double x, int width, int precision, bool space_flag,
                                   bool left_flag) noexcept;
}  // namespace numfmt_detail
