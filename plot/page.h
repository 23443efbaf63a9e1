// The HTML page of one input: the statistics table, the histograms, the
// correlation heat map and the principal components, in one self-contained
// file (inline CSS and SVG, no script, no outside resources).
#pragma once

#include <optional>
#include <string>

#include "colnames.h"
#include "resultfiles.h"

// Histograms shown at most, and the most variables whose heat-map rows,
// columns and loading points are labelled.
inline constexpr std::size_t kMaxHistograms = 50;
inline constexpr std::size_t kMaxLabelled = 60;

struct PageData {
  std::string input;  // the input file as given on the command line
  ColumnNames names;
  // The result files' names, and their content where they exist.
  std::string mvd_name, his_name, cor_name, eig_name;
  std::optional<Mvd> mvd;
  std::optional<His> his;
  std::optional<Cor> cor;
  std::optional<Eig> eig;
};

std::string render_page(const PageData &data);
