// Writing a result file row by row, on several threads when that is allowed.
#pragma once

#include <functional>

#include "output/outbuf.h"

// Appends to `out` the text of rows 0 .. rows - 1, in that order, as
// range(from, to, o) writes the rows from .. to - 1 into o. With more than one
// thread the rows are formatted in chunks side by side, each into memory of
// its own, and the chunks are appended in order: the text is the same for
// every thread count. range() must depend on nothing but its rows.
void write_rows(OutBuf &out, unsigned rows, unsigned threads,
                const std::function<void(unsigned, unsigned, OutBuf &)> &range);

// The lines of a table of values, "%9.5f " each, one line per row (".std",
// ".sco"): row(r, values) gives the `count` values of row r. On up to
// `threads` threads, with the same text.
void write_value_rows(OutBuf &out, unsigned rows, unsigned count,
                      const std::function<void(unsigned, double *)> &row, unsigned threads);
