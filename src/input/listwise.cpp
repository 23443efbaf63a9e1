#include "input/listwise.h"

#include <cmath>
#include <string>

#include "diagnostics.h"

void LeftOut::add(long line) {
  if (count < kListed) lines.push_back(line);
  ++count;
}

bool has_nan(const double *row, unsigned n) {
  for (unsigned i = 0; i < n; ++i)
    if (std::isnan(row[i])) return true;
  return false;
}

void report_left_out(const LeftOut &left_out, unsigned used, const char *name, const Reporter &report) {
  if (left_out.count == 0) return;
  std::string lines;
  for (long line : left_out.lines) {
    if (!lines.empty()) lines += ", ";
    lines += std::to_string(line);
  }
  if (left_out.count > left_out.lines.size()) lines += ", ...";
  report.progress("Left out %d rows with missing values (lines %s), used %d\n",
                  static_cast<int>(left_out.count), lines.c_str(), static_cast<int>(used));
  if (used == 0) error("No complete rows in %s\a\n", name);
}
