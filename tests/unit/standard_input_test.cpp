#include "input/standard_input.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "support.h"

// A pipe left non-blocking by whoever shares it, fed in pieces with pauses
// (less than it holds, so the writer never waits): the copy waits for each
// piece, appends all of them, and opens from its start every time.
TEST(StandardInput, WaitsOnANonBlockingPipe) {
  testsupport::TempDir dir;
  const std::string pieces[] = {std::string(20000, 'a'), std::string(20000, 'b'), std::string(20000, 'c')};
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  fcntl(p[0], F_SETFL, O_NONBLOCK);
  std::thread writer([&] {
    for (const std::string &piece : pieces) {
      EXPECT_EQ(write(p[1], piece.data(), piece.size()), static_cast<ssize_t>(piece.size()));
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    close(p[1]);
  });
  StandardInput in;
  bool held = true;
  try {
    in.hold("-", dir.path(), p[0]);
  } catch (const Failure &) {
    held = false;
  }
  writer.join();
  close(p[0]);
  ASSERT_TRUE(held);
  EXPECT_EQ(testsupport::read_text(in.path()), pieces[0] + pieces[1] + pieces[2]);
  EXPECT_EQ(testsupport::read_text(in.path()), pieces[0] + pieces[1] + pieces[2]);
}
