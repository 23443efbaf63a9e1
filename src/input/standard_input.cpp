#include "input/standard_input.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "diagnostics.h"

namespace {

// A new file in `dir` without a name, open for reading and writing, or -1
// with errno set. Where the file system has no O_TMPFILE, the file is made by
// mkstemp and its name removed at once; every signal that can be held back
// is, meanwhile, so that an interrupted run cannot leave the name behind.
int nameless_file(const std::string &dir) {
#ifdef O_TMPFILE
  const int fd = open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  // A kernel or a file system without it answers with one of these.
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return -1;
#endif
  std::string name = dir;
  if (name.empty() || name.back() != '/') name += '/';
  name += ".mavek-stdin-XXXXXX";
  sigset_t all, old;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &old);
  const int made = mkstemp(name.data());
  if (made >= 0) unlink(name.c_str());
  const int saved = errno;
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  if (made >= 0) fcntl(made, F_SETFD, FD_CLOEXEC);
  errno = saved;
  return made;
}

// A read that waits for data when the descriptor was left non-blocking by
// whoever shares it: the byte count, 0 at its end, or -1.
ssize_t read_input(int fd, char *buf, std::size_t n) {
  for (;;) {
    const ssize_t got = read(fd, buf, n);
    if (got >= 0) return got;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      pollfd p{fd, POLLIN, 0};
      (void)poll(&p, 1, -1);
    } else if (errno != EINTR) {
      return -1;
    }
  }
}

bool write_all(int fd, const char *p, std::size_t n) {
  while (n > 0) {
    const ssize_t put = write(fd, p, n);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += put;
    n -= static_cast<std::size_t>(put);
  }
  return true;
}

}  // namespace

StandardInput::~StandardInput() {
  if (fd_ >= 0) close(fd_);
}

void StandardInput::hold(const char *arg, const std::string &dir, int from) {
  fd_ = nameless_file(dir);
  if (fd_ < 0) error("Can't keep standard input in %s: %s\a\n", dir.c_str(), std::strerror(errno));
  std::vector<char> buf(std::size_t{1} << 16);
  for (;;) {
    const ssize_t got = read_input(from, buf.data(), buf.size());
    if (got == 0) break;
    if (got < 0) error("Can't read file %s\n", arg);
    if (!write_all(fd_, buf.data(), static_cast<std::size_t>(got)))
      error("Can't keep standard input in %s: %s\a\n", dir.c_str(), std::strerror(errno));
  }
  // Opening this name opens the file itself anew, with an offset of its own
  // at the start, as a name on disk would; the descriptor's own offset,
  // now at the end, stays untouched.
  path_ = "/proc/self/fd/" + std::to_string(fd_);
}
