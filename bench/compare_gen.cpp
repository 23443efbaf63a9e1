// Writes a seeded table for bench/compare.sh: `rows` lines of `cols` values
// printed like "%.6g", blank separated, after one comment line.
//
// Usage: compare_gen ROWS COLS SEED FILE
//
// The columns follow a factor model, so that the correlation matrix has a
// few large eigenvalues above a floor of small ones, as measured variables
// do: column k is offset_k + scale_k * (sum over h of L[k][h] * f_h + noise),
// with five common factors f_h per row and a loading matrix L whose factors
// weaken from the first to the last. Offsets and scales vary by column, so
// the values mix magnitudes and signs.
//
// The same arguments give the same bytes on every run and every machine:
// the generator is mt19937_64, whose sequence the standard fixes, and the
// normal deviates are sums of twelve uniforms (Irwin-Hall) built with exact
// operations only, with no library distribution or transcendental function
// whose results could differ between implementations. The file is written
// under a temporary name and renamed at the end, so that an interrupted run
// never leaves a partial table behind.

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kFactors = 5;

class Normal {
 public:
  explicit Normal(std::uint64_t seed) : rng_(seed) {}
  // Mean 0, variance 1: twelve uniforms on [0, 1) have mean 6, variance 1.
  double operator()() {
    double sum = 0.0;
    for (int i = 0; i < 12; ++i) sum += static_cast<double>(rng_() >> 11) * 0x1p-53;
    return sum - 6.0;
  }
  std::uint64_t bits() { return rng_(); }

 private:
  std::mt19937_64 rng_;
};

bool parse_count(const char *s, long long &out) {
  char *end = nullptr;
  out = std::strtoll(s, &end, 10);
  return end != s && *end == '\0' && out > 0;
}

}  // namespace

int main(int argc, char **argv) {
  long long rows = 0, cols = 0, seed = 0;
  if (argc != 5 || !parse_count(argv[1], rows) || !parse_count(argv[2], cols) ||
      !parse_count(argv[3], seed)) {
    std::fprintf(stderr, "usage: compare_gen ROWS COLS SEED FILE (positive integers)\n");
    return 2;
  }
  const std::string path = argv[4];
  const std::string tmp = path + ".part";
  std::FILE *f = std::fopen(tmp.c_str(), "w");
  if (f == nullptr) {
    std::perror(tmp.c_str());
    return 1;
  }

  Normal normal(static_cast<std::uint64_t>(seed));
  const std::size_t m = static_cast<std::size_t>(cols);
  std::vector<double> load(m * kFactors), offset(m), scale(m), noise(m);
  static const double kScales[] = {1000.0, 1.0, 0.001, 50.0, 3.0, 0.2, 20000.0};
  for (std::size_t k = 0; k < m; ++k) {
    for (int h = 0; h < kFactors; ++h) load[k * kFactors + h] = normal() / (1.0 + h);
    scale[k] = kScales[k % 7];
    offset[k] = static_cast<double>(static_cast<int>(normal.bits() % 7) - 2) * scale[k];
    noise[k] = 0.3 + static_cast<double>(normal.bits() % 16) / 8.0;
  }

  std::fprintf(f, "# compare table: %lld rows, %lld columns, seed %lld\n", rows, cols, seed);
  std::vector<char> line(m * 32 + 2);
  double fac[kFactors];
  for (long long r = 0; r < rows; ++r) {
    for (double &x : fac) x = normal();
    char *p = line.data();
    char *const end = line.data() + line.size();
    for (std::size_t k = 0; k < m; ++k) {
      double x = noise[k] * normal();
      for (int h = 0; h < kFactors; ++h) x += load[k * kFactors + h] * fac[h];
      x = offset[k] + scale[k] * x;
      if (k > 0) *p++ = ' ';
      // Six significant digits in general notation: the same text as
      // printf("%.6g") in the "C" locale, without its cost.
      p = std::to_chars(p, end, x, std::chars_format::general, 6).ptr;
    }
    *p++ = '\n';
    if (std::fwrite(line.data(), 1, static_cast<std::size_t>(p - line.data()), f) !=
        static_cast<std::size_t>(p - line.data())) {
      std::perror(tmp.c_str());
      std::fclose(f);
      std::remove(tmp.c_str());
      return 1;
    }
  }
  if (std::fclose(f) != 0 || std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::perror(path.c_str());
    std::remove(tmp.c_str());
    return 1;
  }
  return 0;
}
