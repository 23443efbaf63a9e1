// Fast fixed-notation number formatting for bulk output.
//
// format_fixed() produces exactly the bytes glibc's printf produces for
// "%*.*f" (with the optional ' ' and '-' flags) in the "C" locale under the
// default rounding mode (round to nearest, ties to even on the exact binary
// value), but several times faster.  OutBuf is a small appender that collects
// output text in a 64 KiB buffer and hands it to a FILE* in big chunks.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string_view>

// Largest number of integer digits a finite double can have in fixed
// notation (DBL_MAX ~ 1.8e308 has 309 digits).
inline constexpr int kMaxFixedIntDigits = 309;

// Upper bound on the number of chars format_fixed(out, x, width, precision,
// ...) writes, for any x and any flags.  Negative width/precision are
// interpreted the way printf interprets them for '*' arguments.
std::size_t fixed_max_len(int width, int precision) noexcept;

// Writes x as printf("%*.*f", width, precision, x) would, optionally with the
// ' ' flag (blank before a non-negative value) and/or the '-' flag
// (left-justify), and returns the number of chars written.  No terminating
// NUL is written.  `out` must have room for at least
// fixed_max_len(width, precision) bytes (at least 311 + precision, or the
// width if larger); bytes past the returned length within that bound may be
// used as scratch space and hold arbitrary values afterwards.
//
// As with printf's '*': a negative width means left-justify in -width
// columns, and a negative precision means the default precision 6.
// Non-finite values are written as "inf", "-inf", "nan", "-nan" (the sign of
// a NaN is its sign bit), padded to the width like any other value.
std::size_t format_fixed(char *out, double x, int width, int precision, bool space_flag = false,
                         bool left_flag = false) noexcept;

namespace numfmt_detail {
// The general path that format_fixed() uses when its integer fast path does
// not apply (huge magnitudes, precision > 17, non-finite values).  Same
// contract as format_fixed(); exposed so tests can check it on its own.
std::size_t format_fixed_general(char *out, double x, int width, int precision, bool space_flag,
                                 bool left_flag) noexcept;
}  // namespace numfmt_detail

// Accumulates output text and hands full chunks to a FILE* with fwrite.
//
// flush() only passes the buffered bytes to the stream (fwrite); flushing or
// closing the stream itself stays with the owner of the FILE*.  The
// destructor calls flush(), so the OutBuf must be destroyed (or flushed)
// before its stream is closed.  If any fwrite comes back short, ok() turns
// false for good; the data that could not be written is dropped.
class OutBuf {
 public:
  static constexpr std::size_t kCapacity = 64 * 1024;

  explicit OutBuf(std::FILE *f);
  ~OutBuf();
  OutBuf(const OutBuf &) = delete;
  OutBuf &operator=(const OutBuf &) = delete;

  // Appends x formatted as by format_fixed().
  void fixed(double x, int width, int precision, bool space = false, bool left = false);

  void put(char c) {
    if (len_ == kCapacity) flush();
    buf_[len_++] = c;
  }
  void put(std::string_view s);

  // Hands everything buffered so far to the stream.  Returns ok().
  bool flush();

  // False once any fwrite to the stream has failed.
  bool ok() const noexcept { return ok_; }

  // Number of bytes currently held in the buffer (not yet given to fwrite).
  std::size_t pending() const noexcept { return len_; }

 private:
  void write_out(const char *p, std::size_t n);

  std::FILE *f_;
  std::unique_ptr<char[]> buf_;
  std::size_t len_ = 0;
  bool ok_ = true;
};
