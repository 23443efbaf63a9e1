// The engine of `--blas`: the covariance and correlation matrices with BLAS
// and the principal components with LAPACK, from an OpenBLAS library loaded
// at run time. It computes the same quantities as new_stcrmt and
// principal_components by other means, so its values may differ from theirs
// in the last digits (and more for the smallest eigenvalues of a nearly
// singular matrix); the moments stay new_stcrmt's.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "tables/datastore.h"

// The library that --blas loads unless MAVEK_OPENBLAS names another.
inline constexpr const char kOpenBlasLibrary[] = "libopenblas.so.0";

// A loaded OpenBLAS and the entry points the engine calls. The Fortran ones
// take every argument by address and the lengths of their character
// arguments last; OpenBLAS's own headers are not needed.
class OpenBlas {
 public:
  using Dsyrk = void(const char *uplo, const char *trans, const int *n, const int *k, const double *alpha,
                     const double *a, const int *lda, const double *beta, double *c, const int *ldc,
                     std::size_t uplo_len, std::size_t trans_len);
  using Dsyevr = void(const char *jobz, const char *range, const char *uplo, const int *n, double *a,
                      const int *lda, const double *vl, const double *vu, const int *il, const int *iu,
                      const double *abstol, int *found, double *w, double *z, const int *ldz, int *isuppz,
                      double *work, const int *lwork, int *iwork, const int *liwork, int *info,
                      std::size_t jobz_len, std::size_t range_len, std::size_t uplo_len);
  using SetNumThreads = void(int);

  // Loads `library` (a file name searched for the usual way, or a path) and
  // resolves dsyrk_, dsyevr_ and openblas_set_num_threads. Returns null when
  // that fails, with the loader's reason in `why`.
  static std::unique_ptr<OpenBlas> load(const char *library, std::string &why);

  OpenBlas(const OpenBlas &) = delete;
  OpenBlas &operator=(const OpenBlas &) = delete;
  ~OpenBlas();

  // The number of threads OpenBLAS may use from now on (at least 1).
  void set_threads(unsigned threads) const;

  Dsyrk *dsyrk = nullptr;
  Dsyevr *dsyevr = nullptr;
  SetNumThreads *set_num_threads = nullptr;

 private:
  explicit OpenBlas(void *handle) : handle_(handle) {}
  void *handle_;
};

// The covariance and correlation matrices of the `columns` variables of d
// (rows observations, n), whose moments v already holds (`moments`):
// ccov[j][k] is the covariance with divisor n, the sum of the products of the
// deviations from v[j].mean and v[k].mean (dsyrk over blocks of a few MB of
// centred rows, no copy of the whole table) divided by n; cc[j][k] is
// (ccov[j][k] * q) / (v[j].stddev * v[k].stddev) with q = n / (n - 1) (1
// for one observation), the diagonal exactly 1.0. Both matrices full and
// exactly symmetric. `block_rows` rows are centred at a time; 0 chooses
// about 8 MB of them, and at least 256.
void blas_matrices(const OpenBlas &blas, double **d, int columns, int rows, const stats *v, double **cc,
                   double **ccov, int block_rows = 0);

// How blas_components ended.
enum class BlasComponents {
  done,        // the components are in the store
  not_finite,  // an element of cc is NaN or infinite; nothing was computed
  failed,      // LAPACK's dsyevr reported a failure to converge
};

// The principal components of the correlation matrix cc of the m variables of
// `store` with LAPACK's dsyevr, placed as principal_components places the
// solver's: cc diagonal with the eigenvalues (largest first, off-diagonal
// elements 0.0), ss their unit eigenvectors as columns, then
// roots_and_loadings. Every eigenvector is oriented by orient_vector.
BlasComponents blas_components(const OpenBlas &blas, DataStore &store, unsigned m);

// The sign rule of the eigenvectors, which does not depend on the BLAS build:
// the n elements x[0], x[stride], ... are negated when the one of the largest
// magnitude (the first of them on a tie) is negative.
void orient_vector(double *x, std::size_t n, std::size_t stride = 1);
