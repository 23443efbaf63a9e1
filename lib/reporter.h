// How the steps of a run tell the user what happens: progress lines,
// notices and debug traces. The driver makes one Reporter for the run and
// hands it to every step that has something to tell; the steps compute and
// return, and leave the printing to it. Fatal conditions are not reported
// here: they are raised with error() (diagnostics.h) and reported once, by
// the driver.
#pragma once

#define MAVEK_PRINTF(fmt, first) __attribute__((format(printf, fmt, first)))

class Reporter {
 public:
  Reporter(int quiet, int debug) : quiet_(quiet != 0), debug_(debug != 0) {}

  bool quiet() const { return quiet_; }
  bool debug() const { return debug_; }

  // A progress line on standard output ("Examining file", "Writing file",
  // the variable order); left out with --quiet.
  void progress(const char *fmt, ...) const MAVEK_PRINTF(2, 3);
  // A line on standard output that --quiet does not hide ("Using split").
  void always(const char *fmt, ...) const MAVEK_PRINTF(2, 3);
  // The reading's percentage figure and its clearing, on standard error;
  // left out with --quiet.
  void status(const char *fmt, ...) const MAVEK_PRINTF(2, 3);
  // A notice on standard error that is always shown (a row cut short).
  void note(const char *fmt, ...) const MAVEK_PRINTF(2, 3);
  // A notice that needs attention: "\nMessage: ", the text and "\nPress
  // enter to continue\n" on standard error, then a wait for a key when
  // standard input is a terminal.
  void message(const char *fmt, ...) const MAVEK_PRINTF(2, 3);
  // A debug trace tagged with its source position, when --debug is set
  // (see dbg_printf.h); callers test debug() first in hot loops.
  void trace(const char *file, int line, const char *fmt, ...) const MAVEK_PRINTF(4, 5);

 private:
  bool quiet_;
  bool debug_;
};

#undef MAVEK_PRINTF
