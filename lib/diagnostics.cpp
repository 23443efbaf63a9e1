#include "diagnostics.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void wait_for_a_key() {
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
  va_list again;
  va_copy(again, ap);
  const int n = std::vsnprintf(nullptr, 0, fmt, ap);
  va_end(ap);
  Failure failure;
  if (n > 0) {
    failure.text.resize(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(failure.text.data(), failure.text.size(), fmt, again);
    failure.text.resize(static_cast<std::size_t>(n));
  }
  va_end(again);
  throw failure;
}

void report_failure(const Failure &failure) {
  std::fputs("\nError: ", stderr);
  std::fwrite(failure.text.data(), 1, failure.text.size(), stderr);
  wait_for_a_key();
}

void prompt(const char *prefix, const char *fmt, va_list ap) {
  std::fputs(prefix, stderr);
  std::vfprintf(stderr, fmt, ap);
  wait_for_a_key();
}

char *my_strdup(const char *s) {
  std::size_t n = std::strlen(s) + 1;
  char *copy = static_cast<char *>(std::malloc(n));
  if (copy != nullptr) std::memcpy(copy, s, n);
  return copy;
}
