// Principal components of the correlation matrix of one input file.
#pragma once

#include "run_context.h"
#include "tables/datastore.h"

// Whether every element of the m by m matrix a is finite: components exist
// only for such a matrix.
bool all_finite(double *const *a, unsigned m);

// For the m variables of `store`: makes cc exactly symmetric (the upper
// triangle copied onto the lower), diagonalises it in place with new_mateig
// (eigenvectors into ss), sets root[j] = cc[j][j] and rootsum to their sum,
// the loadings pc[k * m + j] = sqrt(root[j]) * ss[k][j] (0.0 for a negative
// root), and orders the components with pcssort. cc no longer holds the
// correlations afterwards. With more than one thread in `ctx` the solver rotates the
// eigenvectors on a second thread; the results are the same bits.
void principal_components(DataStore &store, unsigned m, const RunContext &ctx = {});

// What principal_components does after the solver, for a cc already
// diagonalised (eigenvalues on its diagonal) with the eigenvectors in the
// columns of ss: root, rootsum, the loadings and their order.
void roots_and_loadings(DataStore &store, unsigned m);

// position[i] = the column index of the component with the i-th largest
// eigenvalue (the diagonal of cc); pcs[j] = -1 once component j is placed.
// Equal eigenvalues keep ascending index order; a value that is not a number,
// or does not exceed -1e20, is never chosen (index 0 is taken instead).
void pcssort(int columns, DataStore &store);
