#include "output/components.h"

#include <cstddef>
#include <cstdio>
#include <vector>

#include "output/numfmt.h"
#include "output/resultfile.h"

namespace {

// Share of the total variance of component j: q_j = root[j] / rootsum.
double share(const DataStore &store, int j) { return store.root[j] / store.rootsum; }

// Factor-score coefficient of variable k for component j.
double coefficient(const DataStore &store, unsigned m, unsigned k, int j, double q) {
  return (store.pc[static_cast<std::size_t>(k) * m + j] / q) / 100;
}

}  // namespace

void write_eig(std::string &utfnamn, const DataStore &store, unsigned m, int quiet) {
  ResultFile file(utfnamn, ".eig");
  file.announce(quiet);
  std::FILE *f = file.get();
  const int *position = store.position.get();

  for (unsigned i = 0; i < m; ++i) std::fprintf(f, " %- 7.3f", store.root[position[i]] / store.rootsum * 100);
  std::fputc('\n', f);

  // The reference row: what each component would explain if the variance
  // fell evenly across them. One variable has no slope to fall along.
  const double c0 = 100.0 / m + 1.4;
  if (m == 1) {
    std::fprintf(f, "%- 7.3f", c0);
  } else {
    const double d = -2.8 / static_cast<double>(m - 1);
    std::fprintf(f, "%- 7.3f", d * 0.0 + c0);
    for (unsigned i = 1; i < m; ++i) std::fprintf(f, " %- 7.3f", d * i + c0);
  }
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
    for (unsigned i = 0; i < m; ++i) {
      const int j = position[i];
      std::fprintf(f, "% .7e ", coefficient(store, m, k, j, share(store, j)));
    }
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

void write_scores(std::FILE *f, const DataStore &store, unsigned rows, unsigned m, unsigned scores,
                  int scores_mean) {
  if (scores > m) scores = m;
  const int *position = store.position.get();

  // Each coefficient and each standardised value is computed once, by the
  // same formula as everywhere else; coef[k * scores + c] is the coefficient
  // of variable k for the component of rank c.
  std::vector<double> coef(static_cast<std::size_t>(m) * scores);
  for (unsigned c = 0; c < scores; ++c) {
    const int j = position[c];
    const double q = share(store, j);
    for (unsigned k = 0; k < m; ++k)
      coef[static_cast<std::size_t>(k) * scores + c] = coefficient(store, m, k, j, q);
  }
  std::vector<double> centre(m);
  std::vector<double> stddev(m);
  for (unsigned k = 0; k < m; ++k) {
    centre[k] = scores_mean != 0 ? store.v[k].mean : 0.0;
    stddev[k] = store.v[k].stddev;
  }

  std::vector<double> sum(scores);
  OutBuf out(f);
  for (unsigned r = 0; r < rows; ++r) {
    const double *x = store.dd[r];
    // Every score sums over the variables in ascending order from 0.0; the
    // scores of one row are summed side by side, which changes nothing in
    // any one sum.
    for (unsigned c = 0; c < scores; ++c) sum[c] = 0.0;
    for (unsigned k = 0; k < m; ++k) {
      const double z = (x[k] - centre[k]) / stddev[k];
      const double *ck = coef.data() + static_cast<std::size_t>(k) * scores;
      for (unsigned c = 0; c < scores; ++c) sum[c] = sum[c] + z * ck[c];
    }
    for (unsigned c = 0; c < scores; ++c) {
      out.fixed(sum[c], 9, 5);
      out.put(' ');
    }
    out.put('\n');
  }
}

void write_sco(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned m, Options &o) {
  ResultFile file(utfnamn, ".sco", 40960);
  if (m < o.scores || o.allscores != 0) o.scores = m;
  if (o.quiet == 0)
    std::printf("Writing file: %s %d scores\n", file.name().c_str(), static_cast<int>(o.scores));
  write_scores(file.get(), store, rows, m, o.scores, o.flag.scores_mean);
  file.close();
}
