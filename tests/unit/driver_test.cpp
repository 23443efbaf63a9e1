// Runs of the built program that need more than the case folders offer.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

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

// Waits up to `seconds` for the child to end; kills it when it does not.
// Returns whether it ended by itself, with its wait status in *status.
bool ended_within(pid_t pid, int seconds, int *status) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(pid, status, WNOHANG) == pid) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  waitpid(pid, status, 0);
  return false;
}

// Everything readable from fd until its writers are gone.
std::string drain(int fd) {
  std::string text;
  char buf[512];
  ssize_t got;
  while ((got = read(fd, buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(got));
  return text;
}

const char kMissingReport[] = "\nError: Can't read file missing\n\nPress enter to continue\n";

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
  int status =
      run_command("cd " + quoted(dir.path()) + " && " + quoted(MAVEK_BINARY) + " a.txt b.txt", &out, &err);
  EXPECT_EQ(status, 0) << err;
  std::string log = read_text(dir.file("logfile"));
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
  EXPECT_EQ(log.substr(19), std::string(" ") + MAVEK_BINARY + " a.txt b.txt\n");
  EXPECT_EQ(err.find("mavek Version " MAVEK_VERSION " "), 0u);
  EXPECT_EQ(err.find("mavek Version " MAVEK_VERSION " ", 1), std::string::npos);
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
  int status = run_command("cd " + quoted(dir.path()) + " && " + quoted(MAVEK_BINARY) + " --quiet missing",
                           &out, &err);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err, "\nError: Can't read file missing\n\nPress enter to continue\n");
}

// Values that are not numbers, infinities, overflowing squares, constant and
// duplicated columns, with every result file: every file up to the
// histograms is written, and then the run ends, since correlations that are
// not all finite have no components.
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
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err,
            "\nError: No principal components: the correlations of odd.txt are not all finite\a\n\nPress enter to "
            "continue\n");
  for (const char *ext : {".std", ".mvd", ".cor", ".cov", ".inp", ".da1", ".his"})
    EXPECT_TRUE(testsupport::exists(dir.file(std::string("odd") + ext))) << ext;
  for (const char *ext : {".eig", ".fsc", ".sco"})
    EXPECT_FALSE(testsupport::exists(dir.file(std::string("odd") + ext))) << ext;
  EXPECT_EQ(out, "\nWARNING! Variable(s)\a 3 has no Std.Dev. Modifies...\nUsing split\n");
}

// A batch job's standard input may be a pipe that stays open and never
// delivers: the prompt is printed, but the run must not wait on it.
TEST(Driver, ErrorDoesNotWaitOnAPipeThatNeverDelivers) {
  TempDir dir;
  int in[2], err[2];
  ASSERT_EQ(pipe(in), 0);
  ASSERT_EQ(pipe(err), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(err[1], 2);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    for (int fd : {in[0], in[1], err[0], err[1], null}) close(fd);
    if (chdir(dir.path().c_str()) != 0) _exit(126);
    execl(MAVEK_BINARY, "mavek", "--quiet", "missing", static_cast<char *>(nullptr));
    _exit(127);
  }
  close(in[0]);
  close(err[1]);
  int status = 0;
  const bool ended = ended_within(pid, 60, &status);  // in[1] stays open meanwhile
  close(in[1]);
  const std::string text = drain(err[0]);
  close(err[0]);
  ASSERT_TRUE(ended) << "the run waited on its standard input";
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(text, kMissingReport);
}

// At a terminal the prompt means what it says: the run ends only after the
// user has pressed Enter.
TEST(Driver, ErrorAtATerminalWaitsForEnter) {
  TempDir dir;
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string slave_name = ptsname(master);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    setsid();
    const int slave = open(slave_name.c_str(), O_RDWR);
    if (slave < 0) _exit(125);
    for (int fd = 0; fd < 3; ++fd) dup2(slave, fd);
    close(slave);
    close(master);
    if (chdir(dir.path().c_str()) != 0) _exit(126);
    execl(MAVEK_BINARY, "mavek", "--quiet", "missing", static_cast<char *>(nullptr));
    _exit(127);
  }

  // Read the terminal until the prompt has been shown.
  std::string shown;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (shown.find("Press enter to continue") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    pollfd p{master, POLLIN, 0};
    if (poll(&p, 1, 100) > 0) {
      char buf[256];
      const ssize_t got = read(master, buf, sizeof buf);
      if (got <= 0) break;
      shown.append(buf, static_cast<std::size_t>(got));
    }
  }
  EXPECT_NE(shown.find("Error: Can't read file missing"), std::string::npos) << shown;
  ASSERT_NE(shown.find("Press enter to continue"), std::string::npos) << shown;

  // Still waiting a while after the prompt, until Enter is typed.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  int status = 0;
  EXPECT_EQ(waitpid(pid, &status, WNOHANG), 0) << "the run did not wait for Enter";
  ASSERT_EQ(write(master, "\n", 1), 1);
  const bool ended = ended_within(pid, 60, &status);
  close(master);
  ASSERT_TRUE(ended) << "the run did not end after Enter";
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
}
