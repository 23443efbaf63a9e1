#include "stats/histogram.h"

#include <cfloat>
#include <cmath>
#include <vector>

#include "contract/lines.h"

void MinMax(DataStore &store, unsigned rows, unsigned columns) {
  stats *v = store.v.get();
  for (unsigned i = 0; i < columns; ++i) {
    v[i].min = DBL_MAX;
    v[i].max = -DBL_MAX;
  }
  for (unsigned r = 0; r < rows; ++r) {
    const double *x = store.dd[r];
    for (unsigned i = 0; i < columns; ++i) {
      if (x[i] < v[i].min) v[i].min = x[i];
      if (x[i] > v[i].max) v[i].max = x[i];
    }
  }
}

void Histogram(DataStore &store, unsigned rows, unsigned columns, unsigned h, const Reporter &report) {
  const stats *v = store.v.get();
  int **histogram = store.histogram;
  // The width is the same for every value of a variable, so it is worked out
  // once per variable.
  std::vector<double> width(columns);
  for (unsigned i = 0; i < columns; ++i) width[i] = histogram_bin_width(v[i].min, v[i].max, h);
  const double last = static_cast<double>(h - 1);
  const bool debug = report.debug();

  for (unsigned r = 0; r < rows; ++r) {
    const double *x = store.dd[r];
    for (unsigned i = 0; i < columns; ++i) {
      const double w = width[i];
      const double diff = x[i] - v[i].min;
      if (w == 0.0) {
        histogram[h / 2][i] += 1;
        continue;
      }
      const double q = diff / w;
      // Out-of-range quotients are pinned to the table's ends before the
      // conversion, which is only defined inside int's range.
      unsigned ix = 0;
      if (q >= last)
        ix = h - 1;
      else if (q >= 1.0)
        ix = static_cast<unsigned>(q);
      // The trace keeps its long-standing labels, although they do not name
      // the values: "dummy" is diff / w, "diff" is the width w, then come
      // (diff / w) / w, the bin and the bin count. Readers of old traces
      // rely on the layout.
      if (debug)
        report.trace(__FILE_NAME__, __LINE__, "dummy:%f diff:%f= %f %d %d\n", q, w, q / w,
                     static_cast<int>(ix), static_cast<int>(h));
      if (std::isnan(x[i])) continue;
      histogram[ix][i] += 1;
    }
  }
}
