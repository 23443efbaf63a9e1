// Benchmark: the ".sco" lines of a seeded table of 1,000,000 observations of
// 10 variables with all 10 scores, written three ways into /dev/null through
// a 40960-byte stream buffer:
//   plain     every score summed from the formulas (standardised value and
//             coefficient computed anew for each score) and written with
//             fprintf("%9.5f ");
//   fprintf   the same scores computed beforehand, only the fprintf calls
//             timed (the formatting alone);
//   writer    write_scores, the path of the ".sco" writer.
// All three must give the same bytes; the best time of each and the ratios
// are printed.
//
// Usage: sco_bench [rows [variables]]

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "components/principal.h"
#include "components/scores.h"
#include "output/component_files.h"
#include "stats/histogram.h"
#include "stats/new_stcrmt.h"
#include "tables/datastore.h"

namespace {

void prepare(DataStore &store, unsigned rows, unsigned m) {
  store.allocate(rows, m, 30);
  std::mt19937_64 rng(424242);
  std::normal_distribution<double> normal(0.0, 1.0);
  for (unsigned r = 0; r < rows; ++r) {
    const double common = normal(rng);
    for (unsigned k = 0; k < m; ++k)
      store.dd[r][k] = std::round((50.0 + 10.0 * (common * 0.2 * (k + 1) + normal(rng))) * 100.0) / 100.0;
  }
  // The statistics as the program computes them.
  MinMax(store, rows, m);
  std::vector<int> no_stddev;
  new_stcrmt(store.dd, static_cast<int>(m), static_cast<int>(rows), store.v.get(), store.cc, store.ccov,
             no_stddev);
  for (unsigned k = 0; k < m; ++k) store.cc[k][k] = 1.0;
  principal_components(store, m);
}

// S for observation r and score c, straight from the formulas.
double plain_score(const DataStore &store, unsigned m, unsigned r, unsigned c, int scores_mean) {
  const int j = store.position[c];
  double s = 0.0;
  for (unsigned k = 0; k < m; ++k) {
    const double centre = scores_mean != 0 ? store.v[k].mean : 0.0;
    const double z = (store.dd[r][k] - centre) / store.v[k].stddev;
    const double q = store.root[j] / store.rootsum;
    const double f = (store.pc[static_cast<std::size_t>(k) * m + j] / q) / 100;
    s = s + z * f;
  }
  return s;
}

void write_plain(std::FILE *f, const DataStore &store, unsigned rows, unsigned m) {
  for (unsigned r = 0; r < rows; ++r) {
    for (unsigned c = 0; c < m; ++c) std::fprintf(f, "%9.5f ", plain_score(store, m, r, c, 0));
    std::fputc('\n', f);
  }
}

void write_precomputed(std::FILE *f, const std::vector<double> &s, unsigned rows, unsigned m) {
  const double *x = s.data();
  for (unsigned r = 0; r < rows; ++r) {
    for (unsigned c = 0; c < m; ++c) std::fprintf(f, "%9.5f ", *x++);
    std::fputc('\n', f);
  }
}

std::FILE *open_sink(const char *name, std::vector<char> &buf) {
  std::FILE *f = std::fopen(name, "w");
  if (f == nullptr) {
    std::perror(name);
    std::exit(2);
  }
  std::setvbuf(f, buf.data(), _IOFBF, buf.size());
  return f;
}

template <class Write>
double best_of(int runs, Write write) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    std::vector<char> buf(40960);
    std::FILE *f = open_sink("/dev/null", buf);
    const auto t0 = std::chrono::steady_clock::now();
    write(f);
    std::fflush(f);
    const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::fclose(f);
    best = std::min(best, t);
  }
  return best;
}

template <class Write>
std::string text_of(Write write) {
  char *data = nullptr;
  std::size_t size = 0;
  std::FILE *f = open_memstream(&data, &size);
  if (f == nullptr) {
    std::perror("open_memstream");
    std::exit(2);
  }
  write(f);
  std::fclose(f);
  std::string text(data, size);
  std::free(data);
  return text;
}

}  // namespace

int main(int argc, char **argv) {
  const unsigned rows = argc > 1 ? static_cast<unsigned>(std::atol(argv[1])) : 1000000;
  const unsigned m = argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : 10;
  if (rows < 2 || m < 1) {
    std::fprintf(stderr, "usage: sco_bench [rows >= 2 [variables >= 1]]\n");
    return 2;
  }
  DataStore store;
  prepare(store, rows, m);

  std::vector<double> scores(static_cast<std::size_t>(rows) * m);
  for (unsigned r = 0; r < rows; ++r)
    for (unsigned c = 0; c < m; ++c)
      scores[static_cast<std::size_t>(r) * m + c] = plain_score(store, m, r, c, 0);

  auto plain = [&](std::FILE *f) { write_plain(f, store, rows, m); };
  auto precomputed = [&](std::FILE *f) { write_precomputed(f, scores, rows, m); };
  auto writer = [&](std::FILE *f) {
    OutBuf out(f);
    write_scores(out, ComponentScores(store, m, m, 0), rows);
  };

  const std::string expected = text_of(plain);
  const bool same_writer = text_of(writer) == expected;
  const bool same_precomputed = text_of(precomputed) == expected;
  std::printf("%u rows x %u variables, %u scores, %zu bytes\n", rows, m, m, expected.size());
  std::printf("identical bytes: writer %s, precomputed fprintf %s\n", same_writer ? "yes" : "NO",
              same_precomputed ? "yes" : "NO");

  const double t_plain = best_of(3, plain);
  const double t_fprintf = best_of(3, precomputed);
  const double t_writer = best_of(3, writer);
  std::printf("plain (formulas per score + fprintf): %.3f s\n", t_plain);
  std::printf("fprintf alone (scores precomputed):   %.3f s\n", t_fprintf);
  std::printf("write_scores:                         %.3f s\n", t_writer);
  std::printf("ratio fprintf alone / write_scores: %.2fx\n", t_fprintf / t_writer);
  std::printf("ratio plain / write_scores:         %.2fx\n", t_plain / t_writer);
  return same_writer && same_precomputed ? 0 : 1;
}
