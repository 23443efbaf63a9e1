#include "cli/diagnostics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/version.h"
#include "dbg_printf.h"
#include "support.h"

#include <fcntl.h>
#include <unistd.h>

TEST(Diagnostics, ErrorWritesItsFrameAndEndsWithStatusOne) {
  testing::internal::CaptureStderr();
  int status = -1;
  try {
    error("Too few variables\n");
  } catch (const ExitRequest &e) {
    status = e.status;
  }
  EXPECT_EQ(status, 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "\nError: Too few variables\n\nPress enter to continue\n");
}

TEST(Diagnostics, ErrorFormatsItsArguments) {
  testing::internal::CaptureStderr();
  EXPECT_THROW(error("Not enough memory (%s, %d)", "line", 40960), ExitRequest);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nError: Not enough memory (line, 40960)\nPress enter to continue\n");
}

TEST(Diagnostics, MessageReturns) {
  testing::internal::CaptureStderr();
  message("Line to long (>%ld). Rereading.\n", 256L);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nMessage: Line to long (>256). Rereading.\n\nPress enter to continue\n");
}

TEST(Diagnostics, DebugTraceComesAfterPendingOutput) {
  testing::internal::CaptureStderr();
  dbg__printf("parse", 12, "value %d\n", 7);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Debug: parse(12) value 7\n");

  // Pending standard output is flushed before the trace: with both streams
  // sent to one file, the order is kept.
  testsupport::TempDir dir;
  std::fflush(stdout);
  std::fflush(stderr);
  int saved_out = dup(1), saved_err = dup(2);
  int fd = open(dir.file("both").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  dup2(fd, 1);
  dup2(fd, 2);
  close(fd);
  std::printf("pending ");
  dbg__printf("parse", 12, "after\n");
  std::printf("later\n");
  std::fflush(stdout);
  dup2(saved_out, 1);
  dup2(saved_err, 2);
  close(saved_out);
  close(saved_err);
  EXPECT_EQ(testsupport::read_text(dir.file("both")), "pending Debug: parse(12) after\nlater\n");
}

TEST(Diagnostics, StrdupCopies) {
  char *empty = my_strdup("");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty[0], '\0');
  std::free(empty);
  char *copy = my_strdup("3 1 2");
  EXPECT_STREQ(copy, "3 1 2");
  std::free(copy);
}

TEST(Version, Texts) {
  EXPECT_STREQ(shortVersion, "mavek Ver: 2.5");
  EXPECT_STREQ(xelver, "$xelver 2.5");
  EXPECT_EQ(std::strchr(Copyright, '%'), nullptr);
  EXPECT_EQ(std::strchr(Copyright, '\n') != nullptr, true);
  EXPECT_NE(Copyright[std::strlen(Copyright) - 1], '\n');
  // "mavek Version 2.5 Mmm dd yyyy hh:mm:ss Build: 0 by Kestrin"
  std::string v = Version;
  ASSERT_EQ(v.size(), std::strlen("mavek Version 2.5 Dec  8 2026 01:02:03 Build: 0 by Kestrin"));
  EXPECT_EQ(v.substr(0, 18), "mavek Version 2.5 ");
  EXPECT_EQ(v.substr(38), " Build: 0 by Kestrin");
  EXPECT_EQ(v[32], ':');
  EXPECT_EQ(v[35], ':');
}
