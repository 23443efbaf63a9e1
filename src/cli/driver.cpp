#include "cli/driver.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/version.h"
#include "components/blas_engine.h"
#include "components/principal.h"
#include "components/scores.h"
#include "contract/delimited.h"
#include "contract/naming.h"
#include "diagnostics.h"
#include "input/delimited_reader.h"
#include "input/listwise.h"
#include "input/readahead.h"
#include "input/reader.h"
#include "input/sortorder.h"
#include "input/standard_input.h"
#include "logfile.h"
#include "output/component_files.h"
#include "output/report.h"
#include "output/resultset.h"
#include "output/tetrad.h"
#include "reporter.h"
#include "run_context.h"
#include "stats/histogram.h"
#include "stats/median.h"
#include "stats/new_stcrmt.h"
#include "stdstreams.h"
#include "tables/datastore.h"
#include "unfinished.h"

namespace {

// What lives for the whole run.
struct Run {
  Options opts;
  Reporter report{0, 0};
  RunContext ctx;
  DataStore store;
  ResultSets results;
  std::unique_ptr<OpenBlas> blas;  // loaded only for --blas
};

// The size of the table read.
struct TableSize {
  unsigned rows = 0;
  unsigned cols = 0;
};

// The reading step: examines the input at `path`, shown as `name` (the two
// differ for standard input, read from a copy), creates the tables for it
// and reads its rows into them. Delimited tables are chosen by --csv or by
// the name the user gave; every other input is a whitespace table.
TableSize read_table(const char *path, const char *name, Run &run, LineBuffer &line) {
  const Options &o = run.opts;
  const Reporter &report = run.report;
  DataStore &store = run.store;
  // The tables for `rows` by `cols`, and the variable order.
  const auto create_tables = [&](unsigned rows, unsigned cols) {
    store.allocate(rows, cols, o.histosize, report);
    // 9.5367431640625e-07 is 2^-20 exactly: the figure is in units of
    // 1,048,576 bytes, multiplied rather than divided as it always was.
    report.progress("Memory need: %.3g Mb\n", static_cast<double>(store.mem_usage) * 9.5367431640625e-07);
    parse_sortstring(static_cast<int>(cols), sort_string_in_effect(o), o.flag.inverse, report,
                     store.sortarr.get(), store.sortarr1.get());
  };
  TableSize size;
  LeftOut left_out;
  const char sep = table_separator(name, o.csv != 0, o.csv_sep);
  if (sep == 0) {
    const ReadChoices choices{o.names == 1, o.missing != 0};
    LineReader infil;
    ReadAhead ahead;
    Examination ex = examine_file(name, line, report, infil, path, &ahead, choices);
    size.rows = ex.rows;
    size.cols = ex.cols;
    create_tables(size.rows, size.cols);
    const unsigned g_rows = size.rows;
    const unsigned g_cols = size.cols;
    report.progress("\nReads the file: %s\n", name);
    if (ex.read_ahead)
      ahead.deliver(store, &size.rows, &size.cols, report);
    else
      read_file(infil, &size.rows, &size.cols, ex.fsize, store, g_rows, g_cols, report, choices, &left_out);
    infil.close();
  } else {
    const DelimitedExamination ex = examine_delimited(path, name, sep, o.names, report);
    create_tables(ex.rows, ex.cols);
    report.progress("\nReads the file: %s\n", name);
    size.rows = read_delimited(path, name, sep, ex, o.missing != 0, store, left_out, report);
    size.cols = ex.cols;
  }
  report_left_out(left_out, size.rows, name, report);
  return size;
}

// Where the copy of standard input is kept: $TMPDIR, or /tmp.
std::string temporary_folder() {
  const char *dir = std::getenv("TMPDIR");
  return dir != nullptr && *dir != '\0' ? dir : "/tmp";
}

// Output that standard output did not take is a failed run.
void check_stdout() {
  if (!stdout_delivered()) error("Can't write file: %s\a\n", "standard output");
}

void process_file(const char *name, Run &run, LineBuffer &line) {
  const Options &o = run.opts;
  const Reporter &report = run.report;
  const RunContext &ctx = run.ctx;
  DataStore &store = run.store;

  // Results must never overwrite the input: neither by having its own
  // extension nor through a link or another spelling of the same file.
  if (has_result_extension(name))
    error("The infile extension may not be one of %s and %s.\a\n", kRefusedExtensions, kRefusedLastExtension);
  std::string utfnamn = derive_result_base(name, o.results_dir.value_or(""));
  const std::string replaced = result_replacing_input(utfnamn, name);
  if (!replaced.empty()) error("The result file %s would replace the input %s\a\n", replaced.c_str(), name);
  if (const char *earlier = run.results.claim(name, utfnamn))
    error("The results of %s would replace those of %s\a\n", name, earlier);
  // Standard input is read once, into a copy that every reading pass opens
  // from its start under `path`; messages keep showing the argument.
  StandardInput held;
  const char *path = name;
  if (is_standard_input(name)) {
    held.hold(name, temporary_folder());
    path = held.path().c_str();
  }

  const TableSize size = read_table(path, name, run, line);
  const unsigned rows = size.rows;
  const unsigned cols = size.cols;

  MinMax(store, rows, cols);
  // The counts show only in ".his" and in the debug trace; a run that shows
  // neither has no use for them.
  if (o.flag.histogram != 0 || report.debug()) Histogram(store, rows, cols, o.histosize, report);
  if (cols == 0 || rows == 0) error("Too few variables\n");
  report.progress("Found %d columns %d rows\n", cols, rows);

  std::vector<int> no_stddev;
  if (run.blas) {
    moments(store.dd, static_cast<int>(cols), static_cast<int>(rows), store.v.get(), no_stddev);
    blas_matrices(*run.blas, store.dd, static_cast<int>(cols), static_cast<int>(rows), store.v.get(),
                  store.cc, store.ccov);
  } else if (new_stcrmt(store.dd, static_cast<int>(cols), static_cast<int>(rows), store.v.get(), store.cc,
                        store.ccov, no_stddev, ctx) != 0) {
    throw ExitRequest{1};
  }
  warn_no_stddev(no_stddev, report);
  for (unsigned i = 0; i < cols; ++i) store.cc[i][i] = 1.0;
  calculate_median(store.dd, rows, cols, store.v.get(), ctx);

  if (!report.quiet()) print_statistics(store, cols);
  if (o.flag.std)
    write_std(
        utfnamn, rows, cols, [&](unsigned r, double *z) { standardise_row(store, r, cols, z); }, ctx.threads);
  if (o.flag.mvd) write_mvd(utfnamn, store, cols, report);
  if (o.flag.correlation) write_cor(utfnamn, store, cols, report);
  if (o.flag.covariance) write_cov(utfnamn, store, rows, cols, report);
  if (o.flag.tetrad) write_tet(utfnamn, store, rows, cols, report, o.flag.split);
  if (o.flag.oldtetrad) write_teto(utfnamn, store, rows, cols, report);
  if (o.flag.histogram) write_his(utfnamn, store, rows, cols, o.histosize, report);
  if (!o.percentiles.empty())
    write_pct(utfnamn, store, cols, o.percentiles,
              calculate_percentiles(store.dd, rows, cols, o.percentiles, ctx), report);

  if (o.flag.eigen) {
    // The solver cannot diagonalise a matrix holding a NaN or an infinity,
    // and the identity it would leave is no set of components.
    if (!all_finite(store.cc, cols))
      error("No principal components: the correlations of %s are not all finite\a\n", name);
    if (!run.blas) {
      principal_components(store, cols, ctx);
    } else if (blas_components(*run.blas, store, cols) != BlasComponents::done) {
      error("No principal components: LAPACK's dsyevr failed on %s\a\n", name);
    }
    write_eig(utfnamn, store, cols, report);
    if (o.flag.fsc) write_fsc(utfnamn, store, cols, report);
    // Lowered for this file only: every file gets what the options asked for.
    const unsigned scores = score_count(cols, o.scores, o.allscores);
    write_sco(utfnamn, store, rows, cols, scores, o.flag.scores_mean, report, ctx.threads);
  }

  store.deallocate();
}

// OpenBLAS for --blas, from MAVEK_OPENBLAS when set, on the program's
// thread count (1 unless MAVEK_THREADS asks for more).
void load_blas(Run &run) {
  const char *library = std::getenv("MAVEK_OPENBLAS");
  if (library == nullptr || *library == '\0') library = kOpenBlasLibrary;
  std::string why;
  run.blas = OpenBlas::load(library, why);
  if (!run.blas)
    error("--blas needs OpenBLAS with LAPACK: %s\nOn Debian, install the package libopenblas0-pthread.\a\n",
          why.c_str());
  run.blas->set_threads(run.ctx.threads);
}

int run_unchecked(int argc, char **argv) {
  const std::time_t t0 = std::time(nullptr);
  LineBuffer line;
  Run run;
  const int first_file = parse_options(argc, argv, run.opts);
  if (first_file >= argc) usage(argv[0], run.opts.more);
  // Found out before any input is read, so that no input is read in vain.
  struct stat dir;
  if (run.opts.results_dir && (stat(run.opts.results_dir->c_str(), &dir) != 0 || !S_ISDIR(dir.st_mode)))
    error("Not a directory: %s\a\n", run.opts.results_dir->c_str());
  run.report = Reporter(run.opts.quiet, run.opts.debug);
  run.ctx = context_from_environment();
  logfile(argc, argv);
  if (run.opts.quiet == 0) {
    std::fprintf(stderr, "%s\n", Version);
    std::fprintf(stderr, "%s\n", Copyright);
  }
  if (run.opts.blas != 0) load_blas(run);
  for (int i = first_file; i < argc; ++i) {
    process_file(argv[i], run, line);
    check_stdout();
  }
  if (run.opts.timer != 0) {
    const std::time_t t1 = std::time(nullptr);
    std::printf("\n%ld seconds\n", static_cast<long>(t1 - t0));
  }
  return 0;
}

}  // namespace

int run(int argc, char **argv) {
  // A closed standard descriptor would be taken by the first file opened.
  if (!fill_standard_descriptors()) return 1;
  remove_unfinished_on_signals();
  int status = 0;
  try {
    try {
      status = run_unchecked(argc, argv);
    } catch (const std::bad_alloc &) {
      // Scratch memory of a step (the median's copy of a column, the
      // solver's work space) ran out: as fatal as a table that cannot be had.
      error("Not enough memory");
    }
  } catch (const Failure &failure) {
    report_failure(failure);
    status = 1;
  } catch (const ExitRequest &e) {
    status = e.status;
  }
  // A run that failed has said so already; one that would end well (the
  // help printed directly included) must not have lost its output.
  if (status != 0) {
    std::fflush(stdout);
    return status;
  }
  try {
    check_stdout();
  } catch (const Failure &failure) {
    report_failure(failure);
    status = 1;
  }
  return status;
}
