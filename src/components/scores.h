// What the component files show, computed from the principal components:
// percentages of variance, the reference row, factor-score coefficients and
// the component scores of every observation.
#pragma once

#include <vector>

#include "tables/datastore.h"

// Percentage of the total variance that component j explains:
// root[j] / rootsum * 100.
double variance_percentage(const DataStore &store, int j);

// Value i (0-based) of the reference row of m components: what each
// component would explain if the variance fell evenly across them, from
// 100/m + 1.4 down to 100/m - 1.4 in equal steps of -2.8 / (m - 1). One
// component has no slope: 101.4.
double reference_percentage(unsigned m, unsigned i);

// Factor-score coefficient of variable k for component j of m:
// (pc[k * m + j] / q_j) / 100 with q_j = root[j] / rootsum, the loading over
// the component's share of the variance.
double fsc_coefficient(const DataStore &store, unsigned m, unsigned k, int j);

// The number of score columns for a file of m variables: all m with
// `allscores`, otherwise `scores` but at most m.
unsigned score_count(unsigned m, unsigned scores, int allscores);

// The component scores of the observations, a row at a time: score c of
// observation r is the sum over k = 0..m-1, ascending from 0.0, of
// z_rk * F_kj with j = position[c], z_rk = (x[r][k] - c_k) / stddev_k and
// c_k the mean with `scores_mean`, 0.0 without (the raw values then are only
// scaled, not centred).
class ComponentScores {
 public:
  // `scores` (at most m) columns; the store must hold the components.
  ComponentScores(const DataStore &store, unsigned m, unsigned scores, int scores_mean);

  unsigned count() const { return scores_; }
  // The scores of observation r into out[0 .. count() - 1].
  void row(unsigned r, double *out) const;

 private:
  const DataStore &store_;
  unsigned m_;
  unsigned scores_;
  std::vector<double> coef_;    // coef_[k * scores_ + c]: F of variable k for rank c
  std::vector<double> centre_;  // c_k
  std::vector<double> stddev_;
};
