#include "dbg_printf.h"

#include <cstdarg>
#include <cstdio>

void dbg_printf_at(const char *file, const int line, const char *fmt, ...) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::fprintf(stderr, "Debug: %s(%d) ", file, line);
  va_list ap;
  va_start(ap, fmt);
  std::vfprintf(stderr, fmt, ap);
  va_end(ap);
  std::fflush(stderr);
}
