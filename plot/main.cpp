#include <cstdio>

#include "cmdline.h"
#include "plotfile.h"

int main(int argc, char **argv) {
  const PlotOptions o = parse_plot_options(argc, argv);
  if (!o.error.empty()) {
    std::fprintf(stderr, "mavek-plot: %s\nUsage: mavek-plot [--quiet] FILE...\nTry 'mavek-plot --help'.\n",
                 o.error.c_str());
    return 2;
  }
  if (o.help) {
    std::fputs(kPlotHelp, stdout);
    return 0;
  }
  if (o.version) {
    std::fputs(kPlotVersion, stdout);
    return 0;
  }
  int status = 0;
  const TableReading how{o.csv, o.csv_sep, o.names};
  for (const std::string &file : o.files)
    if (plot_file(file, o.quiet, o.results_dir, how) != 0) status = 1;
  return status;
}
