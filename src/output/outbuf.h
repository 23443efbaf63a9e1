// The output buffer of every result writer and the terminal table.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

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
  // Collects into `text` instead of a stream: flush() appends to it.
  explicit OutBuf(std::string &text);
  ~OutBuf();
  OutBuf(const OutBuf &) = delete;
  OutBuf &operator=(const OutBuf &) = delete;

  // Appends x formatted as by format_fixed(), format_scientific(),
  // format_general(), format_integer() and format_unsigned().
  void fixed(double x, int width, int precision, bool space = false, bool left = false);
  void scientific(double x, int width, int precision, bool space = false, bool left = false);
  void general(double x, int width, int precision, bool space = false, bool left = false);
  void integer(long long v, int width = 0, bool left = false);
  void unsigned_integer(unsigned long long v, int width = 0, bool left = false);

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
  // Runs format(char *dst) -> length on a place with room for `need` bytes:
  // the buffer (flushed first when it has less left), or a block of its own
  // when `need` exceeds the whole buffer.
  template <class Format>
  void append(std::size_t need, const Format &format);

  std::FILE *f_ = nullptr;
  std::string *text_ = nullptr;
  std::unique_ptr<char[]> buf_;
  std::size_t len_ = 0;
  bool ok_ = true;
};
