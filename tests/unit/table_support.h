// Tables for the unit tests of the statistics and the components.
#pragma once

#include <vector>

class DataStore;

namespace testsupport {

// Fills `store` with a table (rows by m, row-major in `data`), its statistics,
// its correlation matrix (diagonal 1.0) and its principal components, as the
// program computes them.
void prepare_components(DataStore &store, unsigned rows, unsigned m, const std::vector<double> &data);

// A seeded rows-by-m table (row-major) of normal values whose variables share
// a common part, so that they correlate in varying degrees.
std::vector<double> correlated_table(unsigned rows, unsigned m, unsigned seed);

}  // namespace testsupport
