// Column names of an input table: from the header row of a delimited table,
// from the first line of a whitespace table with --names, or from its comment
// header.
#pragma once

#include <string>
#include <vector>

struct ColumnNames {
  enum class Source {
    header,        // the last comment line above the first data line names every column
    no_header,     // the input has no such line: the columns are x1, x2, ...
    no_input,      // the input cannot be read: the columns are x1, x2, ...
    table_header,  // the header row of a delimited table
    no_table_row,  // a delimited table whose first row is data (or that mavek cannot read)
    names_line,    // the first line of a whitespace table, with --names
  };
  Source source = Source::no_input;
  // One per variable, in the input's order of the columns that mavek reads
  // (a delimited table's text columns are not among them).
  std::vector<std::string> names;

  // The name of variable `column` (from 1, as mavek numbers it): its name,
  // else "x<column>".
  std::string name(int column) const;
};

// How mavek reads the table: the options --csv[=SEP] and --names[=on|off].
struct TableReading {
  bool csv = false;
  char csv_sep = 0;
  int names = -1;  // 1 on, 0 off, -1 as the first row says
};

// The column names of the input table `path`, read as mavek reads it with
// the options `how` (a name ending in ".csv" or ".tsv" makes it a delimited
// table, as --csv does).
//
// A delimited table is read whole: its first record is a header as mavek
// decides, and the header's fields of the columns mavek reads name them.
//
// A whitespace table is read up to its first data line; a line is a comment
// when its first character is '#', ';' or '!'. With --names the first line
// that is no comment names the columns, word by word. Otherwise the last
// comment line above the first data line names them when it holds, after its
// comment mark, exactly as many words as the table has columns (the numbers
// at the start of the first data line, counted as mavek counts them).
ColumnNames read_column_names(const std::string &path, const TableReading &how = {});

// The same for the text of a whitespace table.
ColumnNames column_names_from_text(const std::string &text, bool names_line = false);
