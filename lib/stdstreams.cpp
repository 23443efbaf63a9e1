#include "stdstreams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

bool fill_standard_descriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // open() takes the lowest free descriptor, which is this one.
    const int got = open("/dev/null", O_RDWR);
    if (got < 0) return false;
    if (got != fd) {
      close(got);
      return false;
    }
  }
  return true;
}

bool stdout_delivered() {
  const bool flushed = std::fflush(stdout) == 0;
  return flushed && std::ferror(stdout) == 0;
}
