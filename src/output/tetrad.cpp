#include "output/tetrad.h"

#include <cstdio>

#include "diagnostics.h"
#include "output/resultfile.h"

void write_tet(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned columns, int quiet,
               int split) {
  ResultFile file(utfnamn, ".inp");
  file.announce(quiet);
  if (split != 0) std::printf("Using split\n");
  std::FILE *f = file.get();
  std::fprintf(f, "/Covariance\n");
  std::fprintf(f, "%u\n", rows);
  for (unsigned i = 0; i < columns; ++i) {
    std::fprintf(f, "x%d ", store.sortarr1[i] + 1);
    if (split != 0 && (i + 1) % 20 == 0 && i + 1 < columns) std::fprintf(f, "\n");
  }
  std::fprintf(f, "\n");
  for (unsigned i = 0; i < columns; ++i) {
    for (unsigned j = 0; j <= i; ++j) {
      std::fprintf(f, " %8.4f", store.cc[j][i]);
      if (split != 0 && (j + 1) % 11 == 0 && j < i) std::fprintf(f, "\n");
    }
    std::fprintf(f, "\n");
  }
  file.close();
}

void write_teto(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned columns, int quiet) {
  // Checked before the file is created, so that a refused table neither
  // creates nor truncates a ".da1" file.
  if (columns > 250) error("Too many variables for old tetrad");
  ResultFile file(utfnamn, ".da1");
  file.announce(quiet);
  std::FILE *f = file.get();
  // The product is taken in 64 bits: a large table must not wrap it.
  std::fprintf(f, "%llu\n", static_cast<unsigned long long>(columns) * rows);
  auto letter = [](unsigned i) { return static_cast<char>('a' + i / 10); };
  auto digit = [](unsigned i) { return static_cast<char>('0' + i % 10); };
  for (unsigned i = 0; i < columns; ++i)
    std::fprintf(f, " 1.0 %c%c %c%c\n", letter(i), digit(i), letter(i), digit(i));
  for (unsigned i = 1; i < columns; ++i)
    for (unsigned j = 0; j < i; ++j)
      std::fprintf(f, "%8.5f %c%c %c%c\n", store.cc[j][i], letter(j), digit(j), letter(i), digit(i));
  file.close();
}
