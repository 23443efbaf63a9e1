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

void open_input(LineReader &in, const char *path, const char *name) {
  if (!in.open(path)) error("Can't read file %s\n", name);
}

void require_regular_file(const char *path, const char *name) {
  // The file is read more than once from its start, which only a regular
  // file allows: a FIFO would hang on its second opening, a device such as
  // /dev/zero never ends. stat follows symbolic links, so a link to a table
  // is that table; standard input comes as a copy in a regular file.
  // Directories fail further on.
  struct stat st;
  if (stat(path, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
    error("Can't read file %s\n", name);
}

long progress_figure(double q) {
  // A file that changed size since it was measured can make the quotient
  // huge or not a number, which must not reach the cast.
  if (!(q > -1e18 && q < 1e18)) return 999;
  return static_cast<long>(q);
}

namespace {

bool ends_line(const char *s, std::size_t len) { return len > 0 && s[len - 1] == '\n'; }

// Passes over the line that --names makes the names of the columns: the
// first line that is no comment, however long.
void skip_names_line(LineReader &infil) {
  char piece[256];
  std::size_t len = 0;
  if (myfgets(piece, sizeof piece, infil, &len) != nullptr && !ends_line(piece, len)) infil.skip_line();
}

}  // namespace

long first_data_line_length(LineReader &infil) {
  const long start = infil.tell();
  const long newlines = infil.newlines();
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
  infil.seek(start, newlines);
  return length;
}

Examination examine_file(const char *name, LineBuffer &line, const Reporter &report, LineReader &infil,
                         const char *path, ReadAhead *ahead, const ReadChoices &choices) {
  Examination ex;
  if (path == nullptr) path = name;
  require_regular_file(path, name);
  open_input(infil, path, name);
  report.progress("\nExamining file: %s\n", name);
  if (choices.names) skip_names_line(infil);
  long p_pos = infil.tell();
  std::size_t len = 0;
  if (myfgets(line.data(), line.size(), infil, &len) == nullptr) error("Can't read file");
  while (!ends_line(line.data(), len) && !infil.eof()) {
    report.message("Line to long (>%ld). Rereading.\n", line.size());
    line.grow();
    infil.seek(p_pos);
    if (myfgets(line.data(), line.size(), infil, &len) == nullptr) error("Can't read file\n");
  }
  // With --missing the first line is counted as the reading pass counts,
  // missing-value words included.
  ex.cols = choices.missing ? count_read_values(line.data()) : static_cast<unsigned>(scanline(line.data()));
  if (ex.cols == 0) error("Too few variables\n");
  ex.fsize = infil.size();
  infil.close();

  // The read-ahead reads the table as it stands, without --names or --missing.
  if (ahead != nullptr && !choices.names && !choices.missing) {
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
  if (choices.names) skip_names_line(infil);
  unsigned rows = 0;
  while (!infil.eof() && myfgets(line.data(), line.size(), infil) != nullptr) ++rows;
  ex.rows = rows;
  infil.close();

  open_input(infil, path, name);
  return ex;
}

unsigned parse_line(const char *text, double *row, const int *sortarr, unsigned g_cols, unsigned r,
                    const Reporter &report, bool missing) {
  bool cut = false;
  const auto put = [&](unsigned c, double x) { row[sortarr[c]] = x; };
  const unsigned count =
      missing ? take_read_values(text, g_cols, &cut, put) : take_read_numbers(text, g_cols, &cut, put);
  if (cut) report.note("Line contains to many columns (>%u colums). Truncating row %u.\n", g_cols, r);
  return count;
}

void read_file(LineReader &infil, unsigned *Rows, unsigned *Columns, long fsize, DataStore &store,
               unsigned g_rows, unsigned g_cols, const Reporter &report, const ReadChoices &choices,
               LeftOut *left_out) {
  if (choices.names) skip_names_line(infil);
  // The buffer starts a quarter larger than the first data line.
  long line_len = 5 * first_data_line_length(infil) / 4;
  if (line_len < 256) line_len = 256;

  LineBuffer buff("buff", line_len);
  long restart = infil.tell();
  long restart_newlines = infil.newlines();
  unsigned read = 0;  // data lines read; those stored are fewer by the rows left out
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
      infil.seek(restart, restart_newlines);
      if (myfgets(buff.data(), buff.size(), infil, &len) == nullptr) {
        reread_failed = true;
        break;
      }
    }
    if (reread_failed) break;
    if (read >= g_rows) error("Too many data series: >%d\a\n", g_rows);

    unsigned count =
        parse_line(buff.data(), store.dd[stored], sortarr, g_cols, read, report, choices.missing);
    if (row_length == 0) {
      row_length = count;
    } else if (count != row_length) {
      if (!infil.eof()) error("Wrong row length: Row %d\a\n", read + 1);
      break;  // a short last line without a newline is dropped
    }

    restart = infil.tell();
    restart_newlines = infil.newlines();
    long progress = progress_figure(static_cast<double>(restart) / percent);
    if (progress != last_progress) {
      report.status("%03ld%%\r", progress);
      last_progress = progress;
    }
    ++read;
    if (choices.missing && has_nan(store.dd[stored], g_cols)) {
      // The line's own line feed is counted already, unless it is the last
      // line and has none.
      if (left_out != nullptr)
        left_out->add(ends_line(buff.data(), len) ? restart_newlines : restart_newlines + 1);
    } else {
      ++stored;
    }
  }
  report.status("\r    \r");
  *Rows = stored;
  *Columns = row_length;
}
