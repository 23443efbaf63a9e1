// The correlation files for TETRAD: ".inp" and the older ".da1" layout.
#pragma once

#include <string>

#include "cli/options.h"
#include "input/datastore.h"

// ".inp": "/Covariance", the row count, the labels "x<column>" and the lower
// triangle of cc with " %8.4f". With o.flag.split, label lines hold at most
// 20 labels and value lines at most 11 values.
void write_tet(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned columns,
               const Options &o);

// ".da1": the product columns * rows, the unit diagonal and every pair of
// variables named "a0" to "y9"; more than 250 variables end the run before the
// file is created.
void write_teto(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned columns, int quiet);
