// Delimited tables (CSV, TSV and the like) as mavek reads them and
// mavek-plot names their columns: records and fields after RFC 4180, which
// field is a number, whether the first row is a header, and which columns
// hold no number at all.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "myfgets.h"

// The separator of the table called `name` (the name the user gave, not
// that of a temporary copy), or 0 for a whitespace table. With --csv
// (`csv`): `csv_sep`, or when that is 0 a tab for a name ending in ".tsv" and
// a comma for any other. Without it: a comma for a name ending in ".csv", a
// tab for ".tsv" (in any letter case), 0 for every other name.
char table_separator(std::string_view name, bool csv, char csv_sep);

// `text` without the white space around it (blank, tab, CR, LF, VT, FF).
std::string_view trim_field(std::string_view text);

// Whether `field` is a number: trimmed, it is all taken by one conversion of
// the whitespace reader (scan_numbers, sscanf's "%lg"), so "12abc" and
// "nan(1)" are not. The value goes to *x. The byte after the field must be
// readable and a NUL or white space, as after every field of a RecordReader.
bool field_number(std::string_view field, double *x);

// Whether `field` is missing: empty once trimmed, or a missing-value word.
bool is_missing_field(std::string_view field);

// The records of a delimited table. Fields are separated by `sep`; a field
// that starts with a double quote (after blanks) runs to the next single
// quote and may hold separators, line breaks and doubled quotes. Lines end
// in LF or CR LF. A UTF-8 byte-order mark at the start of the file is
// skipped. A line whose first byte is '#' (outside quotes) is a comment.
class RecordReader {
 public:
  enum class Status {
    record,      // a record was read
    end,         // the end of the file
    open_quote,  // the file ends inside a quoted field
  };

  RecordReader(LineReader &in, char sep);

  // Reads the next record that is not a comment. An empty line is skipped,
  // except when `empty_line_is_field`: it is then a record of one empty
  // field (the row of a one-column table whose value is missing).
  Status next(bool empty_line_is_field = false);

  std::size_t size() const { return fields_.size(); }
  // The text of field i (from 0), quotes resolved; a NUL follows it. A field
  // with text after its closing quote keeps its quotes, so it is no number.
  std::string_view field(std::size_t i) const { return {text_.data() + fields_[i].begin, fields_[i].size}; }
  // The physical line (from 1) that field i starts on.
  long field_line(std::size_t i) const { return fields_[i].line; }
  // The physical line (from 1) that the record starts on.
  long line() const { return record_line_; }
  // After Status::open_quote: the line and the field (from 1) of the quote.
  long quote_line() const { return quote_line_; }
  std::size_t quote_column() const { return quote_column_; }

 private:
  struct Field {
    std::size_t begin;
    std::size_t size;
    long line;
  };

  bool read_line();
  std::size_t content_end() const;
  Status parse(std::size_t at);
  void begin_field();
  void end_field();
  bool is_blank(char c) const { return (c == ' ' || c == '\t') && c != sep_; }

  LineReader &in_;
  char sep_;
  std::vector<char> buf_;  // the current physical line, its line end included
  std::size_t len_ = 0;
  long line_no_ = 0;
  long record_line_ = 0;
  long quote_line_ = 0;
  std::size_t quote_column_ = 0;
  std::string text_;  // the fields of the record, each followed by a NUL
  std::vector<Field> fields_;
};

// What a whole delimited table looks like, read once from its start.
struct TableShape {
  enum class Problem {
    none,
    no_record,     // no record at all: empty, or comments only
    open_quote,    // a quoted field is not closed (line, column)
    wrong_length,  // a record of another field count than the first (line)
  };
  Problem problem = Problem::none;
  long line = 0;
  std::size_t column = 0;

  std::size_t width = 0;           // fields of the first record
  bool header = false;             // the first record names the columns
  std::vector<std::string> first;  // the first record's fields, trimmed
  std::vector<bool> numeric;       // per field position: a data row holds a number there
  std::size_t rows = 0;            // data rows (records after the header)

  // Whether the column at field position c (from 0) is read: it holds a
  // number, and it is not a first column under an empty header field (R's
  // write.csv writes its row names so, pandas' to_csv its index).
  bool kept(std::size_t c) const;
};

// Reads the table from `in` (at its start) up to its end or its first
// problem. The first record is the header when `names` is 1, not when it is
// 0, and when it is -1 if one of its fields is text: neither a number nor
// missing (so a first row of numbers with a gap in it is data).
TableShape examine_table(LineReader &in, char sep, int names);
