#include "support.h"

#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "diagnostics.h"

namespace testsupport {

namespace {
// Prompts of the fatal path read standard input: never let them wait here.
struct QuietInput {
  QuietInput() { (void)std::freopen("/dev/null", "r", stdin); }
} quiet_input;
}  // namespace

TempDir::TempDir() {
  char tmpl[] = "/tmp/mavek_test_XXXXXX";
  char *p = mkdtemp(tmpl);
  path_ = p != nullptr ? p : "/tmp";
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string read_text(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void write_text(const std::string &path, const std::string &text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

bool exists(const std::string &path) { return std::filesystem::exists(path); }

Argv::Argv(std::vector<std::string> words) : words_(std::move(words)) {
  for (std::string &w : words_) ptrs_.push_back(w.data());
  ptrs_.push_back(nullptr);
}

int run_command(const std::string &command, std::string *out, std::string *err) {
  TempDir dir;
  std::string full = "(" + command + ") >" + dir.file("out") + " 2>" + dir.file("err") + " </dev/null";
  int status = std::system(full.c_str());
  if (out != nullptr) *out = read_text(dir.file("out"));
  if (err != nullptr) *err = read_text(dir.file("err"));
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int in_child(const std::function<int()> &fn, std::string *err, int seconds) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return -1;
  std::fflush(nullptr);  // nothing buffered here may be written twice
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    setpgid(0, 0);  // a group of its own, so that a timeout ends all it started
    dup2(pipe_fds[1], 2);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    int status = 125;
    try {
      status = fn();
    } catch (const Failure &failure) {
      report_failure(failure);
      status = 1;
    } catch (const ExitRequest &e) {
      status = e.status;
    } catch (...) {
    }
    _exit(status);
  }
  setpgid(pid, pid);
  close(pipe_fds[1]);
  std::string text;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  bool timed_out = false;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timed_out = true;
      break;
    }
    pollfd p{pipe_fds[0], POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    char buf[512];
    const ssize_t got = read(pipe_fds[0], buf, sizeof buf);
    if (got <= 0) break;
    text.append(buf, static_cast<std::size_t>(got));
  }
  close(pipe_fds[0]);
  if (timed_out) {
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (err != nullptr) *err = text;
  return timed_out ? -1 : status;
}

int with_file_size_limit(std::size_t bytes, const std::function<void()> &fn, std::string *err) {
  const int status = in_child(
      [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {bytes, bytes};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 126;
        fn();
        return 0;
      },
      err);
  return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace testsupport
