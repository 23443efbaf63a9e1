#include "output/report.h"

#include <cmath>
#include <cstdio>

#include "output/outbuf.h"
#include "output/resultfile.h"
#include "output/rows.h"

int variable_label(const DataStore &store, unsigned i) {
  int k = static_cast<int>(store.v[i].variable);
  return store.sortarr1[k - 1] + 1;
}

void warn_no_stddev(const std::vector<int> &positions, const Reporter &report) {
  if (positions.empty()) return;
  report.always("\nWARNING! Variable(s)\a");
  for (int i : positions) report.always(" %d", i);
  report.always(" has no Std.Dev. Modifies...\n");
}

void print_statistics(const DataStore &store, unsigned cols) {
  // The label width is the natural logarithm of the number of variables, not
  // the number of digits: the table has always been laid out so, and scripts
  // read it by position. Labels wider than w simply widen their line.
  const int w = static_cast<int>(std::log(static_cast<double>(cols)));
  // The table goes through its own buffer into stdout's stream and is handed
  // on complete before anything else is printed, so that the order of the
  // terminal lines stays the same as with one printf per value.
  OutBuf out(stdout);
  for (int pad = w - 2; pad > 0; --pad) out.put(' ');  // "%*s" with "No"
  out.put("No Mean      Variance  Std.Dev.  Min       Max       Skewness  Curtosis Median\n");
  for (unsigned i = 0; i < cols; ++i) {
    const stats &s = store.v[i];
    out.integer(variable_label(store, i), w);
    out.put(' ');
    for (double x : {s.mean, s.variance, s.stddev, s.min, s.max, s.skew}) {
      out.general(x, 9, 4);
      out.put(' ');
    }
    out.general(s.curt, 8, 4);
    out.put(' ');
    out.general(s.median, 8, 4);
    out.put('\n');
  }
  out.flush();
}

void write_std(std::string &utfnamn, unsigned rows, unsigned cols,
               const std::function<void(unsigned, double *)> &row, unsigned threads) {
  ResultFile file(utfnamn, ".std");
  write_value_rows(file.out(), rows, cols, row, threads);
  file.close();
}

void write_mvd(std::string &utfnamn, const DataStore &store, unsigned cols, const Reporter &report) {
  ResultFile file(utfnamn, ".mvd");
  file.announce(report);
  OutBuf &out = file.out();
  out.put("! Variable  Mean     Variance  Std.Dev.  Min       Max       Skewness  Curtosis  Median\n");
  for (unsigned i = 0; i < cols; ++i) {
    const stats &s = store.v[i];
    out.integer(variable_label(store, i), 9);
    out.put(' ');
    for (double x : {s.mean, s.variance, s.stddev, s.min, s.max, s.skew, s.curt}) {
      out.fixed(x, 9, 4);
      out.put(' ');
    }
    out.fixed(s.median, 9, 4);
    out.put('\n');
  }
  file.close();
}

void write_cor(std::string &utfnamn, const DataStore &store, unsigned cols, const Reporter &report) {
  ResultFile file(utfnamn, ".cor");
  file.announce(report);
  OutBuf &out = file.out();
  for (unsigned i = 0; i < cols; ++i) {
    for (unsigned j = 0; j <= i; ++j) {
      out.put(' ');
      out.fixed(store.cc[j][i], 0, 6, true, true);  // " %- .6f"
    }
    out.put('\n');
  }
  file.close();
}

void write_cov(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned cols,
               const Reporter &report) {
  ResultFile file(utfnamn, ".cov");
  file.announce(report);
  OutBuf &out = file.out();
  out.put("/Covariance\n");
  out.unsigned_integer(rows);
  out.put('\n');
  for (unsigned i = 0; i < cols; ++i) {
    out.put('x');
    out.integer(store.sortarr1[i] + 1);
    out.put(' ');
  }
  out.put('\n');
  for (unsigned i = 0; i < cols; ++i) {
    for (unsigned j = 0; j <= i; ++j) {
      out.fixed(store.ccov[j][i], 0, 6, true, true);  // "%- .6f "
      out.put(' ');
    }
    out.put('\n');
  }
  file.close();
}

void write_his(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned cols, unsigned h,
               const Reporter &report) {
  ResultFile file(utfnamn, ".his");
  file.announce(report);
  OutBuf &out = file.out();
  const double n = static_cast<double>(rows);
  for (unsigned i = 0; i < cols; ++i) {
    for (unsigned b = 0; b < h; ++b) {
      out.fixed(static_cast<double>(store.histogram[b][i]) / n, 0, 4);
      out.put(' ');
    }
    out.put('\n');
  }
  file.close();
}

void write_pct(std::string &utfnamn, const DataStore &store, unsigned cols,
               const std::vector<double> &percent, const std::vector<double> &values,
               const Reporter &report) {
  ResultFile file(utfnamn, ".pct");
  file.announce(report);
  OutBuf &out = file.out();
  out.put('!');
  for (double p : percent) {
    out.put(' ');
    out.general(p, 0, 6);
  }
  out.put('\n');
  const double *q = values.data();
  for (unsigned i = 0; i < cols; ++i) {
    out.integer(variable_label(store, i), 9);
    out.put(' ');
    for (std::size_t j = 0; j < percent.size(); ++j, ++q) {
      out.fixed(*q, 9, 4);
      out.put(' ');
    }
    out.put('\n');
  }
  file.close();
}
