#include "input/standard_input.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "support.h"

using testsupport::read_text;
using testsupport::TempDir;

namespace {

std::size_t entries(const TempDir &dir) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(dir.path())) ++n;
  return n;
}

// Runs hold() in a child whose standard input is a pipe fed with `text` in
// five pieces by another thread (the read end non-blocking when asked, as a
// shell can leave a shared one), and checks that the copy holds `text` from
// its start on each of two openings, with no name in the folder.
int hold_from_pipe(const TempDir &dir, const std::string &text, bool nonblocking) {
  return testsupport::in_child(
      [&] {
        int p[2];
        if (pipe(p) != 0 || dup2(p[0], 0) < 0) return 90;
        close(p[0]);
        if (nonblocking) fcntl(0, F_SETFL, fcntl(0, F_GETFL) | O_NONBLOCK);
        std::thread writer([&] {
          const std::size_t piece = text.size() / 5 + 1;
          for (std::size_t at = 0; at < text.size(); at += piece) {
            const std::size_t n = std::min(piece, text.size() - at);
            for (std::size_t done = 0; done < n;) {
              const ssize_t put = write(p[1], text.data() + at + done, n - done);
              if (put > 0) done += static_cast<std::size_t>(put);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
          }
          close(p[1]);
        });
        StandardInput in;
        in.hold("-", dir.path());
        writer.join();
        if (entries(dir) != 0) return 91;
        if (read_text(in.path()) != text || read_text(in.path()) != text) return 92;
        return 0;
      },
      nullptr);
}

}  // namespace

TEST(StandardInput, HoldsAllOfAPipeWithoutAName) {
  TempDir dir;
  std::string text;
  for (int i = 0; text.size() < 300000; ++i) text += std::to_string(i) + " " + std::to_string(i * 7) + "\n";
  EXPECT_EQ(hold_from_pipe(dir, text, false), 0);
  EXPECT_EQ(hold_from_pipe(dir, text, true), 0);
  EXPECT_EQ(hold_from_pipe(dir, "", false), 0);
  EXPECT_EQ(entries(dir), 0u);
}

TEST(StandardInput, Failures) {
  TempDir dir;
  std::string err;
  // A folder that does not exist.
  int status = testsupport::in_child(
      [&] {
        StandardInput in;
        in.hold("-", dir.file("missing"));
        return 0;
      },
      &err);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(err, "\nError: Can't keep standard input in " + dir.file("missing") +
                     ": No such file or directory\a\n\nPress enter to continue\n");
  // Standard input that cannot be read: a directory.
  status = testsupport::in_child(
      [&] {
        const int fd = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
        if (fd < 0 || dup2(fd, 0) < 0) return 90;
        StandardInput in;
        in.hold("/dev/stdin", dir.path());
        return 0;
      },
      &err);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(err, "\nError: Can't read file /dev/stdin\n\nPress enter to continue\n");
  EXPECT_EQ(entries(dir), 0u);
}
