#include "page.h"

#include <algorithm>
#include <cmath>

#include "charts.h"
#include "contract/lines.h"
#include "svg.h"

namespace {

const char *const kStyle = R"(
:root { color-scheme: light; }
* { box-sizing: border-box; }
body { margin: 0; background: #fff; color: #1b1b1b;
  font: 15px/1.45 "DejaVu Sans", "Segoe UI", Roboto, Helvetica, Arial, sans-serif; }
main { max-width: 1180px; margin: 0 auto; padding: 22px 24px 40px; }
h1 { font-size: 26px; margin: 0 0 6px; font-weight: 700; }
h1 .kind { color: #5a5a5a; font-weight: 400; }
h2 { font-size: 20px; margin: 34px 0 12px; padding-bottom: 4px; border-bottom: 2px solid #dcdcdc; }
p { margin: 4px 0 10px; }
.meta { color: #444; }
.note { color: #555; font-size: 14px; }
.missing { background: #fbf6ea; border-left: 4px solid #E69F00; padding: 8px 12px; margin: 6px 0; }
code { font-family: "DejaVu Sans Mono", Consolas, monospace; font-size: 0.92em; background: #f2f2f2;
  padding: 0 3px; border-radius: 3px; }
table.stats { border-collapse: collapse; font-variant-numeric: tabular-nums; font-size: 14px; }
table.stats th, table.stats td { padding: 5px 12px; text-align: right; border-bottom: 1px solid #e3e3e3;
  white-space: nowrap; }
table.stats th { background: #eef2f6; border-bottom: 2px solid #c9d2dc; font-weight: 600; }
table.stats .name { text-align: left; font-weight: 600; }
table.stats tbody tr:nth-child(even) { background: #f7f9fb; }
.scroll { overflow-x: auto; }
.grid { display: grid; grid-template-columns: repeat(3, minmax(0, 1fr)); gap: 18px 28px; }
.pair { display: flex; flex-wrap: wrap; gap: 18px 40px; align-items: flex-start; }
figure { margin: 0; break-inside: avoid; page-break-inside: avoid; }
figcaption { font-weight: 600; margin: 0 0 4px; }
figcaption .sub { font-weight: 400; color: #666; font-size: 13px; margin-left: 6px; }
svg.chart { display: block; max-width: 100%; height: auto; }
.grid svg.chart { width: 100%; }
svg.chart text { fill: #2b2b2b; font-family: inherit; }
svg.chart .tl { font-size: 11px; fill: #444; }
svg.chart .at { font-size: 12px; fill: #222; }
svg.chart .hl { font-size: 12.5px; fill: #222; }
svg.chart .lg { font-size: 12px; }
svg.chart .pl { font-size: 12px; fill: #1b1b1b; paint-order: stroke; stroke: #fff; stroke-width: 3px; }
svg.chart .bv { font-size: 11px; fill: #1b1b1b; paint-order: stroke; stroke: #fff; stroke-width: 3px; }
svg.chart .bv.in { fill: #fff; stroke: none; }
svg.chart .cv { font-size: 12px; fill: #1b1b1b; }
svg.chart .cv.light { fill: #fff; }
svg.chart .grid { stroke: #e6e6e6; stroke-width: 1; }
svg.chart .axis, svg.chart .tick { stroke: #555; stroke-width: 1; }
svg.chart .zero { stroke: #888; stroke-width: 1; }
svg.chart .unit { fill: none; stroke: #aaa; stroke-dasharray: 4 4; }
svg.chart .spoke { stroke: #9cc3dd; stroke-width: 1.2; }
svg.chart .hit { fill: transparent; }
svg.chart .range { stroke: #8a8a8a; stroke-width: 2; }
svg.chart .sd { fill: #a6cde6; stroke: #4f92bf; stroke-width: 1; }
svg.chart .median { stroke: #1b1b1b; stroke-width: 2.5; }
figure.wide { margin-top: 22px; }
svg.chart .cb { stroke: #fff; stroke-width: 1; }
svg.chart .frame { fill: none; stroke: #777; stroke-width: 0.6; }
svg.chart .bar:hover rect:not(.hit), svg.chart .point:hover circle { fill: #E69F00; }
svg.chart .cell:hover rect { stroke: #000; stroke-width: 2; }
footer { margin-top: 36px; color: #777; font-size: 12px; }
@page { margin: 12mm; }
@media (max-width: 900px) { .grid { grid-template-columns: repeat(2, minmax(0, 1fr)); } }
@media print {
  * { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
  body { font-size: 10pt; }
  main { max-width: none; padding: 0; }
  h2, p.note { break-after: avoid; page-break-after: avoid; }
  h2 { margin-top: 18px; }
  #correlations, #components { break-inside: avoid; page-break-inside: avoid; }
  .grid { grid-template-columns: repeat(2, minmax(0, 1fr)); gap: 10px 24px; }
  .pair { flex-wrap: nowrap; gap: 16px; }
  .pair figure { flex: 1 1 0; min-width: 0; }
  .pair svg.chart { width: 100%; }
  .scroll { overflow: visible; }
  table.stats { font-size: 9pt; }
  table.stats th, table.stats td { padding: 3px 8px; }
}
)";

std::string code(const std::string &s) { return "<code>" + escape(s) + "</code>"; }

std::string missing(const std::string &file, const std::string &switch_text) {
  return "<p class=\"missing\">No " + code(file) + ": " + switch_text + "</p>\n";
}

std::size_t variable_count(const PageData &d) {
  if (d.mvd) return d.mvd->rows.size();
  if (d.cor) return d.cor->lower.size();
  if (d.his) return d.his->fractions.size();
  if (d.eig) return d.eig->percent.size();
  return 0;
}

// The variables' names in the stored order of the result files; mavek may
// have reordered the variables, and ".mvd" alone says which column is where.
std::vector<std::string> stored_names(const PageData &d, std::size_t m) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < m; ++i)
    out.push_back(d.mvd ? d.names.name(d.mvd->rows[i].column) : d.names.name(static_cast<int>(i) + 1));
  return out;
}

std::string header(const PageData &d, std::size_t m) {
  std::string o = "<header>\n<h1>" + escape(d.input) + " <span class=\"kind\">mavek results</span></h1>\n";
  std::vector<std::string> read;
  if (d.mvd) read.push_back(d.mvd_name);
  if (d.his) read.push_back(d.his_name);
  if (d.cor) read.push_back(d.cor_name);
  if (d.eig) read.push_back(d.eig_name);
  o += "<p class=\"meta\">";
  if (m > 0) o += std::to_string(m) + (m == 1 ? " variable" : " variables") + ". ";
  if (read.empty()) {
    o += "No result files of mavek were found.";
  } else {
    o += "Result files: ";
    for (std::size_t i = 0; i < read.size(); ++i) o += (i > 0 ? ", " : "") + code(read[i]);
    o += ".";
  }
  o += "</p>\n<p class=\"note\">";
  switch (d.names.source) {
    case ColumnNames::Source::header:
      o += "Column names from the comment header of " + code(d.input) + ".";
      break;
    case ColumnNames::Source::no_header:
      o += "No comment line above the first data line of " + code(d.input) +
           " names every column, so the columns are called x1, x2, &#8230;";
      break;
    case ColumnNames::Source::no_input:
      o += code(d.input) + " cannot be read, so the columns are called x1, x2, &#8230;";
      break;
    case ColumnNames::Source::table_header:
      o += "Column names from the header row of " + code(d.input) + ".";
      break;
    case ColumnNames::Source::no_table_row:
      o += "The first row of " + code(d.input) + " is no header, so the columns are called x1, x2, &#8230;";
      break;
    case ColumnNames::Source::names_line:
      o += "Column names from the first line of " + code(d.input) + ".";
      break;
  }
  if (!d.mvd && m > 0)
    o += " Without " + code(d.mvd_name) + " the variables are taken to be in the input's column order.";
  o += "</p>\n</header>\n";
  return o;
}

std::string statistics_section(const PageData &d, const std::vector<std::string> &names) {
  std::string o = "<section id=\"statistics\">\n<h2>Statistics</h2>\n";
  if (!d.mvd) {
    o += missing(d.mvd_name, "run mavek (it writes the statistics table by default, or with -m).");
    return o + "</section>\n";
  }
  o += "<div class=\"scroll\"><table class=\"stats\">\n<thead><tr><th class=\"name\">Variable</th>"
       "<th>Column</th><th>Mean</th><th>Variance</th><th>Std.Dev.</th><th>Min</th><th>Max</th>"
       "<th>Skewness</th><th>Curtosis</th><th>Median</th></tr></thead>\n<tbody>\n";
  for (std::size_t i = 0; i < d.mvd->rows.size(); ++i) {
    const MvdRow &r = d.mvd->rows[i];
    o += "<tr><td class=\"name\">" + escape(names[i]) + "</td><td>" + std::to_string(r.column) + "</td>";
    for (const Number *n : {&r.mean, &r.variance, &r.stddev, &r.min, &r.max, &r.skew, &r.curt, &r.median})
      o += "<td>" + escape(n->text) + "</td>";
    o += "</tr>\n";
  }
  o += "</tbody></table></div>\n";
  const std::size_t shown = std::min(d.mvd->rows.size(), kMaxHistograms);
  o +=
      "<figure class=\"wide\"><figcaption>Ranges <span class=\"sub\">each variable on its own scale from its "
      "minimum to its maximum";
  if (shown < d.mvd->rows.size())
    o += "; the first " + std::to_string(shown) + " of the " + std::to_string(d.mvd->rows.size()) +
         " variables";
  o += "</span></figcaption>\n" + ranges_svg(*d.mvd, names, shown) + "\n</figure>\n</section>\n";
  return o;
}

std::string histogram_section(const PageData &d, const std::vector<std::string> &names) {
  std::string o = "<section id=\"histograms\">\n<h2>Histograms</h2>\n";
  if (!d.his) {
    o += missing(d.his_name, "run mavek with -h for histograms.");
    return o + "</section>\n";
  }
  const std::size_t m = d.his->fractions.size();
  const std::size_t h = d.his->fractions[0].size();
  const std::size_t shown = std::min(m, kMaxHistograms);
  o += "<p class=\"note\">" + std::to_string(h) + (h == 1 ? " bin" : " bins") +
       " a variable, from its minimum; each bar is the fraction of the observations in its bin.";
  if (shown < m)
    o += " <strong>The first " + std::to_string(shown) + " of the " + std::to_string(m) +
         " variables are shown.</strong>";
  if (!d.mvd)
    o += " Without " + code(d.mvd_name) + " the bin edges are unknown, so the bins are shown by number.";
  o += "</p>\n<div class=\"grid\">\n";
  for (std::size_t i = 0; i < shown; ++i) {
    std::optional<BinEdges> edges;
    std::string sub;
    if (d.mvd) {
      const MvdRow &r = d.mvd->rows[i];
      sub = "column " + std::to_string(r.column);
      const double w = histogram_bin_width(r.min.value, r.max.value, static_cast<unsigned>(h));
      if (std::isfinite(w) && w > 0)
        edges = BinEdges{r.min.value, w};
      else
        sub += ", bins by number (no finite, positive bin width)";
    }
    o += "<figure><figcaption>" + escape(names[i]) +
         (sub.empty() ? "" : " <span class=\"sub\">" + escape(sub) + "</span>") + "</figcaption>\n";
    o += histogram_svg(names[i], d.his->fractions[i], edges ? &*edges : nullptr);
    o += "\n</figure>\n";
  }
  o += "</div>\n</section>\n";
  return o;
}

std::string correlation_section(const PageData &d, const std::vector<std::string> &names) {
  std::string o = "<section id=\"correlations\">\n<h2>Correlation matrix</h2>\n";
  if (!d.cor) {
    o += missing(d.cor_name, "run mavek with -c for the correlation matrix.");
    return o + "</section>\n";
  }
  const std::size_t m = d.cor->lower.size();
  const bool labelled = m <= kMaxLabelled;
  o += "<p class=\"note\">Pearson correlation coefficients, from &#8722;1 (dark red) through 0 (white) to +1 "
       "(dark blue).";
  if (!labelled)
    o += " With more than " + std::to_string(kMaxLabelled) +
         " variables the rows and columns are not labelled; each cell's tooltip names its pair.";
  o += "</p>\n<figure>\n" + heatmap_svg(*d.cor, names, labelled) + "\n</figure>\n</section>\n";
  return o;
}

std::string component_section(const PageData &d, const std::vector<std::string> &names) {
  std::string o = "<section id=\"components\">\n<h2>Principal components</h2>\n";
  if (!d.eig) {
    o += missing(d.eig_name, "run mavek with -e for the principal components.");
    return o + "</section>\n";
  }
  const std::size_t m = d.eig->percent.size();
  o += "<div class=\"pair\">\n<figure><figcaption>Scree plot <span class=\"sub\">percentage of the variance "
       "of each "
       "component, with the reference row</span></figcaption>\n" +
       scree_svg(*d.eig) + "\n</figure>\n";
  if (m >= 2) {
    o +=
        "<figure><figcaption>Loadings <span class=\"sub\">on the first two components</span></figcaption>\n" +
        loadings_svg(*d.eig, names, m <= kMaxLabelled) + "\n</figure>\n";
  } else {
    o += "<p class=\"note\">With one variable there is one component, so there is no scatter of the loadings "
         "on "
         "two.</p>\n";
  }
  o += "</div>\n</section>\n";
  return o;
}

}  // namespace

std::string render_page(const PageData &d) {
  const std::size_t m = variable_count(d);
  const std::vector<std::string> names = stored_names(d, m);
  std::string o =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
      escape(d.input) + ": mavek results</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n<main>\n";
  o += header(d, m);
  o += statistics_section(d, names);
  o += histogram_section(d, names);
  o += correlation_section(d, names);
  o += component_section(d, names);
  o += "<footer>Drawn by mavek-plot " MAVEK_PLOT_VERSION " from the result files of mavek.</footer>\n";
  o += "</main>\n</body>\n</html>\n";
  return o;
}
