#include "components/blas_engine.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "components/principal.h"

std::unique_ptr<OpenBlas> OpenBlas::load(const char *library, std::string &why) {
  // Local binding: the library's names must not stand in for anything of the
  // program's, nor for those of a library loaded later.
  void *handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char *e = dlerror();
    why = e != nullptr ? e : library;
    return nullptr;
  }
  std::unique_ptr<OpenBlas> blas(new OpenBlas(handle));
  auto resolve = [&](const char *name) -> void * {
    dlerror();
    void *p = dlsym(handle, name);
    if (p == nullptr && why.empty()) {
      const char *e = dlerror();
      why = e != nullptr ? e : name;
    }
    return p;
  };
  why.clear();
  blas->dsyrk = reinterpret_cast<Dsyrk *>(resolve("dsyrk_"));
  blas->dsyevr = reinterpret_cast<Dsyevr *>(resolve("dsyevr_"));
  blas->set_num_threads = reinterpret_cast<SetNumThreads *>(resolve("openblas_set_num_threads"));
  if (!why.empty()) return nullptr;
  return blas;
}

OpenBlas::~OpenBlas() { dlclose(handle_); }

void OpenBlas::set_threads(unsigned threads) const {
  set_num_threads(static_cast<int>(std::clamp(threads, 1u, 256u)));
}

void blas_matrices(const OpenBlas &blas, double **d, int columns, int rows, const stats *v, double **cc,
                   double **ccov, int block_rows) {
  const int m = columns;
  if (m == 0 || rows == 0) return;
  // The tables' rows lie one after another, m values apart, so a block of
  // centred rows is, in BLAS's column-major view, an m-by-b matrix whose
  // columns are observations; C = A * A^T over all blocks sums the products of
  // the deviations. The scratch block holds a few MB of rows, and at least 256
  // of them, which keeps dsyrk near its full speed.
  const std::size_t budget = std::size_t{8} << 20;
  const int most = static_cast<int>(std::max<std::size_t>(256, budget / (sizeof(double) * m)));
  const int block = std::min(rows, block_rows > 0 ? block_rows : most);
  std::vector<double> centred(static_cast<std::size_t>(block) * m);
  std::vector<double> mean(m);
  for (int k = 0; k < m; ++k) mean[k] = v[k].mean;

  // ccov's block, m by m, is the C of dsyrk; its column-major lower triangle
  // is the upper triangle of the rows, ccov[j][k] with j <= k.
  double *c = ccov[0];
  const double one = 1.0;
  for (int r0 = 0; r0 < rows; r0 += block) {
    const int count = std::min(block, rows - r0);
    for (int b = 0; b < count; ++b) {
      const double *x = d[r0 + b];
      double *y = centred.data() + static_cast<std::size_t>(b) * m;
      for (int k = 0; k < m; ++k) y[k] = x[k] - mean[k];
    }
    const double beta = r0 == 0 ? 0.0 : 1.0;
    blas.dsyrk("L", "N", &m, &count, &one, centred.data(), &m, &beta, c, &m, 1, 1);
  }

  const double n = static_cast<double>(rows);
  // The correlation as new_stcrmt forms it: q = n / (n - 1) brings the
  // covariance to the divisor of the standard deviations.
  const double q = rows == 1 ? 1.0 : n / static_cast<double>(rows - 1);
  for (int j = 0; j < m; ++j) {
    for (int k = j; k < m; ++k) {
      const double cv = ccov[j][k] / n;
      ccov[j][k] = cv;
      ccov[k][j] = cv;
      cc[j][k] = (cv * q) / (v[j].stddev * v[k].stddev);
      cc[k][j] = cc[j][k];
    }
    cc[j][j] = 1.0;
  }
}

void orient_vector(double *x, std::size_t n, std::size_t stride) {
  std::size_t at = 0;
  double largest = -1.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double a = std::fabs(x[i * stride]);
    if (a > largest) {
      largest = a;
      at = i;
    }
  }
  if (n == 0 || !(x[at * stride] < 0.0)) return;
  for (std::size_t i = 0; i < n; ++i) x[i * stride] = -x[i * stride];
}

BlasComponents blas_components(const OpenBlas &blas, DataStore &store, unsigned m) {
  double **cc = store.cc;
  double **ss = store.ss;
  if (m == 0) return BlasComponents::done;
  for (unsigned j = 0; j < m; ++j)
    for (unsigned k = 0; k < m; ++k)
      if (!std::isfinite(cc[j][k])) return BlasComponents::not_finite;

  // cc is exactly symmetric, so the column-major lower triangle that dsyevr
  // reads is the matrix itself. The eigenvectors come as the columns of a
  // column-major m-by-m Z, which is written into ss's block; ss is then
  // turned into the row layout below.
  const int n = static_cast<int>(m);
  const double unused = 0.0;
  const int none = 0;
  const double abstol = 0.0;  // LAPACK's default; the tridiagonal solver goes to full accuracy anyway
  int found = 0;
  int info = 0;
  std::vector<double> w(m);
  std::vector<int> isuppz(2 * static_cast<std::size_t>(m));
  auto solve = [&](double *work, int lwork, int *iwork, int liwork) {
    blas.dsyevr("V", "A", "L", &n, cc[0], &n, &unused, &unused, &none, &none, &abstol, &found, w.data(),
                ss[0], &n, isuppz.data(), work, &lwork, iwork, &liwork, &info, 1, 1, 1);
  };
  double work_size = 0.0;
  int iwork_size = 0;
  solve(&work_size, -1, &iwork_size, -1);  // the sizes of the work spaces
  if (info != 0) return BlasComponents::failed;
  std::vector<double> work(std::max(static_cast<std::size_t>(work_size), std::size_t{1}));
  std::vector<int> iwork(std::max(iwork_size, 1));
  solve(work.data(), static_cast<int>(work.size()), iwork.data(), static_cast<int>(iwork.size()));
  if (info != 0 || found != n) return BlasComponents::failed;

  // Row j of ss's block holds the vector of the j-th smallest eigenvalue.
  for (unsigned j = 0; j < m; ++j) orient_vector(ss[j], m);
  // Columns, largest eigenvalue first: ss[k][m - 1 - j] = vector j, element k.
  for (unsigned j = 0; j < m; ++j)
    for (unsigned k = j + 1; k < m; ++k) std::swap(ss[j][k], ss[k][j]);
  for (unsigned k = 0; k < m; ++k) std::reverse(ss[k], ss[k] + m);
  for (unsigned j = 0; j < m; ++j) {
    for (unsigned k = 0; k < m; ++k) cc[j][k] = 0.0;
    cc[j][j] = w[m - 1 - j];
  }
  roots_and_loadings(store, m);
  return BlasComponents::done;
}
