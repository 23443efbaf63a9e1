// The vector kernels of the Jacobi solver, written once for every vector
// width (see lanes.h). The solver compiles them for each instruction-set
// level; the tests also compile them without any target attribute and compare
// every width with the plain loops, bit for bit.
#pragma once

#include <cstddef>

#include "lanes.h"

// For k in [lo, hi): with t = xp[k] and u = xq[k], xq[k] = snn * t + csn * u
// and xp[k] = t * csn - u * snn. Several lanes at a time; the tail goes one
// element at a time, by the same operations.
template <class V>
__attribute__((always_inline)) inline void rotate_span(double *__restrict xp, double *__restrict xq, int lo,
                                                       int hi, double snn, double csn) {
  constexpr int w = lanes<V>;
  V vs;
  V vc;
  splat(vs, snn);
  splat(vc, csn);
  int k = lo;
  for (; k + w <= hi; k += w) {
    V t;
    V u;
    load(t, xp + k);
    load(u, xq + k);
    const V nq = vs * t + vc * u;
    const V np = t * vc - u * vs;
    store(xq + k, nq);
    store(xp + k, np);
  }
  for (; k < hi; ++k) {
    const double t = xp[k];
    const double u = xq[k];
    xq[k] = snn * t + csn * u;
    xp[k] = t * csn - u * snn;
  }
}

// Rows p and q of the matrix, all columns but p and q.
template <class V>
__attribute__((always_inline)) inline void rotate_rows_with(double *rp, double *rq, int p, int q, int n,
                                                            double snn, double csn) {
  rotate_span<V>(rp, rq, 0, p, snn, csn);
  rotate_span<V>(rp, rq, p + 1, q, snn, csn);
  rotate_span<V>(rp, rq, q + 1, n, snn, csn);
}

// One rotation as the eigenvector table needs it.
struct LoggedRotation {
  int p;
  int q;
  double snn;
  double csn;
};

// One element group of the eigenvector rotation: u is the band of q, held in
// a register; the band of p at sp is loaded and stored.
template <class V>
__attribute__((always_inline)) inline void rotate_held(double *sp, V &u, const V &vs, const V &vc) {
  V t;
  load(t, sp);
  const V nq = vs * t + vc * u;
  const V np = t * vc - u * vs;
  store(sp, np);
  u = nq;
}

// The logged rotations applied in order to the rows of the transposed
// eigenvector table st (row j is eigenvector j), a band of elements k at a
// time, so that the band of every eigenvector stays in cache while the whole
// list runs over it. Within a band, consecutive rotations of one sweep share
// their q: the band of eigenvector q then stays in registers from one
// rotation to the next and only the band of p is loaded and stored. Each
// element still goes through its rotations in order, by the same operations.
template <class V>
__attribute__((always_inline)) inline void apply_rotations_with(double **st, int n, const LoggedRotation *log,
                                                                std::size_t count) {
  constexpr int w = lanes<V>;
  constexpr int band = 4 * w;  // four vectors, held in registers
  int k0 = 0;
  for (; k0 + band <= n; k0 += band) {
    V q0{}, q1{}, q2{}, q3{};
    int cur_q = -1;
    auto put_back_q = [&] {
      double *sq = st[cur_q] + k0;
      store(sq, q0);
      store(sq + w, q1);
      store(sq + 2 * w, q2);
      store(sq + 3 * w, q3);
    };
    for (std::size_t i = 0; i < count; ++i) {
      const LoggedRotation &r = log[i];
      if (r.q != cur_q) {
        if (cur_q >= 0) put_back_q();
        const double *sq = st[r.q] + k0;
        load(q0, sq);
        load(q1, sq + w);
        load(q2, sq + 2 * w);
        load(q3, sq + 3 * w);
        cur_q = r.q;
      }
      V vs, vc;
      splat(vs, r.snn);
      splat(vc, r.csn);
      double *sp = st[r.p] + k0;
      rotate_held(sp, q0, vs, vc);
      rotate_held(sp + w, q1, vs, vc);
      rotate_held(sp + 2 * w, q2, vs, vc);
      rotate_held(sp + 3 * w, q3, vs, vc);
    }
    if (cur_q >= 0) put_back_q();
  }
  if (k0 < n)
    for (std::size_t i = 0; i < count; ++i) {
      const LoggedRotation &r = log[i];
      rotate_span<V>(st[r.p], st[r.q], k0, n, r.snn, r.csn);
    }
}
