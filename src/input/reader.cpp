#include "input/reader.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "contract/lines.h"
#include "diagnostics.h"
#include "input/readahead.h"

LineBuffer::LineBuffer(const char *name, long size) : name_(name), size_(size) {
  data_ = static_cast<char *>(std::malloc(size_));
  if (data_ == nullptr) error("Not enough memory (%s, %ld)", name_, size_);
}

LineBuffer::~LineBuffer() { std::free(data_); }

void LineBuffer::grow() {
  long bigger = size_ * 2;
  char *p = static_cast<char *>(std::realloc(data_, bigger));
  if (p == nullptr) error("Not enough memory (%s, %ld)", name_, bigger);
  data_ = p;
  size_ = bigger;
}

namespace {

void open_input(LineReader &in, const char *path, const char *name) {
  if (!in.open(path)) error("Can't read file %s\n", name);
}

bool ends_line(const char *s, std::size_t len) { return len > 0 && s[len - 1] == '\n'; }

}  // namespace

long progress_figure(double q) {
  // A file that changed size since it was measured can make the quotient
  // huge or not a number, which must not reach the cast.
  if (!(q > -1e18 && q < 1e18)) return 999;
  return static_cast<long>(q);
}

long first_data_line_length(LineReader &infil) {
  const long start = infil.tell();
  int ch = infil.getc();
  while (is_comment_mark(ch)) {
    infil.skip_line();
    ch = infil.getc();
  }
  long length = 0;
  while (ch != '\n' && ch != EOF) {
    ++length;
    ch = infil.getc();
  }
  infil.seek(start);
  return length;
}

Examination examine_file(const char *name, LineBuffer &line, const Reporter &report, LineReader &infil,
                         const char *path, ReadAhead *ahead) {
  Examination ex;
  if (path == nullptr) path = name;
  // The file is read three times from its start, which only a regular file
  // allows: a FIFO would hang on its second opening, a device such as
  // /dev/zero never ends. stat follows symbolic links, so a link to a table
  // is that table; standard input comes as a copy in a regular file.
  // Directories fail further on.
  struct stat st;
  if (stat(path, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
    error("Can't read file %s\n", name);
  open_input(infil, path, name);
  report.progress("\nExamining file: %s\n", name);
  long p_pos = infil.tell();
  std::size_t len = 0;
  if (myfgets(line.data(), line.size(), infil, &len) == nullptr) error("Can't read file");
  while (!ends_line(line.data(), len) && !infil.eof()) {
    report.message("Line to long (>%ld). Rereading.\n", line.size());
    line.grow();
    infil.seek(p_pos);
    if (myfgets(line.data(), line.size(), infil, &len) == nullptr) error("Can't read file\n");
  }
  ex.cols = static_cast<unsigned>(scanline(line.data()));
  if (ex.cols == 0) error("Too few variables\n");
  ex.fsize = infil.size();
  infil.close();

  if (ahead != nullptr) {
    open_input(infil, path, name);
    ex.read_ahead = ahead->read(infil, ex.cols, line.size(), ex.fsize);
    if (ex.read_ahead) {
      ex.rows = ahead->lines();
      infil.close();
      return ex;
    }
    infil.close();
  }

  open_input(infil, path, name);
  unsigned rows = 0;
  while (!infil.eof() && myfgets(line.data(), line.size(), infil) != nullptr) ++rows;
  ex.rows = rows;
  infil.close();

  open_input(infil, path, name);
  return ex;
}

unsigned parse_line(const char *text, double *row, const int *sortarr, unsigned g_cols, unsigned r,
                    const Reporter &report) {
  bool cut = false;
  const unsigned count =
      take_read_numbers(text, g_cols, &cut, [&](unsigned c, double x) { row[sortarr[c]] = x; });
  if (cut) report.note("Line contains to many columns (>%u colums). Truncating row %u.\n", g_cols, r);
  return count;
}

void read_file(LineReader &infil, unsigned *Rows, unsigned *Columns, long fsize, DataStore &store,
               unsigned g_rows, unsigned g_cols, const Reporter &report) {
  // The buffer starts a quarter larger than the first data line.
  long line_len = 5 * first_data_line_length(infil) / 4;
  if (line_len < 256) line_len = 256;

  LineBuffer buff("buff", line_len);
  long restart = infil.tell();
  unsigned stored = 0;
  unsigned row_length = 0;
  long last_progress = -1;
  const double percent = static_cast<double>(fsize) * 0.01;
  const int *sortarr = store.sortarr.get();

  while (!infil.eof()) {
    std::size_t len = 0;
    if (myfgets(buff.data(), buff.size(), infil, &len) == nullptr) break;
    bool reread_failed = false;
    while (!ends_line(buff.data(), len) && !infil.eof()) {
      report.message("Line to long (>%ld). Rereading.\n", buff.size());
      buff.grow();
      infil.seek(restart);
      if (myfgets(buff.data(), buff.size(), infil, &len) == nullptr) {
        reread_failed = true;
        break;
      }
    }
    if (reread_failed) break;
    if (stored >= g_rows) error("Too many data series: >%d\a\n", g_rows);

    unsigned count = parse_line(buff.data(), store.dd[stored], sortarr, g_cols, stored, report);
    if (row_length == 0) {
      row_length = count;
    } else if (count != row_length) {
      if (!infil.eof()) error("Wrong row length: Row %d\a\n", stored + 1);
      break;  // a short last line without a newline is dropped
    }

    restart = infil.tell();
    long progress = progress_figure(static_cast<double>(restart) / percent);
    if (progress != last_progress) {
      report.status("%03ld%%\r", progress);
      last_progress = progress;
    }
    ++stored;
  }
  report.status("\r    \r");
  *Rows = stored;
  *Columns = row_length;
}
