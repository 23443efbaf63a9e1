#include "cmdline.h"

#include <sys/stat.h>

#include <cstring>

#include "contract/table_options.h"

PlotOptions parse_plot_options(int argc, char **argv) {
  PlotOptions o;
  bool options_end = false;
  bool results_dir_given = false;
  for (int i = 1; i < argc; ++i) {
    const char *a = argv[i];
    if (options_end || a[0] != '-' || a[1] == '\0') {
      o.files.emplace_back(a);
    } else if (std::strcmp(a, "--") == 0) {
      options_end = true;
    } else if (std::strcmp(a, "--quiet") == 0) {
      o.quiet = true;
    } else if (std::strcmp(a, "--help") == 0) {
      o.help = true;
    } else if (std::strcmp(a, "--version") == 0) {
      o.version = true;
    } else if (std::strncmp(a, "--results-dir=", 14) == 0) {
      o.results_dir = a + 14;
      results_dir_given = true;
    } else if (std::strcmp(a, "--results-dir") == 0) {
      if (i + 1 < argc) {
        o.results_dir = argv[++i];
        results_dir_given = true;
      } else if (o.error.empty()) {
        o.error = "option '--results-dir' needs a folder";
      }
    } else if (std::strcmp(a, "--csv") == 0) {
      o.csv = true;
      o.csv_sep = 0;
    } else if (std::strncmp(a, "--csv=", 6) == 0) {
      o.csv = true;
      if (!parse_separator(a + 6, &o.csv_sep) && o.error.empty())
        o.error = std::string("not a separator for --csv: '") + (a + 6) +
                  "' (one byte other than a quote or a line break, or tab)";
    } else if (std::strcmp(a, "--names") == 0) {
      o.names = 1;
    } else if (std::strncmp(a, "--names=", 8) == 0) {
      o.names = on_off_word(a + 8);
      if (o.names < 0 && o.error.empty())
        o.error = std::string("not on or off for --names: '") + (a + 8) + "'";
    } else if (o.error.empty()) {
      o.error = std::string("unknown option '") + a + "'";
    }
  }
  if (o.error.empty() && o.files.empty() && !o.help && !o.version) o.error = "no input file";
  // mavek refuses such a folder before it writes anything; no results are there.
  struct stat st;
  if (o.error.empty() && results_dir_given && (stat(o.results_dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)))
    o.error = "not a directory: '" + o.results_dir + "'";
  return o;
}

const char *const kPlotHelp =
    "Usage: mavek-plot [--quiet] FILE...\n"
    "Draws the results that mavek wrote for each input table FILE as one page of\n"
    "charts, named like the results with the extension \".html\": the statistics\n"
    "table (.mvd), histograms (.his), the correlation heat map (.cor), and the scree\n"
    "plot and loadings of the principal components (.eig). The header row of a\n"
    "delimited table names its columns; in a whitespace table the first line does\n"
    "with --names, or else the last comment line above the first data line when it\n"
    "holds one word a column. A FILE \"-\" or \"/dev/stdin\" stands for the results\n"
    "named \"stdin\".\n"
    "\n"
    "  --quiet    do not print the \"Writing file\" lines\n"
    "  --results-dir=DIR\n"
    "             the results, and the page, are in DIR, as mavek --results-dir=DIR\n"
    "             wrote them\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n"
    "  --csv[=SEP]\n"
    "             FILE is a delimited table, as *.csv and *.tsv are: SEP is one byte\n"
    "             or tab (a comma by default, a tab for *.tsv); as for mavek\n"
    "  --names[=on|off]\n"
    "             the first row names the columns, or it does not; as for mavek\n"
    "\n"
    "Exit status: 0 when every page was written; 1 when a FILE has neither its input\n"
    "nor any result file, a result file does not parse, or a page cannot be written\n"
    "(the other FILEs are still drawn); 2 for a wrong command line.\n";

const char *const kPlotVersion = "mavek-plot " MAVEK_PLOT_VERSION "\n";
