// The command line of mavek-plot.
#pragma once

#include <string>
#include <vector>

struct PlotOptions {
  bool quiet = false;
  bool help = false;
  bool version = false;
  std::string results_dir;  // --results-dir: where mavek wrote the results ("" beside the inputs)
  // How the input tables are read, as mavek reads them: --csv[=SEP] and
  // --names[=on|off] (1 on, 0 off, -1 decided by the first row).
  bool csv = false;
  char csv_sep = 0;
  int names = -1;
  std::vector<std::string> files;
  std::string error;  // what was wrong with the command line, if anything
};

// Options may stand anywhere among the files; "--" ends them, so that a file
// name may begin with '-'. A lone "-" is a file name: standard input, as
// mavek reads it. --results-dir takes its folder as "--results-dir=DIR" or
// as the next word.
PlotOptions parse_plot_options(int argc, char **argv);

extern const char *const kPlotHelp;     // the --help text
extern const char *const kPlotVersion;  // the --version text
