// Reading the result files that mavek writes beside an input: the statistics
// table ".mvd", the histograms ".his", the correlation matrix ".cor" and the
// component percentages and loadings ".eig". Every number keeps its text
// exactly as the file holds it, for the page's tooltips.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct Number {
  double value;
  std::string text;
};

// The words of `line`: the runs of characters that are not C white space.
std::vector<std::string_view> split_words(std::string_view line);

// A result file that cannot be read or does not parse. The message names the
// file and, where one is to blame, the line: "iris.cor:3: ...".
class ResultError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One variable of ".mvd", in mavek's stored variable order.
struct MvdRow {
  int column;  // the variable's column number in the input file, from 1
  Number mean, variance, stddev, min, max, skew, curt, median;
};

struct Mvd {
  std::vector<MvdRow> rows;
};

// ".his": for each variable, the fraction of the observations in each bin.
struct His {
  std::vector<std::vector<Number>> fractions;
};

// ".cor": the lower triangle with its diagonal; lower[i][j] for j <= i.
struct Cor {
  std::vector<std::vector<Number>> lower;
  const Number &at(std::size_t i, std::size_t j) const { return i >= j ? lower[i][j] : lower[j][i]; }
};

// ".eig": the percentage of variance of each component (largest first), the
// reference row, and loadings[k][i], the loading of variable k on the
// component of rank i.
struct Eig {
  std::vector<Number> percent;
  std::vector<Number> reference;
  std::vector<std::vector<Number>> loadings;
};

// Reads the whole file `path` into `text`. Returns false when it does not
// exist; any other failure to read it throws ResultError.
bool read_result_file(const std::string &path, std::string &text);

// Parsers of a file's content; `name` is the file name for the messages.
// `vars` is the number of variables another result file of the same input
// has shown, or 0 when none has been read yet; a file that disagrees with it
// is refused. A last line without its line end counts as cut short.
Mvd parse_mvd(const std::string &name, const std::string &text, std::size_t vars = 0);
His parse_his(const std::string &name, const std::string &text, std::size_t vars = 0);
Cor parse_cor(const std::string &name, const std::string &text, std::size_t vars = 0);
Eig parse_eig(const std::string &name, const std::string &text, std::size_t vars = 0);
