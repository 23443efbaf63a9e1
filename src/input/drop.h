// Counting the numbers at the start of a line.
#pragma once

// The count of numbers (as strtod reads them) at the start of `line`, up to
// the first text that is not a number.
int scanline(const char *line);
