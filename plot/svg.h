// Small pieces for writing SVG and HTML as text: escaping, coordinates,
// axis ticks and the colour scales of the charts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// `text` with &, <, >, " and ' replaced by entities: safe in element text and
// in attribute values.
std::string escape(std::string_view text);

// A coordinate or length for an SVG attribute: at most one decimal, no
// trailing ".0".
std::string px(double v);

// `v` with "%.*f" and `decimals`, or "%.6g" with a negative `decimals`.
std::string number_text(double v, int decimals = -1);

// Round tick positions for an axis from `lo` to `hi`: steps of 1, 2 or 5 times
// a power of ten, about `count` of them, all within [lo, hi] (to rounding).
// `decimals` is the number of decimals that shows every tick exactly.
struct Ticks {
  std::vector<double> values;
  double step = 0;
  int decimals = 0;
};
Ticks nice_ticks(double lo, double hi, int count);

// Ticks from 0 up to the first round tick at or above `hi`, which is then the
// upper end of the axis; [0, 1] when `hi` is not a positive number.
Ticks ticks_from_zero(double hi, int count);

// The colour of a correlation coefficient on a diverging, colour-blind-safe
// scale from dark red (-1) through near white (0) to dark blue (+1); values
// outside [-1, 1] take the colour of the nearer end, and a value that is not
// a number is mid grey.
std::string diverging_colour(double r);

// Whether text on a cell of diverging_colour(r) should be white.
bool needs_light_text(double r);

// The palette of the charts (Okabe and Ito's colour-blind-safe set).
inline constexpr const char *kBlue = "#0072B2";
inline constexpr const char *kVermillion = "#D55E00";
inline constexpr const char *kOrange = "#E69F00";
