#include "myfgets.h"

#include <cstring>

namespace {
constexpr std::size_t kChunk = 1 << 16;
}

bool LineReader::open(const char *name) {
  close();
  f_ = std::fopen(name, "r");
  if (f_ == nullptr) return false;
  std::setvbuf(f_, nullptr, _IOFBF, 32767);
  if (!buf_) {
    buf_ = std::make_unique<char[]>(kChunk);
    cap_ = kChunk;
  }
  pos_ = end_ = 0;
  base_ = 0;
  newlines_ = 0;
  eof_ = false;
  return true;
}

void LineReader::close() {
  if (f_ != nullptr) std::fclose(f_);
  f_ = nullptr;
}

bool LineReader::refill() {
  base_ += static_cast<long long>(end_);
  pos_ = end_ = 0;
  std::size_t got = std::fread(buf_.get(), 1, cap_, f_);
  end_ = got;
  if (got == 0) {
    eof_ = true;  // end of file or a read error: nothing more comes
    return false;
  }
  return true;
}

bool LineReader::gets(char *s, std::size_t n, std::size_t *len) {
  std::size_t out = 0;
  *len = 0;
  if (n < 2) return false;  // no room for a byte and the NUL
  const std::size_t want = n - 1;
  while (out < want) {
    if (pos_ == end_ && !refill()) break;
    std::size_t avail = end_ - pos_;
    std::size_t take = want - out < avail ? want - out : avail;
    const char *from = buf_.get() + pos_;
    const void *nl = std::memchr(from, '\n', take);
    if (nl != nullptr) take = static_cast<const char *>(nl) - from + 1;
    std::memcpy(s + out, from, take);
    out += take;
    pos_ += take;
    if (nl != nullptr) {
      ++newlines_;
      break;
    }
  }
  *len = out;
  if (out == 0) return false;
  s[out] = '\0';
  return true;
}

void LineReader::skip_line() {
  for (;;) {
    if (pos_ == end_ && !refill()) return;
    const char *from = buf_.get() + pos_;
    const void *nl = std::memchr(from, '\n', end_ - pos_);
    if (nl != nullptr) {
      pos_ += static_cast<const char *>(nl) - from + 1;
      ++newlines_;
      return;
    }
    pos_ = end_;
  }
}

int LineReader::getc() {
  if (pos_ == end_ && !refill()) return EOF;
  const unsigned char c = static_cast<unsigned char>(buf_[pos_++]);
  if (c == '\n') ++newlines_;
  return c;
}

bool LineReader::seek(long offset, long newlines) {
  if (std::fseek(f_, offset, SEEK_SET) != 0) return false;
  base_ = offset;
  newlines_ = newlines;
  pos_ = end_ = 0;
  eof_ = false;
  return true;
}

long LineReader::size() {
  if (std::fseek(f_, 0, SEEK_END) != 0) return -1;
  long at = std::ftell(f_);
  base_ = at;
  pos_ = end_ = 0;
  return at;
}

char *myfgets_c(char *s, std::size_t n, LineReader &in, const char *commentchars, std::size_t *len) {
  std::size_t got = 0;
  for (;;) {
    if (!in.gets(s, n, &got)) return nullptr;
    // A NUL first byte counts as a comment character, as with strchr.
    if (commentchars == nullptr || std::strchr(commentchars, s[0]) == nullptr) break;
    if (s[got - 1] != '\n') in.skip_line();
  }
  if (len != nullptr) *len = got;
  return s;
}

char *myfgets(char *s, std::size_t n, LineReader &in, std::size_t *len) {
  return myfgets_c(s, n, in, kCommentMarks, len);
}
