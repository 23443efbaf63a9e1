#include "unfinished.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <ctime>

namespace {

constexpr int kSlots = 8;

// The names of the unfinished files, for the signal handler. A lock-free
// atomic pointer may be read in a handler; the strings themselves are not
// changed while they are registered.
std::atomic<const char *> g_unfinished[kSlots];
static_assert(std::atomic<const char *>::is_always_lock_free);

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

extern "C" void remove_and_reraise(int sig) {
  // Only async-signal-safe calls here: unlink, signal and raise.
  for (std::atomic<const char *> &slot : g_unfinished) {
    const char *path = slot.load();
    if (path != nullptr) unlink(path);
  }
  std::signal(sig, SIG_DFL);
  // The signal is blocked while its handler runs: it stays pending and ends
  // the process, with its default action, as the handler returns.
  std::raise(sig);
}

// Holds the cleanup signals back in this thread, so that a file is never
// on disk without being registered, nor registered after it is gone.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kCleanupSignals) sigaddset(&set, sig);
    pthread_sigmask(SIG_BLOCK, &set, &old_);
  }
  SignalsHeld(const SignalsHeld &) = delete;
  SignalsHeld &operator=(const SignalsHeld &) = delete;
  ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }

 private:
  sigset_t old_;
};

// Six characters of [0-9A-Za-z] that differ from call to call and from
// process to process (splitmix64 over the time, the process id and a count).
std::string random_suffix() {
  static const char kChars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  static std::uint64_t count = 0;
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  std::uint64_t z = static_cast<std::uint64_t>(now.tv_nsec) ^ (static_cast<std::uint64_t>(now.tv_sec) << 30) ^
                    (static_cast<std::uint64_t>(getpid()) << 20) ^ (++count * 0x9E3779B97F4A7C15u);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  z ^= z >> 31;
  std::string s(6, '0');
  for (char &c : s) {
    c = kChars[z % 62];
    z /= 62;
  }
  return s;
}

}  // namespace

void remove_unfinished_on_signals() {
  std::signal(SIGXFSZ, SIG_IGN);
  for (int sig : kCleanupSignals) {
    struct sigaction old;
    if (sigaction(sig, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
    struct sigaction sa = {};
    sa.sa_handler = remove_and_reraise;
    sigemptyset(&sa.sa_mask);
    for (int other : kCleanupSignals) sigaddset(&sa.sa_mask, other);
    sigaction(sig, &sa, nullptr);
  }
}

int Unfinished::create(const std::string &dir) {
  discard();
  SignalsHeld held;
  int slot = 0;
  while (slot < kSlots && g_unfinished[slot].load() != nullptr) ++slot;
  if (slot == kSlots) {
    errno = EMFILE;
    return -1;
  }
  // A name taken by another run is tried again with other letters, as
  // mkstemp does; mkstemp itself would give the file mode 0600.
  for (int attempt = 0; attempt < 100; ++attempt) {
    path_ = dir + ".mavek-" + random_suffix();
    const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      slot_ = slot;
      g_unfinished[slot].store(path_.c_str());
      return fd;
    }
    if (errno != EEXIST) break;
  }
  const int saved = errno;
  path_.clear();
  errno = saved;
  return -1;
}

bool Unfinished::finish(const char *name) {
  if (slot_ < 0) {
    errno = ENOENT;
    return false;
  }
  int saved = 0;
  {
    SignalsHeld held;
    if (std::rename(path_.c_str(), name) != 0) {
      saved = errno;
      unlink(path_.c_str());
    }
    g_unfinished[slot_].store(nullptr);
    slot_ = -1;
  }
  path_.clear();
  errno = saved;
  return saved == 0;
}

void Unfinished::discard() {
  if (slot_ < 0) return;
  {
    SignalsHeld held;
    unlink(path_.c_str());
    g_unfinished[slot_].store(nullptr);
    slot_ = -1;
  }
  path_.clear();
}
