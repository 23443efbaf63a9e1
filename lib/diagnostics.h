// The fatal path and the notice path of the program, and its string copy.
#pragma once

// Raised once a fatal report (or the help) has been written: the driver
// unwinds to main, which ends the process with `status`. Open result files
// are closed on the way by their owners.
struct ExitRequest {
  int status;
};

// Writes "\nError: ", the formatted text and "\nPress enter to continue\n" to
// standard error, waits for one character when standard input is a terminal
// (and goes on at once otherwise) and ends the run with exit status 1.
[[noreturn]] void error(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

// Like error with "\nMessage: ", but returns after the wait.
void message(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

// A malloc'd copy of s (free it with std::free), or null when memory runs out.
char *my_strdup(const char *s);
