#include "input/sortorder.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <vector>

#include "diagnostics.h"

namespace {

// Reads one optionally signed decimal integer after optional white space, as
// " %d%n" does; values beyond int are pinned to its limits (they are out of
// range anyway). Returns false when no integer stands there.
bool read_int(const char *s, std::size_t &at, int &t) {
  std::size_t i = at;
  while (std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  bool negative = false;
  if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
  if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
  long long value = 0;
  while (std::isdigit(static_cast<unsigned char>(s[i]))) {
    if (value <= INT_MAX) value = value * 10 + (s[i] - '0');
    ++i;
  }
  if (negative) value = -value;
  t = value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
  at = i;
  return true;
}

}  // namespace

void parse_sortstring(int cols, const char *sortstring, int inverse, const Reporter &report, int *sortarr,
                      int *sortarr1) {
  if (inverse != 0) {
    for (int i = 0; i < cols; ++i) {
      sortarr[cols - 1 - i] = i;
      sortarr1[i] = cols - 1 - i;
    }
    return;
  }
  for (int i = 0; i < cols; ++i) sortarr[i] = sortarr1[i] = i;
  if (sortstring == nullptr) return;

  const char *s = sortstring;
  report.progress("%s\n", s);
  std::vector<char> named(cols, 0);
  int n = 0;
  std::size_t at = 0;
  int t = 0;
  while (s[at] != '\0' && read_int(s, at, t)) {
    while (s[at] == ',' || s[at] == ' ') ++at;
    if (t < 1 || t > cols) error("sort: Value out of range. ( 1 <= %d <= %d )", t, cols);
    if (named[t - 1] != 0) error("sort: Value repeated. ( %d )", t);
    named[t - 1] = 1;
    report.progress("%d->%d\n", n + 1, t);
    sortarr1[n] = t - 1;
    ++n;
  }
  // The positions the list leaves out take the columns it does not name, in
  // ascending order, so that the order stays a rearrangement of all columns.
  int next = 0;
  for (int pos = n; pos < cols; ++pos) {
    while (named[next] != 0) ++next;
    sortarr1[pos] = next++;
  }
  for (int i = 0; i < cols; ++i) sortarr[sortarr1[i]] = i;

  if (!report.quiet()) {
    report.progress("cols:%d\n", cols);
    for (int i = 0; i < cols; ++i) report.progress("%d ", sortarr[i] + 1);
    report.progress("\n");
    for (int i = 0; i < cols; ++i) report.progress("%d ", sortarr1[i] + 1);
    report.progress("\n");
  }
}
