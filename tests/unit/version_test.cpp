#include "cli/version.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

// -q writes the notice as a format: a '%' in it would be read as a
// conversion. It is two lines, with no newline at its end (the banner adds
// one).
TEST(Version, CopyrightIsSafeAsAFormat) {
  EXPECT_EQ(std::strchr(Copyright, '%'), nullptr);
  const char *nl = std::strchr(Copyright, '\n');
  ASSERT_NE(nl, nullptr);
  EXPECT_EQ(std::strchr(nl + 1, '\n'), nullptr);
  EXPECT_NE(Copyright[std::strlen(Copyright) - 1], '\n');
}

// The banner carries the build date and time in the shape that the
// end-to-end runner masks: "mavek Version <version> Mmm dd yyyy hh:mm:ss Build:
// 0 by Kestrin", the day padded with a blank.
TEST(Version, BannerHasTheMaskedShape) {
  const std::string v = Version;
  const std::string head = "mavek Version " MAVEK_VERSION " ", tail = " Build: 0 by Kestrin";
  ASSERT_EQ(v.size(), head.size() + 20 + tail.size()) << v;
  EXPECT_EQ(v.substr(0, head.size()), head);
  EXPECT_EQ(v.substr(v.size() - tail.size()), tail);
  const std::string stamp = v.substr(head.size(), 20);  // "Dec  8 2026 01:02:03"
  const char *shape = "Aaa d9 9999 99:99:99";
  for (std::size_t i = 0; i < stamp.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(stamp[i]);
    switch (shape[i]) {
      case 'A':
        EXPECT_TRUE(std::isupper(c)) << stamp;
        break;
      case 'a':
        EXPECT_TRUE(std::islower(c)) << stamp;
        break;
      case '9':
        EXPECT_TRUE(std::isdigit(c)) << stamp;
        break;
      case 'd':
        EXPECT_TRUE(c == ' ' || std::isdigit(c)) << stamp;
        break;
      default:
        EXPECT_EQ(stamp[i], shape[i]) << stamp;
    }
  }
}
