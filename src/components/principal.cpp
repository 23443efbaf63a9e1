#include "components/principal.h"

#include <cmath>

#include "components/new_mateig.h"

bool all_finite(double *const *a, unsigned m) {
  for (unsigned i = 0; i < m; ++i)
    for (unsigned j = 0; j < m; ++j)
      if (!std::isfinite(a[i][j])) return false;
  return true;
}

void principal_components(DataStore &store, unsigned m, const RunContext &ctx) {
  double **cc = store.cc;
  double **ss = store.ss;

  // The solver needs both triangles, equal bit for bit.
  if (m > 1)
    for (unsigned i = 1; i < m; ++i)
      for (unsigned j = 0; j < i; ++j) cc[i][j] = cc[j][i];

  new_mateig(cc, ss, static_cast<int>(m), ctx);
  roots_and_loadings(store, m);
}

void roots_and_loadings(DataStore &store, unsigned m) {
  double **cc = store.cc;
  double **ss = store.ss;
  double *root = store.root.get();
  double *pc = store.pc.get();

  store.rootsum = 0.0;
  for (unsigned j = 0; j < m; ++j) {
    root[j] = cc[j][j];
    store.rootsum = store.rootsum + root[j];
  }

  // A correlation matrix has no negative eigenvalue; one that rounding makes
  // slightly negative belongs to a component of no weight, so its loadings
  // are 0.0.
  for (unsigned j = 0; j < m; ++j) {
    for (unsigned k = 0; k < m; ++k) {
      const std::size_t at = static_cast<std::size_t>(k) * m + j;
      if (root[j] < 0.0)
        pc[at] = 0.0;
      else
        pc[at] = std::sqrt(root[j]) * ss[k][j];
    }
  }

  pcssort(static_cast<int>(m), store);
}

void pcssort(int columns, DataStore &store) {
  double **cc = store.cc;
  int *pcs = store.pcs.get();
  int *position = store.position.get();

  for (int i = 0; i < columns; ++i) {
    pcs[i] = i;
    position[i] = i;
  }
  for (int i = 0; i < columns; ++i) {
    double max = -1e20;
    int maxplace = 0;
    for (int j = 0; j < columns; ++j) {
      if (pcs[j] != -1 && cc[j][j] > max) {
        max = cc[j][j];
        maxplace = j;
      }
    }
    pcs[maxplace] = -1;
    position[i] = maxplace;
  }
}
