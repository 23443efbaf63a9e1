// Runs a program under a file-size limit:  fsize_exec BYTES PROGRAM [ARG...]
// SIGXFSZ is ignored (an ignored signal stays ignored across exec), so a
// write past the limit fails with EFBIG instead of killing the program.
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv) {
  if (argc < 3) {
    std::fputs("usage: fsize_exec BYTES PROGRAM [ARG...]\n", stderr);
    return 2;
  }
  const rlim_t bytes = std::strtoull(argv[1], nullptr, 10);
  std::signal(SIGXFSZ, SIG_IGN);
  const struct rlimit limit = {bytes, bytes};
  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) {
    std::perror("setrlimit");
    return 2;
  }
  execvp(argv[2], argv + 2);
  std::perror(argv[2]);
  return 127;
}
