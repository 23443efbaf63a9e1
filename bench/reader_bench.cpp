// Benchmark: the reading pass over a generated table of 1,000,000 rows by 10
// columns of "%.6g" values, next to a bare std::from_chars pass over the same
// file in the same run; and single lines of 250,000 and 1,000,000 numbers,
// whose times must grow in proportion to their length.
//
// Usage: reader_bench [rows [cols]]

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "input/reader.h"
#include "table_gen.h"
#include "tables/datastore.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Reads the file in 1 MiB chunks and converts every number with
// std::from_chars: the floor for any reader of this text.
double bare_from_chars(const std::string &path, double *sum) {
  auto t0 = Clock::now();
  std::FILE *f = std::fopen(path.c_str(), "r");
  std::vector<char> buf(1 << 20);
  std::size_t keep = 0;
  double total = 0;
  for (;;) {
    std::size_t got = std::fread(buf.data() + keep, 1, buf.size() - keep, f);
    std::size_t end = keep + got;
    if (end == 0) break;
    std::size_t stop = end;
    if (got != 0) {  // parse only up to the last newline; keep the tail
      while (stop > 0 && buf[stop - 1] != '\n') --stop;
    }
    const char *p = buf.data(), *e = buf.data() + stop;
    while (p < e) {
      if (*p == '#') {
        p = static_cast<const char *>(std::memchr(p, '\n', e - p)) + 1;
        continue;
      }
      while (p < e && (*p == ' ' || *p == '\n')) ++p;
      if (p >= e) break;
      double x;
      auto r = std::from_chars(p, e, x);
      if (r.ec != std::errc()) {
        ++p;
        continue;
      }
      total += x;
      p = r.ptr;
    }
    keep = end - stop;
    std::memmove(buf.data(), buf.data() + stop, keep);
    if (got == 0) break;
  }
  std::fclose(f);
  *sum = total;
  return seconds_since(t0);
}

struct Pass {
  double examine = 0, read = 0;
  unsigned rows = 0, cols = 0;
};

// The examination and the reading pass, as the program runs them.
Pass reading_pass(const std::string &path) {
  Pass p;
  LineBuffer line;
  DataStore store;
  LineReader in;
  auto t0 = Clock::now();
  Examination ex = examine_file(path.c_str(), line, Reporter(1, 0), in);
  p.examine = seconds_since(t0);
  store.allocate(ex.rows, ex.cols, 30);
  for (unsigned i = 0; i < ex.cols; ++i) store.sortarr[i] = static_cast<int>(i);
  p.rows = ex.rows;
  p.cols = ex.cols;
  t0 = Clock::now();
  read_file(in, &p.rows, &p.cols, ex.fsize, store, ex.rows, ex.cols, Reporter(1, 0));
  p.read = seconds_since(t0);
  return p;
}

// One line of `numbers` numbers: read and converted as a data line is (the
// tables of a file that wide would not fit in memory, so the line is parsed
// into a row of its own).
double one_line(long numbers) {
  std::string text;
  char num[32];
  for (long i = 0; i < numbers; ++i) {
    int len = std::snprintf(num, sizeof num, "%.6g ", i * 0.37);
    text.append(num, len);
  }
  text += '\n';
  std::vector<double> row(numbers);
  std::vector<int> order(numbers);
  for (long i = 0; i < numbers; ++i) order[i] = static_cast<int>(i);
  auto t0 = Clock::now();
  unsigned got =
      parse_line(text.c_str(), row.data(), order.data(), static_cast<unsigned>(numbers), 0, Reporter(1, 0));
  double t = seconds_since(t0);
  if (got != numbers) std::printf("  (read %u of %ld numbers!)\n", got, numbers);
  return t;
}

}  // namespace

int main(int argc, char **argv) {
  long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  int cols = argc > 2 ? std::atoi(argv[2]) : 10;
  std::string path = "/tmp/mavek_bench_table.txt";
  long size = write_table(path, rows, cols);
  double mb = size / 1e6;
  std::printf("table: %ld rows x %d columns, %.1f MB\n", rows, cols, mb);

  double best_bare = 1e9, best_read = 1e9, best_exam = 1e9, sum = 0;
  for (int rep = 0; rep < 3; ++rep) {
    best_bare = std::min(best_bare, bare_from_chars(path, &sum));
    Pass p = reading_pass(path);
    best_read = std::min(best_read, p.read);
    best_exam = std::min(best_exam, p.examine);
  }
  std::printf("bare std::from_chars pass: %7.3f s  %6.0f MB/s\n", best_bare, mb / best_bare);
  std::printf("reading pass (read_file):  %7.3f s  %6.0f MB/s  (%.0f%% of from_chars)\n", best_read,
              mb / best_read, 100.0 * best_bare / best_read);
  std::printf("examination (first line, line count): %.3f s\n", best_exam);

  double small = one_line(250000), large = one_line(1000000);
  std::printf("one line of 250,000 numbers: %.3f s; of 1,000,000: %.3f s (ratio %.2f, linear is 4)\n", small,
              large, large / small);
  std::remove(path.c_str());
  return 0;
}
