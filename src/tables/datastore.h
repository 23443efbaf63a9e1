// The run's tables: what one input file's data and results are kept in.
#pragma once

#include <cstddef>
#include <cstdint>

#include "reporter.h"

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
// block called `name`: traces "Allocates ..." through `report` when --debug
// is set, ends the run with "Not enough memory (name, bytes)" when the size
// cannot be represented or obtained, and adds the bytes to `mem_usage`.
void *obtain_block(const char *name, std::uint64_t count, std::size_t size, const Reporter &report,
                   unsigned long &mem_usage);

// A one-dimensional zero-filled table.
template <class T>
class Block {
 public:
  Block() = default;
  Block(const Block &) = delete;
  Block &operator=(const Block &) = delete;
  ~Block() { reset(); }

  void create(const char *name, std::uint64_t n, const Reporter &report, unsigned long &mem_usage) {
    reset();
    p_ = static_cast<T *>(obtain_block(name, n, sizeof(T), report, mem_usage));
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
  void create(const char *name, const char *block_name, std::uint64_t n, std::uint64_t m,
              const Reporter &report, unsigned long &mem_usage) {
    reset();
    rows_ = static_cast<T **>(obtain_block(name, n, sizeof(T *), report, mem_usage));
    n_ = n;
    m_ = m;
    std::uint64_t elements = 0;
    if (__builtin_mul_overflow(n, m, &elements)) elements = UINT64_MAX;
    rows_[0] = static_cast<T *>(obtain_block(block_name, elements, sizeof(T), report, mem_usage));
    for (std::uint64_t i = 1; i < n; ++i) rows_[i] = rows_[i - 1] + m;
  }
  // Sets the rows over `elements`, the n * m elements at the start of a
  // mapping of `mapped` bytes, in place of the block create() obtained; the
  // table unmaps it when reset.
  void adopt(T *elements, std::size_t mapped);
  void reset();
  std::uint64_t rows() const { return n_; }
  std::uint64_t columns() const { return m_; }
  T **get() const { return rows_; }
  T *operator[](std::size_t i) const { return rows_[i]; }
  operator T **() const { return rows_; }
  explicit operator bool() const { return rows_ != nullptr; }

 private:
  void release_elements();

  T **rows_ = nullptr;
  std::uint64_t n_ = 0, m_ = 0;
  std::size_t mapped_ = 0;  // bytes of an adopted mapping, 0 for a block of its own
};

// The tables of the current input file: the blackboard every stage of the
// per-file sequence reads and writes. The driver creates them with allocate()
// after the examination and releases them with deallocate() after the last
// result file; between files every table is empty. Variables are kept in the
// internal order (see sortarr); n is the number of observations, m the number
// of variables, h the number of histogram bins.
class DataStore {
 public:
  // Creates every table, zero-filled, in the fixed creation order, each
  // traced ("Allocates ...") through `report` with --debug and counted in
  // mem_usage; histogram has `histosize` rows (bins) of `columns` counts.
  void allocate(unsigned rows, unsigned columns, unsigned histosize, const Reporter &report);
  // The same without traces.
  void allocate(unsigned rows, unsigned columns, unsigned histosize);
  // Releases every table; harmless when nothing is allocated.
  void deallocate();

  // Per-variable statistics, m records. min and max are written by MinMax;
  // mean, variance, stddev, skew, curt and variable by new_stcrmt; median by
  // calculate_median. Read by the terminal table, ".std", ".mvd", ".fsc" and
  // the component scores.
  Block<stats> v;
  // Loadings, m * m flat: variable k on component j at k * m + j (the square
  // root of the eigenvalue times the eigenvector element). Written by
  // principal_components; read by ".eig", ".fsc" and the scores.
  Block<double> pc;
  // Marks of pcssort while it orders the components: j until component j is
  // placed, -1 afterwards. Written and read by pcssort only.
  Block<int> pcs;
  // position[i] = the component (column of ss) with the i-th largest
  // eigenvalue. Written by pcssort; read by the component files and scores.
  Block<int> position;
  // Eigenvalues in the solver's column order (unsorted), m of them. Written
  // by principal_components; read by the component files and scores.
  Block<double> root;
  // File column -> internal column. Written by parse_sortstring; read by the
  // reader, which stores file column c in dd[r][sortarr[c]].
  Block<int> sortarr;
  // Internal column -> file column (0-based). Written by parse_sortstring;
  // read by every writer that labels a variable (it prints sortarr1[i] + 1).
  Block<int> sortarr1;
  // Histogram counts, h rows (bins) by m columns (variables). Counted by
  // Histogram for every file; read by the ".his" writer.
  Table<int> histogram;
  // Eigenvectors as columns: ss[k][j] is element k of the unit vector of
  // root[j]. Written by new_mateig; read by principal_components.
  Table<double> ss;
  // The Pearson correlation matrix, m by m, both triangles, diagonal exactly
  // 1.0. Written by new_stcrmt (the driver sets the diagonal); read by ".cor",
  // ".inp" and ".da1"; then overwritten in place by new_mateig, after which
  // its diagonal holds the eigenvalues and nothing prints it as correlations.
  Table<double> cc;
  // The covariance matrix, divisor n, m by m, both triangles. Written by
  // new_stcrmt; read by ".cov".
  Table<double> ccov;
  // The data, n rows (observations) by m columns (variables in internal
  // order). Rows beyond the reader's count stay zero and are never read.
  // Written by read_file; read by the statistics, ".std" and the scores.
  Table<double> dd;
  // The sum of root, the trace of the diagonalised matrix (m up to
  // rounding). Written by principal_components; read by the component files.
  double rootsum = 0.0;

  // Bytes of every block obtained since the process started; never lowered,
  // so a later file's figure includes the earlier files' tables. Printed by
  // the driver as the memory need.
  unsigned long mem_usage = 0;
};
