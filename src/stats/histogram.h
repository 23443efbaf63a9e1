// Ranges and histogram counts of the variables.
#pragma once

#include "tables/datastore.h"

// v[i].min and v[i].max over the first `rows` rows of dd; values that are not
// numbers never become either.
void MinMax(DataStore &store, unsigned rows, unsigned columns);

// Counts every value of dd into `h` bins per variable: width
// w = (1.00001 * max - min) / (h - 1) from the variable's minimum, bin
// trunc((x - min) / w); a zero width sends every value to bin h / 2. Values
// that are not numbers are not counted; bins below 0 or above h - 1 count in
// the first or last bin. With --debug every value counted through the width
// is traced through `report`.
void Histogram(DataStore &store, unsigned rows, unsigned columns, unsigned h, const Reporter &report);
