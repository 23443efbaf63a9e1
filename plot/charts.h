// The charts of the page, each one <svg> element as text. Every bar, cell
// and point carries an SVG <title> with the value exactly as its result file
// holds it, which browsers show as a tooltip.
#pragma once

#include <string>
#include <vector>

#include "resultfiles.h"

// Where the bins of a histogram lie: bin b covers [min + b * width,
// min + (b + 1) * width). Without them the bins are shown by number.
struct BinEdges {
  double min;
  double width;
};

// A histogram of one variable from its line of ".his". `edges` may be null.
std::string histogram_svg(const std::string &name, const std::vector<Number> &fractions,
                          const BinEdges *edges);

// The first `count` variables of ".mvd" one under the other, each on its own
// scale from its minimum to its maximum: the range as a line, the mean plus
// and minus one standard deviation as a band, the median as a tick and the
// mean as a dot.
std::string ranges_svg(const Mvd &mvd, const std::vector<std::string> &names, std::size_t count);

// The correlation matrix as a heat map on the diverging scale from -1 to 1,
// with a colour key. `names` are the variables in stored order; the rows and
// columns are labelled when `labelled` is set.
std::string heatmap_svg(const Cor &cor, const std::vector<std::string> &names, bool labelled);

// The scree plot: the percentage of variance of each component as bars, and
// the reference row of ".eig" as a dashed line.
std::string scree_svg(const Eig &eig);

// The loadings of the variables on the first two components as a labelled
// scatter inside the unit circle. Needs at least two components.
std::string loadings_svg(const Eig &eig, const std::vector<std::string> &names, bool labelled);
