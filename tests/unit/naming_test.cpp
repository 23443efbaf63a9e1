#include "output/naming.h"

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

TEST(Naming, RefusedArguments) {
  for (const char *arg : {"x.cor", "x.inp", "my.cortex.txt", "old.inp/data.txt"}) {
    testing::internal::CaptureStderr();
    EXPECT_THROW(derive_base_name(arg), ExitRequest) << arg;
    EXPECT_EQ(
        testing::internal::GetCapturedStderr(),
        "\nError: The infile extension may not be one of .cor and .inp.\a\n\nPress enter to continue\n");
  }
}

TEST(ResultFile, CreationAndWriteFailures) {
  testsupport::TempDir dir;
  std::string name = dir.file("sub/x.cor");
  testing::internal::CaptureStderr();
  EXPECT_THROW(ResultFile(name, ".mvd"), ExitRequest);
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
