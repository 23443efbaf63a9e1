#include "output/outbuf.h"

#include <cstring>

#include "output/numfmt.h"

OutBuf::OutBuf(std::FILE *f) : f_(f), buf_(new char[kCapacity]) {}

OutBuf::OutBuf(std::string &text) : text_(&text), buf_(new char[kCapacity]) {}

OutBuf::~OutBuf() { flush(); }

void OutBuf::write_out(const char *p, std::size_t n) {
  if (n == 0) return;
  if (text_ != nullptr) {
    text_->append(p, n);
    return;
  }
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

template <class Format>
void OutBuf::append(std::size_t need, const Format &format) {
  if (need > kCapacity - len_) flush();
  if (need <= kCapacity) {
    len_ += format(buf_.get() + len_);
  } else {
    std::unique_ptr<char[]> tmp(new char[need]);
    write_out(tmp.get(), format(tmp.get()));
  }
}

namespace {
// Common case of the floating conversions: small width and precision, whose
// bounds are all well under 512.
inline bool small_args(int width, int precision) {
  return static_cast<unsigned>(width) <= 128 && static_cast<unsigned>(precision) <= 128;
}
}  // namespace

void OutBuf::fixed(double x, int width, int precision, bool space, bool left) {
  append(small_args(width, precision) ? 512 : fixed_max_len(width, precision),
         [&](char *d) { return format_fixed(d, x, width, precision, space, left); });
}

void OutBuf::scientific(double x, int width, int precision, bool space, bool left) {
  append(small_args(width, precision) ? 512 : scientific_max_len(width, precision),
         [&](char *d) { return format_scientific(d, x, width, precision, space, left); });
}

void OutBuf::general(double x, int width, int precision, bool space, bool left) {
  append(small_args(width, precision) ? 512 : general_max_len(width, precision),
         [&](char *d) { return format_general(d, x, width, precision, space, left); });
}

void OutBuf::integer(long long v, int width, bool left) {
  append(integer_max_len(width), [&](char *d) { return format_integer(d, v, width, left); });
}

void OutBuf::unsigned_integer(unsigned long long v, int width, bool left) {
  append(integer_max_len(width), [&](char *d) { return format_unsigned(d, v, width, left); });
}
