// Runs of the built program that need more than the case folders offer.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "support.h"

using testsupport::read_text;
using testsupport::run_command;
using testsupport::TempDir;

namespace {

std::string quoted(const std::string &s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

// The help through the pager runs the program again under its own name: a
// name full of shell syntax must reach the shell as one word.
TEST(Driver, HelpThroughThePagerQuotesTheProgramName) {
  TempDir dir;
  const std::string name = "it's a; touch pwned1 $(touch pwned2) `touch pwned3` | name";
  std::filesystem::copy_file(MAVEK_BINARY, dir.file(name));
  std::filesystem::permissions(dir.file(name), std::filesystem::perms::owner_all);
  std::string out, err;
  int status = run_command("cd " + quoted(dir.path()) + " && ./" + quoted(name), &out, &err);
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("USAGE: ./" + name + " <filename> <options>\n"), std::string::npos) << out << err;
  for (const char *f : {"pwned1", "pwned2", "pwned3"}) EXPECT_FALSE(testsupport::exists(dir.file(f))) << f;
  EXPECT_FALSE(testsupport::exists(dir.file("logfile")));
}

TEST(Driver, OneLogEntryAndOneBannerForTwoFiles) {
  TempDir dir;
  testsupport::write_text(dir.file("a.txt"), "1 2\n2 1\n3 4\n");
  testsupport::write_text(dir.file("b.txt"), "1\n2\n");
  std::string out, err;
  int status = run_command("cd " + quoted(dir.path()) + " && " + quoted(MAVEK_BINARY) + " a.txt b.txt", &out, &err);
  EXPECT_EQ(status, 0) << err;
  std::string log = read_text(dir.file("logfile"));
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
  EXPECT_EQ(log.substr(19), " " + std::string(MAVEK_BINARY) + " a.txt b.txt\n");
  EXPECT_EQ(err.find("mavek Version 2.5 "), 0u);
  EXPECT_EQ(err.find("mavek Version 2.5 ", 1), std::string::npos);
  std::size_t first = out.find("Examining file: a.txt");
  std::size_t second = out.find("Examining file: b.txt");
  ASSERT_NE(first, std::string::npos);
  ASSERT_NE(second, std::string::npos);
  EXPECT_LT(out.find("Writing file: a.inp"), second);
  EXPECT_TRUE(testsupport::exists(dir.file("b.mvd")));
}

TEST(Driver, ErrorDoesNotWaitAtTheEndOfInput) {
  TempDir dir;
  std::string out, err;
  int status = run_command("cd " + quoted(dir.path()) + " && " + quoted(MAVEK_BINARY) + " --quiet missing", &out, &err);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err, "\nError: Can't read file missing\n\nPress enter to continue\n");
}

// Values that are not numbers, infinities, overflowing squares, constant and
// duplicated columns, with every result file: the run ends normally.
TEST(Driver, HostileValuesWithEveryFile) {
  TempDir dir;
  testsupport::write_text(dir.file("odd.txt"),
                          "nan 1 5 1e300 -0 2 2\n"
                          "1 inf 5 -1e300 0 3 3\n"
                          "2 -inf 5 1e300 -0 1 1\n"
                          "3 4 5 1e-300 0x1p-3 7 7\n");
  std::string out, err;
  int status = run_command("cd " + quoted(dir.path()) + " && " + quoted(MAVEK_BINARY) +
                               " --quiet -b -c -v -h7 --oldtetrad -e -f -a -n -z odd.txt",
                           &out, &err);
  EXPECT_EQ(status, 0) << err;
  for (const char *ext : {".std", ".mvd", ".cor", ".cov", ".inp", ".da1", ".his", ".eig", ".fsc", ".sco"})
    EXPECT_TRUE(testsupport::exists(dir.file(std::string("odd") + ext))) << ext;
  EXPECT_EQ(out, "\nWARNING! Variable(s)\a 3 has no Std.Dev. Modifies...\nUsing split\n");
}
