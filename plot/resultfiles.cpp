#include "resultfiles.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Walks a result file line by line and words every complaint with the file's
// name and the number of the line at fault.
class Lines {
 public:
  Lines(const std::string &name, const std::string &text) : name_(name), text_(text) {
    if (text_.empty()) fail_at(1, "the file is empty");
  }

  // The next line without its line end; false after the last one. mavek ends
  // every line it writes, so a last line without its line end was cut short.
  bool next(std::string_view &line) {
    if (pos_ >= text_.size()) return false;
    ++number_;
    const std::size_t end = text_.find('\n', pos_);
    if (end == std::string::npos) fail("the line is cut short (the file ends without a line end)");
    line = std::string_view(text_).substr(pos_, end - pos_);
    pos_ = end + 1;
    return true;
  }

  std::size_t number() const { return number_; }

  [[noreturn]] void fail(const std::string &what) const { fail_at(number_, what); }

  [[noreturn]] void fail_at(std::size_t line, const std::string &what) const {
    throw ResultError(name_ + ":" + std::to_string(line) + ": " + what);
  }

  Number number_of(std::string_view word) const {
    const std::string text(word);
    char *end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) fail("'" + shorten(text) + "' is not a number");
    return Number{value, text};
  }

  std::vector<Number> numbers(std::string_view line) const {
    std::vector<Number> out;
    for (std::string_view w : split_words(line)) out.push_back(number_of(w));
    return out;
  }

  // Called for each new variable line: refuses one beyond the `vars` that
  // another result file of the same input has shown.
  void check_not_beyond(std::size_t index, std::size_t vars) const {
    if (vars != 0 && index >= vars)
      fail("more variables than the " + std::to_string(vars) + " of the other result files");
  }

  // Called at the end: refuses a file with fewer variables than `vars`.
  void check_not_short(std::size_t got, std::size_t vars) const {
    if (vars != 0 && got < vars)
      fail_at(number_ + 1,
              "the file ends after " + std::to_string(got) + " of " + std::to_string(vars) + " variables");
  }

 private:
  static std::string shorten(const std::string &s) { return s.size() <= 24 ? s : s.substr(0, 21) + "..."; }

  const std::string &name_;
  const std::string &text_;
  std::size_t pos_ = 0;
  std::size_t number_ = 0;
};

std::string count_text(std::size_t n, const char *one, const char *many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

bool read_result_file(const std::string &path, std::string &text) {
  std::FILE *f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    if (errno == ENOENT) return false;
    throw ResultError(path + ": " + std::strerror(errno));
  }
  text.clear();
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  const bool failed = std::ferror(f) != 0;
  const int err = errno;
  std::fclose(f);
  if (failed) throw ResultError(path + ": " + std::strerror(err));
  return true;
}

Mvd parse_mvd(const std::string &name, const std::string &text, std::size_t vars) {
  Lines in(name, text);
  std::string_view line;
  in.next(line);
  if (line.empty() || line[0] != '!') in.fail("the header line of a statistics table is missing");
  Mvd mvd;
  while (in.next(line)) {
    in.check_not_beyond(mvd.rows.size(), vars);
    const std::vector<std::string_view> w = split_words(line);
    if (w.size() != 9)
      in.fail("9 fields expected (the column number and 8 statistics), found " + std::to_string(w.size()));
    const std::string label(w[0]);
    char *end = nullptr;
    errno = 0;
    const long column = std::strtol(label.c_str(), &end, 10);
    if (end != label.c_str() + label.size() || errno != 0 || column < 1 || column > INT_MAX)
      in.fail("'" + label + "' is not a column number");
    mvd.rows.push_back(MvdRow{static_cast<int>(column), in.number_of(w[1]), in.number_of(w[2]),
                              in.number_of(w[3]), in.number_of(w[4]), in.number_of(w[5]), in.number_of(w[6]),
                              in.number_of(w[7]), in.number_of(w[8])});
  }
  if (mvd.rows.empty()) in.fail_at(2, "the file ends after its header line");
  in.check_not_short(mvd.rows.size(), vars);
  return mvd;
}

His parse_his(const std::string &name, const std::string &text, std::size_t vars) {
  Lines in(name, text);
  His his;
  std::string_view line;
  while (in.next(line)) {
    in.check_not_beyond(his.fractions.size(), vars);
    std::vector<Number> bins = in.numbers(line);
    if (bins.empty()) in.fail("the line holds no fractions");
    if (!his.fractions.empty() && bins.size() != his.fractions[0].size())
      in.fail(count_text(bins.size(), "bin", "bins") + " where the first line has " +
              std::to_string(his.fractions[0].size()));
    his.fractions.push_back(std::move(bins));
  }
  in.check_not_short(his.fractions.size(), vars);
  return his;
}

Cor parse_cor(const std::string &name, const std::string &text, std::size_t vars) {
  Lines in(name, text);
  Cor cor;
  std::string_view line;
  while (in.next(line)) {
    in.check_not_beyond(cor.lower.size(), vars);
    std::vector<Number> row = in.numbers(line);
    const std::size_t want = cor.lower.size() + 1;
    if (row.size() != want)
      in.fail(count_text(want, "coefficient", "coefficients") + " expected, found " +
              std::to_string(row.size()));
    cor.lower.push_back(std::move(row));
  }
  in.check_not_short(cor.lower.size(), vars);
  return cor;
}

Eig parse_eig(const std::string &name, const std::string &text, std::size_t vars) {
  Lines in(name, text);
  Eig eig;
  std::string_view line;
  in.next(line);
  eig.percent = in.numbers(line);
  const std::size_t m = eig.percent.size();
  if (m == 0) in.fail("the line of percentages is empty");
  if (vars != 0 && m != vars)
    in.fail(count_text(m, "percentage", "percentages") + " where the other result files have " +
            std::to_string(vars) + " variables");
  const std::string expected = count_text(m, "value", "values") + " expected, found ";
  if (!in.next(line)) in.fail_at(2, "the file ends before the reference row");
  eig.reference = in.numbers(line);
  if (eig.reference.size() != m) in.fail(expected + std::to_string(eig.reference.size()));
  while (in.next(line)) {
    if (eig.loadings.size() == m) in.fail("more loading lines than the " + std::to_string(m) + " variables");
    std::vector<Number> row = in.numbers(line);
    if (row.size() != m) in.fail(expected + std::to_string(row.size()));
    eig.loadings.push_back(std::move(row));
  }
  if (eig.loadings.size() < m)
    in.fail_at(in.number() + 1, "the file ends after " + std::to_string(eig.loadings.size()) + " of " +
                                    std::to_string(m) + " loading lines");
  return eig;
}

std::vector<std::string_view> split_words(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && is_blank(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !is_blank(line[i])) ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}
