// An LD_PRELOAD shim that makes one chosen allocation of a process fail.
//
//   MAVEK_ALLOC_FAIL=N   the N-th allocation (counted from 1) returns null
//                        with errno ENOMEM; all others succeed
//   MAVEK_ALLOC_COUNT=F  at exit, the number of allocations made is written
//                        to the file F
//
// Counted are malloc, calloc, realloc to a non-zero size and the aligned
// allocations; C++'s operator new comes through malloc or aligned_alloc.
// Memory comes from the C library's own allocator, so its free stays valid.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *p, size_t size);
void *__libc_memalign(size_t alignment, size_t size);
}

namespace {

unsigned long counted = 0;
unsigned long fail_at = 0;  // 0: fail none
bool configured = false;

bool fail_this_one() {
  if (!configured) {
    configured = true;
    const char *s = std::getenv("MAVEK_ALLOC_FAIL");
    if (s != nullptr) fail_at = std::strtoul(s, nullptr, 10);
  }
  if (++counted != fail_at) return false;
  errno = ENOMEM;
  return true;
}

__attribute__((destructor)) void report_count() {
  const char *path = std::getenv("MAVEK_ALLOC_COUNT");
  if (path == nullptr) return;
  char text[32];
  int n = std::snprintf(text, sizeof text, "%lu\n", counted);
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return;
  if (write(fd, text, static_cast<size_t>(n)) != n) std::abort();
  close(fd);
}

}  // namespace

extern "C" {

void *malloc(size_t size) { return fail_this_one() ? nullptr : __libc_malloc(size); }

void *calloc(size_t count, size_t size) { return fail_this_one() ? nullptr : __libc_calloc(count, size); }

void *realloc(void *p, size_t size) {
  if (size != 0 && fail_this_one()) return nullptr;
  return __libc_realloc(p, size);
}

void *memalign(size_t alignment, size_t size) {
  return fail_this_one() ? nullptr : __libc_memalign(alignment, size);
}

void *aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }

int posix_memalign(void **out, size_t alignment, size_t size) {
  if (fail_this_one()) return ENOMEM;
  void *p = __libc_memalign(alignment, size);
  if (p == nullptr) return ENOMEM;
  *out = p;
  return 0;
}

void *valloc(size_t size) { return memalign(static_cast<size_t>(sysconf(_SC_PAGESIZE)), size); }

void *pvalloc(size_t size) {
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  return memalign(page, (size + page - 1) / page * page);
}
}
