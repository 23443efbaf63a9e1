#include "diagnostics.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void report(const char *prefix, const char *fmt, va_list ap) {
  std::fputs(prefix, stderr);
  std::vfprintf(stderr, fmt, ap);
  std::fputs("\nPress enter to continue\n", stderr);
  std::fflush(stderr);
  // Only a person at a terminal can answer the prompt. A batch job's standard
  // input may be a pipe or socket that never delivers, and waiting on it
  // would hang the run.
  if (isatty(STDIN_FILENO) != 0) (void)std::getchar();
}

}  // namespace

void error(const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  report("\nError: ", fmt, ap);
  va_end(ap);
  throw ExitRequest{1};
}

void message(const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  report("\nMessage: ", fmt, ap);
  va_end(ap);
}

char *my_strdup(const char *s) {
  std::size_t n = std::strlen(s) + 1;
  char *copy = static_cast<char *>(std::malloc(n));
  if (copy != nullptr) std::memcpy(copy, s, n);
  return copy;
}
