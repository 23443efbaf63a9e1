#include "dbg_printf.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "support.h"

TEST(DbgPrintf, TraceComesAfterPendingOutput) {
  testing::internal::CaptureStderr();
  dbg_printf_at("parse", 12, "value %d\n", 7);
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
  dbg_printf_at("parse", 12, "after\n");
  std::printf("later\n");
  std::fflush(stdout);
  dup2(saved_out, 1);
  dup2(saved_err, 2);
  close(saved_out);
  close(saved_err);
  EXPECT_EQ(testsupport::read_text(dir.file("both")), "pending Debug: parse(12) after\nlater\n");
}
