#include "cli/version.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

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
