// The order in which the variables of a file are stored.
#pragma once

#include "cli/options.h"
#include "input/datastore.h"

// Fills store.sortarr (file column -> internal column) and store.sortarr1
// (internal column -> file column) for a file of `cols` variables: reversed
// with --inverse; otherwise natural, or from the sort string when one was
// given and ".cov" or ".inp" is written. The string lists 1-based file columns
// for the positions 1, 2, ...; positions it leaves out take the columns it
// does not name, in ascending order. A number out of range or repeated ends
// the run. The trace goes to standard output unless quiet.
void parse_sortstring(int cols, const Options &o, DataStore &store);
