// Reading an input once instead of counting its lines first.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <vector>

#include "myfgets.h"
#include "reporter.h"
#include "tables/datastore.h"

// The rows of an input read in one pass before its tables exist, with what
// the reading pass reports on the way, to be told when the tables do.
//
// The examination counts the data lines with the driver's line buffer and the
// reading pass reads them with a buffer sized from the first data line; the
// output of both depends on the pieces a longer line falls into. Where every
// data line fits both buffers, the pieces are the lines, so one pass can count
// and read them at once and give the same count, the same values and the same
// progress figures and notices, in the same order. At the first line that
// does not fit, the read-ahead gives up and the input is counted and read as
// before.
class ReadAhead {
 public:
  ReadAhead() = default;
  ReadAhead(const ReadAhead &) = delete;
  ReadAhead &operator=(const ReadAhead &) = delete;
  ~ReadAhead();

  // Reads `infil` from its start: the data lines of `cols` numbers, with
  // pieces of at most `count_buffer` - 1 bytes as the examination counts
  // them, and `fsize` bytes in all for the progress figure. False, with
  // nothing kept, when a line does not fit; then `infil` is to be read again
  // from its start.
  bool read(LineReader &infil, unsigned cols, long count_buffer, long fsize);

  // The data lines counted: the row capacity of the table.
  unsigned lines() const { return lines_; }

  // Puts the rows into store.dd (file column c of row r into
  // dd[r][sortarr[c]]) and tells what the reading pass tells, in its order:
  // the progress figures, the rows cut short, and the wrong row length that
  // ends the run. *Rows and *Columns get the size of the table read. The
  // rows were read into the memory dd is to use, so they are not copied:
  // dd takes that memory over in place of its own.
  void deliver(DataStore &store, unsigned *Rows, unsigned *Columns, const Reporter &report);

 private:
  struct Event {
    enum Kind { progress, cut } kind;
    long value;  // the figure, or the row cut short
  };
  bool reserve(long fsize);
  bool make_writable(std::size_t bytes);
  void release();

  unsigned cols_ = 0;
  unsigned lines_ = 0;
  unsigned stored_ = 0;
  unsigned row_length_ = 0;
  unsigned bad_row_ = 0;  // 1-based row of a wrong row length, 0 for none
  std::vector<Event> events_;
  // The values, file columns in file order, row after row in one range of
  // addresses reserved for as many rows as the file can hold (two bytes a
  // number at least) and made usable a few MB at a time as rows come in.
  double *rows_ = nullptr;
  std::size_t capacity_ = 0;  // rows the reserved range holds
  std::size_t reserved_ = 0;  // bytes reserved
  std::size_t writable_ = 0;  // bytes usable from the start
};
