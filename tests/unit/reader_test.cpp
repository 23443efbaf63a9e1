#include "input/reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "contract/lines.h"
#include "diagnostics.h"
#include "input/readahead.h"
#include "myfgets.h"
#include "support.h"

using testsupport::TempDir;

TEST(Scanline, CountsTheLeadingNumbers) {
  EXPECT_EQ(scanline("1 2 3\n"), 3);
  EXPECT_EQ(scanline("\n"), 0);
  EXPECT_EQ(scanline(""), 0);
  EXPECT_EQ(scanline("abc 1"), 0);
  EXPECT_EQ(scanline("1 2 3 xyz 4"), 3);
  EXPECT_EQ(scanline("1,2,3"), 1);
  EXPECT_EQ(scanline("1 2 3 # note"), 3);
  EXPECT_EQ(scanline("  # note"), 0);
  EXPECT_EQ(scanline("-2.5E-3 .5 1e5 0x1p3 inf nan"), 6);
  EXPECT_EQ(scanline("1 2\r\n"), 2);
}

namespace {

// Every piece myfgets returns, over the whole file.
std::vector<std::string> pieces(const std::string &text, std::size_t n, const char *comments = "#;!") {
  TempDir dir;
  testsupport::write_text(dir.file("in"), text);
  LineReader in;
  EXPECT_TRUE(in.open(dir.file("in").c_str()));
  std::vector<char> buf(n);
  std::vector<std::string> out;
  std::size_t len = 0;
  while (myfgets_c(buf.data(), n, in, comments, &len) != nullptr) out.emplace_back(buf.data(), len);
  return out;
}

}  // namespace

TEST(Myfgets, SkipsCommentLinesWhole) {
  EXPECT_EQ(pieces("# head\n1 2\n;x\n!y\n3 4\n", 256), (std::vector<std::string>{"1 2\n", "3 4\n"}));
  // A comment much longer than the buffer is skipped whole, not piece by piece.
  // Built by appending: g++ 12 warns falsely (-Wrestrict) about "#" + std::string.
  std::string longc(1, '#');
  longc.append(1000, 'c');
  longc += " 5 6\n";
  EXPECT_EQ(pieces(longc + "1 2\n" + longc, 16), (std::vector<std::string>{"1 2\n"}));
  // Only the very first byte marks a comment.
  EXPECT_EQ(pieces(" # x\n", 256), (std::vector<std::string>{" # x\n"}));
  // Without comment characters it reads every piece.
  EXPECT_EQ(pieces("#a\n", 256, nullptr), (std::vector<std::string>{"#a\n"}));
}

TEST(Myfgets, LongDataLinesComeInPieces) {
  EXPECT_EQ(pieces("123456789\nab", 5), (std::vector<std::string>{"1234", "5678", "9\n", "ab"}));
}

TEST(Myfgets, NulBytes) {
  // A line whose first byte is NUL counts as a comment; a NUL later in a line
  // does not hide its newline.
  std::string text("\0x\n1\0 2\n3\n", 10);
  std::vector<std::string> got = pieces(text, 256);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], std::string("1\0 2\n", 5));
  EXPECT_EQ(got[1], "3\n");
}

TEST(Myfgets, EndOfFileIndicatorAsFgets) {
  TempDir dir;
  testsupport::write_text(dir.file("in"), "1\n2");
  LineReader in;
  ASSERT_TRUE(in.open(dir.file("in").c_str()));
  char buf[16];
  ASSERT_NE(myfgets(buf, sizeof buf, in), nullptr);
  EXPECT_FALSE(in.eof());  // stopped at the newline
  ASSERT_NE(myfgets(buf, sizeof buf, in), nullptr);
  EXPECT_TRUE(in.eof());  // stopped at the end of the file
  EXPECT_EQ(myfgets(buf, sizeof buf, in), nullptr);
}

TEST(ParseLine, StoresThroughTheOrderAndTruncates) {
  double row[3] = {0, 0, 0};
  const int order[3] = {1, 2, 0};
  EXPECT_EQ(parse_line("10 20 30\n", row, order, 3, 0, Reporter(0, 0)), 3u);
  EXPECT_EQ(row[0], 30);
  EXPECT_EQ(row[1], 10);
  EXPECT_EQ(row[2], 20);

  const int natural[3] = {0, 1, 2};
  testing::internal::CaptureStderr();
  EXPECT_EQ(parse_line("4 5 6 7\n", row, natural, 3, 1, Reporter(0, 0)), 3u);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Line contains to many columns (>3 colums). Truncating row 1.\n");
  EXPECT_EQ(row[2], 6);
}

TEST(ParseLine, SixteenNumbersAndLongLines) {
  std::vector<double> row(1000);
  std::vector<int> order(1000);
  for (int i = 0; i < 1000; ++i) order[i] = i;
  std::string text;
  for (int i = 0; i < 16; ++i) text += std::to_string(i) + " ";
  EXPECT_EQ(parse_line(text.c_str(), row.data(), order.data(), 1000, 0, Reporter(0, 0)), 16u);
  EXPECT_EQ(row[15], 15);
  text.clear();
  for (int i = 0; i < 1000; ++i) text += std::to_string(i * 0.5) + "\t";
  EXPECT_EQ(parse_line(text.c_str(), row.data(), order.data(), 1000, 0, Reporter(0, 0)), 1000u);
  EXPECT_EQ(row[999], 499.5);
}

namespace {

struct ReadResult {
  Examination ex;
  unsigned rows = 0, cols = 0;
  std::vector<std::vector<double>> data;
  std::string out, err;
  int status = -1;  // -1: no fatal end
};

// Examines and reads `text` as the driver does (natural order, or the order
// `sortarr`): in one pass with `ahead`, else counted first and read after.
ReadResult read_once_or_twice(const TempDir &dir, int quiet, bool ahead, const std::vector<int> &order) {
  ReadResult res;
  LineBuffer line;
  DataStore store;
  ReadAhead read_ahead;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  try {
    LineReader in;
    const Reporter report(quiet, 0);
    res.ex = examine_file(dir.file("in").c_str(), line, report, in, nullptr, ahead ? &read_ahead : nullptr);
    store.allocate(res.ex.rows, res.ex.cols, 30);
    for (unsigned i = 0; i < res.ex.cols; ++i)
      store.sortarr[i] = i < order.size() ? order[i] : static_cast<int>(i);
    res.rows = res.ex.rows;
    res.cols = res.ex.cols;
    if (res.ex.read_ahead)
      read_ahead.deliver(store, &res.rows, &res.cols, report);
    else
      read_file(in, &res.rows, &res.cols, res.ex.fsize, store, res.ex.rows, res.ex.cols, report);
    for (unsigned r = 0; r < res.rows; ++r) res.data.emplace_back(store.dd[r], store.dd[r] + res.cols);
  } catch (const Failure &failure) {
    report_failure(failure);
    res.status = 1;
  } catch (const ExitRequest &e) {
    res.status = e.status;
  }
  res.err = testing::internal::GetCapturedStderr();
  res.out = testing::internal::GetCapturedStdout();
  return res;
}

bool same_table(const ReadResult &a, const ReadResult &b) {
  if (a.data.size() != b.data.size()) return false;
  for (std::size_t r = 0; r < a.data.size(); ++r)
    if (a.data[r].size() != b.data[r].size() ||
        std::memcmp(a.data[r].data(), b.data[r].data(), a.data[r].size() * sizeof(double)) != 0)
      return false;
  return true;
}

// Both ways of reading must give the same count, the same table bit for
// bit, the same terminal bytes and the same end; the one-pass result is
// returned.
ReadResult read_text_file(const std::string &text, int quiet = 1, const std::vector<int> &order = {}) {
  TempDir dir;
  testsupport::write_text(dir.file("in"), text);
  ReadResult twice = read_once_or_twice(dir, quiet, false, order);
  ReadResult once = read_once_or_twice(dir, quiet, true, order);
  EXPECT_EQ(once.ex.rows, twice.ex.rows);
  EXPECT_EQ(once.rows, twice.rows);
  EXPECT_EQ(once.cols, twice.cols);
  EXPECT_TRUE(same_table(once, twice));
  EXPECT_EQ(once.out, twice.out);
  EXPECT_EQ(once.err, twice.err);
  EXPECT_EQ(once.status, twice.status);
  return once;
}

}  // namespace

TEST(ReadFile, LastLineWithoutNewline) {
  ReadResult r = read_text_file("1 2 3");
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.rows, 1u);
  EXPECT_EQ(r.cols, 3u);
  EXPECT_EQ(r.data[0], (std::vector<double>{1, 2, 3}));
}

TEST(ReadFile, TruncatesLongRows) {
  ReadResult r = read_text_file("1 2 3\n4 5 6 7\n");
  EXPECT_EQ(r.rows, 2u);
  EXPECT_EQ(r.data[1], (std::vector<double>{4, 5, 6}));
  EXPECT_EQ(r.err, "Line contains to many columns (>3 colums). Truncating row 1.\n");
}

TEST(ReadFile, WrongRowLength) {
  ReadResult r = read_text_file("1 2 3\n4 5\n7 8 9\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "\nError: Wrong row length: Row 2\a\n\nPress enter to continue\n");
  ReadResult empty_line = read_text_file("1 2\n3 4\n\n");
  EXPECT_EQ(empty_line.status, 1);
  EXPECT_EQ(empty_line.err, "\nError: Wrong row length: Row 3\a\n\nPress enter to continue\n");
}

TEST(ReadFile, ShortLastLineWithoutNewlineIsDropped) {
  ReadResult r = read_text_file("1 2 3\n4 5 6\n7 8");
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.rows, 2u);
  EXPECT_EQ(r.err, "");
}

TEST(ReadFile, CommentsAnywhere) {
  ReadResult r = read_text_file("# a\n1 2\n; b\n3 4\n! c\n#" + std::string(5000, 'x') + "\n5 6\n# end\n");
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.ex.rows, 3u);
  ASSERT_EQ(r.rows, 3u);
  EXPECT_EQ(r.data[2], (std::vector<double>{5, 6}));
}

TEST(ReadFile, LongCommentHeaderBeforeShortData) {
  // A header naming hundreds of columns, far longer than the reader's buffer.
  std::string header = "#";
  for (int i = 0; i < 400; ++i) header += " col" + std::to_string(i);
  ReadResult r = read_text_file(header + "\n1 2\n" + header + "\n3 4\n");
  EXPECT_EQ(r.status, -1) << r.err;
  EXPECT_EQ(r.rows, 2u);
}

TEST(ReadFile, GrowsTheBufferForALongerLine) {
  std::string first(100, ' ');
  first.replace(0, 3, "1 2");
  std::string later = "3 4" + std::string(297, ' ');
  ReadResult r = read_text_file(first + "\n" + later + "\n5 6\n");
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.rows, 3u);
  EXPECT_EQ(r.err, "\nMessage: Line to long (>256). Rereading.\n\nPress enter to continue\n");
}

TEST(ReadFile, FirstLineLongerThanAMillionCharacters) {
  std::string first = "1 2" + std::string(1200000, ' ') + "trailing text";
  ReadResult r = read_text_file(first + "\n3 4\n");
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.cols, 2u);
  EXPECT_EQ(r.rows, 2u);
  // One message for each doubling of the 40960-byte line buffer, up to 1310720.
  std::string expected;
  for (long size = 40960; size < 1310720; size *= 2)
    expected +=
        "\nMessage: Line to long (>" + std::to_string(size) + "). Rereading.\n\nPress enter to continue\n";
  EXPECT_EQ(r.err, expected);
}

TEST(ReadFile, FileThatGrowsAfterTheCount) {
  TempDir dir;
  testsupport::write_text(dir.file("in"), "1 2\n3 4\n");
  LineBuffer line;
  DataStore store;
  LineReader in;
  Examination ex = examine_file(dir.file("in").c_str(), line, Reporter(1, 0), in);
  store.allocate(ex.rows, ex.cols, 30);
  store.sortarr[0] = 0;
  store.sortarr[1] = 1;
  testsupport::write_text(dir.file("in"), "1 2\n3 4\n5 6\n");
  unsigned rows = ex.rows, cols = ex.cols;
  testing::internal::CaptureStderr();
  EXPECT_FAILS(read_file(in, &rows, &cols, ex.fsize, store, ex.rows, ex.cols, Reporter(1, 0)));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nError: Too many data series: >2\a\n\nPress enter to continue\n");
}

TEST(ReadFile, NulInsideALine) {
  ReadResult r = read_text_file(std::string("1 2\n3\0 9 9\n5 6\n", 15));
  // The NUL ends what the conversion sees: the second line holds one number.
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "\nError: Wrong row length: Row 2\a\n\nPress enter to continue\n");
  ReadResult ok = read_text_file(std::string("1 2\n3 4\0 x\n5 6\n", 15));
  EXPECT_EQ(ok.status, -1);
  EXPECT_EQ(ok.rows, 3u);
}

TEST(ReadFile, OddNumbers) {
  ReadResult r = read_text_file("1e400 -0 nan inf 0x1p-2 1\r\n");
  ASSERT_EQ(r.status, -1);
  ASSERT_EQ(r.cols, 6u);
  EXPECT_TRUE(std::isinf(r.data[0][0]));
  EXPECT_TRUE(std::signbit(r.data[0][1]));
  EXPECT_TRUE(std::isnan(r.data[0][2]));
  EXPECT_EQ(r.data[0][4], 0.25);
}

TEST(ReadFile, WhiteSpaceOnlyLineIsAShortRow) {
  ReadResult r = read_text_file("1 2\n   \t \n3 4\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "\nError: Wrong row length: Row 2\a\n\nPress enter to continue\n");
}

TEST(Examination, FailsOnEmptyFilesAndLinesWithoutNumbers) {
  ReadResult empty = read_text_file("");
  EXPECT_EQ(empty.status, 1);
  EXPECT_EQ(empty.err, "\nError: Can't read file\nPress enter to continue\n");
  ReadResult comments = read_text_file("# only\n# comments\n");
  EXPECT_EQ(comments.err, "\nError: Can't read file\nPress enter to continue\n");
  ReadResult words = read_text_file("a b c\n1 2 3\n");
  EXPECT_EQ(words.err, "\nError: Too few variables\n\nPress enter to continue\n");
}

TEST(Examination, CountsRowsAndPrintsProgress) {
  ReadResult r = read_text_file("# c\n1\n2\n# c\n3\n", 0);
  EXPECT_EQ(r.ex.rows, 3u);
  EXPECT_EQ(r.ex.cols, 1u);
  EXPECT_EQ(r.ex.fsize, 14);
  EXPECT_NE(r.out.find("\nExamining file: "), std::string::npos);
  // Progress figures after each row, then the clearing sequence.
  // 14 bytes: after each row the position over 14 * 0.01, truncated.
  EXPECT_EQ(r.err, "042%\r057%\r099%\r\r    \r");
}

TEST(Examination, UnreadableInput) {
  TempDir dir;
  LineBuffer line;
  LineReader in;
  testing::internal::CaptureStderr();
  EXPECT_FAILS(examine_file(dir.file("missing").c_str(), line, Reporter(1, 0), in));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nError: Can't read file " + dir.file("missing") + "\n\nPress enter to continue\n");
  testing::internal::CaptureStderr();
  EXPECT_FAILS(examine_file(dir.path().c_str(), line, Reporter(1, 0), in));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "\nError: Can't read file\nPress enter to continue\n");
}

namespace {

// Reads `text` as the driver does with --names and --missing as `choices`
// say: the rows stored and the lines left out.
struct ChoiceRead {
  Examination ex;
  std::vector<std::vector<double>> data;
  std::vector<long> left_lines;
  unsigned left_count = 0;
  std::string err;
};

ChoiceRead read_with(const std::string &text, ReadChoices choices) {
  TempDir dir;
  testsupport::write_text(dir.file("in"), text);
  ChoiceRead res;
  LineBuffer line;
  DataStore store;
  LeftOut left;
  testing::internal::CaptureStderr();
  try {
    LineReader in;
    res.ex = examine_file("shown", line, Reporter(1, 0), in, dir.file("in").c_str(), nullptr, choices);
    store.allocate(res.ex.rows, res.ex.cols, 30);
    for (unsigned i = 0; i < res.ex.cols; ++i) store.sortarr[i] = static_cast<int>(i);
    unsigned rows = 0, cols = 0;
    read_file(in, &rows, &cols, res.ex.fsize, store, res.ex.rows, res.ex.cols, Reporter(1, 0), choices,
              &left);
    for (unsigned r = 0; r < rows; ++r) res.data.emplace_back(store.dd[r], store.dd[r] + cols);
  } catch (const Failure &failure) {
    report_failure(failure);
  }
  res.err = testing::internal::GetCapturedStderr();
  res.left_lines = left.lines;
  res.left_count = left.count;
  return res;
}

}  // namespace

TEST(ReadChoices, NamesLinePassedOver) {
  ChoiceRead r =
      read_with("# about\nsepal petal species\n# units\n5.1 1.4 setosa\n7.0 4.7 versicolor\n", {true, false});
  EXPECT_EQ(r.ex.rows, 2u);
  EXPECT_EQ(r.ex.cols, 2u);
  EXPECT_EQ(r.data, (std::vector<std::vector<double>>{{5.1, 1.4}, {7.0, 4.7}}));
  // A names line far longer than every buffer; numbers in it are names too.
  std::string names(70000, 'n');
  names += " 1 2\n";
  r = read_with(names + "1 2\n3 4\n", {true, false});
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.data, (std::vector<std::vector<double>>{{1, 2}, {3, 4}}));
  r = read_with("1 2 3\n4 5\n6 7\n", {true, false});
  EXPECT_EQ(r.data, (std::vector<std::vector<double>>{{4, 5}, {6, 7}}));
  // The name shown is the one in the messages; the names line alone is no table.
  r = read_with("a b\n", {true, false});
  EXPECT_EQ(r.err, "\nError: Can't read file\nPress enter to continue\n");
}

TEST(ReadChoices, MissingRowsLeftOutWithTheirLines) {
  ChoiceRead r = read_with("# c\n1 NA 3\n4 5 6\n; c\n! c\n7 8 nan\n. 1 2\n9 8 7\nnull 0 N/A", {false, true});
  EXPECT_EQ(r.ex.cols, 3u);
  EXPECT_EQ(r.data, (std::vector<std::vector<double>>{{4, 5, 6}, {9, 8, 7}}));
  EXPECT_EQ(r.left_count, 4u);
  EXPECT_EQ(r.left_lines, (std::vector<long>{2, 6, 7, 9}));
  // A line longer than the reader's buffer is read again; its number stays.
  std::string wide = "1 2\n";
  wide += std::string(600, ' ') + "NA 2\n3 4\n";
  r = read_with(wide, {false, true});
  EXPECT_EQ(r.left_lines, (std::vector<long>{2}));
  EXPECT_EQ(r.data, (std::vector<std::vector<double>>{{1, 2}, {3, 4}}));
  // Both choices at once; a short row still ends the run as "Row N", counted
  // among the rows read, those left out included.
  r = read_with("a b\nNA 1\n2 3\n4\n5 6\n", {true, true});
  EXPECT_EQ(r.err, "\nError: Wrong row length: Row 3\a\n\nPress enter to continue\n");
  r = read_with("NA NA\n1 NA\n", {false, true});
  EXPECT_TRUE(r.data.empty());
  EXPECT_EQ(r.left_count, 2u);
}

// Where every data line fits the buffers the count and the reading are one
// pass; a longer line sends the file back to the two passes, whose notices
// the one pass could not give. Either way the results are those of reading
// twice (read_text_file compares them).
TEST(ReadAhead, OnePassWhereEveryLineFits) {
  struct Case {
    std::string text;
    bool one_pass;
  };
  std::string long_row = "1 2 3";
  for (int i = 0; i < 200; ++i) long_row += " 4";
  std::string long_comment(1, '#');
  long_comment.append(60000, 'c');
  long_comment += '\n';
  const Case cases[] = {
      {"1 2 3\n4 5 6\n", true},
      {"# head\n1 2 3\n; note\n4 5 6\n!\n7 8 9", true},
      {long_comment + "1 2\n" + long_comment + "3 4\n", true},  // comments are skipped whole
      {"1 2 3\n4 5 6 7\n8 9 10\n", true},                       // a row cut short, with its notice
      {"1 2 3\n4 5\n7 8 9\n", true},                            // wrong row length
      {"1 2 3\n4 5 6\n7 8", true},                              // short last line dropped
      {"1 2 3\n\n", true},                                      // empty last line
      {"1 2 3\n" + long_row + "\n7 8 9\n", false},              // longer than the reading buffer
      {"1 2 3\n4 5 6\n" + long_row, false},
      {std::string("1 2\n\0 9 9\n3 4\n", 14), true},  // a NUL-first line is a comment
      {"1e 5 2\n1e 5 2\n", true},                     // "%lg" reads more than strtod
  };
  // More lines after a wrong row length than rows of three fit the file:
  // the rows are copied into a table of their own instead of taken over.
  std::string short_lines = "1 2 3\n4 5\n";
  for (int i = 0; i < 100; ++i) short_lines += "1\n";
  ReadResult copied = read_text_file(short_lines, 0);
  EXPECT_TRUE(copied.ex.read_ahead);
  EXPECT_EQ(copied.ex.rows, 102u);
  for (const Case &c : cases) {
    ReadResult r = read_text_file(c.text, 0);
    EXPECT_EQ(r.ex.read_ahead, c.one_pass) << c.text.substr(0, 40);
  }
  // Another order of the variables puts the same values elsewhere.
  read_text_file("1 2 3\n4 5 6\n7 8 9\n", 1, {2, 0, 1});
}

// Tables of many rows, whose values fill several blocks of the read-ahead.
TEST(ReadAhead, ManyRows) {
  std::string text;
  for (int r = 0; r < 200000; ++r) text += std::to_string(r) + " " + std::to_string(r * 0.25) + " -1e-3\n";
  ReadResult res = read_text_file(text, 0, {1, 2, 0});
  EXPECT_TRUE(res.ex.read_ahead);
  EXPECT_EQ(res.rows, 200000u);
  EXPECT_EQ(res.data[199999][1], 199999.0);  // file column 0 goes to internal column 1
  EXPECT_EQ(res.data[199999][2], 49999.75);
  EXPECT_EQ(res.data[199999][0], -1e-3);
}
