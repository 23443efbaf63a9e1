#include "diagnostics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

TEST(Diagnostics, ErrorWritesItsFrameAndEndsWithStatusOne) {
  testing::internal::CaptureStderr();
  int status = -1;
  try {
    error("Too few variables\n");
  } catch (const ExitRequest &e) {
    status = e.status;
  }
  EXPECT_EQ(status, 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nError: Too few variables\n\nPress enter to continue\n");
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

TEST(Diagnostics, StrdupCopies) {
  char *empty = my_strdup("");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty[0], '\0');
  std::free(empty);
  char *copy = my_strdup("3 1 2");
  EXPECT_STREQ(copy, "3 1 2");
  std::free(copy);
}
