#include "components/new_mateig.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <system_error>
#include <utility>
#include <vector>

#include "components/rotation_kernels.h"
#include "threads.h"

// Cyclic Jacobi method. Every pair (ip, iq), ip < iq, whose off-diagonal
// element is at least the current threshold in magnitude is rotated away; the
// sweeps over the upper triangle (column by column, top to bottom) repeat at
// one threshold until a sweep rotates nothing, then the threshold is divided
// by n, until it has fallen to a millionth of the initial off-diagonal norm.
//
// The values computed are fixed by the order of operations below, so the fast
// path must give the same bits as a plain element-by-element version of the
// loops, which works on columns: s[k][p], a[k][p] for every k, then rows p and
// q refreshed from columns p and q. Column access on row-pointer tables is
// slow, so the fast path works on rows instead. That relies on the matrix
// being exactly symmetric: the row refresh at the end of every rotation makes
// a[k][p] and a[p][k] the same bits, so reading a row instead of a column
// reads the same numbers. Every element is still computed by the same
// operations on the same operands, in the same order; only where the numbers
// are kept differs (see RowSolver).

namespace {

// Bound of the sign test: an x below it, zero and tiny positive values
// included, counts as negative.
constexpr double zero = 1e-13;

struct Angle {
  double snn;   // sine
  double csn;   // cosine
  double snn2;  // sine squared
};

inline Angle rotation_angle(double app, double aqq, double apq) {
  const double x = 0.5 * (app - aqq);
  double y = -apq / std::sqrt(apq * apq + x * x);
  if (zero > x) y = -y;
  Angle r;
  r.snn = y / std::sqrt(2 * (1 + std::sqrt(1 - y * y)));
  r.snn2 = r.snn * r.snn;
  r.csn = std::sqrt(1 - r.snn2);
  return r;
}

struct Pivot {
  double apq;
  double app;
  double aqq;
};

// The new a[p][q], a[p][p] and a[q][q] from the old ones.
inline Pivot rotated_pivot(double app, double aqq, double apq, const Angle &r) {
  const double csn2 = r.csn * r.csn;
  const double stc = r.csn * r.snn;
  Pivot v;
  v.apq = (app - aqq) * stc + (csn2 - r.snn2) * apq;
  v.app = csn2 * app + r.snn2 * aqq + (apq * -2) * stc;
  v.aqq = r.snn2 * app + csn2 * aqq + stc * (2 * apq);
  return v;
}

// Each kernel three times on x86-64: for processors with AVX-512 (eight
// lanes), with AVX2 (four lanes) and for the baseline (two lanes). The
// results are the same bits on every level.
using RotateRows = void (*)(double *, double *, int, int, int, double, double);
using ApplyRotations = void (*)(double **, int, const LoggedRotation *, std::size_t);

struct Kernels {
  RotateRows rotate_rows;
  ApplyRotations apply_rotations;
};

void rotate_rows_base(double *rp, double *rq, int p, int q, int n, double snn, double csn) {
  rotate_rows_with<v2d>(rp, rq, p, q, n, snn, csn);
}
void apply_rotations_base(double **st, int n, const LoggedRotation *log, std::size_t count) {
  apply_rotations_with<v2d>(st, n, log, count);
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) void rotate_rows_avx2(double *rp, double *rq, int p, int q, int n, double snn,
                                                      double csn) {
  rotate_rows_with<v4d>(rp, rq, p, q, n, snn, csn);
}
__attribute__((target("avx2"))) void apply_rotations_avx2(double **st, int n, const LoggedRotation *log,
                                                          std::size_t count) {
  apply_rotations_with<v4d>(st, n, log, count);
}
__attribute__((target("avx512f"))) void rotate_rows_avx512(double *rp, double *rq, int p, int q, int n,
                                                           double snn, double csn) {
  rotate_rows_with<v8d>(rp, rq, p, q, n, snn, csn);
}
__attribute__((target("avx512f"))) void apply_rotations_avx512(double **st, int n, const LoggedRotation *log,
                                                               std::size_t count) {
  apply_rotations_with<v8d>(st, n, log, count);
}
#endif

Kernels kernels_for(Isa isa) {
#if defined(__x86_64__) || defined(__i386__)
  if (isa == Isa::avx512) return {rotate_rows_avx512, apply_rotations_avx512};
  if (isa == Isa::avx2) return {rotate_rows_avx2, apply_rotations_avx2};
#endif
  (void)isa;
  return {rotate_rows_base, apply_rotations_base};
}

// The solver working on rows. A rotation of (p, q) changes rows and columns p
// and q; here it writes rows p and q only (writing the columns too would cost
// a cache miss per element), and every row carries the time of its last
// writing. The current value of element (i, k) is then in row i when that row
// was written later than row k, and in row k otherwise (the two rows of one
// rotation agree on their common element). Before a row takes part in a
// rotation it is brought up to date from the rows written after it, which the
// record of the last rotations names without a search. At the end the matrix
// is made symmetric again by the same rule.
//
// The eigenvector table st is kept transposed while the solver runs (row j is
// eigenvector j, so a rotation combines two contiguous rows), its rotations
// deferred and applied in batches, on a second thread when one may be used;
// it is transposed back at the end.
class RowSolver {
 public:
  RowSolver(double **a, double **st, int n, Isa isa, unsigned threads)
      : a_(a),
        st_(st),
        n_(n),
        kernels_(kernels_for(isa)),
        stamp_(n, 0),
        recent_p_(ring_size(n)),
        recent_row_(ring_size(n)),
        recent_q_(ring_size(n)),
        recent_qstart_(ring_size(n)) {
    recent_mask_ = recent_p_.size() - 1;
    log_.reserve(kLogSize);
    if (threads > 1) {
      try {
        worker_ = std::make_unique<SerialWorker>();
      } catch (const std::system_error &) {
        worker_.reset();  // no thread to be had: the solver applies them itself
      }
    }
  }

  bool sweep(double anorm, unsigned long long &rotations) {
    bool in = false;
    for (int iq = 1; iq < n_; ++iq) {
      for (int ip = 0; ip < iq; ++ip) {
        const double apq = stamp_[ip] > stamp_[iq] ? a_[ip][iq] : a_[iq][ip];
        if (!(std::fabs(apq) - anorm < 0)) {
          rotate(ip, iq);
          in = true;
          ++rotations;
        }
      }
    }
    return in;
  }

  // Leaves both tables as the element-wise loops would: the matrix exactly
  // symmetric, the eigenvectors as columns.
  void finish() {
    for (int i = 0; i < n_; ++i)
      for (int k = i + 1; k < n_; ++k) {
        if (stamp_[i] > stamp_[k])
          a_[k][i] = a_[i][k];
        else
          a_[i][k] = a_[k][i];
      }
    flush();
    if (worker_) worker_->wait_idle();
    for (int i = 0; i < n_; ++i)
      for (int j = i + 1; j < n_; ++j) std::swap(st_[i][j], st_[j][i]);
  }

 private:
  // Rotations applied to the eigenvectors in one batch; smaller batches when
  // a worker takes them, so that it starts early and ends soon after.
  static constexpr std::size_t kLogSize = 8192;
  static constexpr std::size_t kHandOver = 2048;

  // A power of two above n: the rotations looked back on are at most n.
  static std::size_t ring_size(int n) {
    std::size_t size = 1;
    while (size <= static_cast<std::size_t>(n)) size *= 2;
    return size;
  }

  void rotate(int p, int q) {
    refresh(p);
    refresh(q);
    double *rp = a_[p];
    double *rq = a_[q];
    const double app = rp[p];
    const double aqq = rq[q];
    const double apq = rp[q];
    const Angle r = rotation_angle(app, aqq, apq);

    kernels_.rotate_rows(rp, rq, p, q, n_, r.snn, r.csn);
    const Pivot v = rotated_pivot(app, aqq, apq, r);
    rp[q] = v.apq;
    rq[p] = v.apq;
    rp[p] = v.app;
    rq[q] = v.aqq;

    ++clock_;
    stamp_[p] = clock_;
    stamp_[q] = clock_;
    const std::size_t slot = clock_ & recent_mask_;
    const std::size_t before = (clock_ - 1) & recent_mask_;
    recent_p_[slot] = p;
    recent_row_[slot] = rp;
    recent_q_[slot] = q;
    recent_qstart_[slot] = clock_ > 1 && recent_q_[before] == q ? recent_qstart_[before] : clock_;

    log_.push_back(LoggedRotation{p, q, r.snn, r.csn});
    if (log_.size() == (worker_ ? kHandOver : kLogSize)) flush();
  }

  // Brings row x up to date from the rows written after it: the rotations
  // made since row x was last written name those rows. Each copy reads the
  // current content of a row written later than x, which is right whichever
  // of that row's writings was the last, so the order of the copies does not
  // matter and a row named twice costs only a repeated read. The rows p are
  // taken one rotation at a time; a sweep rotates one q with many p in a row,
  // so the rows q are taken once per run. When there have been many
  // rotations, the times are compared row by row instead.
  void refresh(int x) {
    double *rx = a_[x];
    const std::uint64_t tx = stamp_[x];
    const std::uint64_t since = clock_ - tx;
    if (since <= static_cast<std::uint64_t>(n_)) {
      // The slots of the times tx + 1 .. clock_: one stretch of the ring, or
      // two when it wraps.
      const std::size_t first = (tx + 1) & recent_mask_;
      const std::size_t last = clock_ & recent_mask_;
      if (since > 0) {
        if (first <= last) {
          gather_p(rx, x, first, last + 1);
        } else {
          gather_p(rx, x, first, recent_p_.size());
          gather_p(rx, x, 0, last + 1);
        }
      }
      for (std::uint64_t t = clock_; t > tx;) {
        const std::size_t slot = t & recent_mask_;
        const int q = recent_q_[slot];
        rx[q] = a_[q][x];
        t = recent_qstart_[slot] - 1;
      }
    } else {
      for (int k = 0; k < n_; ++k)
        if (stamp_[k] > tx) rx[k] = a_[k][x];
    }
  }

  void gather_p(double *__restrict rx, int x, std::size_t from, std::size_t to) const {
    const int *__restrict p = recent_p_.data();
    const double *const *__restrict row = recent_row_.data();
    std::size_t i = from;
    for (; i + 4 <= to; i += 4) {
      const double v0 = row[i][x], v1 = row[i + 1][x], v2 = row[i + 2][x], v3 = row[i + 3][x];
      const int p0 = p[i], p1 = p[i + 1], p2 = p[i + 2], p3 = p[i + 3];
      rx[p0] = v0;
      rx[p1] = v1;
      rx[p2] = v2;
      rx[p3] = v3;
    }
    for (; i < to; ++i) rx[p[i]] = row[i][x];
  }

  void flush() {
    if (log_.empty()) return;
    if (worker_) {
      std::vector<LoggedRotation> batch;
      batch.reserve(kHandOver);
      batch.swap(log_);
      worker_->hand_over([this, batch = std::move(batch)] {
        kernels_.apply_rotations(st_, n_, batch.data(), batch.size());
      });
    } else {
      kernels_.apply_rotations(st_, n_, log_.data(), log_.size());
      log_.clear();
    }
  }

  double **a_;
  double **st_;
  int n_;
  Kernels kernels_;
  std::uint64_t clock_ = 0;
  std::vector<std::uint64_t> stamp_;  // time of the last writing of each row
  // The last rotations, by time modulo the ring's size: row p and its
  // content, row q, and the time at which the run of rotations with that q
  // began.
  std::vector<int> recent_p_;
  std::vector<const double *> recent_row_;
  std::vector<int> recent_q_;
  std::vector<std::uint64_t> recent_qstart_;
  std::uint64_t recent_mask_;
  std::vector<LoggedRotation> log_;
  // Applies the batches of logged rotations to the eigenvector table on a
  // thread of its own, in the order they were handed over. The table depends
  // on nothing but the rotations in order, so it may lag behind the matrix;
  // the solver waits for it only at the end. While the worker applies one
  // batch, the solver fills the next.
  std::unique_ptr<SerialWorker> worker_;  // destroyed first: it stops its thread
};

// The solver working element by element on the tables as given; used when
// the matrix is not exactly symmetric, where rows and columns differ.
struct PlainSolver {
  double **a;
  double **s;
  int n;

  bool sweep(double anorm, unsigned long long &rotations) const {
    bool in = false;
    for (int iq = 1; iq < n; ++iq) {
      for (int ip = 0; ip < iq; ++ip) {
        if (!(std::fabs(a[ip][iq]) - anorm < 0)) {
          rotate(ip, iq);
          in = true;
          ++rotations;
        }
      }
    }
    return in;
  }

  void rotate(int p, int q) const {
    const Angle r = rotation_angle(a[p][p], a[q][q], a[p][q]);
    for (int k = 0; k < n; ++k) {
      double t = s[k][p];
      double u = s[k][q];
      s[k][q] = r.snn * t + r.csn * u;
      s[k][p] = t * r.csn - u * r.snn;
      if (k != p && k != q) {
        t = a[k][p];
        u = a[k][q];
        a[k][q] = r.snn * t + r.csn * u;
        a[k][p] = t * r.csn - u * r.snn;
      }
    }
    const Pivot v = rotated_pivot(a[p][p], a[q][q], a[p][q], r);
    a[p][q] = v.apq;
    a[q][p] = a[p][q];
    a[p][p] = v.app;
    a[q][q] = v.aqq;
    for (int l = 0; l < n; ++l) {
      a[p][l] = a[l][p];
      a[q][l] = a[l][q];
    }
  }
};

template <class Solver>
void run_thresholds(Solver &solver, double anorm, double fnorm, int n, MateigCounts &counts) {
  do {
    anorm = anorm / static_cast<double>(n);
    ++counts.thresholds;
    unsigned sweeps = 0;
    bool in = false;
    do {
      in = solver.sweep(anorm, counts.rotations);
      ++sweeps;
    } while (in && sweeps < kMateigSweepCap);
    if (in) ++counts.cap_hits;
    counts.sweeps += sweeps;
    if (sweeps > counts.max_sweeps) counts.max_sweeps = sweeps;
  } while (anorm - fnorm > 0);
}

bool exactly_symmetric(double *const *a, int n) {
  for (int i = 0; i < n; ++i)
    for (int j = i + 1; j < n; ++j)
      if (std::bit_cast<std::uint64_t>(a[i][j]) != std::bit_cast<std::uint64_t>(a[j][i])) return false;
  return true;
}

}  // namespace

void new_mateig_counted(double **a, double **s, int n, MateigCounts &counts, const RunContext &ctx) {
  counts = MateigCounts{};
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) s[i][j] = 0.0;
    s[i][i] = 1.0;
  }

  double anorm = 0.0;
  for (int c = 0; c < n; ++c)
    for (int r = 0; r < n; ++r)
      if (r != c) anorm += a[r][c] * a[r][c];
  anorm = std::sqrt(anorm);

  // With no off-diagonal element at all the threshold would be 0 and every
  // element would pass it; with an infinity or a NaN in the matrix no element
  // ever fails it. Either way the loops below could not end.
  if (anorm == 0.0 || !std::isfinite(anorm)) {
    counts.early_exit = true;
    return;
  }
  const double fnorm = anorm * 1e-6;

  if (exactly_symmetric(a, n)) {
    // Scratch for the row solver: if it cannot be had, the element-wise path
    // below gives the same result without any.
    std::unique_ptr<RowSolver> solver;
    try {
      solver =
          std::make_unique<RowSolver>(a, s, n, ctx.isa, ctx.threads);  // s is the identity, its own transpose
    } catch (const std::bad_alloc &) {
      solver.reset();
    }
    if (solver) {
      run_thresholds(*solver, anorm, fnorm, n, counts);
      solver->finish();
      return;
    }
  }
  counts.fallback = true;
  PlainSolver plain{a, s, n};
  run_thresholds(plain, anorm, fnorm, n, counts);
}

void new_mateig(double **a, double **s, int n, const RunContext &ctx) {
  MateigCounts counts;
  new_mateig_counted(a, s, n, counts, ctx);
}
