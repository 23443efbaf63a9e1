#include "logfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>

#include "support.h"

using testsupport::Argv;
using testsupport::TempDir;

namespace {

// "YYYY-MM-DD hh:mm:ss" at the start of `text`.
bool is_time_stamp(const std::string &text) {
  const std::string shape = "0000-00-00 00:00:00";
  if (text.size() < shape.size()) return false;
  for (std::size_t i = 0; i < shape.size(); ++i) {
    bool ok = shape[i] == '0' ? std::isdigit(static_cast<unsigned char>(text[i])) != 0 : text[i] == shape[i];
    if (!ok) return false;
  }
  return true;
}

// The entry written for `words`, with its time stamp checked and cut off.
std::string entry(const std::vector<std::string> &words) {
  TempDir dir;
  Argv argv(words);
  flogfile(dir.file("log").c_str(), argv.argc(), argv.argv());
  std::string text = testsupport::read_text(dir.file("log"));
  EXPECT_TRUE(is_time_stamp(text)) << text;
  return text.substr(19);
}

}  // namespace

TEST(Logfile, PlainArguments) { EXPECT_EQ(entry({"mavek", "-c", "data.txt"}), " mavek -c data.txt\n"); }

TEST(Logfile, QuotingRules) {
  EXPECT_EQ(entry({"mavek", "--sort=3 1 2"}), " mavek --sort=\"3 1 2\"\n");
  EXPECT_EQ(entry({"mavek", "-s", "3 1 2"}), " mavek -s \"3 1 2\"\n");
  EXPECT_EQ(entry({"mavek", "a\"b c"}), " mavek \"a\\\"b c\"\n");
  EXPECT_EQ(entry({"mavek", "a\"b"}), " mavek a\"b\n");
  EXPECT_EQ(entry({"mavek", "*.dat"}), " mavek \"*.dat\"\n");
  EXPECT_EQ(entry({"mavek", "--a,b"}), " mavek \"--a,b\"\n");
  EXPECT_EQ(entry({"mavek", "--x y=1,2"}), " mavek --x y=\"1,2\"\n");
  EXPECT_EQ(entry({"mavek", "back\\slash x"}), " mavek \"back\\\\slash x\"\n");
  EXPECT_EQ(entry({"mavek", "--s="}), " mavek --s=\n");
  EXPECT_EQ(entry({"mavek", "--s= "}), " mavek --s=\" \"\n");
}

TEST(Logfile, NoArgumentsGivesTheStampAlone) {
  TempDir dir;
  flogfile(dir.file("log").c_str(), 0, nullptr);
  EXPECT_EQ(testsupport::read_text(dir.file("log")).size(), 20u);
}

TEST(Logfile, EntriesAccumulate) {
  TempDir dir;
  Argv a({"mavek", "one"}), b({"mavek", "two"});
  flogfile(dir.file("log").c_str(), a.argc(), a.argv());
  flogfile(dir.file("log").c_str(), b.argc(), b.argv());
  std::string text = testsupport::read_text(dir.file("log"));
  ASSERT_EQ(text.size(), 2 * 19 + std::string(" mavek one\n mavek two\n").size());
  EXPECT_EQ(text.substr(19, 11), " mavek one\n");
  EXPECT_EQ(text.substr(49), " mavek two\n");
}

TEST(Logfile, UnwritableLogGivesOneNotice) {
  TempDir dir;
  mkdir(dir.file("log").c_str(), 0755);  // a directory cannot be opened for appending
  Argv a({"mavek", "x"});
  testing::internal::CaptureStderr();
  flogfile(dir.file("log").c_str(), a.argc(), a.argv());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "No logfile entry\n");
}
