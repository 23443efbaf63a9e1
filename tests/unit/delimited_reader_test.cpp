// A delimited table into the data table: examination, reading, the rows
// left out, and every error with the name shown and the place.
#include "input/delimited_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "diagnostics.h"
#include "support.h"

using testsupport::TempDir;

namespace {

struct Read {
  DelimitedExamination ex;
  unsigned rows = 0;
  LeftOut left_out;
  std::vector<std::vector<double>> data;  // in internal order
  std::string out, err;
  bool failed = false;
};

// Reads `text` from a file "in", shown as "t.csv", as the driver does; the
// variable order is reversed when `reverse`.
Read read_table(const std::string &text, int names = -1, bool missing = false, bool reverse = false,
                char sep = ',', int quiet = 1) {
  TempDir dir;
  testsupport::write_text(dir.file("in"), text);
  Read r;
  DataStore store;
  const Reporter report(quiet, 0);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  try {
    r.ex = examine_delimited(dir.file("in").c_str(), "t.csv", sep, names, report);
    store.allocate(r.ex.rows, r.ex.cols, 30);
    for (unsigned i = 0; i < r.ex.cols; ++i)
      store.sortarr[i] = static_cast<int>(reverse ? r.ex.cols - 1 - i : i);
    r.rows = read_delimited(dir.file("in").c_str(), "t.csv", sep, r.ex, missing, store, r.left_out, report);
    for (unsigned i = 0; i < r.rows; ++i) r.data.emplace_back(store.dd[i], store.dd[i] + r.ex.cols);
  } catch (const Failure &failure) {
    report_failure(failure);
    r.failed = true;
  }
  r.err = testing::internal::GetCapturedStderr();
  r.out = testing::internal::GetCapturedStdout();
  return r;
}

std::string error_text(const std::string &message) {
  return "\nError: " + message + "\nPress enter to continue\n";
}

using Rows = std::vector<std::vector<double>>;

}  // namespace

TEST(DelimitedReader, RowNamesAndLabelsLeftOutTheRestInOrder) {
  // R's write.csv of a data frame with a factor.
  const Read r = read_table(
      "\"\",\"len\",\"kind\",\"dose\"\n\"1\",4.2,\"VC\",0.5\n\"2\",11.5,\"VC\",1\n\"3\",7.3,\"OJ\",2\n", -1,
      false, false, ',', 0);
  ASSERT_FALSE(r.failed) << r.err;
  EXPECT_EQ(
      r.out,
      "\nExamining file: t.csv\nColumn 1 () left out: not numeric\nColumn 3 (kind) left out: not numeric\n");
  EXPECT_EQ(r.ex.columns, (std::vector<std::size_t>{1, 3}));
  EXPECT_EQ(r.data, (Rows{{4.2, 0.5}, {11.5, 1}, {7.3, 2}}));
  // Progress figures on standard error, as for a whitespace table.
  EXPECT_EQ(r.err.substr(r.err.size() - 11), "100%\r\r    \r");
}

TEST(DelimitedReader, ColumnsGoThroughTheVariableOrder) {
  const Read r = read_table("a;b;c\n1;2;3\n4;5;6\n", -1, false, true, ';');
  EXPECT_EQ(r.data, (Rows{{3, 2, 1}, {6, 5, 4}}));
  // Without a header a text column is named by its first field.
  const Read t = read_table("x,1\ny,2\n", 0, false, false, ',', 0);
  EXPECT_EQ(t.out, "\nExamining file: t.csv\nColumn 1 (x) left out: not numeric\n");
  EXPECT_EQ(t.data, (Rows{{1}, {2}}));
}

TEST(DelimitedReader, ListwiseDeletion) {
  const Read r = read_table("a,b\n1,2\n,3\n4,NA\n5,nan\n6, 7\n8,.\n", -1, true);
  ASSERT_FALSE(r.failed) << r.err;
  EXPECT_EQ(r.data, (Rows{{1, 2}, {6, 7}}));
  EXPECT_EQ(r.left_out.count, 4u);
  EXPECT_EQ(r.left_out.lines, (std::vector<long>{3, 4, 5, 7}));
  // The line of a row is the one it starts on.
  const Read q = read_table("a,b\n\"1\n\",NA\n2,3\n", -1, true);
  EXPECT_EQ(q.left_out.lines, (std::vector<long>{2}));
  EXPECT_EQ(q.data, (Rows{{2, 3}}));
  // A missing value in a column left out does not count.
  const Read c = read_table(",a,name\nNA,1,\n2,3,x\n", -1, true);
  EXPECT_EQ(c.left_out.count, 0u);
  EXPECT_EQ(c.data, (Rows{{1}, {3}}));
}

TEST(DelimitedReader, OneColumnTableWithEmptyLines) {
  const Read r = read_table("x\n1\n\n3\n", -1, true);
  EXPECT_EQ(r.data, (Rows{{1}, {3}}));
  EXPECT_EQ(r.left_out.lines, (std::vector<long>{3}));
}

// The messages themselves are end-to-end cases (tests/e2e/cases.txt); here
// the file opened is "in" while "t.csv" is shown, and a field is named by the
// line it starts on.
TEST(DelimitedReader, ErrorsNameTheShownNameAndThePlace) {
  const std::pair<const char *, const char *> cases[] = {
      {"a,b\n1,\"\n2\"\n3, 12abc \n", "Not a number in t.csv line 4 column 2: \" 12abc \"\a\n"},
      {"a,b\n1,\"x\n2\"\n3,4\n", "Not a number in t.csv line 2 column 2: \"x\n2\"\a\n"},
      {"a\n1\n\"1\"2\n", "Not a number in t.csv line 3 column 1: \"\"1\"2\"\a\n"},
      {"a,b\n1,2\n3,4,5\n", "Wrong row length: t.csv line 3\a\n"},
      {"a,b\n1,2\n3,\"4\n", "Unclosed quote in t.csv line 3 column 2\a\n"},
  };
  for (const auto &[text, message] : cases) {
    const Read r = read_table(text);
    EXPECT_TRUE(r.failed) << text;
    EXPECT_EQ(r.err, error_text(message)) << text;
  }
}
