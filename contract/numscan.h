// Reading numbers from data lines.
//
// The data reader used to take numbers off a line with
//
//     sscanf(s, "%lg%n%lg%n...", &d[0], &n[0], &d[1], &n[1], ...)
//
// at advancing offsets.  glibc's sscanf measures the whole remaining string
// on every call, so a line of a million numbers cost quadratic time.  The
// scanner below accepts exactly the same texts and yields exactly the same
// values, counts and offsets as that call (glibc, "C" locale), but only ever
// looks at the characters it consumes plus the one that stops each number.
#pragma once

#include <cstddef>

// Converts up to `max` (1..8) numbers from the NUL-terminated text `s`, exactly
// as sscanf with `max` "%lg%n" pairs does; returns the count converted
// (0..max, never negative) and stores in *consumed the offset just past the
// last converted number (0 when none).  Values go to out[0..count-1]; nothing
// past out[count-1] is written.
//
// What that means in detail (each point matches glibc's scanf):
//  - white space before a number is skipped: ' ', \t, \n, \v, \f, \r only;
//  - a number is read greedily and never put back, so a conversion may take
//    characters that its value does not use: "1e" and "1e+" are the number 1
//    with the 'e' / "e+" consumed ("1e 5" gives 1 and 5), "0x1p-" is 1,
//    "0x." is 0, "1.5e+" is 1.5;
//  - "nan" is taken without any "(...)" that follows ("nan(12)" gives NaN and
//    stops before the '('); "inf" may be followed by anything except an 'i',
//    which commits to "infinity" in full ("infin" is no number at all);
//  - "0x" with no hex digit after it is no number ("0x", "-0x", "0xp1");
//  - a lone sign, ".", "-." or a sign followed by anything else is no number;
//  - out-of-range values become +-inf or a correctly rounded denormal / +-0.
int scan_numbers(const char *s, int max, double *out, std::size_t *consumed);
