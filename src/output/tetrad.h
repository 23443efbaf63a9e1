// The correlation files for TETRAD: ".inp" and the older ".da1" layout.
#pragma once

#include <string>

#include "reporter.h"
#include "tables/datastore.h"

// ".inp": "/Covariance", the row count, the labels "x<column>" and the lower
// triangle of cc with " %8.4f". With `split`, label lines hold at most 20
// labels and value lines at most 11 values, and "Using split" is printed
// (also with --quiet).
void write_tet(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned columns,
               const Reporter &report, int split);

// ".da1": the product columns * rows, the unit diagonal and every pair of
// variables named "a0" to "y9"; more than 250 variables end the run before the
// file is created.
void write_teto(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned columns,
                const Reporter &report);
