// Examining and reading an input file into the data table.
#pragma once

#include <cstddef>

#include "input/listwise.h"
#include "myfgets.h"
#include "reporter.h"
#include "tables/datastore.h"

// A line buffer that only ever doubles: the driver's "line" (40960 bytes at
// start-up) and the reading pass's "buff". Running out of memory ends the run
// with "Not enough memory (<name>, <bytes>)".
class LineBuffer {
 public:
  explicit LineBuffer(const char *name = "line", long size = 40960);
  LineBuffer(const LineBuffer &) = delete;
  LineBuffer &operator=(const LineBuffer &) = delete;
  ~LineBuffer();

  char *data() const { return data_; }
  long size() const { return size_; }
  void grow();  // doubles the size

 private:
  const char *name_;
  char *data_ = nullptr;
  long size_ = 0;
};

// What --names and --missing change in reading a whitespace table.
struct ReadChoices {
  bool names = false;    // the first data line names the columns: it is passed over
  bool missing = false;  // missing-value words are values; rows with one or a NaN are left out
};

// What the examination finds out about a file.
struct Examination {
  unsigned cols = 0;        // numbers on the first data line
  unsigned rows = 0;        // data pieces counted: the row capacity of the table
  long fsize = 0;           // bytes
  bool read_ahead = false;  // the rows were read with the count (see ReadAhead)
};

// Ends the run with "Can't read file NAME" unless `path` is a regular file
// (or a directory, which fails later) or does not exist: every input is read
// more than once from its start. `name` is the name shown.
void require_regular_file(const char *path, const char *name);

// Opens `path` into `in`, or ends the run with "Can't read file NAME".
void open_input(LineReader &in, const char *path, const char *name);

class ReadAhead;

// Opens the file three times in turn: reads its first data line (growing
// `line` while it does not fit) and counts its numbers, measures the file,
// counts its data lines, and leaves `infil` open at the start of the file for
// reading. The file opened is `path`, or `name` when `path` is null; messages
// name it `name` (standard input, "-", is read from a copy). With `ahead`,
// the count and the reading are one pass where every data line fits the
// buffers: then read_ahead is set, `ahead` holds the rows and `infil` is
// closed; otherwise the file is counted and left open as before. `choices`
// are --names and --missing; with either, `ahead` is not used.
Examination examine_file(const char *name, LineBuffer &line, const Reporter &report, LineReader &infil,
                         const char *path = nullptr, ReadAhead *ahead = nullptr,
                         const ReadChoices &choices = {});

// Reads every data line of `infil` into store.dd, file column c of row r going
// to dd[r][sortarr[c]]. g_rows is the row capacity, g_cols the row length
// that longer lines are cut to. On return *Rows and *Columns hold the size of
// the table read. With choices.missing the rows left out are counted in
// *left_out.
void read_file(LineReader &infil, unsigned *Rows, unsigned *Columns, long fsize, DataStore &store,
               unsigned g_rows, unsigned g_cols, const Reporter &report, const ReadChoices &choices = {},
               LeftOut *left_out = nullptr);

// The numbers at the start of the NUL-terminated text `text`, stored into
// `row` through `sortarr`, at most g_cols of them (with the truncation
// message for row index `r` when the line holds more); with `missing`,
// missing-value words too, as NaN. Returns the count.
unsigned parse_line(const char *text, double *row, const int *sortarr, unsigned g_cols, unsigned r,
                    const Reporter &report, bool missing = false);

// The progress figure of the reading pass for the quotient q (position over
// a hundredth of the size), truncated toward zero.
long progress_figure(double q);

// The length of the first line of `infil` that does not start with a comment
// mark, its newline not counted; `infil` is left where it was.
long first_data_line_length(LineReader &infil);
