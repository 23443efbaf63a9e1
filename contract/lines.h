// How mavek reads the lines of an input table: which lines are comments, and
// the two ways of counting the numbers at the start of a data line.
//
// The examination counts the first data line's numbers as strtod reads them
// (scanline); the reading pass takes every line's numbers eight at a time as
// sscanf's "%lg%n" reads them (take_read_numbers). On lines whose numbers are
// complete both give the same count. They differ on a number cut short:
// "%lg" keeps characters that strtod gives back, so "1e 5" is the two
// numbers 1 (with its "e") and 5 for the reading pass but the one number 1,
// followed by text, for the examination; "0x" is no number for "%lg" but 0
// for strtod. Both readings have always been so, and the files that users
// made with them depend on it: a first line "1e 5" has one variable, a later
// line "1e 5" two numbers.
#pragma once

#include <climits>
#include <cstddef>
#include <limits>

#include "contract/missing.h"
#include "contract/numscan.h"
#include "myfgets.h"

// Whether a line starting with `first` is a comment line ('#', ';' or '!').
inline bool is_comment_mark(int first) {
  for (const char *m = kCommentMarks; *m != '\0'; ++m)
    if (first == *m) return true;
  return false;
}

// The count of numbers, as strtod reads them, at the start of `line`, up to
// the first text that is not a number: the examination's count.
int scanline(const char *line);

// The values at the start of the NUL-terminated `text` as the reading pass
// takes them, eight numbers at a time, at most `limit`: take(c, x) is called
// for the value x of column c (0-based), in column order. Returns the count
// taken; *cut tells whether the line held more than `limit`. With
// `kMissingWords` a missing-value word standing alone among the numbers is a
// NaN ("1 NA 3" holds three values).
template <bool kMissingWords, class Take>
unsigned take_line_values(const char *text, unsigned limit, bool *cut, Take &&take) {
  unsigned count = 0;
  std::size_t offset = 0;
  double values[9];
  *cut = false;
  for (;;) {
    std::size_t consumed = 0;
    unsigned k = static_cast<unsigned>(scan_numbers(text + offset, 8, values, &consumed));
    std::size_t word = 0;
    if constexpr (kMissingWords) {
      // A word right after a number ("1NA") is not alone.
      const char *at = text + offset + consumed;
      if (k < 8 && (at == text || *at == ' ' || (*at >= '\t' && *at <= '\r'))) {
        word = missing_token_at(at);
        if (word != 0) values[k++] = std::numeric_limits<double>::quiet_NaN();
      }
    }
    if (count + k > limit) {
      *cut = true;
      k = limit - count;
    }
    if (k == 0) break;
    for (unsigned i = 0; i < k; ++i) take(count + i, values[i]);
    offset += consumed + word;
    count += k;
    if (*cut || (k != 8 && word == 0)) break;
  }
  return count;
}

// The numbers at the start of `text` as the reading pass takes them.
template <class Take>
unsigned take_read_numbers(const char *text, unsigned limit, bool *cut, Take &&take) {
  return take_line_values<false>(text, limit, cut, take);
}

// The reading pass's count of the numbers at the start of `text`.
inline unsigned count_read_numbers(const char *text) {
  bool cut = false;
  return take_read_numbers(text, UINT_MAX, &cut, [](unsigned, double) {});
}

// The values at the start of `text` as the reading pass takes them with
// --missing: the numbers, and missing-value words as NaN.
template <class Take>
unsigned take_read_values(const char *text, unsigned limit, bool *cut, Take &&take) {
  return take_line_values<true>(text, limit, cut, take);
}

// The count of values at the start of `text`, as take_read_values takes them.
inline unsigned count_read_values(const char *text) {
  bool cut = false;
  return take_read_values(text, UINT_MAX, &cut, [](unsigned, double) {});
}

// The width of a histogram bin: h bins start at the minimum, the maximum
// widened by the factor 1.00001 on itself (not on the range), divided by
// h - 1 (not h), so the largest value falls below the last bin.
inline double histogram_bin_width(double min, double max, unsigned h) {
  return (1.00001 * max - min) / static_cast<double>(h - 1);
}
