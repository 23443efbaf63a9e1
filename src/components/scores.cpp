#include "components/scores.h"

#include <cstddef>

double variance_percentage(const DataStore &store, int j) { return store.root[j] / store.rootsum * 100; }

double reference_percentage(unsigned m, unsigned i) {
  const double c0 = 100.0 / m + 1.4;
  if (m == 1) return c0;  // -2.8 / 0 would make the value NaN
  const double d = -2.8 / static_cast<double>(m - 1);
  // For i = 0 this is d * 0.0 + c0: -0.0 + c0, the same double as c0, so the
  // first value needs no formula of its own.
  return d * i + c0;
}

double fsc_coefficient(const DataStore &store, unsigned m, unsigned k, int j) {
  const double q = store.root[j] / store.rootsum;
  return (store.pc[static_cast<std::size_t>(k) * m + j] / q) / 100;
}

unsigned score_count(unsigned m, unsigned scores, int allscores) {
  return (m < scores || allscores != 0) ? m : scores;
}

ComponentScores::ComponentScores(const DataStore &store, unsigned m, unsigned scores, int scores_mean)
    : store_(store), m_(m), scores_(scores < m ? scores : m) {
  // Each coefficient and each standardising constant is computed once, by the
  // same formula as in ".fsc".
  coef_.resize(static_cast<std::size_t>(m) * scores_);
  for (unsigned c = 0; c < scores_; ++c) {
    const int j = store.position[c];
    for (unsigned k = 0; k < m; ++k)
      coef_[static_cast<std::size_t>(k) * scores_ + c] = fsc_coefficient(store, m, k, j);
  }
  centre_.resize(m);
  stddev_.resize(m);
  for (unsigned k = 0; k < m; ++k) {
    centre_[k] = scores_mean != 0 ? store.v[k].mean : 0.0;
    stddev_[k] = store.v[k].stddev;
  }
}

void ComponentScores::row(unsigned r, double *out) const {
  const double *x = store_.dd[r];
  // Every score sums over the variables in ascending order from 0.0; the
  // scores of one row are summed side by side, which changes nothing in any
  // one sum.
  for (unsigned c = 0; c < scores_; ++c) out[c] = 0.0;
  for (unsigned k = 0; k < m_; ++k) {
    const double z = (x[k] - centre_[k]) / stddev_[k];
    const double *ck = coef_.data() + static_cast<std::size_t>(k) * scores_;
    for (unsigned c = 0; c < scores_; ++c) out[c] = out[c] + z * ck[c];
  }
}
