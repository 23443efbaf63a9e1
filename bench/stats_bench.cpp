// Benchmark of the statistics and the bulk writers:
//  1. moments, covariance and correlation (new_stcrmt) on 100,000 rows by 100
//     variables, next to the bare running-mean update c = c + (p - c) / (r + 1)
//     over as many independent pairs, vectorised, in the same run;
//  2. a whole default run (examination, reading, all statistics, ".mvd" and
//     ".inp") on 1,000,000 rows by 10 columns, next to the reading pass alone;
//  3. the ".std" file of that table against fprintf with "%9.5f ", bytes compared.
//
// Usage: stats_bench [rows-for-2-and-3]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "cli/driver.h"
#include "input/reader.h"
#include "output/report.h"
#include "stats/histogram.h"
#include "stats/new_stcrmt.h"
#include "table_gen.h"
#include "tables/datastore.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

__attribute__((target_clones("avx2", "default"), noinline)) void bare_update(double *__restrict c,
                                                                             const double *__restrict p,
                                                                             std::size_t pairs, double rp1) {
  for (std::size_t i = 0; i < pairs; ++i) c[i] = c[i] + (p[i] - c[i]) / rp1;
}

void covariance_pass() {
  const int n = 100000, m = 100;
  DataStore store;
  store.allocate(n, m, 30);
  std::mt19937_64 rng(7);
  std::normal_distribution<double> normal(0.0, 1.0);
  for (int r = 0; r < n; ++r)
    for (int i = 0; i < m; ++i) store.dd[r][i] = normal(rng) * (i + 1) + i;
  MinMax(store, n, m);

  const std::size_t pairs = static_cast<std::size_t>(m) * (m + 1) / 2;
  std::vector<double> c(pairs, 0.0), p(pairs);
  for (std::size_t i = 0; i < pairs; ++i) p[i] = normal(rng);
  double best_bare = 1e9, best_ours = 1e9;
  std::vector<int> no_stddev;
  for (int rep = 0; rep < 3; ++rep) {
    auto t0 = Clock::now();
    for (int r = 0; r < n; ++r) bare_update(c.data(), p.data(), pairs, static_cast<double>(r) + 1.0);
    best_bare = std::min(best_bare, seconds_since(t0));
    t0 = Clock::now();
    new_stcrmt(store.dd, m, n, store.v.get(), store.cc, store.ccov, no_stddev, context_from_environment());
    best_ours = std::min(best_ours, seconds_since(t0));
  }
  double updates = static_cast<double>(pairs) * n;
  std::printf("1. %d rows x %d variables, %zu pairs (checksum %g)\n", n, m, pairs, c[pairs / 2]);
  std::printf("   bare vectorised update:            %.3f s  %.0f M updates/s\n", best_bare,
              updates / best_bare / 1e6);
  std::printf("   new_stcrmt (moments and matrices): %.3f s  %.0f M updates/s  (%.0f%% of bare)\n", best_ours,
              updates / best_ours / 1e6, 100.0 * best_bare / best_ours);
}

double reading_pass(const std::string &path) {
  LineBuffer line;
  DataStore store;
  LineReader in;
  auto t0 = Clock::now();
  Examination ex = examine_file(path.c_str(), line, Reporter(1, 0), in);
  store.allocate(ex.rows, ex.cols, 30);
  for (unsigned i = 0; i < ex.cols; ++i) store.sortarr[i] = static_cast<int>(i);
  unsigned rows = ex.rows, cols = ex.cols;
  read_file(in, &rows, &cols, ex.fsize, store, ex.rows, ex.cols, Reporter(1, 0));
  return seconds_since(t0);
}

std::string read_all(const std::string &path) {
  std::string out;
  std::FILE *f = std::fopen(path.c_str(), "rb");
  char buf[1 << 16];
  std::size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, got);
  std::fclose(f);
  return out;
}

void whole_run_and_std(long rows) {
  std::string path = "/tmp/mavek_bench_stats.txt";
  long size = write_table(path, rows, 10);
  std::printf("2. %ld rows x 10 columns, %.1f MB\n", rows, size / 1e6);
  double best_read = 1e9, best_run = 1e9;
  for (int rep = 0; rep < 3; ++rep) {
    best_read = std::min(best_read, reading_pass(path));
    std::string quiet = "--quiet", file = path;
    char *argv[] = {const_cast<char *>("mavek"), quiet.data(), file.data(), nullptr};
    auto t0 = Clock::now();
    run(3, argv);
    best_run = std::min(best_run, seconds_since(t0));
  }
  std::printf("   examination and reading pass: %.3f s\n", best_read);
  std::printf("   whole default run:            %.3f s  (%.2f times the reading)\n", best_run,
              best_run / best_read);

  // 3. The ".std" file, against fprintf.
  LineBuffer line;
  DataStore store;
  LineReader in;
  Examination ex = examine_file(path.c_str(), line, Reporter(1, 0), in);
  store.allocate(ex.rows, ex.cols, 30);
  for (unsigned i = 0; i < ex.cols; ++i) store.sortarr[i] = store.sortarr1[i] = static_cast<int>(i);
  unsigned n = ex.rows, m = ex.cols;
  read_file(in, &n, &m, ex.fsize, store, ex.rows, ex.cols, Reporter(1, 0));
  MinMax(store, n, m);
  std::vector<int> no_stddev;
  new_stcrmt(store.dd, m, n, store.v.get(), store.cc, store.ccov, no_stddev, context_from_environment());

  double best_printf = 1e9, best_ours = 1e9;
  std::string ref_path = "/tmp/mavek_bench_ref.std";
  for (int rep = 0; rep < 3; ++rep) {
    auto t0 = Clock::now();
    std::FILE *f = std::fopen(ref_path.c_str(), "w");
    std::setvbuf(f, nullptr, _IOFBF, 32767);
    for (unsigned r = 0; r < n; ++r) {
      for (unsigned c = 0; c < m; ++c)
        std::fprintf(f, "%9.5f ", (store.dd[r][c] - store.v[c].mean) / store.v[c].stddev);
      std::fputc('\n', f);
    }
    std::fclose(f);
    best_printf = std::min(best_printf, seconds_since(t0));
    std::string name = "/tmp/mavek_bench_stats.cor";
    t0 = Clock::now();
    write_std(name, n, m, [&](unsigned r, double *z) { standardise_row(store, r, m, z); });
    best_ours = std::min(best_ours, seconds_since(t0));
  }
  bool same = read_all(ref_path) == read_all("/tmp/mavek_bench_stats.std");
  std::printf("3. \".std\": fprintf %.3f s, writer %.3f s: %.1f times faster, bytes %s\n", best_printf,
              best_ours, best_printf / best_ours, same ? "identical" : "DIFFERENT");
  for (const char *ext : {".txt", ".std", ".mvd", ".inp"})
    std::remove(("/tmp/mavek_bench_stats" + std::string(ext)).c_str());
  std::remove(ref_path.c_str());
  std::remove("logfile");
}

}  // namespace

int main(int argc, char **argv) {
  covariance_pass();
  whole_run_and_std(argc > 1 ? std::atol(argv[1]) : 1000000);
  return 0;
}
