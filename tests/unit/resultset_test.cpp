#include "output/resultset.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "contract/naming.h"
#include "support.h"

namespace {

// Claims the arguments in order (each inside `dir`) and returns, for each,
// the earlier argument it clashed with, or "-".
std::vector<std::string> clashes(const testsupport::TempDir &dir, const std::vector<std::string> &args) {
  ResultSets sets;
  std::vector<std::string> full, out;
  for (const std::string &a : args) full.push_back(dir.path() + "/" + a);
  for (const std::string &a : full) {
    const char *earlier = sets.claim(a.c_str(), derive_base_name(a.c_str()));
    out.push_back(earlier == nullptr ? "-" : std::string(earlier).substr(dir.path().size() + 1));
  }
  return out;
}

}  // namespace

TEST(ResultSets, SameDirectoryAndBaseNameClash) {
  testsupport::TempDir dir;
  ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
  ASSERT_EQ(symlink("sub", dir.file("link").c_str()), 0);
  using V = std::vector<std::string>;
  EXPECT_EQ(clashes(dir, {"a.dat", "a.txt"}), (V{"-", "a.dat"}));
  EXPECT_EQ(clashes(dir, {"x.dat", "./x.dat"}), (V{"-", "x.dat"}));
  EXPECT_EQ(clashes(dir, {"x.dat", "x.dat"}), (V{"-", "x.dat"}));
  EXPECT_EQ(clashes(dir, {"data", "data.txt"}), (V{"-", "data"}));
  EXPECT_EQ(clashes(dir, {"sub/x.dat", "link/x.dat"}), (V{"-", "sub/x.dat"}));
  EXPECT_EQ(clashes(dir, {"sub/x.dat", "sub/../x.txt", "x.txt"}), (V{"-", "-", "sub/../x.txt"}));
  EXPECT_EQ(clashes(dir, {"a.dat", "b.dat", "a.txt", "b.txt"}), (V{"-", "-", "a.dat", "b.dat"}));
}

TEST(ResultSets, DifferentFilesDoNotClash) {
  testsupport::TempDir dir;
  ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
  using V = std::vector<std::string>;
  EXPECT_EQ(clashes(dir, {"sub/x.dat", "x.dat"}), (V{"-", "-"}));
  EXPECT_EQ(clashes(dir, {"a.dat", "A.dat"}), (V{"-", "-"}));
  EXPECT_EQ(clashes(dir, {"a.b.c", "a.b"}), (V{"-", "-"}));
  // A directory that does not exist claims nothing; its input is missing.
  EXPECT_EQ(clashes(dir, {"missing/x.dat", "missing/x.dat"}), (V{"-", "-"}));
}
