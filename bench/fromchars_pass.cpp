// The floor for reading a table: one pass over the file in large chunks that
// converts every number with std::from_chars and does nothing else. Lines
// starting with '#', ';' or '!' are skipped, as the reader skips them.
// bench/compare.sh times this program as a whole process, next to mavek on
// the same file, so that both pay for starting, opening and reading.
//
// Usage: fromchars_pass FILE
// Prints the count and the sum of the numbers (which keeps the conversions
// from being optimised away).

#include <charconv>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kChunk = std::size_t{8} << 20;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Converts the numbers of the complete lines in [p, end); `end` is just past a
// line feed. Returns false at text that is not a number.
bool scan_lines(const char *p, const char *end, unsigned long long &count, double &sum) {
  while (p < end) {
    if (*p == '#' || *p == ';' || *p == '!') {
      p = static_cast<const char *>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))) + 1;
      continue;
    }
    while (p < end) {
      while (is_blank(*p)) ++p;
      if (*p == '\n') {
        ++p;
        break;
      }
      double x;
      const auto res = std::from_chars(p, end, x);
      if (res.ec != std::errc()) return false;
      sum += x;
      ++count;
      p = res.ptr;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fromchars_pass FILE\n");
    return 2;
  }
  std::FILE *f = std::fopen(argv[1], "rb");
  if (f == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  std::vector<char> buf(kChunk);
  std::size_t have = 0;  // bytes of an incomplete line kept from the last chunk
  unsigned long long count = 0;
  double sum = 0.0;
  for (;;) {
    if (have == buf.size()) buf.resize(buf.size() * 2);  // a line longer than the buffer
    const std::size_t got = std::fread(buf.data() + have, 1, buf.size() - have, f);
    const bool at_end = got < buf.size() - have;
    have += got;
    if (at_end && have > 0 && buf[have - 1] != '\n') {
      if (have == buf.size())
        buf.push_back('\n');
      else
        buf[have] = '\n';
      ++have;
    }
    std::size_t complete = have;
    while (complete > 0 && buf[complete - 1] != '\n') --complete;
    if (!scan_lines(buf.data(), buf.data() + complete, count, sum)) {
      std::fprintf(stderr, "%s: not a number after %llu values\n", argv[1], count);
      return 1;
    }
    std::memmove(buf.data(), buf.data() + complete, have - complete);
    have -= complete;
    if (at_end) break;
  }
  if (std::ferror(f) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  std::fclose(f);
  std::printf("%llu numbers, sum %.17g\n", count, sum);
  return 0;
}
