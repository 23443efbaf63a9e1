// The three standard descriptors and what is written to standard output.
#pragma once

// Opens /dev/null on each of the descriptors 0, 1 and 2 that is closed, so
// that no file the program opens later takes a standard stream's place (a
// result file on descriptor 1 would receive the terminal report). Call it
// before anything else is opened. False when /dev/null cannot be opened.
bool fill_standard_descriptors();

// Hands what is buffered for standard output to the system. False when
// anything written to standard output so far was not delivered.
bool stdout_delivered();
