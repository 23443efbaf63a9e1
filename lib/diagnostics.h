// The fatal path of the program, and its string copy.
#pragma once

#include <cstdarg>
#include <string>

// A fatal condition: the text of its report. Raised by error(), which writes
// nothing; the driver reports it once (report_failure) and ends the run with
// exit status 1. Open result files are discarded on the way by their owners.
struct Failure {
  std::string text;
};

// Raised once the help has been shown: the run ends with `status`.
struct ExitRequest {
  int status;
};

// Raises a Failure with the formatted text.
[[noreturn]] void error(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

// Writes "\nError: ", the failure's text and "\nPress enter to continue\n" to
// standard error and waits for one character when standard input is a
// terminal (a batch job goes on at once).
void report_failure(const Failure &failure);

// Writes `prefix`, the formatted text and "\nPress enter to continue\n" to
// standard error, then waits as report_failure does.
void prompt(const char *prefix, const char *fmt, va_list ap);

// A malloc'd copy of s (free it with std::free), or null when memory runs out.
char *my_strdup(const char *s);
