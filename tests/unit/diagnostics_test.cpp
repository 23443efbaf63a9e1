#include "diagnostics.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "reporter.h"
#include "support.h"

// error() writes nothing: the failure carries its text, and its report is
// written once, with the prompt, by report_failure.
TEST(Diagnostics, ErrorRaisesItsTextAndTheReportFramesIt) {
  testing::internal::CaptureStderr();
  try {
    error("Not enough memory (%s, %d)", "line", 40960);
    ADD_FAILURE() << "error() returned";
  } catch (const Failure &failure) {
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(failure.text, "Not enough memory (line, 40960)");
    testing::internal::CaptureStderr();
    report_failure(failure);
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nError: Not enough memory (line, 40960)\nPress enter to continue\n");
  testing::internal::CaptureStderr();
  EXPECT_FAILS(error("Too few variables\n"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nError: Too few variables\n\nPress enter to continue\n");
}

// A long text is kept whole.
TEST(Diagnostics, LongTextsAreWhole) {
  const std::string name(5000, 'n');
  try {
    error("Can't read file %s\n", name.c_str());
  } catch (const Failure &failure) {
    EXPECT_EQ(failure.text, "Can't read file " + name + "\n");
  }
}

TEST(Diagnostics, MessageReturns) {
  testing::internal::CaptureStderr();
  Reporter(1, 0).message("Line to long (>%ld). Rereading.\n", 256L);
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
