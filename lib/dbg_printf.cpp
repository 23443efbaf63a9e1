#include "dbg_printf.h"

#include <cstdarg>
#include <cstdio>

void vdbg_printf_at(const char *file, const int line, const char *fmt, va_list ap) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::fprintf(stderr, "Debug: %s(%d) ", file, line);
  std::vfprintf(stderr, fmt, ap);
  std::fflush(stderr);
}

void dbg_printf_at(const char *file, const int line, const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vdbg_printf_at(file, line, fmt, ap);
  va_end(ap);
}
