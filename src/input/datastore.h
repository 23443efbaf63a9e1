// The tables of one input file: created together per file, released together.
#pragma once

#include <cstddef>
#include <cstdint>

// Per-variable statistics, one record per variable in internal order.
struct stats {
  double variable;  // 1-based position number
  double mean;      // divisor n
  double variance;  // divisor n - 1
  double stddev;
  double min;
  double max;
  double skew;
  double curt;  // excess curtosis
  double median;
};

// Obtains a zero-filled block of `count` elements of `size` bytes for the
// block called `name`: traces "Allocates ..." to standard error when `debug`
// is set, ends the run with "Not enough memory (name, bytes)" when the size
// cannot be represented or obtained, and adds the bytes to `mem_usage`.
void *obtain_block(const char *name, std::uint64_t count, std::size_t size, int debug,
                   unsigned long &mem_usage);

// A one-dimensional zero-filled table.
template <class T>
class Block {
 public:
  Block() = default;
  Block(const Block &) = delete;
  Block &operator=(const Block &) = delete;
  ~Block() { reset(); }

  void create(const char *name, std::uint64_t n, int debug, unsigned long &mem_usage) {
    reset();
    p_ = static_cast<T *>(obtain_block(name, n, sizeof(T), debug, mem_usage));
  }
  void reset();
  T *get() const { return p_; }
  T &operator[](std::size_t i) const { return p_[i]; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T *p_ = nullptr;
};

// A row-pointer table: an array of n row pointers over one contiguous
// zero-filled block of n * m elements; row i starts m elements after row i - 1.
template <class T>
class Table {
 public:
  Table() = default;
  Table(const Table &) = delete;
  Table &operator=(const Table &) = delete;
  ~Table() { reset(); }

  // `name` is reported for the pointer array, "*name" for the element block.
  void create(const char *name, const char *block_name, std::uint64_t n, std::uint64_t m, int debug,
              unsigned long &mem_usage) {
    reset();
    rows_ = static_cast<T **>(obtain_block(name, n, sizeof(T *), debug, mem_usage));
    std::uint64_t elements = 0;
    if (__builtin_mul_overflow(n, m, &elements)) elements = UINT64_MAX;
    rows_[0] = static_cast<T *>(obtain_block(block_name, elements, sizeof(T), debug, mem_usage));
    for (std::uint64_t i = 1; i < n; ++i) rows_[i] = rows_[i - 1] + m;
  }
  void reset();
  T **get() const { return rows_; }
  T *operator[](std::size_t i) const { return rows_[i]; }
  operator T **() const { return rows_; }
  explicit operator bool() const { return rows_ != nullptr; }

 private:
  T **rows_ = nullptr;
};

// All tables of the current input file, and the running memory figure.
class DataStore {
 public:
  // Creates every table, zero-filled, in the fixed creation order; histogram
  // has `histosize` rows (bins) of `columns` counts.
  void allocate(unsigned rows, unsigned columns, unsigned histosize, int debug);
  // Releases every table; harmless when nothing is allocated.
  void deallocate();

  Block<stats> v;
  Block<double> pc;  // loadings, flat: (variable k, component j) at k * columns + j
  Block<int> pcs;
  Block<int> position;
  Block<double> root;
  Block<int> sortarr;   // file column -> internal column
  Block<int> sortarr1;  // internal column -> file column
  Table<int> histogram;
  Table<double> ss;
  Table<double> cc;
  Table<double> ccov;
  Table<double> dd;
  double rootsum = 0.0;

  // Bytes of every block obtained since the process started; never lowered.
  unsigned long mem_usage = 0;
};
