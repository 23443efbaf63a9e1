#include "colnames.h"

#include <fstream>
#include <sstream>

#include "contract/lines.h"
#include "resultfiles.h"

namespace {

bool is_comment(const std::string &line) { return !line.empty() && is_comment_mark(line[0]); }

std::vector<std::string> words_after_mark(const std::string &line) {
  std::vector<std::string> out;
  for (std::string_view word : split_words(std::string_view(line).substr(1))) out.emplace_back(word);
  return out;
}

ColumnNames names_from_stream(std::istream &in) {
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
    if (!have_comment) return result;
    std::vector<std::string> words = words_after_mark(last_comment);
    const int columns = scanline(line.c_str());
    if (columns > 0 && words.size() == static_cast<std::size_t>(columns)) {
      result.source = ColumnNames::Source::header;
      result.names = std::move(words);
    }
    return result;
  }
  return result;
}

}  // namespace

std::string ColumnNames::name(int column) const {
  if (column >= 1 && static_cast<std::size_t>(column) <= names.size()) return names[column - 1];
  // Built by appending: g++ 12 warns falsely (-Wrestrict) about "x" + std::string.
  std::string fallback = "x";
  fallback += std::to_string(column);
  return fallback;
}

ColumnNames read_column_names(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return ColumnNames{};
  ColumnNames names = names_from_stream(in);
  if (in.bad()) return ColumnNames{};
  return names;
}

ColumnNames column_names_from_text(const std::string &text) {
  std::istringstream in(text);
  return names_from_stream(in);
}
