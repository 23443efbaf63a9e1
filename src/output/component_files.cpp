#include "output/component_files.h"

#include <cstddef>
#include <cstdio>
#include <vector>

#include "output/numfmt.h"
#include "output/resultfile.h"

void write_eig(std::string &utfnamn, const DataStore &store, unsigned m, int quiet) {
  ResultFile file(utfnamn, ".eig");
  file.announce(quiet);
  std::FILE *f = file.get();
  const int *position = store.position.get();

  for (unsigned i = 0; i < m; ++i) std::fprintf(f, " %- 7.3f", variance_percentage(store, position[i]));
  std::fputc('\n', f);

  std::fprintf(f, "%- 7.3f", reference_percentage(m, 0));
  for (unsigned i = 1; i < m; ++i) std::fprintf(f, " %- 7.3f", reference_percentage(m, i));
  std::fputc('\n', f);

  for (unsigned k = 0; k < m; ++k) {
    const double *row = store.pc.get() + static_cast<std::size_t>(k) * m;
    for (unsigned i = 0; i < m; ++i) std::fprintf(f, i == 0 ? "%- 7.3f" : " %- 7.3f", row[position[i]]);
    std::fputc('\n', f);
  }
  file.close();
}

void write_fsc(std::string &utfnamn, const DataStore &store, unsigned m, int quiet) {
  ResultFile file(utfnamn, ".fsc");
  file.announce(quiet);
  std::FILE *f = file.get();
  const int *position = store.position.get();

  std::fputs("[FSC_SORTED]\n", f);
  for (unsigned k = 0; k < m; ++k) {
    for (unsigned i = 0; i < m; ++i) std::fprintf(f, "% .7e ", fsc_coefficient(store, m, k, position[i]));
    std::fputc('\n', f);
  }
  std::fputs("[ROOT_SORTED]\n", f);
  for (unsigned i = 0; i < m; ++i) std::fprintf(f, "% .7e ", store.root[position[i]]);
  std::fputs("\n[STD]\n", f);
  for (unsigned k = 0; k < m; ++k) std::fprintf(f, "% .7e ", store.v[k].stddev);
  std::fputs("\n[MEAN]\n", f);
  for (unsigned k = 0; k < m; ++k) std::fprintf(f, "% .7e ", store.v[k].mean);
  std::fputc('\n', f);
  file.close();
}

void write_scores(std::FILE *f, const ComponentScores &scores, unsigned rows) {
  const unsigned count = scores.count();
  std::vector<double> sum(count);
  OutBuf out(f);
  for (unsigned r = 0; r < rows; ++r) {
    scores.row(r, sum.data());
    for (unsigned c = 0; c < count; ++c) {
      out.fixed(sum[c], 9, 5);
      out.put(' ');
    }
    out.put('\n');
  }
}

void write_sco(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned m, unsigned scores,
               int scores_mean, int quiet) {
  ResultFile file(utfnamn, ".sco", 40960);
  if (quiet == 0) std::printf("Writing file: %s %d scores\n", file.name().c_str(), static_cast<int>(scores));
  write_scores(file.get(), ComponentScores(store, m, scores, scores_mean), rows);
  file.close();
}
