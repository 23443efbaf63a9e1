// The run log: one line per run, the local time and the command line.
#pragma once

// Appends "YYYY-MM-DD HH:MM:SS" and " arg" for every argument to the file
// `logfile`. Arguments holding a blank, a comma or an asterisk are written in
// double quotes (for "--name=value" only the value), with '"' and '\' escaped.
// Makes 11 attempts to open the file, then writes "No logfile entry\n" to
// standard error; never ends the run.
void flogfile(const char *logfile, int argc, char **argv);

// flogfile on the file "logfile" in the current directory.
void logfile(int argc, char **argv);
