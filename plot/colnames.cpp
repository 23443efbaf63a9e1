#include "colnames.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "contract/delimited.h"
#include "contract/lines.h"
#include "myfgets.h"
#include "resultfiles.h"

namespace {

bool is_comment(const std::string &line) { return !line.empty() && is_comment_mark(line[0]); }

std::vector<std::string> words_of(std::string_view text) {
  std::vector<std::string> out;
  for (std::string_view word : split_words(text)) out.emplace_back(word);
  return out;
}

ColumnNames names_from_stream(std::istream &in, bool names_line) {
  ColumnNames result;
  result.source = ColumnNames::Source::no_header;
  std::string line;
  std::string last_comment;
  bool have_comment = false;
  while (std::getline(in, line)) {
    if (is_comment(line)) {
      last_comment = line;
      have_comment = true;
      continue;
    }
    if (names_line) {
      result.source = ColumnNames::Source::names_line;
      result.names = words_of(line);
      return result;
    }
    if (!have_comment) return result;
    std::vector<std::string> words = words_of(std::string_view(last_comment).substr(1));
    const int columns = scanline(line.c_str());
    if (columns > 0 && words.size() == static_cast<std::size_t>(columns)) {
      result.source = ColumnNames::Source::header;
      result.names = std::move(words);
    }
    return result;
  }
  return result;
}

ColumnNames names_from_delimited(const std::string &path, char sep, int names) {
  ColumnNames result;
  // The whole table is read, which a device such as /dev/zero never lets end.
  struct stat st;
  LineReader in;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || !in.open(path.c_str())) return result;
  const TableShape shape = examine_table(in, sep, names);
  result.source = ColumnNames::Source::no_table_row;
  if (shape.problem != TableShape::Problem::none || !shape.header) return result;
  result.source = ColumnNames::Source::table_header;
  for (std::size_t c = 0; c < shape.width; ++c)
    if (shape.kept(c)) result.names.push_back(shape.first[c]);
  return result;
}

}  // namespace

std::string ColumnNames::name(int column) const {
  if (column >= 1 && static_cast<std::size_t>(column) <= names.size() && !names[column - 1].empty())
    return names[column - 1];
  // Built by appending: g++ 12 warns falsely (-Wrestrict) about "x" + std::string.
  std::string fallback = "x";
  fallback += std::to_string(column);
  return fallback;
}

ColumnNames read_column_names(const std::string &path, const TableReading &how) {
  const char sep = table_separator(path, how.csv, how.csv_sep);
  if (sep != 0) return names_from_delimited(path, sep, how.names);
  std::ifstream in(path, std::ios::binary);
  if (!in) return ColumnNames{};
  ColumnNames names = names_from_stream(in, how.names == 1);
  if (in.bad()) return ColumnNames{};
  return names;
}

ColumnNames column_names_from_text(const std::string &text, bool names_line) {
  std::istringstream in(text);
  return names_from_stream(in, names_line);
}
