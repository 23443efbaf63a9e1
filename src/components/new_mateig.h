// Eigenvalues and eigenvectors of a symmetric matrix: cyclic Jacobi rotations
// with a threshold that falls by the factor n per outer pass.
#pragma once

#include "run_context.h"

// At most this many sweeps are made at one threshold; after that the solver
// goes on to the next threshold. It only guards against rounding keeping a
// sweep busy for ever; ordinary matrices never come near it.
inline constexpr unsigned kMateigSweepCap = 100;

// What one call of the solver did.
struct MateigCounts {
  unsigned long long rotations = 0;  // pairs rotated, all sweeps together
  unsigned long long sweeps = 0;     // sweeps made, the final quiet ones included
  unsigned thresholds = 0;           // outer passes (thresholds used)
  unsigned max_sweeps = 0;           // most sweeps made at one threshold
  unsigned cap_hits = 0;             // thresholds left because of the sweep cap
  bool early_exit = false;           // returned at once: off-diagonal norm 0 or not finite
  bool fallback = false;             // element-wise path used: input not exactly
                                     // symmetric, or no memory for the scratch
};

// a: n by n symmetric matrix (row-pointer table, both triangles present);
// overwritten so that its diagonal holds the eigenvalues. s: n by n
// row-pointer table; receives the unit eigenvectors as columns (s[k][j] is
// element k of the vector of the eigenvalue a[j][j]). When the off-diagonal
// norm is exactly 0 or not finite, a is left unchanged and s is the identity.
// The kernels are those of ctx.isa; with more than one thread in `ctx` the
// eigenvectors are rotated on a second thread. Every level and every count
// gives the same bits.
void new_mateig(double **a, double **s, int n, const RunContext &ctx = {});

// The same, also reporting what was done.
void new_mateig_counted(double **a, double **s, int n, MateigCounts &counts, const RunContext &ctx = {});
