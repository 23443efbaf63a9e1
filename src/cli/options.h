// The command line: switches, counts, the option table and the help.
#pragma once

#include <getopt.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

// The switches that choose the result files; each is 0 (off) or 1 (on).
struct flags {
  int tetrad = 1;       // ".inp"
  int oldtetrad = 0;    // ".da1"
  int covariance = 0;   // ".cov"
  int sort = 0;         // a sort string was given
  int correlation = 0;  // ".cor"
  int mvd = 1;          // ".mvd"
  int timing = 0;       // no option sets it
  int eigen = 0;        // principal components, ".eig" and ".sco"
  int split = 0;        // split ".inp" lines
  int fsc = 0;          // ".fsc"
  int histogram = 0;    // ".his"
  int std = 0;          // ".std"
  int transpose = 0;    // no option completes
  int scores_mean = 0;  // subtract the means before the scores
  int inverse = 0;      // reversed variable order
};

// A name that an option may give: none when the option is not given at all,
// which an empty name is not.
using OptionalPath = std::optional<std::string>;

// Everything the command line sets; owned by the driver for the whole run.
struct Options {
  flags flag;
  int quiet = 0;
  int debug = 0;
  int more = 0;
  int timer = 0;
  int allscores = 0;
  int blas = 0;                // --blas: matrices and components with OpenBLAS
  unsigned scores = 3;         // score columns in ".sco"; lowered by the ".sco" step
  unsigned histosize = 30;     // histogram bins
  char *sortstring = nullptr;  // owned copy of the -s text (malloc'd)

  // Reading and writing beyond the program's own table format.
  int csv = 0;                      // --csv: every input is a delimited table
  char csv_sep = 0;                 // its separator; 0: ',' (a tab for *.tsv)
  int names = -1;                   // --names: 1 on, 0 off, -1 decided by the first row
  int missing = 0;                  // --missing: rows with missing values are left out
  OptionalPath results_dir;         // --results-dir: where the result files go (none: beside the input)
  std::vector<double> percentiles;  // --percentiles, in the order given (".pct")

  Options() = default;
  Options(const Options &) = delete;
  Options &operator=(const Options &) = delete;
  ~Options();
};

extern const char short_opts[];

// The 32 records of the long options (the last all zero); the switch records
// of --debug, --more, --timer and --blas point into `o`.
std::array<option, 32> make_long_opts(Options &o);

// The percentages of a --percentiles list: decimals from 0 to 100 separated
// by commas, in the order given. False for anything else.
bool parse_percentiles(const char *text, std::vector<double> &out);

// The on/off word of a switch: null, '+', "on..." give 1; '-', "off..." give 0;
// anything else ends the run with "Need a numeric argument to option ...".
int parse_optarg(const char *option, const char *opta);

// The on/off word or a count (atol); a non-zero count is stored in *val.
int parse_optarg_with_value(const char *option, const char *opta, unsigned *val);

// Shows the help and ends the run: through the pager "more" (status 1) unless
// `more` is set, then directly on standard output (status 0).
[[noreturn]] void usage(const char *name, int more);

// The help text with `name` in place of "%s", ending with the bug-report line.
extern const char help_text[];

// Quotes `s` as one word for a POSIX shell.
void shell_quote(const char *s, char *out);  // out: room for 4 * strlen(s) + 3

// The sort string as it applies to a file: the -s text when one was given and
// ".inp" or ".cov" is written (the order matters to those files), otherwise
// null.
const char *sort_string_in_effect(const Options &o);

// Parses every option of argv into `o` (argv is permuted so that the file
// arguments come last) and returns the index of the first file argument.
int parse_options(int argc, char **argv, Options &o);
