#include "output/tetrad.h"

#include <cstdio>

#include "diagnostics.h"
#include "output/resultfile.h"

void write_tet(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned columns,
               const Reporter &report, int split) {
  ResultFile file(utfnamn, ".inp");
  file.announce(report);
  if (split != 0) report.always("Using split\n");
  OutBuf &out = file.out();
  out.put("/Covariance\n");
  out.unsigned_integer(rows);
  out.put('\n');
  for (unsigned i = 0; i < columns; ++i) {
    out.put('x');
    out.integer(store.sortarr1[i] + 1);
    out.put(' ');
    if (split != 0 && (i + 1) % 20 == 0 && i + 1 < columns) out.put('\n');
  }
  out.put('\n');
  for (unsigned i = 0; i < columns; ++i) {
    for (unsigned j = 0; j <= i; ++j) {
      out.put(' ');
      out.fixed(store.cc[j][i], 8, 4);
      if (split != 0 && (j + 1) % 11 == 0 && j < i) out.put('\n');
    }
    out.put('\n');
  }
  file.close();
}

namespace {

// The old layout's name of position i: a letter for the tens, a digit.
void put_name(OutBuf &out, unsigned i) {
  out.put(static_cast<char>('a' + i / 10));
  out.put(static_cast<char>('0' + i % 10));
}

}  // namespace

void write_teto(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned columns,
                const Reporter &report) {
  // Checked before the file is created, so that a refused table neither
  // creates nor truncates a ".da1" file.
  if (columns > 250) error("Too many variables for old tetrad");
  ResultFile file(utfnamn, ".da1");
  file.announce(report);
  OutBuf &out = file.out();
  // The product is taken in 64 bits: a large table must not wrap it.
  out.unsigned_integer(static_cast<unsigned long long>(columns) * rows);
  out.put('\n');
  for (unsigned i = 0; i < columns; ++i) {
    out.put(" 1.0 ");
    put_name(out, i);
    out.put(' ');
    put_name(out, i);
    out.put('\n');
  }
  for (unsigned i = 1; i < columns; ++i)
    for (unsigned j = 0; j < i; ++j) {
      out.fixed(store.cc[j][i], 8, 5);
      out.put(' ');
      put_name(out, j);
      out.put(' ');
      put_name(out, i);
      out.put('\n');
    }
  file.close();
}
