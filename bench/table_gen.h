// A seeded generator of data tables for the benchmarks.
#pragma once

#include <cstdio>
#include <random>
#include <string>

// Writes `rows` lines of `cols` "%.6g" values (a mix of magnitudes and signs)
// to `path`, after a two-line comment header. Returns the file's size.
inline long write_table(const std::string &path, long rows, int cols, unsigned seed = 42) {
  std::FILE *f = std::fopen(path.c_str(), "w");
  if (f == nullptr) return -1;
  std::setvbuf(f, nullptr, _IOFBF, 1 << 16);
  std::mt19937_64 rng(seed);
  std::normal_distribution<double> normal(0.0, 1.0);
  std::fprintf(f, "# generated table: %ld rows, %d columns\n# seed %u\n", rows, cols, seed);
  for (long r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      double scale = (c % 4 == 0) ? 1000.0 : (c % 4 == 1) ? 1.0 : (c % 4 == 2) ? 0.001 : 50.0;
      double x = normal(rng) * scale + (c % 3) * scale;
      std::fprintf(f, c == 0 ? "%.6g" : " %.6g", x);
    }
    std::fputc('\n', f);
  }
  long size = std::ftell(f);
  std::fclose(f);
  return size;
}
