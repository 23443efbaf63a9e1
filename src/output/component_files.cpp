#include "output/component_files.h"

#include <cstddef>
#include <cstdio>
#include <vector>

#include "output/outbuf.h"
#include "output/resultfile.h"
#include "output/rows.h"

void write_eig(std::string &utfnamn, const DataStore &store, unsigned m, const Reporter &report) {
  ResultFile file(utfnamn, ".eig");
  file.announce(report);
  OutBuf &out = file.out();
  const int *position = store.position.get();
  // " %- 7.3f" is a blank and then "%- 7.3f".
  auto value = [&out](double x) { out.fixed(x, 7, 3, true, true); };

  for (unsigned i = 0; i < m; ++i) {
    out.put(' ');
    value(variance_percentage(store, position[i]));
  }
  out.put('\n');

  value(reference_percentage(m, 0));
  for (unsigned i = 1; i < m; ++i) {
    out.put(' ');
    value(reference_percentage(m, i));
  }
  out.put('\n');

  for (unsigned k = 0; k < m; ++k) {
    const double *row = store.pc.get() + static_cast<std::size_t>(k) * m;
    for (unsigned i = 0; i < m; ++i) {
      if (i != 0) out.put(' ');
      value(row[position[i]]);
    }
    out.put('\n');
  }
  file.close();
}

void write_fsc(std::string &utfnamn, const DataStore &store, unsigned m, const Reporter &report) {
  ResultFile file(utfnamn, ".fsc");
  file.announce(report);
  OutBuf &out = file.out();
  const int *position = store.position.get();
  // "% .7e " each.
  auto value = [&out](double x) {
    out.scientific(x, 0, 7, true);
    out.put(' ');
  };

  out.put("[FSC_SORTED]\n");
  for (unsigned k = 0; k < m; ++k) {
    for (unsigned i = 0; i < m; ++i) value(fsc_coefficient(store, m, k, position[i]));
    out.put('\n');
  }
  out.put("[ROOT_SORTED]\n");
  for (unsigned i = 0; i < m; ++i) value(store.root[position[i]]);
  out.put("\n[STD]\n");
  for (unsigned k = 0; k < m; ++k) value(store.v[k].stddev);
  out.put("\n[MEAN]\n");
  for (unsigned k = 0; k < m; ++k) value(store.v[k].mean);
  out.put('\n');
  file.close();
}

void write_scores(OutBuf &out, const ComponentScores &scores, unsigned rows, unsigned threads) {
  write_value_rows(
      out, rows, scores.count(), [&](unsigned r, double *values) { scores.row(r, values); }, threads);
}

void write_sco(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned m, unsigned scores,
               int scores_mean, const Reporter &report, unsigned threads) {
  ResultFile file(utfnamn, ".sco", 40960);
  report.progress("Writing file: %s %d scores\n", file.name().c_str(), static_cast<int>(scores));
  write_scores(file.out(), ComponentScores(store, m, scores, scores_mean), rows, threads);
  file.close();
}
