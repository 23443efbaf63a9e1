// The run log: one line per run, the local time and the command line.
#pragma once

// Appends "YYYY-MM-DD HH:MM:SS" and " arg" for every argument to the file
// `logfile`. Arguments holding a blank, a comma or an asterisk are written in
// double quotes (for "--name=value" only the value), with '"' and '\' escaped.
// The entry goes to the file in one write on a descriptor opened for
// appending, so that runs logging at the same moment never tear each other's
// entries. Makes 11 attempts to open the file; when they all fail, when it
// is a FIFO or a socket (links followed), or when the entry cannot be written
// whole (whatever part of it reached the file is cut off again), writes
// "No logfile entry\n" to standard error. Never waits, never ends the run.
void flogfile(const char *logfile, int argc, char **argv);

// flogfile on the file "logfile" in the current directory.
void logfile(int argc, char **argv);
