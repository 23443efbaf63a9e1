#include "tables/datastore.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "diagnostics.h"

void *obtain_block(const char *name, std::uint64_t count, std::size_t size, const Reporter &report,
                   unsigned long &mem_usage) {
  // Sizes are worked out in 64 bits; a product that does not fit is reported
  // as the largest figure rather than wrapped to a small, wrong one.
  std::uint64_t bytes = 0;
  bool overflow = __builtin_mul_overflow(count, static_cast<std::uint64_t>(size), &bytes);
  if (overflow) bytes = UINT64_MAX;
  if (report.debug())
    report.note("Allocates %ld bytes (%ld * %ju)\n", static_cast<long>(bytes), static_cast<long>(count),
                static_cast<std::uintmax_t>(size));
  void *p = nullptr;
  if (!overflow && bytes <= static_cast<std::uint64_t>(PTRDIFF_MAX))
    p = std::calloc(count == 0 ? 1 : static_cast<std::size_t>(count), size);
  if (p == nullptr) error("Not enough memory (%s, %ju)", name, static_cast<std::uintmax_t>(bytes));
  // A large table is filled page by page; huge pages make that a fault per
  // 2 MB instead of per 4 kB. Only the whole huge pages inside the block are
  // advised; the advice changes nothing but the speed.
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  if (bytes >= 2 * kHuge) {
    const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(p) + kHuge - 1) / kHuge * kHuge;
    const std::uintptr_t to = (reinterpret_cast<std::uintptr_t>(p) + bytes) / kHuge * kHuge;
    if (to > from) (void)madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
  }
  mem_usage += bytes;
  return p;
}

template <class T>
void Block<T>::reset() {
  std::free(p_);
  p_ = nullptr;
}

template <class T>
void Table<T>::release_elements() {
  if (mapped_ != 0)
    munmap(rows_[0], mapped_);
  else
    std::free(rows_[0]);
  rows_[0] = nullptr;
  mapped_ = 0;
}

template <class T>
void Table<T>::adopt(T *elements, std::size_t mapped) {
  release_elements();
  rows_[0] = elements;
  mapped_ = mapped;
  for (std::uint64_t i = 1; i < n_; ++i) rows_[i] = rows_[i - 1] + m_;
}

template <class T>
void Table<T>::reset() {
  if (rows_ == nullptr) return;
  release_elements();
  std::free(rows_);
  rows_ = nullptr;
  n_ = m_ = 0;
}

template class Block<stats>;
template class Block<double>;
template class Block<int>;
template class Table<int>;
template class Table<double>;

void DataStore::allocate(unsigned rows, unsigned columns, unsigned histosize) {
  allocate(rows, columns, histosize, Reporter(1, 0));
}

void DataStore::allocate(unsigned rows, unsigned columns, unsigned histosize, const Reporter &report) {
  const std::uint64_t m = columns;
  v.create("v", m, report, mem_usage);
  pc.create("pc", m * m, report, mem_usage);
  pcs.create("pcs", m, report, mem_usage);
  position.create("position", m, report, mem_usage);
  root.create("root", m, report, mem_usage);
  sortarr.create("sortarr", m, report, mem_usage);
  sortarr1.create("sortarr1", m, report, mem_usage);
  histogram.create("histogram", "*histogram", histosize, m, report, mem_usage);
  ss.create("ss", "*ss", m, m, report, mem_usage);
  cc.create("cc", "*cc", m, m, report, mem_usage);
  ccov.create("ccov", "*ccov", m, m, report, mem_usage);
  dd.create("dd", "*dd", rows, m, report, mem_usage);
}

void DataStore::deallocate() {
  ccov.reset();
  cc.reset();
  dd.reset();
  ss.reset();
  histogram.reset();
  sortarr1.reset();
  sortarr.reset();
  root.reset();
  position.reset();
  pcs.reset();
  pc.reset();
  v.reset();
}
