// Medians of the variables, by exact selection.
#pragma once

#include "run_context.h"
#include "tables/datastore.h"

// v[i].median for each variable: the middle value, or the mean of the two
// middle values for an even count, values ordered totally (-0 before +0). A
// column holding a value that is not a number has no middle: its median is
// the column's first such value, bit for bit, whatever the others are.
// Columns are shared among the threads of `ctx`; the result does not depend
// on how the selection proceeds.
void calculate_median(double **dd, unsigned rows, unsigned cols, stats *v, const RunContext &ctx = {});
