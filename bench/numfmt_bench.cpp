// Benchmark: writing 1,000,000 values with "%9.5f " through fprintf versus
// OutBuf/format_fixed, both into a FILE* on /dev/null with a 32767-byte full
// buffer.  Before timing, the two paths are checked to produce identical
// bytes.  At the end the best time per pass of each and their ratio are
// printed.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "output/numfmt.h"

namespace {

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
  return same_std && same_raw ? 0 : 1;
}
