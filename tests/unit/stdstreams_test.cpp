#include "stdstreams.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "support.h"

namespace {

// The exit status of fn run in a child process.
int child_status(const std::function<int()> &fn) {
  const int status = testsupport::in_child(fn, nullptr);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool is_dev_null(int fd) {
  struct stat a, b;
  return fstat(fd, &a) == 0 && stat("/dev/null", &b) == 0 && S_ISCHR(a.st_mode) && a.st_rdev == b.st_rdev;
}

}  // namespace

// Closed standard descriptors are filled with /dev/null, open ones are left
// alone, and the next file opened gets a descriptor above them.
TEST(StdStreams, ClosedDescriptorsGetDevNull) {
  const std::vector<std::vector<int>> closed_sets = {{0}, {1}, {2}, {0, 2}, {0, 1, 2}};
  for (const std::vector<int> &closed : closed_sets) {
    const int status = child_status([&] {
      for (int fd : closed) close(fd);
      if (!fill_standard_descriptors()) return 2;
      for (int fd = 0; fd <= 2; ++fd) {
        const bool was_closed = std::find(closed.begin(), closed.end(), fd) != closed.end();
        if (was_closed && !is_dev_null(fd)) return 10 + fd;
        if (!was_closed && fcntl(fd, F_GETFD) == -1) return 20 + fd;
      }
      const int next = open("/dev/null", O_RDONLY);
      return next > 2 ? 0 : 3;
    });
    EXPECT_EQ(status, 0) << "closed " << closed.size() << " starting at " << closed[0];
  }
}
