// Runs a command and measures it as a whole process: the wall time from just
// before the fork to the end of the wait, and the peak resident memory of
// that process alone (wait4's resource usage, not the running maximum over
// every child that getrusage(RUSAGE_CHILDREN) would give).
//
// Usage: runstat RESULTFILE COMMAND [ARGUMENT...]
// Appends one line "SECONDS PEAK_KB STATUS" to RESULTFILE and exits with the
// command's status (128 + the signal number when a signal ended it).

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

int main(int argc, char **argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: runstat RESULTFILE COMMAND [ARGUMENT...]\n");
    return 2;
  }
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) {
    std::perror("fork");
    return 2;
  }
  if (pid == 0) {
    execvp(argv[2], argv + 2);
    std::perror(argv[2]);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) {
    std::perror("wait4");
    return 2;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::FILE *out = std::fopen(argv[1], "a");
  if (out == nullptr) {
    std::perror(argv[1]);
    return 2;
  }
  std::fprintf(out, "%.6f %ld %d\n", seconds, usage.ru_maxrss, code);
  if (std::fclose(out) != 0) {
    std::perror(argv[1]);
    return 2;
  }
  return code;
}
