#include "output/report.h"

#include <cmath>
#include <cstdio>

#include "output/numfmt.h"
#include "output/resultfile.h"

int variable_label(const DataStore &store, unsigned i) {
  int k = static_cast<int>(store.v[i].variable);
  return store.sortarr1[k - 1] + 1;
}

void warn_no_stddev(const std::vector<int> &positions) {
  if (positions.empty()) return;
  std::printf("\nWARNING! Variable(s)\a");
  for (int i : positions) std::printf(" %d", i);
  std::printf(" has no Std.Dev. Modifies...\n");
}

void print_statistics(const DataStore &store, unsigned cols) {
  // The label width is the natural logarithm of the number of variables, not
  // the number of digits: the table has always been laid out so, and scripts
  // read it by position. Labels wider than w simply widen their line.
  const int w = static_cast<int>(std::log(static_cast<double>(cols)));
  std::printf("%*s Mean      Variance  Std.Dev.  Min       Max       Skewness  Curtosis Median\n", w, "No");
  for (unsigned i = 0; i < cols; ++i) {
    const stats &s = store.v[i];
    std::printf("%*d ", w, variable_label(store, i));
    for (double x : {s.mean, s.variance, s.stddev, s.min, s.max, s.skew}) std::printf("%9.4g ", x);
    std::printf("%8.4g ", s.curt);
    std::printf("%8.4g", s.median);
    std::printf("\n");
  }
}

void write_std(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned cols) {
  ResultFile file(utfnamn, ".std");
  {
    OutBuf out(file.get());
    for (unsigned r = 0; r < rows; ++r) {
      const double *x = store.dd[r];
      for (unsigned c = 0; c < cols; ++c) {
        out.fixed((x[c] - store.v[c].mean) / store.v[c].stddev, 9, 5);
        out.put(' ');
      }
      out.put('\n');
    }
  }
  file.close();
}

void write_mvd(std::string &utfnamn, const DataStore &store, unsigned cols, int quiet) {
  ResultFile file(utfnamn, ".mvd");
  file.announce(quiet);
  std::FILE *f = file.get();
  std::fprintf(f, "!%s",
               " Variable  Mean     Variance  Std.Dev.  Min       Max       Skewness  Curtosis  Median\n");
  for (unsigned i = 0; i < cols; ++i) {
    const stats &s = store.v[i];
    std::fprintf(f, "%9d ", variable_label(store, i));
    for (double x : {s.mean, s.variance, s.stddev, s.min, s.max, s.skew, s.curt})
      std::fprintf(f, "%9.4f ", x);
    std::fprintf(f, "%9.4f", s.median);
    std::fprintf(f, "\n");
  }
  file.close();
}

void write_cor(std::string &utfnamn, const DataStore &store, unsigned cols, int quiet) {
  ResultFile file(utfnamn, ".cor");
  file.announce(quiet);
  std::FILE *f = file.get();
  for (unsigned i = 0; i < cols; ++i) {
    for (unsigned j = 0; j <= i; ++j) std::fprintf(f, " %- .6f", store.cc[j][i]);
    std::fprintf(f, "\n");
  }
  file.close();
}

void write_cov(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned cols, int quiet) {
  ResultFile file(utfnamn, ".cov");
  file.announce(quiet);
  std::FILE *f = file.get();
  std::fprintf(f, "/Covariance\n");
  std::fprintf(f, "%u\n", rows);
  for (unsigned i = 0; i < cols; ++i) std::fprintf(f, "x%d ", store.sortarr1[i] + 1);
  std::fprintf(f, "\n");
  for (unsigned i = 0; i < cols; ++i) {
    for (unsigned j = 0; j <= i; ++j) std::fprintf(f, "%- .6f ", store.ccov[j][i]);
    std::fprintf(f, "\n");
  }
  file.close();
}

void write_his(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned cols, unsigned h,
               int quiet) {
  ResultFile file(utfnamn, ".his");
  file.announce(quiet);
  {
    OutBuf out(file.get());
    const double n = static_cast<double>(rows);
    for (unsigned i = 0; i < cols; ++i) {
      for (unsigned b = 0; b < h; ++b) {
        out.fixed(static_cast<double>(store.histogram[b][i]) / n, 0, 4);
        out.put(' ');
      }
      out.put('\n');
    }
  }
  file.close();
}
