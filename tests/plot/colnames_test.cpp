#include "colnames.h"

#include <gtest/gtest.h>

#include "support.h"

TEST(ColumnNames, TheLastCommentLineAboveTheFirstDataLine) {
  using S = ColumnNames::Source;
  struct Case {
    const char *text;
    S source;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"# a b c\n1 2 3\n", S::header, {"a", "b", "c"}},
      {"#a b c\n  1 2 3\n", S::header, {"a", "b", "c"}},
      {"; one\ttwo  three\r\n1 2 3\r\n", S::header, {"one", "two", "three"}},
      {"# about the data\n! p q\n4.5 -1e3\n", S::header, {"p", "q"}},
      {"# first\n# x y z\n1 2 3 trailing text\n", S::header, {"x", "y", "z"}},
      // A word count that differs from the column count names nothing.
      {"# a b\n1 2 3\n", S::no_header, {}},
      {"# a b c d\n1 2 3\n", S::no_header, {}},
      // Only the last comment line above the data counts.
      {"# a b c\n# note\n1 2 3\n", S::no_header, {}},
      {"# a b c\n;\n1 2 3\n", S::no_header, {}},
      // The comment mark is the first character and nothing else.
      {"## a b\n1 2 3\n", S::header, {"#", "a", "b"}},
      {" # a b c\n1 2 3\n", S::no_header, {}},
      // A comma does not separate numbers: the table has one column.
      {"# a b c\n1,2,3\n", S::no_header, {}},
      {"# a\n1,2,3\n", S::header, {"a"}},
      {"1 2 3\n# a b c\n4 5 6\n", S::no_header, {}},
      {"# a b c\n", S::no_header, {}},
      {"", S::no_header, {}},
  };
  for (const Case &c : cases) {
    const ColumnNames n = column_names_from_text(c.text);
    EXPECT_EQ(n.source, c.source) << c.text;
    EXPECT_EQ(n.names, c.names) << c.text;
  }
}

TEST(ColumnNames, NamesByColumnNumber) {
  const ColumnNames n = column_names_from_text("# a b\n1 2\n");
  EXPECT_EQ(n.name(1), "a");
  EXPECT_EQ(n.name(2), "b");
  EXPECT_EQ(n.name(3), "x3");
  EXPECT_EQ(ColumnNames{}.name(12), "x12");
}

TEST(ColumnNames, FromAFile) {
  testsupport::TempDir dir;
  testsupport::write_text(dir.file("t.dat"), "# Fisher's iris data.\n# sl sw pl pw\n5.1 3.5 1.4 0.2\n");
  const ColumnNames n = read_column_names(dir.file("t.dat"));
  EXPECT_EQ(n.source, ColumnNames::Source::header);
  EXPECT_EQ(n.names, (std::vector<std::string>{"sl", "sw", "pl", "pw"}));
  EXPECT_EQ(read_column_names(dir.file("missing.dat")).source, ColumnNames::Source::no_input);
}

TEST(ColumnNames, FromADelimitedHeaderOrTheNamesLine) {
  using S = ColumnNames::Source;
  testsupport::TempDir dir;
  testsupport::write_text(dir.file("a.csv"),
                          "\xEF\xBB\xBFid,\"Ozone (ppb)\",site, \"Temp\" \r\n1,41,x,67\r\n");
  ColumnNames n = read_column_names(dir.file("a.csv"));
  EXPECT_EQ(n.source, S::table_header);
  EXPECT_EQ(n.names, (std::vector<std::string>{"id", "Ozone (ppb)", "Temp"}));
  // --csv with a separator for any name; *.tsv takes a tab.
  testsupport::write_text(dir.file("b.txt"), "p|q\n1|2\n");
  EXPECT_EQ(read_column_names(dir.file("b.txt"), {true, '|', -1}).names,
            (std::vector<std::string>{"p", "q"}));
  testsupport::write_text(dir.file("c.TSV"), "p q\tr\n1\t2\n");
  EXPECT_EQ(read_column_names(dir.file("c.TSV")).names, (std::vector<std::string>{"p q", "r"}));
  // A first row of numbers is data; --names makes it the header all the same.
  testsupport::write_text(dir.file("d.csv"), "1,2\n3,4\n");
  EXPECT_EQ(read_column_names(dir.file("d.csv")).source, S::no_table_row);
  EXPECT_EQ(read_column_names(dir.file("d.csv"), {false, 0, 1}).names, (std::vector<std::string>{"1", "2"}));
  // A table mavek refuses names nothing.
  testsupport::write_text(dir.file("e.csv"), "a,b\n1,2\n3\n");
  EXPECT_EQ(read_column_names(dir.file("e.csv")).source, S::no_table_row);
  EXPECT_EQ(read_column_names(dir.file("none.csv")).source, S::no_input);

  // A whitespace table with --names: the first line that is no comment.
  n = column_names_from_text("# a b\nsl sw species\n5.1 3.5 setosa\n", true);
  EXPECT_EQ(n.source, S::names_line);
  EXPECT_EQ(n.names, (std::vector<std::string>{"sl", "sw", "species"}));
  EXPECT_EQ(n.name(2), "sw");
  testsupport::write_text(dir.file("w.dat"), "x y\n1 2\n");
  EXPECT_EQ(read_column_names(dir.file("w.dat"), {false, 0, 1}).names, (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(read_column_names(dir.file("w.dat"), {false, 0, 0}).source, S::no_header);
}
