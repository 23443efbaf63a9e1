// One input file: its result files in, its page out.
#pragma once

#include <stdexcept>
#include <string>

#include "page.h"

// A failure that ends the handling of one input file; the message names the
// file (and the line, for a result file that does not parse).
class PlotError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The name mavek gives the result of `input` with extension `ext`, in the
// folder `results_dir` or beside the input when that is empty: the input's
// extension (if its last path component has one) replaced by `ext`, and
// "stdin" for standard input ("-", "/dev/stdin").
std::string result_name(const std::string &input, const char *ext, const std::string &results_dir = "");

// Reads the column names and every result file of `input` that exists (in
// `results_dir`, when not empty). Throws PlotError for an input that mavek
// refuses, for an input with neither its file nor any result file, and for a
// result file that cannot be read or does not parse. The column names come
// from the input read as `how` says; standard input, which mavek has read
// already, gives none.
PageData load_results(const std::string &input, const std::string &results_dir = "",
                      const TableReading &how = {});

// Refuses a page name that is the file `input` itself (an input named like
// its page, "data.html"). Throws PlotError.
void check_not_input(const std::string &path, const std::string &input);

// Writes `page` to `path` through a temporary file beside it that is renamed
// over `path` at the end, so that no half-written page is ever left. Throws
// PlotError.
void write_page(const std::string &path, const std::string &page);

// The whole job for one input: "<base>.html" beside its result files, with
// "Writing file: <name>" on standard output unless `quiet`; the column names
// come from the input read as `how` says. Returns 0, or 1 after a message
// "mavek-plot: ..." on standard error.
int plot_file(const std::string &input, bool quiet, const std::string &results_dir = "",
              const TableReading &how = {});
