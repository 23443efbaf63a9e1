#include "input/delimited_reader.h"

#include <climits>
#include <cmath>
#include <limits>

#include "diagnostics.h"
#include "input/reader.h"
#include "myfgets.h"

namespace {

// The run ends at an unclosed quote and at a row of another length: the
// structure of the table comes before the values of its fields.
void check_structure(const TableShape &shape, const char *name) {
  switch (shape.problem) {
    case TableShape::Problem::none:
      break;
    case TableShape::Problem::no_record:
      error("Can't read file");
    case TableShape::Problem::open_quote:
      error("Unclosed quote in %s line %ld column %zu\a\n", name, shape.line, shape.column);
    case TableShape::Problem::wrong_length:
      error("Wrong row length: %s line %ld\a\n", name, shape.line);
  }
}

}  // namespace

DelimitedExamination examine_delimited(const char *path, const char *name, char sep, int names,
                                       const Reporter &report) {
  DelimitedExamination ex;
  require_regular_file(path, name);
  LineReader in;
  open_input(in, path, name);
  report.progress("\nExamining file: %s\n", name);
  ex.shape = examine_table(in, sep, names);
  ex.fsize = in.size();
  in.close();
  check_structure(ex.shape, name);
  if (ex.shape.rows == 0) error("Too few variables\n");
  // The table is only ever as large as memory allows, far below UINT_MAX rows.
  ex.rows = ex.shape.rows > UINT_MAX ? UINT_MAX : static_cast<unsigned>(ex.shape.rows);
  for (std::size_t c = 0; c < ex.shape.width; ++c) {
    if (ex.shape.kept(c))
      ex.columns.push_back(c);
    else
      report.progress("Column %d (%s) left out: not numeric\n", static_cast<int>(c + 1),
                      ex.shape.first[c].c_str());
  }
  ex.cols = static_cast<unsigned>(ex.columns.size());
  if (ex.cols == 0) error("Too few variables\n");
  return ex;
}

unsigned read_delimited(const char *path, const char *name, char sep, const DelimitedExamination &ex,
                        bool missing, DataStore &store, LeftOut &left_out, const Reporter &report) {
  LineReader in;
  open_input(in, path, name);
  RecordReader reader(in, sep);
  const std::size_t width = ex.shape.width;
  const int *sortarr = store.sortarr.get();
  const double percent = static_cast<double>(ex.fsize) * 0.01;
  long last_progress = -1;
  unsigned read = 0;
  unsigned stored = 0;
  bool header = ex.shape.header;
  for (;;) {
    const RecordReader::Status status = reader.next(width == 1);
    if (status == RecordReader::Status::end) break;
    // The file has changed since it was examined.
    if (status == RecordReader::Status::open_quote)
      error("Unclosed quote in %s line %ld column %zu\a\n", name, reader.quote_line(), reader.quote_column());
    if (reader.size() != width) error("Wrong row length: %s line %ld\a\n", name, reader.line());
    if (header) {
      header = false;
      continue;
    }
    if (read >= ex.rows) error("Too many data series: >%d\a\n", ex.rows);
    ++read;

    double *row = store.dd[stored];
    bool complete = true;
    for (unsigned k = 0; k < ex.cols; ++k) {
      const std::size_t c = ex.columns[k];
      const std::string_view f = reader.field(c);
      double x;
      if (!field_number(f, &x)) {
        if (!is_missing_field(f))
          error("Not a number in %s line %ld column %zu: \"%.40s\"\a\n", name, reader.field_line(c), c + 1,
                f.data());
        if (!missing)
          error("Not a number in %s line %ld column %zu: \"%.40s\" (see --missing)\a\n", name,
                reader.field_line(c), c + 1, f.data());
        x = std::numeric_limits<double>::quiet_NaN();
      }
      if (std::isnan(x)) complete = false;
      row[sortarr[k]] = x;
    }
    if (complete || !missing)
      ++stored;
    else
      left_out.add(reader.line());

    const long progress = progress_figure(static_cast<double>(in.tell()) / percent);
    if (progress != last_progress) {
      report.status("%03ld%%\r", progress);
      last_progress = progress;
    }
  }
  report.status("\r    \r");
  return stored;
}
