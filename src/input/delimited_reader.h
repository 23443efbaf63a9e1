// Reading a delimited table (CSV, TSV) into the data table: the examination,
// which reads the whole table once to fix its header and the columns read,
// and the reading pass, which converts the fields of those columns.
#pragma once

#include <cstddef>
#include <vector>

#include "contract/delimited.h"
#include "input/listwise.h"
#include "reporter.h"
#include "tables/datastore.h"

// What the examination finds out about a delimited table.
struct DelimitedExamination {
  TableShape shape;
  std::vector<std::size_t> columns;  // the field positions (from 0) read, in order
  unsigned rows = 0;                 // data rows: the row capacity of the table
  unsigned cols = 0;                 // columns read
  long fsize = 0;                    // bytes
};

// Reads the table at `path` (shown as `name`) with separator `sep` once: the
// header as `names` says (1, 0, or -1 for the first row's choice), the field
// count of every row, and the columns that hold numbers. Prints
// "Examining file" and a notice for each column left out; ends the run for
// an input that is no regular file or holds no record, a row of another
// length, an unclosed quote, and a table with no data row or no column to
// read.
DelimitedExamination examine_delimited(const char *path, const char *name, char sep, int names,
                                       const Reporter &report);

// Reads the data rows of the table into store.dd: the k-th column read of
// the r-th row stored goes to dd[r][sortarr[k]]. A field that is no number
// ends the run, and so does a missing one, unless `missing`: the row is then
// left out, as is a row holding a NaN, and counted in `left_out`. Returns the
// number of rows stored.
unsigned read_delimited(const char *path, const char *name, char sep, const DelimitedExamination &ex,
                        bool missing, DataStore &store, LeftOut &left_out, const Reporter &report);
