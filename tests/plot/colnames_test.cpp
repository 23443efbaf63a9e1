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
