#include "reporter.h"

#include <cstdarg>
#include <cstdio>

#include "dbg_printf.h"
#include "diagnostics.h"

void Reporter::progress(const char *fmt, ...) const {
  if (quiet_) return;
  va_list ap;
  va_start(ap, fmt);
  std::vprintf(fmt, ap);
  va_end(ap);
}

void Reporter::always(const char *fmt, ...) const {
  va_list ap;
  va_start(ap, fmt);
  std::vprintf(fmt, ap);
  va_end(ap);
}

void Reporter::status(const char *fmt, ...) const {
  if (quiet_) return;
  va_list ap;
  va_start(ap, fmt);
  std::vfprintf(stderr, fmt, ap);
  va_end(ap);
}

void Reporter::note(const char *fmt, ...) const {
  va_list ap;
  va_start(ap, fmt);
  std::vfprintf(stderr, fmt, ap);
  va_end(ap);
}

void Reporter::message(const char *fmt, ...) const {
  va_list ap;
  va_start(ap, fmt);
  prompt("\nMessage: ", fmt, ap);
  va_end(ap);
}

void Reporter::trace(const char *file, int line, const char *fmt, ...) const {
  if (!debug_) return;
  va_list ap;
  va_start(ap, fmt);
  vdbg_printf_at(file, line, fmt, ap);
  va_end(ap);
}
