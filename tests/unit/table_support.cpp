#include "table_support.h"

#include <random>

#include "components/principal.h"
#include "stats/histogram.h"
#include "stats/new_stcrmt.h"
#include "tables/datastore.h"

namespace testsupport {

void prepare_components(DataStore &store, unsigned rows, unsigned m, const std::vector<double> &data) {
  store.allocate(rows, m, 30);
  for (unsigned r = 0; r < rows; ++r)
    for (unsigned k = 0; k < m; ++k) store.dd[r][k] = data[static_cast<std::size_t>(r) * m + k];
  MinMax(store, rows, m);
  std::vector<int> no_stddev;
  new_stcrmt(store.dd, static_cast<int>(m), static_cast<int>(rows), store.v.get(), store.cc, store.ccov,
             no_stddev);
  for (unsigned k = 0; k < m; ++k) store.cc[k][k] = 1.0;
  principal_components(store, m);
}

std::vector<double> correlated_table(unsigned rows, unsigned m, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> normal(10.0, 3.0);
  std::vector<double> data(static_cast<std::size_t>(rows) * m);
  for (unsigned r = 0; r < rows; ++r) {
    const double common = normal(rng);
    for (unsigned k = 0; k < m; ++k)
      data[static_cast<std::size_t>(r) * m + k] = common * (k + 1) * 0.1 + normal(rng);
  }
  return data;
}

}  // namespace testsupport
