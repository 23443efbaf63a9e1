// Benchmark: writing 1,000,000 values with "%9.5f " through fprintf versus
// OutBuf/format_fixed, both into a FILE* on /dev/null with a 32767-byte full
// buffer.  Before timing, the two paths are checked to produce identical
// bytes.  At the end the best time per pass of each and their ratio are
// printed.
//
// Then every result writer that formats numbers, and the terminal table, is
// timed against its former fprintf version (one fprintf per value, kept
// below) on large tables: ".cor", ".cov", ".inp", ".eig" and ".fsc" of 1,000
// variables, ".da1" of 250 (its limit), ".mvd" and the table of 100,000
// variables.  Both write real files; the bytes must be identical.  Figures
// only, best of three runs each.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "components/scores.h"
#include "output/component_files.h"
#include "output/numfmt.h"
#include "output/outbuf.h"
#include "output/report.h"
#include "output/tetrad.h"
#include "tables/datastore.h"

namespace {

const Reporter kQuiet(1, 0);

constexpr std::size_t kCount = 1000000;

// Standardized data: normal values clamped to [-4, 4].
const std::vector<double> &standardized() {
  static const std::vector<double> v = [] {
    std::mt19937_64 rng(20240601);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<double> out(kCount);
    for (double &x : out) x = std::clamp(normal(rng), -4.0, 4.0);
    return out;
  }();
  return v;
}

// Raw measurements such as 12345.678: three decimals, magnitudes up to 1e5.
const std::vector<double> &raw() {
  static const std::vector<double> v = [] {
    std::mt19937_64 rng(99);
    std::vector<double> out(kCount);
    for (double &x : out) {
      const double n = static_cast<double>(rng() % 100000000ULL);
      x = (rng() % 4 == 0 ? -n : n) / 1000.0;
    }
    return out;
  }();
  return v;
}

struct DevNull {
  std::FILE *f;
  std::vector<char> buf = std::vector<char>(32767);
  DevNull() {
    f = std::fopen("/dev/null", "w");
    if (f == nullptr) {
      std::perror("/dev/null");
      std::exit(1);
    }
    std::setvbuf(f, buf.data(), _IOFBF, buf.size());
  }
  ~DevNull() { std::fclose(f); }
};

void write_fprintf(std::FILE *f, const std::vector<double> &v) {
  for (double x : v) std::fprintf(f, "%9.5f ", x);
  std::fflush(f);
}

void write_outbuf(std::FILE *f, const std::vector<double> &v) {
  OutBuf out(f);
  for (double x : v) {
    out.fixed(x, 9, 5);
    out.put(' ');
  }
  out.flush();
  std::fflush(f);
}

// Best seconds per pass, keyed by benchmark name.
std::map<std::string, double> g_best;

template <void (*Write)(std::FILE *, const std::vector<double> &)>
void run(benchmark::State &state, const std::vector<double> &data, const char *key) {
  DevNull sink;
  double best = 1e300;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    Write(sink.f, data);
    const auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
  double &slot = g_best[key];
  slot = slot == 0 ? best : std::min(slot, best);
}

void BM_fprintf_standardized(benchmark::State &s) {
  run<write_fprintf>(s, standardized(), "BM_fprintf_standardized");
}
void BM_outbuf_standardized(benchmark::State &s) {
  run<write_outbuf>(s, standardized(), "BM_outbuf_standardized");
}
void BM_fprintf_raw(benchmark::State &s) { run<write_fprintf>(s, raw(), "BM_fprintf_raw"); }
void BM_outbuf_raw(benchmark::State &s) { run<write_outbuf>(s, raw(), "BM_outbuf_raw"); }

BENCHMARK(BM_fprintf_standardized)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_outbuf_standardized)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_fprintf_raw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_outbuf_raw)->Unit(benchmark::kMillisecond);

// Both writers into temporary files; true if the files are byte-identical.
bool identical(const std::vector<double> &v) {
  std::FILE *a = std::tmpfile();
  std::FILE *b = std::tmpfile();
  if (a == nullptr || b == nullptr) return false;
  write_fprintf(a, v);
  write_outbuf(b, v);
  auto slurp = [](std::FILE *f) {
    std::rewind(f);
    std::string s;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    return s;
  };
  const bool same = slurp(a) == slurp(b);
  std::fclose(a);
  std::fclose(b);
  return same;
}

// ---------------------------------------------------------------------------
// The writers against their fprintf versions.

// The former writers, one fprintf per value, into an open stream.
namespace fprintf_version {

void mvd(std::FILE *f, const DataStore &store, unsigned cols) {
  std::fprintf(f, "!%s",
               " Variable  Mean     Variance  Std.Dev.  Min       Max       Skewness  Curtosis  Median\n");
  for (unsigned i = 0; i < cols; ++i) {
    const stats &s = store.v[i];
    std::fprintf(f, "%9d ", variable_label(store, i));
    for (double x : {s.mean, s.variance, s.stddev, s.min, s.max, s.skew, s.curt})
      std::fprintf(f, "%9.4f ", x);
    std::fprintf(f, "%9.4f", s.median);
    std::fprintf(f, "\n");
  }
}

void table(std::FILE *f, const DataStore &store, unsigned cols) {
  const int w = static_cast<int>(std::log(static_cast<double>(cols)));
  std::fprintf(f, "%*s Mean      Variance  Std.Dev.  Min       Max       Skewness  Curtosis Median\n", w,
               "No");
  for (unsigned i = 0; i < cols; ++i) {
    const stats &s = store.v[i];
    std::fprintf(f, "%*d ", w, variable_label(store, i));
    for (double x : {s.mean, s.variance, s.stddev, s.min, s.max, s.skew}) std::fprintf(f, "%9.4g ", x);
    std::fprintf(f, "%8.4g ", s.curt);
    std::fprintf(f, "%8.4g", s.median);
    std::fprintf(f, "\n");
  }
}

void cor(std::FILE *f, const DataStore &store, unsigned cols) {
  for (unsigned i = 0; i < cols; ++i) {
    for (unsigned j = 0; j <= i; ++j) std::fprintf(f, " %- .6f", store.cc[j][i]);
    std::fprintf(f, "\n");
  }
}

void cov(std::FILE *f, const DataStore &store, unsigned rows, unsigned cols) {
  std::fprintf(f, "/Covariance\n");
  std::fprintf(f, "%u\n", rows);
  for (unsigned i = 0; i < cols; ++i) std::fprintf(f, "x%d ", store.sortarr1[i] + 1);
  std::fprintf(f, "\n");
  for (unsigned i = 0; i < cols; ++i) {
    for (unsigned j = 0; j <= i; ++j) std::fprintf(f, "%- .6f ", store.ccov[j][i]);
    std::fprintf(f, "\n");
  }
}

void inp(std::FILE *f, const DataStore &store, unsigned rows, unsigned columns) {
  std::fprintf(f, "/Covariance\n");
  std::fprintf(f, "%u\n", rows);
  for (unsigned i = 0; i < columns; ++i) std::fprintf(f, "x%d ", store.sortarr1[i] + 1);
  std::fprintf(f, "\n");
  for (unsigned i = 0; i < columns; ++i) {
    for (unsigned j = 0; j <= i; ++j) std::fprintf(f, " %8.4f", store.cc[j][i]);
    std::fprintf(f, "\n");
  }
}

void da1(std::FILE *f, const DataStore &store, unsigned rows, unsigned columns) {
  std::fprintf(f, "%llu\n", static_cast<unsigned long long>(columns) * rows);
  auto letter = [](unsigned i) { return static_cast<char>('a' + i / 10); };
  auto digit = [](unsigned i) { return static_cast<char>('0' + i % 10); };
  for (unsigned i = 0; i < columns; ++i)
    std::fprintf(f, " 1.0 %c%c %c%c\n", letter(i), digit(i), letter(i), digit(i));
  for (unsigned i = 1; i < columns; ++i)
    for (unsigned j = 0; j < i; ++j)
      std::fprintf(f, "%8.5f %c%c %c%c\n", store.cc[j][i], letter(j), digit(j), letter(i), digit(i));
}

void eig(std::FILE *f, const DataStore &store, unsigned m) {
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
}

void fsc(std::FILE *f, const DataStore &store, unsigned m) {
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
}

}  // namespace fprintf_version

// Statistics records of varied magnitudes, as real tables give them.
void fill_records(DataStore &store, unsigned m, std::mt19937_64 &rng) {
  std::normal_distribution<double> normal(0.0, 1.0);
  for (unsigned i = 0; i < m; ++i) {
    const double scale = std::pow(10.0, static_cast<int>(i % 9) - 4);
    const double sd = std::fabs(normal(rng)) * scale + 1e-9;
    const double mean = normal(rng) * scale * 10;
    store.v[i] = {static_cast<double>(i + 1),
                  mean,
                  sd * sd,
                  sd,
                  mean - 3 * sd,
                  mean + 3 * sd,
                  normal(rng),
                  normal(rng),
                  mean + normal(rng) * sd / 10};
    store.sortarr[i] = store.sortarr1[i] = static_cast<int>(i);
  }
}

// A table of m variables with its matrices and components filled: the
// correlations in [-1, 1] with a unit diagonal, covariances of varied
// magnitudes, loadings in [-1, 1] and descending eigenvalues summing to m.
void fill_matrices(DataStore &store, unsigned m, std::mt19937_64 &rng) {
  store.allocate(2, m, 30);
  fill_records(store, m, rng);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  for (unsigned i = 0; i < m; ++i)
    for (unsigned j = 0; j <= i; ++j) {
      const double r = i == j ? 1.0 : unit(rng);
      store.cc[i][j] = store.cc[j][i] = r;
      store.ccov[i][j] = store.ccov[j][i] = r * store.v[i].stddev * store.v[j].stddev;
    }
  double sum = 0;
  for (unsigned j = 0; j < m; ++j) {
    store.root[j] = 2.0 * m / (j + 1.0) / std::log(static_cast<double>(m) + 1);
    sum += store.root[j];
    store.position[j] = static_cast<int>(j);
  }
  store.rootsum = sum;
  for (std::size_t k = 0; k < static_cast<std::size_t>(m) * m; ++k) store.pc[k] = unit(rng);
}

std::string slurp_file(const std::string &path) {
  std::string s;
  std::FILE *f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return s;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  std::fclose(f);
  return s;
}

double best_of_three(const std::function<void()> &run) {
  double best = 1e300;
  for (int rep = 0; rep < 3; ++rep) {
    const auto t0 = std::chrono::steady_clock::now();
    run();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}

// Runs `body` with standard output sent to `path`.
void to_file_as_stdout(const std::string &path, const std::function<void()> &body) {
  std::fflush(stdout);
  const int saved = dup(1);
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (saved < 0 || fd < 0) {
    std::perror(path.c_str());
    std::exit(1);
  }
  dup2(fd, 1);
  close(fd);
  body();
  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
}

// Times one writer (writing dir/w.<ext>) against its fprintf version
// (writing dir/ref.<ext> through a 32767-byte stream buffer, as result
// files have), prints the figures and returns whether the bytes agree.
bool compare_writer(const std::string &dir, const char *ext, const char *what,
                    const std::function<void(std::string &)> &writer,
                    const std::function<void(std::FILE *)> &reference) {
  const std::string ref_path = dir + "/ref" + ext;
  const double t_ref = best_of_three([&] {
    std::FILE *f = std::fopen(ref_path.c_str(), "w");
    if (f == nullptr) {
      std::perror(ref_path.c_str());
      std::exit(1);
    }
    std::setvbuf(f, nullptr, _IOFBF, 32767);
    reference(f);
    std::fclose(f);
  });
  const double t_ours = best_of_three([&] {
    std::string utfnamn = dir + "/w.cor";
    writer(utfnamn);
  });
  const std::string ref = slurp_file(ref_path);
  const bool same = ref == slurp_file(dir + "/w" + ext);
  std::printf("%-6s %-28s %7.2f MB  fprintf %8.1f ms  writer %7.1f ms  %5.2fx  bytes %s\n", ext, what,
              static_cast<double>(ref.size()) / 1e6, t_ref * 1e3, t_ours * 1e3, t_ref / t_ours,
              same ? "identical" : "DIFFERENT");
  std::remove(ref_path.c_str());
  std::remove((dir + "/w" + ext).c_str());
  return same;
}

bool writer_figures() {
  char tmpl[] = "/tmp/mavek_numfmt_bench.XXXXXX";
  if (mkdtemp(tmpl) == nullptr) {
    std::perror("mkdtemp");
    return false;
  }
  const std::string dir = tmpl;
  std::mt19937_64 rng(20240611);
  bool all_same = true;

  std::printf("\nwriters against their fprintf versions (best of 3):\n");
  {
    const unsigned m = 1000, rows = 5000;
    DataStore store;
    fill_matrices(store, m, rng);
    all_same &= compare_writer(
        dir, ".cor", "1,000 variables", [&](std::string &u) { write_cor(u, store, m, kQuiet); },
        [&](std::FILE *f) { fprintf_version::cor(f, store, m); });
    all_same &= compare_writer(
        dir, ".cov", "1,000 variables", [&](std::string &u) { write_cov(u, store, rows, m, kQuiet); },
        [&](std::FILE *f) { fprintf_version::cov(f, store, rows, m); });
    all_same &= compare_writer(
        dir, ".inp", "1,000 variables", [&](std::string &u) { write_tet(u, store, rows, m, kQuiet, 0); },
        [&](std::FILE *f) { fprintf_version::inp(f, store, rows, m); });
    all_same &= compare_writer(
        dir, ".eig", "1,000 variables", [&](std::string &u) { write_eig(u, store, m, kQuiet); },
        [&](std::FILE *f) { fprintf_version::eig(f, store, m); });
    all_same &= compare_writer(
        dir, ".fsc", "1,000 variables", [&](std::string &u) { write_fsc(u, store, m, kQuiet); },
        [&](std::FILE *f) { fprintf_version::fsc(f, store, m); });
  }
  {
    const unsigned m = 250, rows = 5000;
    DataStore store;
    fill_matrices(store, m, rng);
    all_same &= compare_writer(
        dir, ".da1", "250 variables (its limit)",
        [&](std::string &u) { write_teto(u, store, rows, m, kQuiet); },
        [&](std::FILE *f) { fprintf_version::da1(f, store, rows, m); });
  }
  {
    // Only the records and the order are needed: no matrices of this size.
    const unsigned m = 100000;
    DataStore store;
    store.v.create("v", m, Reporter(1, 0), store.mem_usage);
    store.sortarr.create("sortarr", m, Reporter(1, 0), store.mem_usage);
    store.sortarr1.create("sortarr1", m, Reporter(1, 0), store.mem_usage);
    fill_records(store, m, rng);
    all_same &= compare_writer(
        dir, ".mvd", "100,000 variables", [&](std::string &u) { write_mvd(u, store, m, kQuiet); },
        [&](std::FILE *f) { fprintf_version::mvd(f, store, m); });
    all_same &= compare_writer(
        dir, ".tab", "terminal table, 100,000 vars",
        [&](std::string &u) {
          u = dir + "/w.tab";
          to_file_as_stdout(u, [&] { print_statistics(store, m); });
        },
        [&](std::FILE *f) { fprintf_version::table(f, store, m); });
  }
  rmdir(dir.c_str());
  return all_same;
}

}  // namespace

int main(int argc, char **argv) {
  const bool same_std = identical(standardized());
  const bool same_raw = identical(raw());
  std::printf("identical bytes: standardized %s, raw %s\n", same_std ? "yes" : "NO", same_raw ? "yes" : "NO");

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  for (const char *kind : {"standardized", "raw"}) {
    const double fp = g_best[std::string("BM_fprintf_") + kind];
    const double ob = g_best[std::string("BM_outbuf_") + kind];
    if (fp > 0 && ob > 0)
      std::printf("%-12s 1e6 x \"%%9.5f \": fprintf %.1f ms, OutBuf %.1f ms, speedup %.2fx\n", kind, fp * 1e3,
                  ob * 1e3, fp / ob);
  }
  const bool same_writers = writer_figures();
  return same_std && same_raw && same_writers ? 0 : 1;
}
