// Throughput of scan_numbers() next to a bare std::from_chars loop over the
// same text: lines of 10 numbers printed with "%.6g" (and, for comparison,
// "%.17g"), blank separated.  Both report bytes per second of text.

#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "contract/numscan.h"

namespace {

// About 2 MB of data lines from a fixed seed.
std::string make_text(const char *fmt) {
  std::mt19937_64 rng(31337);
  std::normal_distribution<double> normal(0.0, 1.0);
  std::string text;
  for (int line = 0; line < 20000; ++line) {
    for (int i = 0; i < 10; ++i) {
      // Values of mixed sign and magnitude, as in real data columns.
      const double scale = std::pow(10.0, static_cast<int>(rng() % 11) - 5);
      char b[64];
      std::snprintf(b, sizeof b, fmt, normal(rng) * scale);
      if (i > 0) text += (i % 5 == 0) ? '\t' : ' ';
      text += b;
    }
    text += '\n';
  }
  return text;
}

const std::string &text_for(int which) {
  static const std::string short_text = make_text("%.6g");
  static const std::string long_text = make_text("%.17g");
  return which == 0 ? short_text : long_text;
}

void BM_scan_numbers(benchmark::State &state) {
  const std::string &text = text_for(static_cast<int>(state.range(0)));
  const char *s = text.c_str();
  for (auto _ : state) {
    double sum = 0;
    std::size_t pos = 0;
    for (;;) {
      double v[8];
      std::size_t used;
      const int k = scan_numbers(s + pos, 8, v, &used);
      if (k == 0) break;
      for (int i = 0; i < k; ++i) sum += v[i];
      pos += used;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
  state.SetLabel(state.range(0) == 0 ? "%.6g" : "%.17g");
}

void BM_bare_from_chars(benchmark::State &state) {
  const std::string &text = text_for(static_cast<int>(state.range(0)));
  const char *p0 = text.data();
  const char *end = p0 + text.size();
  for (auto _ : state) {
    double sum = 0;
    const char *p = p0;
    for (;;) {
      while (p < end && (*p == ' ' || *p == '\t' || *p == '\n')) ++p;
      if (p == end) break;
      double v;
      const auto r = std::from_chars(p, end, v);
      if (r.ec != std::errc()) break;
      sum += v;
      p = r.ptr;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
  state.SetLabel(state.range(0) == 0 ? "%.6g" : "%.17g");
}

BENCHMARK(BM_scan_numbers)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_bare_from_chars)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
