#include "logfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

// A malloc'd copy of s with a backslash before every '"' and '\'; null or
// empty s gives an empty string. Null when memory runs out.
char *quote_string(const char *s) {
  std::size_t need = 1;
  for (const char *p = s; p != nullptr && *p != '\0'; ++p) need += (*p == '"' || *p == '\\') ? 2 : 1;
  char *out = static_cast<char *>(std::malloc(need));
  if (out == nullptr) return nullptr;
  char *o = out;
  for (const char *p = s; p != nullptr && *p != '\0'; ++p) {
    if (*p == '"' || *p == '\\') *o++ = '\\';
    *o++ = *p;
  }
  *o = '\0';
  return out;
}

// The entry is collected in memory first, so that it reaches the file in one
// write: several runs may append to the same log at once, and an entry
// written in pieces could be torn apart by another run's entry.
class Entry {
 public:
  Entry() = default;
  Entry(const Entry &) = delete;
  Entry &operator=(const Entry &) = delete;
  ~Entry() { std::free(text_); }

  void add(const char *s, std::size_t n) {
    if (failed_) return;
    if (len_ + n > cap_) {
      std::size_t cap = cap_ == 0 ? 256 : cap_;
      while (cap < len_ + n) cap *= 2;
      char *p = static_cast<char *>(std::realloc(text_, cap));
      if (p == nullptr) {
        failed_ = true;
        return;
      }
      text_ = p;
      cap_ = cap;
    }
    std::memcpy(text_ + len_, s, n);
    len_ += n;
  }
  void add(const char *s) { add(s, std::strlen(s)); }

  // The quoted copy of s in double quotes; an argument whose copy cannot be
  // made is written unquoted.
  void add_quoted(const char *s) {
    char *q = quote_string(s);
    add("\"");
    add(q != nullptr ? q : s);
    add("\"");
    std::free(q);
  }

  bool failed() const { return failed_; }
  const char *text() const { return text_; }
  std::size_t size() const { return len_; }

 private:
  char *text_ = nullptr;
  std::size_t len_ = 0, cap_ = 0;
  bool failed_ = false;
};

// Appends the entry in one write. A write that comes back short (a full disk,
// a file-size limit) would leave the start of a line that the next run's
// entry continues; the piece is cut off again, unless another run has
// appended after it meanwhile.
bool append_whole(int fd, const Entry &e) {
  ssize_t n = write(fd, e.text(), e.size());
  if (n == static_cast<ssize_t>(e.size())) return true;
  if (n > 0) {
    off_t end = lseek(fd, 0, SEEK_CUR);
    struct stat st;
    if (end >= n && fstat(fd, &st) == 0 && st.st_size == end) (void)ftruncate(fd, end - n);
  }
  return false;
}

// The log opened for appending; -1 when the open failed, -2 when what
// opened is no place for a log. O_NONBLOCK makes a FIFO without a reader
// fail at once instead of blocking the open; one with a reader is refused,
// as a socket is, so that the run never waits on the log. Devices (a link
// to /dev/null silences the log) are written as files are.
int open_log(const char *logfile) {
  const int fd = open(logfile, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) return -1;
  struct stat st;
  const int flags = fcntl(fd, F_GETFL);
  if (fstat(fd, &st) != 0 || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) || flags == -1 ||
      fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    close(fd);
    return -2;
  }
  return fd;
}

}  // namespace

void flogfile(const char *logfile, int argc, char **argv) {
  int fd = -1;
  for (int attempt = 0; attempt < 11 && fd == -1; ++attempt) fd = open_log(logfile);
  if (fd < 0) {
    std::fputs("No logfile entry\n", stderr);
    return;
  }
  Entry e;
  char stamp[30];
  std::time_t now = std::time(nullptr);
  struct tm local;
  if (localtime_r(&now, &local) == nullptr ||
      std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local) == 0) {
    close(fd);
    std::fputs("No logfile entry\n", stderr);
    return;
  }
  e.add(stamp);
  for (int i = 0; i < argc; ++i) {
    const char *arg = argv[i];
    e.add(" ");
    if (std::strpbrk(arg, " ,*") == nullptr) {
      e.add(arg);
      continue;
    }
    const char *eq = std::strchr(arg, '=');
    if (std::strncmp(arg, "--", 2) == 0 && eq != nullptr) {
      e.add(arg, static_cast<std::size_t>(eq - arg) + 1);
      e.add_quoted(eq + 1);
    } else {
      e.add_quoted(arg);
    }
  }
  e.add("\n");
  bool written = !e.failed() && append_whole(fd, e);
  if (close(fd) != 0) written = false;
  if (!written) std::fputs("No logfile entry\n", stderr);
}

void logfile(int argc, char **argv) { flogfile("logfile", argc, argv); }
