// Line reading that skips comment lines, over an input file read in large chunks.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

// An input file opened for reading with a fully buffered stream. Reads pieces
// of lines as fgets does, but knows how many bytes each piece holds, so that a
// NUL byte inside a line cannot hide the line's newline. eof() becomes true
// exactly when fgets would have set the stream's end-of-file indicator.
class LineReader {
 public:
  LineReader() = default;
  LineReader(const LineReader &) = delete;
  LineReader &operator=(const LineReader &) = delete;
  ~LineReader() { close(); }

  // fopen(name, "r") with a 32767-byte full buffer; false when it fails.
  bool open(const char *name);
  void close();
  bool is_open() const { return f_ != nullptr; }

  // Like fgets(s, n, stream): up to n - 1 bytes, up to and including a
  // newline, then a NUL. Returns false when nothing could be read. *len gets
  // the number of bytes read (NULs inside the line included).
  bool gets(char *s, std::size_t n, std::size_t *len);
  // Skips the rest of the current line, its newline included.
  void skip_line();
  // The next byte, or EOF.
  int getc();

  bool eof() const { return eof_; }
  long tell() const { return static_cast<long>(base_ + pos_); }
  // Absolute; clears eof(). `newlines` is the count of line feeds before
  // `offset`, for newlines() to go on from.
  bool seek(long offset, long newlines = 0);
  long size();  // seeks to the end and returns the offset there
  // The line feeds read, skipped or taken by getc since the file was opened
  // (or since the offset of the last seek): the number of the physical line
  // being read, less one.
  long newlines() const { return newlines_; }

 private:
  bool refill();

  std::FILE *f_ = nullptr;
  std::unique_ptr<char[]> buf_;
  std::size_t cap_ = 0, pos_ = 0, end_ = 0;
  long long base_ = 0;  // file offset of buf_[0]
  long newlines_ = 0;
  bool eof_ = false;
};

// Reads a piece with in.gets, again and again while it starts with one of the
// characters of `commentchars` or with a NUL byte. A comment line is skipped
// whole, however long. With a null `commentchars` it is a plain read.
// Returns s, or null at the end of the file.
char *myfgets_c(char *s, std::size_t n, LineReader &in, const char *commentchars, std::size_t *len = nullptr);

// The first characters that make a line a comment, in every table mavek
// reads.
inline constexpr char kCommentMarks[] = "#;!";

// myfgets_c with the comment characters kCommentMarks.
char *myfgets(char *s, std::size_t n, LineReader &in, std::size_t *len = nullptr);
