#include "contract/lines.h"

#include <cstdlib>

int scanline(const char *line) {
  int nr = 0;
  const char *s = line;
  for (;;) {
    char *s1 = nullptr;
    (void)std::strtod(s, &s1);
    if (s1 == s) break;
    ++nr;
    if (*s1 == '\0') break;
    s = s1;
  }
  return nr;
}
