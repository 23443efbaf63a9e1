#include "charts.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "svg.h"

namespace {

// A linear map from data values to SVG coordinates.
struct Scale {
  double d0, d1, r0, r1;
  double operator()(double v) const { return r0 + (v - d0) / (d1 - d0) * (r1 - r0); }
};

using Labels = std::vector<std::pair<double, std::string>>;

std::string open_svg(const char *kind, double w, double h, const std::string &label) {
  return "<svg class=\"chart " + std::string(kind) + "\" viewBox=\"0 0 " + px(w) + " " + px(h) +
         "\" width=\"" + px(w) + "\" height=\"" + px(h) + "\" role=\"img\" aria-label=\"" + escape(label) +
         "\">\n";
}

std::string text_at(double x, double y, const std::string &s, const std::string &attrs = "") {
  return "<text x=\"" + px(x) + "\" y=\"" + px(y) + "\"" + (attrs.empty() ? "" : " " + attrs) + ">" +
         escape(s) + "</text>\n";
}

std::string line(double x1, double y1, double x2, double y2, const char *cls) {
  return "<line class=\"" + std::string(cls) + "\" x1=\"" + px(x1) + "\" y1=\"" + px(y1) + "\" x2=\"" +
         px(x2) + "\" y2=\"" + px(y2) + "\"/>\n";
}

std::string rect(double x, double y, double w, double h, const std::string &attrs) {
  return "<rect x=\"" + px(x) + "\" y=\"" + px(y) + "\" width=\"" + px(std::max(w, 0.0)) + "\" height=\"" +
         px(std::max(h, 0.0)) + "\" " + attrs + "/>";
}

std::string tip(const std::string &s) { return "<title>" + escape(s) + "</title>"; }

// Tick labels: fixed decimals for ordinary numbers, "%g" for very large or
// very small ones, which would otherwise crowd the axis.
Labels tick_labels(const Ticks &t) {
  Labels out;
  double biggest = 0;
  for (double v : t.values) biggest = std::max(biggest, std::fabs(v));
  const bool compact = biggest >= 1e6 || t.decimals > 5;
  for (double v : t.values) out.emplace_back(v, number_text(v, compact ? -1 : t.decimals));
  return out;
}

// Horizontal grid lines, tick marks and labels of a vertical axis at `x0`.
std::string left_axis(const Scale &y, double x0, double x1, const Labels &ticks) {
  std::string o;
  for (const auto &[v, s] : ticks) {
    const double yy = y(v);
    o += line(x0, yy, x1, yy, "grid");
    o += line(x0 - 4, yy, x0, yy, "tick");
    o += text_at(x0 - 7, yy + 3.5, s, "class=\"tl\" text-anchor=\"end\"");
  }
  o += line(x0, y.r0, x0, y.r1, "axis");
  return o;
}

// The axis line, tick marks and labels of a horizontal axis at `y0`.
std::string bottom_axis(const Scale &x, double y0, const Labels &ticks) {
  std::string o = line(x.r0, y0, x.r1, y0, "axis");
  for (const auto &[v, s] : ticks) {
    const double xx = x(v);
    o += line(xx, y0, xx, y0 + 4, "tick");
    o += text_at(xx, y0 + 16, s, "class=\"tl\" text-anchor=\"middle\"");
  }
  return o;
}

std::string x_title(double x, double y, const std::string &s) {
  return text_at(x, y, s, "class=\"at\" text-anchor=\"middle\"");
}

std::string y_title(double x, double y, const std::string &s) {
  return "<text class=\"at\" text-anchor=\"middle\" transform=\"translate(" + px(x) + " " + px(y) +
         ") rotate(-90)\">" + escape(s) + "</text>\n";
}

// Category labels 1..n at the centres of the unit bands [k - 1, k], thinned
// to about `most` labels by a round step.
Labels band_labels(std::size_t n, int most) {
  std::size_t step = 1;
  for (std::size_t mag = 1; n / step > static_cast<std::size_t>(most); mag *= 10)
    for (std::size_t s : {1, 2, 5}) {
      step = s * mag;
      if (n / step <= static_cast<std::size_t>(most)) break;
    }
  Labels out;
  for (std::size_t k = 1; k <= n; ++k)
    if (k == 1 || k % step == 0) out.emplace_back(static_cast<double>(k) - 0.5, std::to_string(k));
  return out;
}

// A label cut to `most` characters, never inside a UTF-8 sequence.
std::string shortened(const std::string &s, std::size_t most) {
  if (s.size() <= most) return s;
  std::size_t cut = most - 3;
  while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
  return s.substr(0, cut) + "...";
}

// Places point labels one after another where they overlap neither the
// labels placed before nor any point, trying the four corners around the
// point, then the same a line further out.
class LabelPlacer {
 public:
  LabelPlacer(double x0, double x1, double y0, double y1) : x0_(x0), x1_(x1), y0_(y0), y1_(y1) {}

  void add_point(double cx, double cy) { taken_.push_back(Box{cx - 5, cy - 5, cx + 5, cy + 5}); }

  // The text element for `label` near the point (cx, cy).
  std::string place(double cx, double cy, const std::string &label) {
    const double w = static_cast<double>(label.size()) * 7.0, h = 14;
    struct Try {
      double dx, dy;
      bool right;
    };
    static constexpr Try tries[] = {{7, -7, true},  {7, 16, true},   {-7, -7, false},  {-7, 16, false},
                                    {7, -21, true}, {7, 30, true},   {-7, -21, false}, {-7, 30, false},
                                    {7, -35, true}, {-7, -35, false}};
    int chosen = -1, inside = -1;
    Box box{};
    for (int t = 0; t < static_cast<int>(std::size(tries)); ++t) {
      const Try &c = tries[t];
      const double bx0 = c.right ? cx + c.dx : cx + c.dx - w;
      const Box b{bx0, cy + c.dy - 11, bx0 + w, cy + c.dy - 11 + h};
      if (b.x0 < x0_ || b.x1 > x1_ || b.y0 < y0_ || b.y1 > y1_) continue;
      if (inside < 0) inside = t;
      bool free = true;
      for (const Box &o : taken_) free = free && !overlaps(b, o);
      if (free) {
        chosen = t;
        break;
      }
    }
    if (chosen < 0) chosen = inside >= 0 ? inside : (cx > (x0_ + x1_) / 2 ? 2 : 0);
    const Try &c = tries[chosen];
    const double bx0 = c.right ? cx + c.dx : cx + c.dx - w;
    box = Box{bx0, cy + c.dy - 11, bx0 + w, cy + c.dy - 11 + h};
    taken_.push_back(box);
    return text_at(cx + c.dx, cy + c.dy, label,
                   std::string("class=\"pl\"") + (c.right ? "" : " text-anchor=\"end\""));
  }

 private:
  struct Box {
    double x0, y0, x1, y1;
  };
  static bool overlaps(const Box &a, const Box &b) {
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
  }
  double x0_, x1_, y0_, y1_;
  std::vector<Box> taken_;
};

double finite_max(const std::vector<Number> &v, double start) {
  double m = start;
  for (const Number &n : v)
    if (std::isfinite(n.value)) m = std::max(m, n.value);
  return m;
}

}  // namespace

std::string histogram_svg(const std::string &name, const std::vector<Number> &fractions,
                          const BinEdges *edges) {
  const double W = 380, H = 250, L = 56, R = 16, T = 14, B = 50;
  const std::size_t h = fractions.size();
  const bool by_value = edges != nullptr && std::isfinite(edges->width) && edges->width > 0 &&
                        std::isfinite(edges->min) && std::isfinite(edges->min + h * edges->width);
  const double lo = by_value ? edges->min : 0.0;
  const double hi = by_value ? edges->min + h * edges->width : static_cast<double>(h);
  const Scale x{lo, hi, L, W - R};
  const Ticks yticks = ticks_from_zero(finite_max(fractions, 0.0), 4);
  const double ymax = yticks.values.back();
  const Scale y{0.0, ymax, H - B, T};

  std::string o = open_svg("histogram", W, H, "Histogram of " + name);
  o += left_axis(y, L, W - R, tick_labels(yticks));
  for (std::size_t b = 0; b < h; ++b) {
    const double e0 = by_value ? edges->min + b * edges->width : static_cast<double>(b);
    const double e1 = by_value ? edges->min + (b + 1) * edges->width : static_cast<double>(b + 1);
    const double x0 = x(e0), x1 = x(e1);
    const double f = std::isfinite(fractions[b].value) ? std::clamp(fractions[b].value, 0.0, ymax) : 0.0;
    const std::string where = by_value ? number_text(e0) + " to " + number_text(e1)
                                       : "bin " + std::to_string(b + 1) + " of " + std::to_string(h);
    o += "<g class=\"bar\">" + tip(name + ": " + where + ": " + fractions[b].text);
    o += rect(x0, T, x1 - x0, H - B - T, "class=\"hit\"");
    const double gap = x1 - x0 > 3 ? 0.5 : 0.0;
    o += rect(x0 + gap, y(f), x1 - x0 - 2 * gap, y(0) - y(f), "fill=\"" + std::string(kBlue) + "\"");
    o += "</g>\n";
  }
  if (by_value)
    o += bottom_axis(x, H - B, tick_labels(nice_ticks(lo, hi, 5)));
  else
    o += bottom_axis(x, H - B, band_labels(h, 8));
  o += x_title((L + W - R) / 2, H - 12, by_value ? name : name + ", bin number");
  o += y_title(14, (T + H - B) / 2, "fraction");
  o += "</svg>";
  return o;
}

std::string ranges_svg(const Mvd &mvd, const std::vector<std::string> &names, std::size_t count) {
  std::size_t name_len = 4, min_len = 1, max_len = 1;
  for (std::size_t i = 0; i < count; ++i) {
    name_len = std::max(name_len, shortened(names[i], 20).size());
    min_len = std::max(min_len, mvd.rows[i].min.text.size());
    max_len = std::max(max_len, mvd.rows[i].max.text.size());
  }
  const double name_w = static_cast<double>(name_len) * 7.5 + 14;
  const double row = 30, L = name_w + static_cast<double>(min_len) * 6.4 + 12, track = 640, T = 30;
  const double W = L + track + static_cast<double>(max_len) * 6.4 + 16;
  const double H = T + row * static_cast<double>(count) + 8;
  std::string o = open_svg("ranges", W, H, "Range, mean and median of each variable");
  // Legend.
  o += line(L, 12, L + 22, 12, "range");
  o += text_at(L + 28, 16, "minimum to maximum", "class=\"lg\"");
  o += rect(L + 170, 6, 22, 12, "class=\"sd\"");
  o += text_at(L + 198, 16, "mean \u00b1 std.dev.", "class=\"lg\"");
  o += "<circle cx=\"" + px(L + 340) + "\" cy=\"12\" r=\"4.5\" fill=\"" + kBlue + "\"/>";
  o += text_at(L + 350, 16, "mean", "class=\"lg\"");
  o += line(L + 410, 5, L + 410, 19, "median");
  o += text_at(L + 418, 16, "median", "class=\"lg\"");
  o += "\n";
  for (std::size_t i = 0; i < count; ++i) {
    const MvdRow &r = mvd.rows[i];
    const double mid = T + row * (static_cast<double>(i) + 0.5);
    o += text_at(name_w - 10, mid + 4, shortened(names[i], 20), "class=\"at\" text-anchor=\"end\"");
    o += text_at(L - 8, mid + 4, r.min.text, "class=\"tl\" text-anchor=\"end\"");
    o += text_at(L + track + 8, mid + 4, r.max.text, "class=\"tl\"");
    const double lo = r.min.value, hi = r.max.value;
    const bool spread = std::isfinite(lo) && std::isfinite(hi) && hi > lo;
    const Scale x{spread ? lo : lo - 1, spread ? hi : lo + 1, L, L + track};
    auto at = [&](double v) { return std::clamp(x(v), L, L + track); };
    o += "<g class=\"span\">" + tip(names[i] + ": minimum " + r.min.text + ", maximum " + r.max.text);
    o += line(L, mid, L + track, mid, "range") + "</g>\n";
    if (std::isfinite(r.mean.value) && std::isfinite(r.stddev.value)) {
      const double a = at(r.mean.value - r.stddev.value), b = at(r.mean.value + r.stddev.value);
      o +=
          "<g class=\"bar\">" + tip(names[i] + ": mean " + r.mean.text + " \u00b1 std.dev. " + r.stddev.text);
      o += rect(a, mid - 6, b - a, 12, "class=\"sd\"") + "</g>\n";
    }
    if (std::isfinite(r.median.value)) {
      const double m = at(r.median.value);
      o += "<g class=\"mark\">" + tip(names[i] + ": median " + r.median.text) +
           line(m, mid - 9, m, mid + 9, "median") + "</g>\n";
    }
    if (std::isfinite(r.mean.value))
      o += "<g class=\"point\">" + tip(names[i] + ": mean " + r.mean.text) + "<circle cx=\"" +
           px(at(r.mean.value)) + "\" cy=\"" + px(mid) + "\" r=\"4.5\" fill=\"" + kBlue + "\"/></g>\n";
  }
  o += "</svg>";
  return o;
}

std::string heatmap_svg(const Cor &cor, const std::vector<std::string> &names, bool labelled) {
  const std::size_t m = cor.lower.size();
  const double c = std::clamp(560.0 / static_cast<double>(m), 1.0, 64.0);
  std::size_t longest = 0;
  std::vector<std::string> shown;
  for (const std::string &n : names) {
    shown.push_back(shortened(n, 20));
    longest = std::max(longest, shown.back().size());
  }
  const double label_w = labelled ? static_cast<double>(longest) * 8.2 + 12 : 4;
  const double L = std::max(label_w, 0.71 * label_w - c / 2 + 8), T = 8;
  const double B = labelled ? 0.71 * label_w + 16 : 8;
  const double side = c * static_cast<double>(m);
  const double key_x = L + side + 30, key_h = std::max(side, 160.0);
  const double W = key_x + 14 + 44, H = T + std::max(side + B, key_h + 20);

  std::string o = open_svg("heatmap", W, H, "Correlation matrix");
  const bool numbers = c >= 34;
  for (std::size_t i = 0; i < m; ++i) {
    for (std::size_t j = 0; j < m; ++j) {
      const Number &r = cor.at(i, j);
      const double x0 = L + c * static_cast<double>(j), y0 = T + c * static_cast<double>(i);
      o += "<g class=\"cell\">" + tip(names[i] + " and " + names[j] + ": " + r.text);
      o += rect(x0, y0, c, c, "fill=\"" + diverging_colour(r.value) + "\"" + (c >= 6 ? " class=\"cb\"" : ""));
      if (numbers)
        o += text_at(x0 + c / 2, y0 + c / 2 + 4, number_text(r.value, 2),
                     std::string("class=\"cv") + (needs_light_text(r.value) ? " light" : "") +
                         "\" text-anchor=\"middle\"");
      o += "</g>\n";
    }
  }
  if (labelled) {
    for (std::size_t i = 0; i < m; ++i) {
      const double mid = c * (static_cast<double>(i) + 0.5);
      o += text_at(L - 6, T + mid + 4, shown[i], "class=\"hl\" text-anchor=\"end\"");
      o += "<text class=\"hl\" text-anchor=\"end\" transform=\"translate(" + px(L + mid + 4) + " " +
           px(T + side + 8) + ") rotate(-45)\">" + escape(shown[i]) + "</text>\n";
    }
  }
  // The colour key: +1 at the top, -1 at the bottom.
  const int steps = 40;
  const Scale k{1.0, -1.0, T, T + key_h};
  for (int s = 0; s < steps; ++s) {
    const double v0 = 1.0 - 2.0 * s / steps, v1 = 1.0 - 2.0 * (s + 1) / steps;
    o += rect(key_x, k(v0), 14, k(v1) - k(v0) + 0.3, "fill=\"" + diverging_colour((v0 + v1) / 2) + "\"");
  }
  o += "\n" + rect(key_x, T, 14, key_h, "class=\"frame\"") + "\n";
  for (double v : {1.0, 0.5, 0.0, -0.5, -1.0}) {
    o += line(key_x + 14, k(v), key_x + 18, k(v), "tick");
    o += text_at(key_x + 21, k(v) + 3.5, number_text(v, 1), "class=\"tl\"");
  }
  o += "</svg>";
  return o;
}

std::string scree_svg(const Eig &eig) {
  const std::size_t m = eig.percent.size();
  const double W = 560, H = 310, L = 56, R = 16, T = 34, B = 48;
  const Ticks yticks = ticks_from_zero(finite_max(eig.reference, finite_max(eig.percent, 0.0)), 5);
  const double top = yticks.values.back();
  const Scale x{0.0, static_cast<double>(m), L, W - R};
  const Scale y{0.0, top, H - B, T};
  const double band = (W - R - L) / static_cast<double>(m);

  std::string o = open_svg("scree", W, H, "Scree plot");
  o += left_axis(y, L, W - R, tick_labels(yticks));
  for (std::size_t i = 0; i < m; ++i) {
    const double v = eig.percent[i].value;
    const double f = std::isfinite(v) ? std::clamp(v, 0.0, top) : 0.0;
    const double x0 = x(static_cast<double>(i)) + band * 0.15;
    o += "<g class=\"bar\">" + tip("component " + std::to_string(i + 1) + ": " + eig.percent[i].text + " %");
    o += rect(x0, y(f), band * 0.7, y(0) - y(f), "fill=\"" + std::string(kBlue) + "\"") + "</g>\n";
    if (m <= 12) {
      // Above the bar, unless the reference row's point is there and the bar
      // has room for the figure inside.
      const double ref = eig.reference[i].value;
      const bool crowded = std::isfinite(ref) && std::fabs(y(std::clamp(ref, 0.0, top)) - (y(f) - 9)) < 12;
      if (crowded && y(0) - y(f) > 24)
        o += text_at(x0 + band * 0.35, y(f) + 16, eig.percent[i].text,
                     "class=\"bv in\" text-anchor=\"middle\"");
      else
        o += text_at(x0 + band * 0.35, y(f) - 5, eig.percent[i].text, "class=\"bv\" text-anchor=\"middle\"");
    }
  }
  std::string points;
  std::string path;
  for (std::size_t i = 0; i < m; ++i) {
    const double v = eig.reference[i].value;
    if (!std::isfinite(v)) continue;
    const double cx = x(static_cast<double>(i) + 0.5), cy = y(std::clamp(v, 0.0, top));
    path += (path.empty() ? "M" : " L") + px(cx) + " " + px(cy);
    points += "<g class=\"point\">" +
              tip("reference row, component " + std::to_string(i + 1) + ": " + eig.reference[i].text) +
              "<circle cx=\"" + px(cx) + "\" cy=\"" + px(cy) + "\" r=\"" + (m <= 40 ? "3.5" : "2") +
              "\" fill=\"" + kVermillion + "\"/></g>\n";
  }
  if (!path.empty())
    o += "<path class=\"ref\" d=\"" + path + "\" fill=\"none\" stroke=\"" + kVermillion +
         "\" stroke-width=\"2\" stroke-dasharray=\"6 4\"/>\n";
  o += points;
  o += bottom_axis(x, H - B, band_labels(m, 20));
  o += x_title((L + W - R) / 2, H - 10, "component");
  o += y_title(14, (T + H - B) / 2, "% of variance");
  // Legend above the plot.
  o += rect(L + 4, 10, 12, 12, "fill=\"" + std::string(kBlue) + "\"") + "\n";
  o += text_at(L + 22, 20, "% of variance", "class=\"lg\"");
  o += "<path d=\"M" + px(L + 130) + " 16 h24\" stroke=\"" + kVermillion +
       "\" stroke-width=\"2\" stroke-dasharray=\"6 4\"/>\n";
  o += text_at(L + 160, 20, "reference row", "class=\"lg\"");
  o += "</svg>";
  return o;
}

std::string loadings_svg(const Eig &eig, const std::vector<std::string> &names, bool labelled) {
  const std::size_t m = eig.loadings.size();
  double reach = 1.0;
  for (const auto &row : eig.loadings)
    for (std::size_t i = 0; i < 2; ++i)
      if (std::isfinite(row[i].value)) reach = std::max(reach, std::fabs(row[i].value));
  reach = ticks_from_zero(reach, 2).values.back();
  const double S = 380, L = 60, R = 24, T = 16, B = 52;
  const double W = L + S + R, H = T + S + B;
  const Scale x{-reach, reach, L, L + S};
  const Scale y{-reach, reach, T + S, T};

  std::string o = open_svg("loadings", W, H, "Loadings on the first two components");
  const Labels ticks = tick_labels(nice_ticks(-reach, reach, 4));
  for (const auto &[v, s] : ticks) o += line(x(v), T, x(v), T + S, "grid");
  o += left_axis(y, L, L + S, ticks);
  o += bottom_axis(x, T + S, ticks);
  o += line(x(0), T, x(0), T + S, "zero");
  o += line(L, y(0), L + S, y(0), "zero");
  o += "<circle class=\"unit\" cx=\"" + px(x(0)) + "\" cy=\"" + px(y(0)) + "\" r=\"" + px(x(1) - x(0)) +
       "\"/>\n";
  LabelPlacer labels(0, W, 0, T + S + 6);
  std::string points, texts;
  for (std::size_t k = 0; k < m; ++k) {
    const Number &a = eig.loadings[k][0], &b = eig.loadings[k][1];
    if (!std::isfinite(a.value) || !std::isfinite(b.value)) continue;
    const double cx = x(a.value), cy = y(b.value);
    o += line(x(0), y(0), cx, cy, "spoke");
    points += "<g class=\"point\">" + tip(names[k] + ": " + a.text + ", " + b.text) + "<circle cx=\"" +
              px(cx) + "\" cy=\"" + px(cy) + "\" r=\"4.5\" fill=\"" + kBlue + "\"/></g>\n";
    labels.add_point(cx, cy);
  }
  o += points;
  if (labelled)
    for (std::size_t k = 0; k < m; ++k) {
      const Number &a = eig.loadings[k][0], &b = eig.loadings[k][1];
      if (std::isfinite(a.value) && std::isfinite(b.value))
        o += labels.place(x(a.value), y(b.value), shortened(names[k], 24));
    }
  o += x_title(L + S / 2, H - 12, "component 1 (" + eig.percent[0].text + " %)");
  o += y_title(16, T + S / 2, "component 2 (" + eig.percent[1].text + " %)");
  o += "</svg>";
  return o;
}
