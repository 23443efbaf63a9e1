#include "logfile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <csignal>
#include <cstring>

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

TEST(Logfile, FullDeviceGivesOneNotice) {
  Argv a({"mavek", "x"});
  testing::internal::CaptureStderr();
  flogfile("/dev/full", a.argc(), a.argv());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "No logfile entry\n");
}

// A log that may grow by only part of an entry keeps its earlier entries and
// gets no piece of the new one.
TEST(Logfile, EntryThatDoesNotFitIsLeftOutWhole) {
  TempDir dir;
  const std::string log = dir.file("log");
  const std::string before = "2024-01-01 00:00:00 mavek a\n";
  testsupport::write_text(log, before);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit lim = {before.size() + 10, before.size() + 10};
    setrlimit(RLIMIT_FSIZE, &lim);
    (void)std::freopen("/dev/null", "w", stderr);
    Argv b({"mavek", "a-long-argument-that-does-not-fit"});
    flogfile(log.c_str(), b.argc(), b.argv());
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(testsupport::read_text(log), before);
}

// The run never waits on its log. A FIFO, with a reader or without, and a
// socket get the notice and nothing is written to them; a link to
// /dev/null, the usual way to silence the log, takes the entry quietly.
TEST(Logfile, NeverWaitsOnTheLog) {
  enum Kind { kFifo, kFifoWithReader, kSocket, kDevNull };
  for (Kind kind : {kFifo, kFifoWithReader, kSocket, kDevNull}) {
    TempDir dir;
    const std::string log = dir.file("logfile");
    int reader = -1, sock = -1;
    if (kind == kFifo || kind == kFifoWithReader) {
      ASSERT_EQ(mkfifo(log.c_str(), 0666), 0);
    }
    if (kind == kFifoWithReader) reader = open(log.c_str(), O_RDONLY | O_NONBLOCK);
    if (kind == kSocket) {
      sock = socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un addr = {};
      addr.sun_family = AF_UNIX;
      ASSERT_LT(log.size(), sizeof addr.sun_path);
      std::strcpy(addr.sun_path, log.c_str());
      ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
      ASSERT_EQ(listen(sock, 1), 0);
    }
    if (kind == kDevNull) {
      ASSERT_EQ(symlink("/dev/null", log.c_str()), 0);
    }
    std::string err;
    const int status = testsupport::in_child(
        [&] {
          Argv a({"mavek", "x"});
          flogfile(log.c_str(), a.argc(), a.argv());
          return 0;
        },
        &err);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << kind << " status " << status;
    EXPECT_EQ(err, kind == kDevNull ? "" : "No logfile entry\n") << kind;
    if (reader >= 0) {
      char c;
      EXPECT_LE(read(reader, &c, 1), 0) << "the entry went into the FIFO";
      close(reader);
    }
    if (sock >= 0) close(sock);
  }
}
