// The run: start-up, the per-file sequence of steps, and the end.
#pragma once

// Runs mavek over the command line and returns the exit status.
int run(int argc, char **argv);
