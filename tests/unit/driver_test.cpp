// Runs of the built program that need more than the case folders offer.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
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
  EXPECT_EQ(
      err,
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

// ---- Result files under signals, concurrency, links and closed streams ----

namespace {

// What a shell command left: its exit status (128 + N when signal N ended
// it), its standard output and error, and every entry of its directory.
struct Outcome {
  int status = -1;
  std::string out, err;
  std::map<std::string, std::string> files;
};

// Whether "YYYY-MM-DD hh:mm:ss " stands at `at` in `text`.
bool is_time_stamp(const std::string &text, std::size_t at) {
  const std::string shape = "0000-00-00 00:00:00 ";
  if (text.size() - at < shape.size()) return false;
  for (std::size_t i = 0; i < shape.size(); ++i) {
    const char c = text[at + i];
    if (shape[i] == '0' ? std::isdigit(static_cast<unsigned char>(c)) == 0 : c != shape[i]) return false;
  }
  return true;
}

// The entries of `dir` and of the folders in it, as "sub/name": a regular
// file by its content, a link as "-> " and its target, anything else by its
// kind. The log's time stamps are masked.
std::map<std::string, std::string> listing(const std::string &dir) {
  std::map<std::string, std::string> files;
  for (const auto &e : std::filesystem::recursive_directory_iterator(dir)) {
    const std::string name = e.path().lexically_relative(dir).string();
    std::string &text = files[name];
    if (e.is_symlink())
      text = "-> " + std::filesystem::read_symlink(e.path()).string();
    else if (e.is_regular_file())
      text = read_text(e.path().string());
    else
      text = e.is_fifo() ? "<fifo>" : e.is_directory() ? "<directory>" : "<other>";
  }
  if (files.count("logfile") != 0) {
    std::string &log = files["logfile"];
    for (std::size_t at = 0; at < log.size();) {
      if (is_time_stamp(log, at)) log.replace(at, 19, "YYYY-MM-DD hh:mm:ss");
      const std::size_t end = log.find('\n', at);
      if (end == std::string::npos) break;
      at = end + 1;
    }
  }
  return files;
}

// Runs the shell script in `dir`, with mavek (as "mavek") first on the PATH
// and the signal shim in $SHIM, and collects the outcome. A script that ends
// with "exec mavek" hands a signal that ends the run straight to the outcome,
// without the shell's note about it. The script is killed, with all it
// started, when it has not ended within a minute (a run that hangs).
Outcome run_script(const std::string &dir, const std::string &script) {
  static const TempDir bin;
  const std::string link = bin.file("mavek");
  if (!testsupport::exists(link)) std::filesystem::create_symlink(MAVEK_BINARY, link);
  const TempDir capture;
  const std::string out_file = capture.file("out");
  Outcome o;
  const int status = testsupport::in_child(
      [&] {
        const int out = open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || dup2(out, 1) < 0 || chdir(dir.c_str()) != 0) return 126;
        close(out);
        setenv("PATH", (bin.path() + ":" + std::getenv("PATH")).c_str(), 1);
        setenv("SHIM", MAVEK_SIGNAL_SHIM, 1);
        execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char *>(nullptr));
        return 127;
      },
      &o.err);
  o.status = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
  o.out = read_text(out_file);
  const std::string banner = "mavek Version 2.5 ";
  if (const std::size_t at = o.err.find(banner); at != std::string::npos)
    o.err.replace(at, o.err.find('\n', at) - at, banner + "BANNER");
  o.files = listing(dir);
  return o;
}

// The four lines of "d.dat" and its result files, checked by hand: both
// variables have mean 2.5, variance 5/3 and correlation 3/5.
const char kD[] = "printf '1 2\\n2 1\\n3 4\\n4 3\\n' >d.dat";
const std::string kDMvd =
    "! Variable  Mean     Variance  Std.Dev.  Min       Max       Skewness  Curtosis  Median\n"
    "        1    2.5000    1.6667    1.2910    1.0000    4.0000    0.0000   -2.0775    2.5000\n"
    "        2    2.5000    1.6667    1.2910    1.0000    4.0000    0.0000   -2.0775    2.5000\n";
const std::string kDInp = "/Covariance\n4\nx1 x2 \n   1.0000\n   0.6000   1.0000\n";
const std::string kDCor = "  1.000000\n  0.600000  1.000000\n";
// Standard error of a run that is not quiet: the banner (its date masked),
// then the reading figure of each four-line input.
const std::string kBanner =
    "mavek Version 2.5 BANNER\nCopyright (C) 2026 the mavek developers. Free to use, copy and change.\n"
    "Written by Kestrin.\n";
const std::string kDPercent = "025%\r050%\r075%\r100%\r\r    \r";

// 3000 rows of eight columns; its ".std" and ".sco" reach their streams in
// several 64 KiB pieces.
const char kBig[] =
    "awk 'BEGIN { for (i = 1; i <= 3000; i++) { for (j = 1; j <= 8; j++) printf \"%.6f \", sin(i * j) + j * "
    "cos(i); "
    "print \"\" } }' >big.dat";
const char kOldBig[] = "for e in std mvd inp eig sco; do echo \"old $e\" >big.$e; done";

struct Scenario {
  const char *name;
  const char *inputs;   // makes the inputs, for this run and the clean one
  const char *setup;    // what else stands in the directory before the run
  const char *command;  // the run
  const char *clean;    // arguments of an undisturbed run; "=" in `files` is its file
  bool needs_shim;      // an LD_PRELOAD shim cannot load under the sanitizers
  int status;
  std::string out, err;
  std::map<std::string, std::string> files;  // every entry but the inputs
};

void PrintTo(const Scenario &s, std::ostream *os) { *os << s.name; }

const std::string kOldStd = "old std\n", kOldMvd = "old mvd\n", kOldInp = "old inp\n", kOldEig = "old eig\n",
                  kOldSco = "old sco\n";
const std::string kLogBig = "YYYY-MM-DD hh:mm:ss mavek --quiet -b -e big.dat\n";
// A signal in the third 64 KiB piece of ".std", the first file: all
// results stay old. In the ninth piece, the second of ".sco": the four
// files before it are new, ".sco" stays old.
#define SIGNAL_AT(sig, at)                            \
  "export MAVEK_SIGNAL=" #sig " MAVEK_SIGNAL_AT=" #at \
  " LD_PRELOAD=\"$SHIM\" && exec mavek --quiet -b -e big.dat"
const std::map<std::string, std::string> kAllOld = {{"big.std", kOldStd}, {"big.mvd", kOldMvd},
                                                    {"big.inp", kOldInp}, {"big.eig", kOldEig},
                                                    {"big.sco", kOldSco}, {"logfile", kLogBig}};

const Scenario kScenarios[] = {
    {"sigterm_in_first_file", kBig, kOldBig, SIGNAL_AT(15, 3), "", true, 128 + 15, "", "", kAllOld},
    {"sigint_in_first_file", kBig, kOldBig, SIGNAL_AT(2, 3), "", true, 128 + 2, "", "", kAllOld},
    {"sighup_in_first_file", kBig, kOldBig, SIGNAL_AT(1, 3), "", true, 128 + 1, "", "", kAllOld},
    {"sigpipe_in_first_file", kBig, kOldBig, SIGNAL_AT(13, 3), "", true, 128 + 13, "", "", kAllOld},
    {"sigterm_in_fifth_file",
     kBig,
     kOldBig,
     SIGNAL_AT(15, 9),
     "--quiet -b -e big.dat",
     true,
     128 + 15,
     "",
     "",
     {{"big.std", "="},
      {"big.mvd", "="},
      {"big.inp", "="},
      {"big.eig", "="},
      {"big.sco", kOldSco},
      {"logfile", kLogBig}}},
    // The link is replaced by the result; the file it pointed to is kept.
    {"symlink_in_a_results_place",
     kD,
     "echo precious >target && ln -s target d.cor",
     "mavek --quiet -c d.dat",
     "",
     false,
     0,
     "",
     "",
     {{"target", "precious\n"},
      {"d.cor", kDCor},
      {"d.mvd", kDMvd},
      {"d.inp", kDInp},
      {"logfile", "YYYY-MM-DD hh:mm:ss mavek --quiet -c d.dat\n"}}},
    // Ten inputs, with standard output closed: a result file took descriptor
    // 1, and where the report's buffer filled up while one was open (which
    // depends on the length of the names), the report landed in that file.
    {"stdout_closed",
     "for i in 01 02 03 04 05 06 07 08 09 10; do printf '1 2\\n2 1\\n3 4\\n4 3\\n' >xxxxxxxx$i.dat; done",
     "",
     "mavek -c -e -h xxxxxxxx*.dat >&-",
     "-c -e -h xxxxxxxx*.dat",
     false,
     0,
     "",
     kBanner + kDPercent + kDPercent + kDPercent + kDPercent + kDPercent + kDPercent + kDPercent + kDPercent +
         kDPercent + kDPercent,
     {}},  // every file as the clean run writes it
    {"all_standard_streams_closed",
     "printf '1 2\\n2 1\\n3 4\\n4 3\\n' >a.dat && printf '1 2\\n2\\n' >b.dat",
     "",
     "mavek -c a.dat b.dat <&- >&- 2>&-",
     "",
     false,
     1,
     "",
     "",
     {{"a.mvd", kDMvd},
      {"a.inp", kDInp},
      {"a.cor", kDCor},
      {"logfile", "YYYY-MM-DD hh:mm:ss mavek -c a.dat b.dat\n"}}},
    {"stdout_full",
     kD,
     "",
     "mavek --quiet --timer d.dat >/dev/full",
     "",
     false,
     1,
     "",
     "\nError: Can't write file: standard output\a\n\nPress enter to continue\n",
     {{"d.mvd", kDMvd}, {"d.inp", kDInp}, {"logfile", "YYYY-MM-DD hh:mm:ss mavek --quiet --timer d.dat\n"}}},
    // Checked after each input: the second one is not begun.
    {"stdout_full_after_first_input",
     "printf '1 2\\n2 1\\n3 4\\n4 3\\n' >a.dat && cp a.dat b.dat",
     "",
     "mavek a.dat b.dat >/dev/full",
     "",
     false,
     1,
     "",
     kBanner + kDPercent + "\nError: Can't write file: standard output\a\n\nPress enter to continue\n",
     {{"a.mvd", kDMvd}, {"a.inp", kDInp}, {"logfile", "YYYY-MM-DD hh:mm:ss mavek a.dat b.dat\n"}}},
    {"help_to_full_stdout",
     "",
     "",
     "mavek --more -? >/dev/full",
     "",
     false,
     1,
     "",
     "\nError: Can't write file: standard output\a\n\nPress enter to continue\n",
     {}},
    {"quiet_run_on_full_stdout_loses_nothing",
     kD,
     "",
     "mavek --quiet d.dat >/dev/full",
     "",
     false,
     0,
     "",
     "",
     {{"d.mvd", kDMvd}, {"d.inp", kDInp}, {"logfile", "YYYY-MM-DD hh:mm:ss mavek --quiet d.dat\n"}}},
    {"fifo_logfile",
     kD,
     "mkfifo logfile",
     "mavek --quiet d.dat",
     "",
     false,
     0,
     "",
     "No logfile entry\n",
     {{"d.mvd", kDMvd}, {"d.inp", kDInp}, {"logfile", "<fifo>"}}},
    {"two_inputs_one_set_of_results",
     "printf '1 2\\n2 1\\n3 4\\n4 3\\n' >a.dat && printf '5 5\\n1 1\\n' >a.txt",
     "",
     "mavek --quiet -c a.dat a.txt",
     "",
     false,
     1,
     "",
     "\nError: The results of a.txt would replace those of a.dat\a\n\nPress enter to continue\n",
     {{"a.mvd", kDMvd},
      {"a.inp", kDInp},
      {"a.cor", kDCor},
      {"logfile", "YYYY-MM-DD hh:mm:ss mavek --quiet -c a.dat a.txt\n"}}},
    // Standard input, from a pipe, is read once into a copy that leaves
    // nothing in $TMPDIR, and its results are named "stdin": a second
    // argument for it would replace them, and is refused.
    {"stdin_through_a_pipe",
     kD,
     "",
     "cat d.dat | TMPDIR=. mavek --quiet -c /dev/stdin -",
     "",
     false,
     1,
     "",
     "\nError: The results of - would replace those of /dev/stdin\a\n\nPress enter to continue\n",
     {{"stdin.mvd", kDMvd},
      {"stdin.inp", kDInp},
      {"stdin.cor", kDCor},
      {"logfile", "YYYY-MM-DD hh:mm:ss mavek --quiet -c /dev/stdin -\n"}}},
    // Standard input redirected from a file with a result's name: that
    // result would replace the input.
    {"stdin_from_its_own_result",
     "printf '1 2\\n2 1\\n3 4\\n4 3\\n' >stdin.inp",
     "",
     "mavek --quiet - <stdin.inp",
     "",
     false,
     1,
     "",
     "\nError: The result file stdin.inp would replace the input -\a\n\nPress enter to continue\n",
     {{"logfile", "YYYY-MM-DD hh:mm:ss mavek --quiet -\n"}}},
    // The copy has no name at any moment: none while the run holds it open
    // (seen in /proc, whose listing may lose a descriptor the run is just
    // opening or closing), none after a SIGKILL.
    {"stdin_killed_while_read",
     "mkdir t && mkfifo p",
     "",
     "TMPDIR=$PWD/t mavek --quiet - <p & exec 3>p; echo 1 2 >&3; "
     "until ls -l /proc/$!/fd 2>/dev/null | grep -q \"$PWD/t/\"; do sleep 0.01; done; "
     "ls -A t; kill -9 $!; wait $! 2>/dev/null",
     "",
     false,
     128 + 9,
     "",
     "",
     {{"logfile", "YYYY-MM-DD hh:mm:ss mavek --quiet -\n"}}},
    {"stdin_with_no_temporary_folder",
     kD,
     "",
     "cat d.dat | TMPDIR=nosuch mavek --quiet -",
     "",
     false,
     1,
     "",
     "\nError: Can't keep standard input in nosuch: No such file or directory\a\n\nPress enter to "
     "continue\n",
     {{"logfile", "YYYY-MM-DD hh:mm:ss mavek --quiet -\n"}}},
    // Two inputs of one base name in different folders have the same
    // results in the results folder.
    {"one_set_of_results_in_the_results_folder",
     "mkdir a b o && printf '1 2\\n2 1\\n3 4\\n4 3\\n' >a/x.dat && cp a/x.dat b/x.dat",
     "",
     "mavek --quiet --results-dir=o a/x.dat b/x.dat",
     "",
     false,
     1,
     "",
     "\nError: The results of b/x.dat would replace those of a/x.dat\a\n\nPress enter to continue\n",
     {{"o/x.mvd", kDMvd},
      {"o/x.inp", kDInp},
      {"logfile", "YYYY-MM-DD hh:mm:ss mavek --quiet --results-dir=o a/x.dat b/x.dat\n"}}},
    // --version prints at once: output that is lost is a failed run.
    {"version_to_full_stdout",
     "",
     "",
     "mavek --version >/dev/full",
     "",
     false,
     1,
     "",
     "\nError: Can't write file: standard output\a\n\nPress enter to continue\n",
     {}},
    {"same_input_twice_by_another_path",
     kD,
     "",
     "mavek --quiet d.dat ./d.dat",
     "",
     false,
     1,
     "",
     "\nError: The results of ./d.dat would replace those of d.dat\a\n\nPress enter to continue\n",
     {{"d.mvd", kDMvd}, {"d.inp", kDInp}, {"logfile", "YYYY-MM-DD hh:mm:ss mavek --quiet d.dat ./d.dat\n"}}},
};

class Results : public testing::TestWithParam<Scenario> {};

}  // namespace

TEST_P(Results, Scenario) {
  const Scenario &s = GetParam();
  if (s.needs_shim && std::string(MAVEK_SIGNAL_SHIM).empty())
    GTEST_SKIP() << "no LD_PRELOAD shim in this build";
  TempDir work, clean;
  ASSERT_EQ(run_script(work.path(), s.inputs).status, 0);
  ASSERT_EQ(run_script(clean.path(), s.inputs).status, 0);
  const std::map<std::string, std::string> inputs = listing(work.path());
  ASSERT_EQ(run_script(work.path(), s.setup).status, 0);
  // The inputs stay as they were; "=" stands for the clean run's file, and a
  // scenario without a list of files expects every file of the clean run.
  std::map<std::string, std::string> expected = s.files;
  if (*s.clean != '\0') {
    const Outcome c = run_script(clean.path(), std::string("mavek ") + s.clean + " >/dev/null 2>&1");
    ASSERT_EQ(c.status, 0);
    for (const auto &[name, text] : c.files) {
      auto at = expected.find(name);
      if (s.files.empty()) expected[name] = text;
      if (at != expected.end() && at->second == "=") at->second = text;
    }
  }
  for (const auto &[name, text] : inputs) expected[name] = text;

  const Outcome o = run_script(work.path(), s.command);
  EXPECT_EQ(o.status, s.status);
  EXPECT_EQ(o.out, s.out);
  EXPECT_EQ(o.err, s.err);
  EXPECT_EQ(o.files.size(), expected.size());
  for (const auto &[name, text] : expected) {
    auto at = o.files.find(name);
    if (at == o.files.end()) {
      ADD_FAILURE() << name << " is missing";
      continue;
    }
    EXPECT_TRUE(at->second == text) << name << ": " << at->second.size() << " bytes, not " << text.size()
                                    << ": " << at->second.substr(0, 200);
  }
  for (const auto &[name, text] : o.files)
    if (expected.count(name) == 0) ADD_FAILURE() << "extra file " << name << ": " << text.substr(0, 200);
}

INSTANTIATE_TEST_SUITE_P(Driver, Results, testing::ValuesIn(kScenarios),
                         [](const testing::TestParamInfo<Scenario> &p) { return std::string(p.param.name); });

// Two runs with different options on one input, the first stopped in the
// middle of its ".sco" while the second runs from start to end: both succeed,
// and each file is whole, as one of them wrote it (the one that finished it
// last).
TEST(Driver, ConcurrentRunsOnOneInputLeaveWholeFiles) {
  if (std::string(MAVEK_SIGNAL_SHIM).empty()) GTEST_SKIP() << "no LD_PRELOAD shim in this build";
  TempDir work, ref8, ref3;
  for (const TempDir *dir : {&work, &ref8, &ref3}) ASSERT_EQ(run_script(dir->path(), kBig).status, 0);
  const std::map<std::string, std::string> e8 =
      run_script(ref8.path(), "mavek --quiet -e8 -m- -t- big.dat").files;
  const std::map<std::string, std::string> e3 =
      run_script(ref3.path(), "mavek --quiet -e3 -m- -t- big.dat").files;
  ASSERT_NE(e8.at("big.sco"), e3.at("big.sco"));
  const std::string big = read_text(work.file("big.dat"));

  // The first run stops itself after its second piece of output: ".eig",
  // then the first 64 KiB of ".sco".
  const pid_t first = fork();
  ASSERT_GE(first, 0);
  if (first == 0) {
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 1);
    dup2(null, 2);
    if (chdir(work.path().c_str()) != 0) _exit(126);
    setenv("MAVEK_SIGNAL", std::to_string(SIGSTOP).c_str(), 1);
    setenv("MAVEK_SIGNAL_AT", "2", 1);
    setenv("LD_PRELOAD", MAVEK_SIGNAL_SHIM, 1);
    execl(MAVEK_BINARY, "mavek", "--quiet", "-e8", "-m-", "-t-", "big.dat", static_cast<char *>(nullptr));
    _exit(127);
  }
  int status = 0;
  ASSERT_EQ(waitpid(first, &status, WUNTRACED), first);
  ASSERT_TRUE(WIFSTOPPED(status)) << status;
  const Outcome second = run_script(work.path(), "mavek --quiet -e3 -m- -t- big.dat");
  kill(first, SIGCONT);
  ASSERT_TRUE(ended_within(first, 60, &status));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(second.status, 0);
  EXPECT_EQ(second.err, "");

  const std::map<std::string, std::string> want = {
      {"big.dat", big},
      {"big.eig", e3.at("big.eig")},  // the second run wrote it after the first
      {"big.sco", e8.at("big.sco")},  // the first run finished it last
      {"logfile",
       "YYYY-MM-DD hh:mm:ss mavek --quiet -e8 -m- -t- big.dat\nYYYY-MM-DD hh:mm:ss mavek --quiet -e3 -m- -t- "
       "big.dat\n"}};
  const std::map<std::string, std::string> got = listing(work.path());
  EXPECT_EQ(got.size(), want.size());
  for (const auto &[name, text] : got) {
    auto at = want.find(name);
    EXPECT_TRUE(at != want.end() && at->second == text) << name << ": " << text.size() << " bytes";
  }
}
