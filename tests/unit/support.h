// Helpers shared by the unit tests.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// A fresh temporary directory, removed with its content at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string &path() const { return path_; }
  std::string file(const std::string &name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string read_text(const std::string &path);
void write_text(const std::string &path, const std::string &text);
bool exists(const std::string &path);

// An argv built from words; argv[argc] is null, as for main.
class Argv {
 public:
  explicit Argv(std::vector<std::string> words);
  int argc() const { return static_cast<int>(ptrs_.size()) - 1; }
  char **argv() { return ptrs_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<char *> ptrs_;
};

// Runs a shell command, returns its exit status; stdout and stderr are
// captured into the given strings.
int run_command(const std::string &command, std::string *out, std::string *err);

}  // namespace testsupport
