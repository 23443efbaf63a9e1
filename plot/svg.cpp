#include "svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::string escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string px(double v) {
  char buf[400];
  const int n = std::snprintf(buf, sizeof buf, "%.1f", v);
  std::size_t len = n < 0 ? 0 : std::min(static_cast<std::size_t>(n), sizeof buf - 1);
  if (len > 2 && buf[len - 2] == '.' && buf[len - 1] == '0') len -= 2;
  const char *start = buf;
  if (len == 2 && buf[0] == '-' && buf[1] == '0') {
    start = buf + 1;
    len = 1;
  }
  return std::string(start, len);
}

std::string number_text(double v, int decimals) {
  char buf[400];
  if (decimals < 0)
    std::snprintf(buf, sizeof buf, "%.6g", v);
  else
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  std::string s = buf;
  // A tick at zero reached by adding steps can be a tiny negative number.
  if (s.size() > 1 && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

namespace {

double round_step(double raw) {
  const double mag = std::pow(10.0, std::floor(std::log10(raw)));
  const double norm = raw / mag;
  if (norm < 1.5) return mag;
  if (norm < 3.0) return 2 * mag;
  if (norm < 7.0) return 5 * mag;
  return 10 * mag;
}

}  // namespace

Ticks nice_ticks(double lo, double hi, int count) {
  Ticks t;
  if (!std::isfinite(lo) || !std::isfinite(hi) || hi < lo || count < 1) return t;
  if (hi == lo) {
    t.values.push_back(lo);
    t.decimals = lo == std::floor(lo) ? 0 : 4;
    return t;
  }
  t.step = round_step((hi - lo) / count);
  if (!(t.step > 0) || !std::isfinite(t.step)) return t;
  const double slack = t.step * 1e-9;
  const double first = std::ceil((lo - slack) / t.step);
  for (int k = 0;; ++k) {
    const double v = (first + k) * t.step;
    if (v > hi + slack || k > 1000) break;
    t.values.push_back(v);
  }
  t.decimals = std::max(0, static_cast<int>(-std::floor(std::log10(t.step) + 1e-9)));
  return t;
}

Ticks ticks_from_zero(double hi, int count) {
  if (!(hi > 0) || !std::isfinite(hi)) hi = 1.0;
  Ticks t = nice_ticks(0.0, hi, count);
  // A positive number so small that its round step underflows.
  if (t.values.size() < 2) t = nice_ticks(0.0, 1.0, count);
  if (t.values.back() < hi - t.step * 1e-9) t.values.push_back(t.values.back() + t.step);
  return t;
}

namespace {

// ColorBrewer's RdBu with 11 classes, from -1 to +1.
constexpr unsigned kRdBu[11] = {0x67001f, 0xb2182b, 0xd6604d, 0xf4a582, 0xfddbc7, 0xf7f7f7,
                                0xd1e5f0, 0x92c5de, 0x4393c3, 0x2166ac, 0x053061};

}  // namespace

std::string diverging_colour(double r) {
  if (std::isnan(r)) return "#999999";
  if (r < -1) r = -1;
  if (r > 1) r = 1;
  const double pos = (r + 1) * 5;  // 0 .. 10
  int k = static_cast<int>(pos);
  if (k > 9) k = 9;
  const double f = pos - k;
  auto channel = [&](int shift) {
    const double a = (kRdBu[k] >> shift) & 0xff;
    const double b = (kRdBu[k + 1] >> shift) & 0xff;
    return static_cast<unsigned>(std::lround(a + (b - a) * f));
  };
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", channel(16), channel(8), channel(0));
  return buf;
}

bool needs_light_text(double r) { return !std::isnan(r) && std::fabs(r) > 0.55; }
