// Files written under a temporary name and renamed onto their own name only
// when they are complete, and the signals that must not leave them behind.
#pragma once

#include <string>

// Ignores SIGXFSZ, so that a file-size limit makes a write fail instead of
// killing the process. SIGINT, SIGTERM, SIGHUP and SIGPIPE, unless they are
// ignored already (as under nohup), are given a handler that removes every
// unfinished file and then ends the process by the same signal, as if it had
// not been caught.
void remove_unfinished_on_signals();

// A new, empty file in the directory `dir` ("" for the current directory,
// otherwise a path ending in '/'), named ".mavek-" and six random letters
// and digits. It is created as open() with O_CREAT | O_EXCL and mode 0666
// creates a file, so the umask applies as it does for fopen. Until finish()
// or discard(), a signal handled by remove_unfinished_on_signals removes it.
// At most 8 files may be unfinished at a time; they must be created,
// finished and discarded while the process runs one thread only.
class Unfinished {
 public:
  Unfinished() = default;
  Unfinished(const Unfinished &) = delete;
  Unfinished &operator=(const Unfinished &) = delete;
  ~Unfinished() { discard(); }

  // Creates the file and returns its descriptor (the caller closes it), or
  // -1 with errno set.
  int create(const std::string &dir);
  // Renames the file onto `name`, replacing whatever has that name (a
  // symbolic link itself, never its target). False, with errno set and the
  // file removed, when the rename fails.
  bool finish(const char *name);
  // Removes the file, if it is still there.
  void discard();

  const std::string &path() const { return path_; }

 private:
  std::string path_;
  int slot_ = -1;
};
