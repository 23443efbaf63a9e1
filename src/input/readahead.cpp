#include "input/readahead.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstring>
#include <new>

#include "contract/lines.h"
#include "diagnostics.h"
#include "input/reader.h"

namespace {

// Blocks of whole huge pages, so that a block costs two page faults where
// it would cost a thousand.
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kBlockBytes = 2 * kHugePage;

}  // namespace

ReadAhead::~ReadAhead() { release(); }

void ReadAhead::release() {
  for (double *b : blocks_)
    if (b != nullptr) munmap(b, block_bytes_);
  blocks_.clear();
}

double *ReadAhead::row(std::size_t r) const {
  return blocks_[r / rows_per_block_] + (r % rows_per_block_) * cols_;
}

// Room for one more row; false when the system has no memory for it.
bool ReadAhead::add_row() {
  if (stored_ < blocks_.size() * rows_per_block_) return true;
  // A mapping one huge page larger is cut down to an aligned block.
  const std::size_t span = block_bytes_ + kHugePage;
  void *p = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return false;
  char *start = static_cast<char *>(p);
  char *aligned = start + (kHugePage - reinterpret_cast<std::uintptr_t>(start) % kHugePage) % kHugePage;
  if (aligned > start) munmap(start, static_cast<std::size_t>(aligned - start));
  const std::size_t after = span - static_cast<std::size_t>(aligned - start) - block_bytes_;
  if (after > 0) munmap(aligned + block_bytes_, after);
  (void)madvise(aligned, block_bytes_, MADV_HUGEPAGE);
  blocks_.push_back(reinterpret_cast<double *>(aligned));
  return true;
}

bool ReadAhead::read(LineReader &infil, unsigned cols, long count_buffer, long fsize) {
  cols_ = cols;
  rows_per_block_ = kBlockBytes / (sizeof(double) * cols);
  if (rows_per_block_ == 0) rows_per_block_ = 1;
  block_bytes_ = (rows_per_block_ * cols * sizeof(double) + kHugePage - 1) / kHugePage * kHugePage;
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
      if (!add_row()) throw std::bad_alloc();
      bool cut = false;
      double *values = row(stored_);
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
  // Block by block, each given back once copied, so that the rows are held
  // twice only one block at a time.
  for (std::size_t b = 0; b < blocks_.size(); ++b) {
    const std::size_t first = b * rows_per_block_;
    const std::size_t rows = stored_ - first < rows_per_block_ ? stored_ - first : rows_per_block_;
    const double *src = blocks_[b];
    if (natural && rows > 0) {
      std::memcpy(store.dd[first], src, rows * cols_ * sizeof(double));
    } else {
      for (std::size_t r = 0; r < rows; ++r) {
        double *to = store.dd[first + r];
        for (unsigned c = 0; c < cols_; ++c) to[sortarr[c]] = src[r * cols_ + c];
      }
    }
    munmap(blocks_[b], block_bytes_);
    blocks_[b] = nullptr;
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
