#include "contract/naming.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "diagnostics.h"
#include "output/resultfile.h"
#include "support.h"

namespace {
std::string result_name(const char *arg, const char *ext) {
  std::string name = derive_base_name(arg);
  swap_ext(name, ext);
  return name;
}
}  // namespace

TEST(Naming, FindsTheExtensionOfTheLastComponent) {
  const char *a = "a.b.c";
  EXPECT_EQ(findext(a), a + 3);
  EXPECT_EQ(findext("run.2/data"), nullptr);
  EXPECT_EQ(findext("c:data"), nullptr);
  EXPECT_EQ(findext("dir\\x"), nullptr);
  EXPECT_EQ(findext(""), nullptr);
  const char *h = ".hidden";
  EXPECT_EQ(findext(h), h);
}

TEST(Naming, ResultNames) {
  EXPECT_EQ(result_name("data.txt", ".mvd"), "data.mvd");
  EXPECT_EQ(result_name("data", ".mvd"), "data.mvd");
  EXPECT_EQ(result_name("a.b.c", ".mvd"), "a.b.mvd");
  EXPECT_EQ(result_name("data.", ".mvd"), "data.mvd");
  EXPECT_EQ(result_name("run.2/data", ".mvd"), "run.2/data.mvd");
  EXPECT_EQ(result_name(".hidden", ".mvd"), ".mvd");
  EXPECT_EQ(result_name("dir/.hidden", ".mvd"), "dir/.mvd");
  EXPECT_EQ(result_name("X.COR", ".cor"), "X.cor");
  EXPECT_EQ(result_name("data.mvd", ".mvd"), "data.mvd");
  EXPECT_EQ(derive_base_name("data.txt"), "data.cor");
}

TEST(Naming, LongNamesFit) {
  std::string arg(300, 'n');
  arg += ".dat";
  std::string expected(300, 'n');
  EXPECT_EQ(result_name(arg.c_str(), ".inp"), expected + ".inp");
}

// An input is refused by its own extension only: the part findext finds,
// compared letter for letter with every result extension.
TEST(Naming, RefusedByItsOwnExtension) {
  for (const char *arg : {"x.mvd", ".mvd", "d.txt/x.std", "x.cor", "x.inp", "x.cov", "x.da1", "x.his",
                          "x.eig", "x.fsc", "x.sco", "x.pct", "dir/a.b.std"})
    EXPECT_TRUE(has_result_extension(arg)) << arg;
  for (const char *arg :
       {"sales.corporate.dat", "hospital.inpatients.dat", "v1.core/x.dat", "old.inp/data.txt",
        "my.cortex.txt", "x.mvd2", "x.mvd.txt", "X.COR", "x.Mvd", "mvd", "x.cor/", "data"})
    EXPECT_FALSE(has_result_extension(arg)) << arg;
}

// A result name that is the input itself, through a link or another spelling
// of the same file, is found whatever result it is; other files are not.
TEST(Naming, ResultThatIsTheInputItself) {
  testsupport::TempDir dir;
  const std::string input = dir.file("d.dat");
  testsupport::write_text(input, "1 2\n");
  EXPECT_EQ(result_replacing_input(derive_base_name(input.c_str()), input.c_str()), "");

  testsupport::write_text(dir.file("d.mvd"), "1 2\n");  // a copy is another file
  ASSERT_EQ(symlink("d.dat", dir.file("d.cor").c_str()), 0);
  EXPECT_EQ(result_replacing_input(derive_base_name(input.c_str()), input.c_str()), dir.file("d.cor"));

  const std::string other = dir.file("e.dat");
  testsupport::write_text(other, "1 2\n");
  ASSERT_EQ(link(other.c_str(), dir.file("e.sco").c_str()), 0);
  EXPECT_EQ(result_replacing_input(derive_base_name(other.c_str()), other.c_str()), dir.file("e.sco"));
  ASSERT_EQ(link(other.c_str(), dir.file("e.pct").c_str()), 0);  // the first in writing order
  EXPECT_EQ(result_replacing_input(derive_base_name(other.c_str()), other.c_str()), dir.file("e.pct"));

  EXPECT_EQ(result_replacing_input(derive_base_name("missing.dat"), dir.file("missing.dat").c_str()), "");
}

TEST(ResultFile, CreationAndWriteFailures) {
  testsupport::TempDir dir;
  std::string name = dir.file("sub/x.cor");
  testing::internal::CaptureStderr();
  EXPECT_FAILS(ResultFile(name, ".mvd"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nError: Can't create file: " + dir.file("sub/x.mvd") + "\a\n\nPress enter to continue\n");

  std::string full = dir.file("full.cor");
  std::string err;
  const auto write_past_limit = [&] {
    ResultFile f(full, ".mvd");
    std::fputs("text", f.get());
    f.close();
  };
  EXPECT_EQ(testsupport::with_file_size_limit(2, write_past_limit, &err), 1);
  EXPECT_EQ(err, "\nError: Can't write file: " + dir.file("full.mvd") + "\a\n\nPress enter to continue\n");
}

// Standard input's results are named "stdin"; with a results folder every
// result goes there under the base name of the argument's last component,
// found by '/' alone; without one, other paths are named as always.
TEST(Naming, StandardInputAndTheResultsFolder) {
  struct Case {
    const char *arg, *dir, *want;
  };
  for (const Case &c :
       {Case{"-", "", "stdin.cor"}, Case{"/dev/stdin", "", "stdin.cor"}, Case{"-", "out", "out/stdin.cor"},
        Case{"/dev/stdin", "out/", "out/stdin.cor"}, Case{"./-", "", "./-.cor"},
        Case{"/dev/shm/x.dat", "", "/dev/shm/x.cor"}, Case{"/dev/stdin.dat", "", "/dev/stdin.cor"},
        Case{"a/b/x.dat", "", "a/b/x.cor"}, Case{"a/b/x.dat", "out", "out/x.cor"},
        Case{"a/b/x.dat", "out/", "out/x.cor"}, Case{"x.tar.gz", "o//", "o//x.tar.cor"},
        Case{"x.dat", "/", "/x.cor"}, Case{"run.2/data", "o", "o/data.cor"}, Case{"d/.hidden", "o", "o/.cor"},
        Case{"a\\b.dat", "o", "o/a\\b.cor"}, Case{"c:d.dat", "o", "o/c:d.cor"},
        Case{"x.d\\at", "o", "o/x.d\\at.cor"}})
    EXPECT_EQ(derive_result_base(c.arg, c.dir), c.want) << c.arg << " " << c.dir;
}
