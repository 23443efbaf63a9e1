#include "input/readahead.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstring>
#include <new>

#include "contract/lines.h"
#include "diagnostics.h"
#include "input/reader.h"

namespace {

// The range is reserved in whole huge pages and made usable in blocks of two,
// so that a block costs two page faults where it would cost a thousand.
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kBlockBytes = 2 * kHugePage;

std::size_t round_up(std::size_t bytes, std::size_t unit) { return (bytes + unit - 1) / unit * unit; }

}  // namespace

ReadAhead::~ReadAhead() { release(); }

void ReadAhead::release() {
  if (rows_ != nullptr) munmap(rows_, reserved_);
  rows_ = nullptr;
  capacity_ = reserved_ = writable_ = 0;
}

// Reserves addresses, not memory, for the most rows of cols_ numbers that
// `fsize` bytes can hold: a number and what ends it take two bytes at least.
// False when even that cannot be had.
bool ReadAhead::reserve(long fsize) {
  const std::size_t row_bytes = std::size_t{cols_} * sizeof(double);
  const std::size_t capacity =
      (fsize > 0 ? static_cast<std::size_t>(fsize) : 0) / (2 * std::size_t{cols_}) + 2;
  std::size_t bytes = 0;
  if (__builtin_mul_overflow(capacity, row_bytes, &bytes) || bytes > (std::size_t{1} << 46)) return false;
  bytes = round_up(bytes, kHugePage);
  // A range one huge page larger is cut down to an aligned one.
  const std::size_t span = bytes + kHugePage;
  void *p = mmap(nullptr, span, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) return false;
  char *start = static_cast<char *>(p);
  char *aligned = start + (kHugePage - reinterpret_cast<std::uintptr_t>(start) % kHugePage) % kHugePage;
  if (aligned > start) munmap(start, static_cast<std::size_t>(aligned - start));
  const std::size_t after = span - static_cast<std::size_t>(aligned - start) - bytes;
  if (after > 0) munmap(aligned + bytes, after);
  (void)madvise(aligned, bytes, MADV_HUGEPAGE);
  rows_ = reinterpret_cast<double *>(aligned);
  capacity_ = capacity;
  reserved_ = bytes;
  return true;
}

// Makes the first `bytes` of the range usable; false when the system has no
// memory for them.
bool ReadAhead::make_writable(std::size_t bytes) {
  if (bytes <= writable_) return true;
  std::size_t to = round_up(bytes, kBlockBytes);
  if (to > reserved_) to = reserved_;
  if (mprotect(reinterpret_cast<char *>(rows_) + writable_, to - writable_, PROT_READ | PROT_WRITE) != 0)
    return false;
  writable_ = to;
  return true;
}

bool ReadAhead::read(LineReader &infil, unsigned cols, long count_buffer, long fsize) {
  cols_ = cols;
  if (!reserve(fsize)) return false;
  // The reading pass's buffer, and the smaller of it and the examination's:
  // a line that fits that one is one piece for both.
  long line_len = 5 * first_data_line_length(infil) / 4;
  if (line_len < 256) line_len = 256;
  const long size = line_len < count_buffer ? line_len : count_buffer;
  LineBuffer buff("buff", size);

  const double percent = static_cast<double>(fsize) * 0.01;
  long last_progress = -1;
  bool ended = false;  // the reading pass is over; the count goes on
  try {
    while (!infil.eof()) {
      std::size_t len = 0;
      if (myfgets(buff.data(), buff.size(), infil, &len) == nullptr) break;
      if ((len == 0 || buff.data()[len - 1] != '\n') && !infil.eof()) {
        release();
        return false;  // a piece of a longer line
      }
      ++lines_;
      if (ended) continue;
      if (stored_ == capacity_) {
        release();
        return false;  // more rows than the reckoning allowed for
      }
      if (!make_writable((std::size_t{stored_} + 1) * cols_ * sizeof(double))) throw std::bad_alloc();
      bool cut = false;
      double *values = rows_ + std::size_t{stored_} * cols_;
      const unsigned count =
          take_read_numbers(buff.data(), cols, &cut, [values](unsigned c, double x) { values[c] = x; });
      if (cut) events_.push_back(Event{Event::cut, static_cast<long>(stored_)});
      if (row_length_ == 0) {
        row_length_ = count;
      } else if (count != row_length_) {
        // Before the end of the file the run ends here; a short last line
        // without a newline is dropped.
        if (!infil.eof()) bad_row_ = stored_ + 1;
        ended = true;
        continue;
      }
      const long progress = progress_figure(static_cast<double>(infil.tell()) / percent);
      if (progress != last_progress) {
        events_.push_back(Event{Event::progress, progress});
        last_progress = progress;
      }
      ++stored_;
    }
  } catch (const std::bad_alloc &) {
    release();
    throw;
  }
  return true;
}

void ReadAhead::deliver(DataStore &store, unsigned *Rows, unsigned *Columns, const Reporter &report) {
  const int *sortarr = store.sortarr.get();
  bool natural = true;
  for (unsigned c = 0; c < cols_; ++c) natural = natural && sortarr[c] == static_cast<int>(c);
  const std::size_t row_bytes = std::size_t{cols_} * sizeof(double);
  // dd takes the range over when it holds dd's every row: the rows read,
  // then zeros (the row a wrong length ended was written and is cleared).
  if (lines_ > 0 && lines_ <= capacity_ && store.dd.rows() == lines_ && store.dd.columns() == cols_ &&
      make_writable(std::size_t{lines_} * row_bytes)) {
    if (stored_ < lines_) std::memset(rows_ + std::size_t{stored_} * cols_, 0, row_bytes);
    if (!natural) {
      std::vector<double> file_order(cols_);
      for (std::size_t r = 0; r < stored_; ++r) {
        double *values = rows_ + r * cols_;
        std::memcpy(file_order.data(), values, row_bytes);
        for (unsigned c = 0; c < cols_; ++c) values[sortarr[c]] = file_order[c];
      }
    }
    store.dd.adopt(rows_, reserved_);
    rows_ = nullptr;
  } else {
    for (std::size_t r = 0; r < stored_; ++r) {
      double *to = store.dd[r];
      const double *from = rows_ + r * cols_;
      for (unsigned c = 0; c < cols_; ++c) to[sortarr[c]] = from[c];
    }
  }
  release();

  for (const Event &e : events_) {
    if (e.kind == Event::progress)
      report.status("%03ld%%\r", e.value);
    else
      report.note("Line contains to many columns (>%u colums). Truncating row %u.\n", cols_,
                  static_cast<unsigned>(e.value));
  }
  if (bad_row_ != 0) error("Wrong row length: Row %d\a\n", bad_row_);
  report.status("\r    \r");
  *Rows = stored_;
  *Columns = row_length_;
}
