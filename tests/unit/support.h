// Helpers shared by the unit tests.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "diagnostics.h"
#include "reporter.h"

namespace testsupport {

// Reporters for the steps under test: one that prints progress lines, one
// that does not (--quiet).
inline const Reporter kReport{0, 0};
inline const Reporter kQuietReport{1, 0};

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

// Runs fn in a child process and returns its wait status (see waitpid): the
// child exits with what fn returns, or with the status of the ExitRequest it
// throws. Its standard error goes into *err (when not null) through a pipe,
// which no file-size limit touches. A child that has not ended after
// `seconds` is killed (SIGKILL) with every process it started, so a test can
// never hang on it.
int in_child(const std::function<int()> &fn, std::string *err, int seconds = 60);

// in_child under a file-size limit of `bytes` (RLIMIT_FSIZE), with SIGXFSZ
// ignored, so that writing past the limit fails as on a full disk. Returns
// the child's exit status, or -1 when a signal ended it.
int with_file_size_limit(std::size_t bytes, const std::function<void()> &fn, std::string *err);

}  // namespace testsupport

// Expects `statement` to raise a Failure, and prints its report as the driver
// would, so that a test can compare the captured standard error.
#define EXPECT_FAILS(statement)                            \
  do {                                                     \
    bool failed_ = false;                                  \
    try {                                                  \
      statement;                                           \
    } catch (const Failure &failure_) {                    \
      failed_ = true;                                      \
      report_failure(failure_);                            \
    }                                                      \
    EXPECT_TRUE(failed_) << "no failure from " #statement; \
  } while (0)
