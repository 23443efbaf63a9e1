// The order in which the variables of a file are stored.
#pragma once

#include "reporter.h"

// Fills sortarr (file column -> internal column) and sortarr1 (internal
// column -> file column), `cols` entries each, for a file of `cols`
// variables: reversed when `inverse` is set (the sort string is then
// ignored); otherwise natural, or from `sortstring` when it is not null. The
// string lists 1-based file columns for the positions 1, 2, ...; positions it
// leaves out take the columns it does not name, in ascending order. A number
// out of range or repeated ends the run. The string, each position it sets
// and the two maps are traced as progress lines of `report`.
void parse_sortstring(int cols, const char *sortstring, int inverse, const Reporter &report, int *sortarr,
                      int *sortarr1);
