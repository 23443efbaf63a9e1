// Column names of an input table, taken from its comment header.
#pragma once

#include <string>
#include <vector>

struct ColumnNames {
  enum class Source {
    header,     // the last comment line above the first data line names every column
    no_header,  // the input has no such line: the columns are x1, x2, ...
    no_input,   // the input cannot be read: the columns are x1, x2, ...
  };
  Source source = Source::no_input;
  std::vector<std::string> names;  // one per input column when `source` is header

  // The name of input column `column` (from 1): its header word, else "x<column>".
  std::string name(int column) const;
};

// Reads the input table `path` up to its first data line. A line is a comment
// when its first character is '#', ';' or '!'; the columns of the table are the
// numbers at the start of the first data line, counted as mavek counts them.
// The last comment line above that line names the columns when it holds,
// after its comment mark, exactly as many words as the table has columns.
ColumnNames read_column_names(const std::string &path);

// The same for the text of a table.
ColumnNames column_names_from_text(const std::string &text);
