// The statistics table on the terminal and the ".std", ".mvd", ".cor",
// ".cov", ".his" and ".pct" result files.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "reporter.h"
#include "tables/datastore.h"

// The label of record i: the input column number of the variable stored there.
int variable_label(const DataStore &store, unsigned i);

// The warning for variables without a standard deviation (their 1-based
// positions), on standard output whatever --quiet says: nothing for none.
void warn_no_stddev(const std::vector<int> &positions, const Reporter &report);

// The statistics table on standard output.
void print_statistics(const DataStore &store, unsigned cols);

// Each writer swaps the extension of `utfnamn`, writes its file completely
// and closes it; "Writing file: %s\n" is printed unless --quiet (".std" has
// no such line).
// ".std": the values that row(r, out) gives for observation r, `cols` of
// them, "%9.5f " each, one line per observation; formatted on up to
// `threads` threads with the same bytes.
void write_std(std::string &utfnamn, unsigned rows, unsigned cols,
               const std::function<void(unsigned, double *)> &row, unsigned threads = 1);
void write_mvd(std::string &utfnamn, const DataStore &store, unsigned cols, const Reporter &report);
void write_cor(std::string &utfnamn, const DataStore &store, unsigned cols, const Reporter &report);
void write_cov(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned cols,
               const Reporter &report);
// The histogram counts as fractions of the `rows` observations, h bins a line.
void write_his(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned cols, unsigned h,
               const Reporter &report);
// ".pct": the line "!" with each percentage " %g", then one line per
// variable: its label as ".mvd" prints it ("%9d "), then its percentiles
// (values[i * percent.size() + j]), "%9.4f " each.
void write_pct(std::string &utfnamn, const DataStore &store, unsigned cols,
               const std::vector<double> &percent, const std::vector<double> &values, const Reporter &report);
