// Standard input as an input file: read once, and held where the reading
// passes can open it from its start again and again.
#pragma once

#include <string>

// Standard input, read to its end into a temporary file in the folder `dir`
// that has no name from the moment it exists (O_TMPFILE, or a name removed
// right after mkstemp made it), so that no end of the run, SIGKILL included,
// leaves it behind: its space is freed when the descriptor is closed.
class StandardInput {
 public:
  StandardInput() = default;
  StandardInput(const StandardInput &) = delete;
  StandardInput &operator=(const StandardInput &) = delete;
  ~StandardInput();

  // Reads all of standard input (or the descriptor `from`) into the copy,
  // waiting for data where the descriptor is non-blocking. A failed read
  // ends the run with "Can't read file %s\n" and `arg`, the argument that
  // asked for it; a copy that cannot be made or written, with "Can't keep
  // standard input in %s: %s\a\n", the folder and the reason.
  void hold(const char *arg, const std::string &dir, int from = 0);

  // A name that opens the copy anew, at its start ("/proc/self/fd/N"), for
  // as long as this object lives.
  const std::string &path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};
