#include "unfinished.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

#include "support.h"

using testsupport::TempDir;

namespace {

std::size_t count_entries(const TempDir &dir) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(dir.path())) ++n;
  return n;
}

}  // namespace

TEST(Unfinished, ShortNameBesideTheResult) {
  TempDir dir;
  Unfinished a, b;
  const int fa = a.create(dir.path() + "/");
  const int fb = b.create(dir.path() + "/");
  ASSERT_GE(fa, 0);
  ASSERT_GE(fb, 0);
  close(fa);
  close(fb);
  for (const std::string &path : {a.path(), b.path()}) {
    const std::string prefix = dir.path() + "/.mavek-";
    ASSERT_EQ(path.size(), prefix.size() + 6) << path;
    EXPECT_EQ(path.substr(0, prefix.size()), prefix);
    for (char c : path.substr(prefix.size()))
      EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << path;
  }
  EXPECT_NE(a.path(), b.path());
  EXPECT_TRUE(a.finish(dir.file("done").c_str()));
  b.discard();
  EXPECT_TRUE(std::filesystem::is_regular_file(dir.file("done")));
  EXPECT_EQ(count_entries(dir), 1u);
}

// Each cleanup signal removes the unfinished file and then ends the process
// as the signal would have: the parent sees the same signal. Delivered to
// the thread that writes or to another one (the rows of long files are
// formatted on several threads).
TEST(Unfinished, SignalRemovesTheFileAndEndsTheProcessBySameSignal) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    for (bool other_thread : {false, true}) {
      TempDir dir;
      const int status = testsupport::in_child(
          [&] {
            remove_unfinished_on_signals();
            Unfinished u;
            const int fd = u.create(dir.path() + "/");
            if (fd < 0 || write(fd, "part", 4) != 4) return 2;
            if (other_thread)
              std::thread([sig] { kill(getpid(), sig); }).join();
            else
              std::raise(sig);
            return 3;  // not reached: the signal ends the process
          },
          nullptr);
      ASSERT_TRUE(WIFSIGNALED(status)) << sig << " " << other_thread << " status " << status;
      EXPECT_EQ(WTERMSIG(status), sig);
      EXPECT_EQ(count_entries(dir), 0u) << sig;
    }
  }
}

// nohup ignores SIGHUP for the programs it starts: that stays so, and the
// file stays with the process. SIGXFSZ is always ignored.
TEST(Unfinished, IgnoredSignalsStayIgnored) {
  TempDir dir;
  const int status = testsupport::in_child(
      [&] {
        std::signal(SIGHUP, SIG_IGN);
        remove_unfinished_on_signals();
        struct sigaction xfsz;
        sigaction(SIGXFSZ, nullptr, &xfsz);
        if (xfsz.sa_handler != SIG_IGN) return 4;
        Unfinished u;
        const int fd = u.create(dir.path() + "/");
        if (fd < 0) return 2;
        close(fd);
        std::raise(SIGHUP);
        return count_entries(dir) == 1 ? 0 : 5;
      },
      nullptr);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(count_entries(dir), 0u);
}
