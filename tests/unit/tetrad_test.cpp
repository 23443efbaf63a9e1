#include "output/tetrad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "diagnostics.h"
#include "support.h"

using testsupport::read_text;
using testsupport::TempDir;

using testsupport::kQuietReport;
using testsupport::kReport;

namespace {

void unit_matrix(DataStore &store, unsigned m, unsigned rows = 25) {
  store.allocate(rows, m, 30);
  for (unsigned i = 0; i < m; ++i) {
    store.cc[i][i] = 1.0;
    store.sortarr[i] = store.sortarr1[i] = i;
  }
}

std::string write_inp(DataStore &store, unsigned m, bool split, std::string *out = nullptr) {
  TempDir dir;
  std::string name = dir.file("t.cor");
  testing::internal::CaptureStdout();
  write_tet(name, store, 25, m, kQuietReport, split);
  std::string printed = testing::internal::GetCapturedStdout();
  if (out != nullptr) *out = printed;
  return read_text(dir.file("t.inp"));
}

}  // namespace

TEST(Tetrad, ThreeVariableExample) {
  DataStore store;
  unit_matrix(store, 3);
  store.cc[0][1] = store.cc[1][0] = 0.5;
  store.cc[0][2] = store.cc[2][0] = -0.25;
  store.cc[1][2] = store.cc[2][1] = 0.125;
  EXPECT_EQ(write_inp(store, 3, false),
            "/Covariance\n25\nx1 x2 x3 \n   1.0000\n   0.5000   1.0000\n  -0.2500   0.1250   1.0000\n");
  TempDir dir;
  std::string name = dir.file("t.cor");
  testing::internal::CaptureStdout();
  write_teto(name, store, 25, 3, kReport);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Writing file: " + dir.file("t.da1") + "\n");
  EXPECT_EQ(read_text(dir.file("t.da1")),
            "75\n 1.0 a0 a0\n 1.0 a1 a1\n 1.0 a2 a2\n 0.50000 a0 a1\n-0.25000 a0 a2\n 0.12500 a1 a2\n");
}

TEST(Tetrad, OneVariable) {
  DataStore store;
  unit_matrix(store, 1);
  EXPECT_EQ(write_inp(store, 1, false), "/Covariance\n25\nx1 \n   1.0000\n");
  TempDir dir;
  std::string name = dir.file("t.cor");
  write_teto(name, store, 25, 1, kQuietReport);
  EXPECT_EQ(read_text(dir.file("t.da1")), "25\n 1.0 a0 a0\n");
}

TEST(Tetrad, SplitLabelsAndRows) {
  DataStore twenty;
  unit_matrix(twenty, 20);
  std::string printed;
  std::string inp = write_inp(twenty, 20, true, &printed);
  EXPECT_EQ(printed, "Using split\n");
  std::string labels;
  for (int i = 1; i <= 20; ++i) {
    labels += 'x';
    labels += std::to_string(i);
    labels += ' ';
  }
  std::string head = "/Covariance\n25\n";
  head += labels;
  head += '\n';
  EXPECT_EQ(inp.substr(0, inp.find("   1.0000")), head);

  DataStore many;
  unit_matrix(many, 21);
  inp = write_inp(many, 21, true);
  std::string two_label_lines = labels;
  two_label_lines += "\nx21 \n   1.0000\n";
  EXPECT_NE(inp.find(two_label_lines), std::string::npos);
  // Row 10 fills one line of 11 values; row 11 is a line of 11 and a line of 1.
  std::string eleven;
  for (int i = 0; i < 10; ++i) eleven += "   0.0000";
  EXPECT_NE(inp.find("\n" + eleven + "   1.0000\n" + eleven + "   0.0000\n   1.0000\n"), std::string::npos)
      << inp;
  // Without splitting, every row is one line.
  std::string plain = write_inp(many, 21, false);
  int lines = 0;
  for (char c : plain) lines += c == '\n';
  EXPECT_EQ(lines, 3 + 21);
}

TEST(Tetrad, ReversedLabels) {
  DataStore store;
  unit_matrix(store, 3);
  for (int i = 0; i < 3; ++i) store.sortarr1[i] = 2 - i;
  EXPECT_EQ(write_inp(store, 3, false).substr(0, 27), "/Covariance\n25\nx3 x2 x1 \n  ");
}

TEST(Tetrad, OldLayoutLimit) {
  DataStore ok;
  unit_matrix(ok, 250, 2);
  TempDir dir;
  std::string name = dir.file("t.cor");
  write_teto(name, ok, 2, 250, kQuietReport);
  std::string da1 = read_text(dir.file("t.da1"));
  EXPECT_EQ(da1.substr(0, 4), "500\n");
  EXPECT_NE(da1.find(" 1.0 y9 y9\n"), std::string::npos);
  EXPECT_NE(da1.find(" 0.00000 x8 y9\n"), std::string::npos);
  EXPECT_EQ(da1.substr(da1.size() - 15), " 0.00000 y8 y9\n");

  DataStore too_many;
  unit_matrix(too_many, 251, 2);
  std::string other = dir.file("u.cor");
  testing::internal::CaptureStderr();
  EXPECT_FAILS(write_teto(other, too_many, 2, 251, kQuietReport));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nError: Too many variables for old tetrad\nPress enter to continue\n");
  EXPECT_FALSE(testsupport::exists(dir.file("u.da1")));
}

// NaN, infinity, signed zero and a value wider than its field, as printf
// shows them with " %8.4f" and "%8.5f".
TEST(Tetrad, NonFiniteAndWideValues) {
  DataStore store;
  unit_matrix(store, 3);
  store.cc[0][1] = store.cc[1][0] = std::nan("");
  store.cc[0][2] = store.cc[2][0] = -HUGE_VAL;
  store.cc[1][2] = store.cc[2][1] = -0.0;
  store.cc[2][2] = 12345.678;
  EXPECT_EQ(write_inp(store, 3, false),
            "/Covariance\n25\nx1 x2 x3 \n   1.0000\n      nan   1.0000\n     -inf  -0.0000 12345.6780\n");
  TempDir dir;
  std::string name = dir.file("t.cor");
  write_teto(name, store, 25, 3, kQuietReport);
  EXPECT_EQ(read_text(dir.file("t.da1")),
            "75\n 1.0 a0 a0\n 1.0 a1 a1\n 1.0 a2 a2\n     nan a0 a1\n    -inf a0 a2\n-0.00000 a1 a2\n");
}
