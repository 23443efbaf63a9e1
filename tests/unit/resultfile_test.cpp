#include "output/resultfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "diagnostics.h"
#include "support.h"

using testsupport::read_text;
using testsupport::TempDir;
using testsupport::write_text;

namespace {

// The names in `dir`, with every temporary file shown as ".mavek-?".
std::set<std::string> entries(const TempDir &dir) {
  std::set<std::string> names;
  for (const auto &e : std::filesystem::directory_iterator(dir.path())) {
    std::string name = e.path().filename().string();
    if (name.rfind(".mavek-", 0) == 0 && name.size() == 13) name = ".mavek-?";
    names.insert(name);
  }
  return names;
}

std::string report(const char *what, const std::string &name) {
  return std::string("\nError: ") + what + name + "\a\n\nPress enter to continue\n";
}

}  // namespace

// Until the close, the text goes to a temporary file beside the result and
// the earlier result stays as it was.
TEST(ResultFile, ReplacesTheOldFileOnlyWhenComplete) {
  TempDir dir;
  write_text(dir.file("x.mvd"), "old\n");
  std::string name = dir.file("x.cor");
  ResultFile f(name, ".mvd");
  EXPECT_EQ(name, dir.file("x.mvd"));
  f.out().put("new\n");
  f.out().flush();
  std::fflush(f.get());
  EXPECT_EQ(read_text(dir.file("x.mvd")), "old\n");
  EXPECT_EQ(entries(dir), (std::set<std::string>{".mavek-?", "x.mvd"}));
  f.close();
  EXPECT_EQ(read_text(dir.file("x.mvd")), "new\n");
  EXPECT_EQ(entries(dir), std::set<std::string>{"x.mvd"});
}

// A run that ends while a file is written (an error elsewhere unwinds past
// it) keeps the old file and leaves no temporary one.
TEST(ResultFile, AbandonedFileLeavesTheOldOne) {
  TempDir dir;
  write_text(dir.file("x.cor"), "old\n");
  {
    std::string name = dir.file("x.txt");
    ResultFile f(name, ".cor");
    f.out().put(std::string(100000, 'z'));
  }
  EXPECT_EQ(read_text(dir.file("x.cor")), "old\n");
  EXPECT_EQ(entries(dir), std::set<std::string>{"x.cor"});
}

// The file gets the mode fopen would give a new file: 0666 less the umask.
TEST(ResultFile, ModeFollowsTheUmask) {
  TempDir dir;
  const mode_t old_mask = umask(027);
  std::string name = dir.file("x");
  ResultFile f(name, ".cov");
  f.close();
  umask(old_mask);
  struct stat st;
  ASSERT_EQ(stat(dir.file("x.cov").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// An existing file the user may not write is refused, as fopen refused it,
// although the rename would replace it. Root may write any file, so the
// check runs as the unprivileged user 65534 then.
TEST(ResultFile, ReadOnlyFileCannotBeCreated) {
  TempDir dir;
  write_text(dir.file("x.fsc"), "old\n");
  ASSERT_EQ(chmod(dir.file("x.fsc").c_str(), 0444), 0);
  ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
  std::string name = dir.file("x"), err;
  const int status = testsupport::in_child(
      [&] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 77;
        ResultFile f(name, ".fsc");
        return 0;
      },
      &err);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "cannot become an unprivileged user";
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(err, report("Can't create file: ", dir.file("x.fsc")));
  EXPECT_EQ(read_text(dir.file("x.fsc")), "old\n");
  EXPECT_EQ(entries(dir), std::set<std::string>{"x.fsc"});
}

// A rename that fails (here: a directory with content has taken the name
// meanwhile) removes the temporary file.
TEST(ResultFile, FailedRenameCannotCreate) {
  TempDir dir;
  std::string name = dir.file("x");
  ResultFile f(name, ".sco");
  f.out().put("new\n");
  ASSERT_EQ(mkdir(dir.file("x.sco").c_str(), 0755), 0);
  write_text(dir.file("x.sco/inside"), "");
  testing::internal::CaptureStderr();
  EXPECT_FAILS(f.close());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), report("Can't create file: ", dir.file("x.sco")));
  EXPECT_EQ(entries(dir), std::set<std::string>{"x.sco"});
}
