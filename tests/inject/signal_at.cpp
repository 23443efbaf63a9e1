// An LD_PRELOAD shim that sends the process a signal at a chosen point while
// it writes its files.
//
//   MAVEK_SIGNAL=S        the signal number (SIGSTOP stops the process, so
//                         that another one can run meanwhile)
//   MAVEK_SIGNAL_AT=K     raised right after the K-th counted fwrite
//   MAVEK_FWRITE_COUNT=F  at exit, the number of counted fwrites is written
//                         to the file F
//
// Counted are the fwrite calls to streams above descriptor 2: every result
// file reaches its stream through fwrite, in pieces of at most the 64 KiB
// formatting buffer, while the terminal and the log are written otherwise.
// stdio hands its buffer to the system through internal calls that no shim
// can replace, which is why fwrite is the point counted.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

using FwriteFn = size_t (*)(const void *, size_t, size_t, FILE *);

unsigned long counted = 0;
unsigned long signal_at = 0;  // 0: none
int signal_number = 0;

__attribute__((constructor)) void configure() {
  const char *sig = std::getenv("MAVEK_SIGNAL");
  const char *at = std::getenv("MAVEK_SIGNAL_AT");
  if (sig != nullptr && at != nullptr) {
    signal_number = std::atoi(sig);
    signal_at = std::strtoul(at, nullptr, 10);
  }
}

__attribute__((destructor)) void report_count() {
  const char *path = std::getenv("MAVEK_FWRITE_COUNT");
  if (path == nullptr) return;
  char text[32];
  const int n = std::snprintf(text, sizeof text, "%lu\n", counted);
  const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return;
  if (write(fd, text, static_cast<size_t>(n)) != n) std::abort();
  close(fd);
}

}  // namespace

extern "C" size_t fwrite(const void *p, size_t size, size_t count, FILE *stream) {
  static const FwriteFn next = reinterpret_cast<FwriteFn>(dlsym(RTLD_NEXT, "fwrite"));
  const size_t done = next(p, size, count, stream);
  if (fileno(stream) > 2 && ++counted == signal_at) std::raise(signal_number);
  return done;
}
