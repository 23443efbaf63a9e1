// Delimited tables as both programs read them: records and fields, the
// number rule, the header and the columns read.
#include "contract/delimited.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support.h"

using testsupport::TempDir;

namespace {

// Every record of `text` as "line:field|field|...", and the end as "end" or
// "quote L:C".
std::vector<std::string> records(const std::string &text, char sep = ',', bool one_column = false) {
  TempDir dir;
  testsupport::write_text(dir.file("t"), text);
  LineReader in;
  EXPECT_TRUE(in.open(dir.file("t").c_str()));
  RecordReader reader(in, sep);
  std::vector<std::string> out;
  for (;;) {
    const RecordReader::Status s = reader.next(one_column);
    if (s == RecordReader::Status::end) {
      out.push_back("end");
      return out;
    }
    if (s == RecordReader::Status::open_quote) {
      out.push_back("quote " + std::to_string(reader.quote_line()) + ":" +
                    std::to_string(reader.quote_column()));
      return out;
    }
    std::string r = std::to_string(reader.line()) + ":";
    for (std::size_t i = 0; i < reader.size(); ++i) {
      if (i > 0) r += '|';
      r += reader.field(i);
      EXPECT_EQ(reader.field(i).data()[reader.field(i).size()], '\0');
    }
    out.push_back(r);
  }
}

TableShape shape_of(const std::string &text, int names = -1, char sep = ',') {
  TempDir dir;
  testsupport::write_text(dir.file("t"), text);
  LineReader in;
  EXPECT_TRUE(in.open(dir.file("t").c_str()));
  return examine_table(in, sep, names);
}

using V = std::vector<std::string>;

}  // namespace

TEST(Delimited, SeparatorFromTheNameOrTheOption) {
  EXPECT_EQ(table_separator("a.csv", false, 0), ',');
  EXPECT_EQ(table_separator("dir.tsv/A.CSV", false, 0), ',');
  EXPECT_EQ(table_separator("b.Tsv", false, 0), '\t');
  EXPECT_EQ(table_separator("a.dat", false, 0), 0);
  EXPECT_EQ(table_separator("a.csv.txt", false, 0), 0);
  EXPECT_EQ(table_separator("csv", false, 0), 0);
  EXPECT_EQ(table_separator("-", false, 0), 0);
  EXPECT_EQ(table_separator("-", true, 0), ',');
  EXPECT_EQ(table_separator("a.dat", true, 0), ',');
  EXPECT_EQ(table_separator("a.tsv", true, 0), '\t');
  EXPECT_EQ(table_separator("a.tsv", true, ';'), ';');
  EXPECT_EQ(table_separator("a.csv", true, '\t'), '\t');
}

TEST(Delimited, AFieldIsANumberWhenOneConversionTakesAllOfIt) {
  struct Case {
    const char *text;
    bool number;
    double value;
  };
  const double inf = INFINITY;
  const Case cases[] = {
      {"12", true, 12},     {" 12 ", true, 12},      {"\t-2.5E-3\r", true, -2.5e-3},
      {".5", true, 0.5},    {"0x1p3", true, 8},      {"0X.8", true, 0.5},
      {"-inf", true, -inf}, {"Infinity", true, inf}, {"1e", true, 1},
      {"1e+", true, 1},     {"12abc", false, 0},     {"nan(1)", false, 0},
      {"1 2", false, 0},    {"", false, 0},          {"  ", false, 0},
      {"-", false, 0},      {"0x", false, 0},        {"infin", false, 0},
      {"\"1\"", false, 0},  {"1,5", false, 0},       {"1e400", true, inf},
      {"NA", false, 0},
  };
  for (const Case &c : cases) {
    const std::string field = c.text;
    double x = -1;
    EXPECT_EQ(field_number(field, &x), c.number) << '"' << c.text << '"';
    if (c.number) {
      EXPECT_EQ(x, c.value) << c.text;
    }
  }
  double x = 0;
  EXPECT_TRUE(field_number(std::string("nan"), &x));
  EXPECT_TRUE(std::isnan(x));
  EXPECT_TRUE(field_number(std::string(" -NaN"), &x));
  EXPECT_TRUE(std::isnan(x) && std::signbit(x));
  // The same bits as the whitespace reader's sscanf("%lg"), rounding
  // included, for decimals that strtod-like shortcuts get wrong.
  for (const char *t :
       {"0.1", "2.2250738585072011e-308", "9007199254740993", "1.00000000000000011102230246251565",
        "0x1.fffffffffffff8p0", "4.9e-324", "123456789012345678901234567890"}) {
    double want = 0;
    ASSERT_EQ(std::sscanf(t, "%lg", &want), 1);
    EXPECT_TRUE(field_number(std::string(t), &x)) << t;
    EXPECT_EQ(std::memcmp(&x, &want, sizeof x), 0) << t;
  }
  // A NUL inside the field is text the conversion does not take.
  EXPECT_FALSE(field_number(std::string("1\0"
                                        "2",
                                        3),
                            &x));
}

TEST(Delimited, MissingFields) {
  for (const char *t : {"", "  ", "NA", "na", " N/A ", "n/a", "NaN", "nan", "null", "NULL", ".", "\t.\r"})
    EXPECT_TRUE(is_missing_field(t)) << '"' << t << '"';
  for (const char *t : {"N A", "-", "0", "none", "nil", "..", "NA.", "#N/A", "-NA"})
    EXPECT_FALSE(is_missing_field(t)) << '"' << t << '"';
}

TEST(Delimited, RecordsAfterRfc4180) {
  // Quoted fields hold separators, doubled quotes and line breaks; a record
  // is named by the line it starts on.
  EXPECT_EQ(records("a,\"b,c\",\"say \"\"hi\"\"\"\n\"x\ny\",2,\"\"\n3,4,5\n"),
            (V{"1:a|b,c|say \"hi\"", "2:x\ny|2|", "4:3|4|5", "end"}));
  // CR LF and LF, a last line without a line end, an empty last field.
  EXPECT_EQ(records("1,2\r\n3,4\n5,\r\n6,7"), (V{"1:1|2", "2:3|4", "3:5|", "4:6|7", "end"}));
  // A CR LF inside quotes belongs to the field.
  EXPECT_EQ(records("\"a\r\nb\",1\r\n"), (V{"1:a\r\nb|1", "end"}));
  // The byte-order mark is skipped at the start of the file only.
  EXPECT_EQ(records("\xEF\xBB\xBFx,y\n\xEF\xBB\xBF"
                    "1,2\n"),
            (V{"1:x|y",
               "2:\xEF\xBB\xBF"
               "1|2",
               "end"}));
  EXPECT_EQ(records("\xEF\xBB\xBF#c\n1\n"), (V{"2:1", "end"}));
  // Only '#' makes a comment, and only at the start of a record; a ';'
  // starts a row with an empty first field.
  EXPECT_EQ(records("# a,b\n;1;2\n!x;y\n \"#\";2\n\"q\n# not a comment\";3\n", ';'),
            (V{"2:|1|2", "3:!x|y", "4:#|2", "5:q\n# not a comment|3", "end"}));
  // Empty lines are no records, except in a one-column table.
  EXPECT_EQ(records("\n1,2\n\r\n\n3,4\n\n"), (V{"2:1|2", "5:3|4", "end"}));
  EXPECT_EQ(records("1\n\n2\r\n\r\n", ',', true), (V{"1:1", "2:", "3:2", "4:", "end"}));
  // Blanks around a quoted field go; blanks in a plain one stay.
  EXPECT_EQ(records(" \"a\" , b ,\t\"c\"\t\n"), (V{"1:a| b |c", "end"}));
  // Text after the closing quote: the field keeps its quotes.
  EXPECT_EQ(records("\"1\"2,\"a\" b,3\n"), (V{"1:\"1\"2|\"a\" b|3", "end"}));
  // A quote inside a plain field is a character like any other.
  EXPECT_EQ(records("ab\"c,1\n"), (V{"1:ab\"c|1", "end"}));
  // A tab separator; blanks are then only spaces.
  EXPECT_EQ(records("a\tb c\t\n", '\t'), (V{"1:a|b c|", "end"}));
  // An unclosed quote is reported where it was opened.
  EXPECT_EQ(records("1,2\n3,\"4\n5,6\n"), (V{"1:1|2", "quote 2:2"}));
  EXPECT_EQ(records("\"\"\"\n"), (V{"quote 1:1"}));
  EXPECT_EQ(records(""), (V{"end"}));
  EXPECT_EQ(records("# only\n#comments\n"), (V{"end"}));
}

TEST(Delimited, FieldsAreNamedByTheLineTheyStartOn) {
  TempDir dir;
  testsupport::write_text(dir.file("t"), "\"a\nb\nc\",x,\"y\nz\",w\n");
  LineReader in;
  ASSERT_TRUE(in.open(dir.file("t").c_str()));
  RecordReader reader(in, ',');
  ASSERT_EQ(reader.next(), RecordReader::Status::record);
  EXPECT_EQ(reader.line(), 1);
  EXPECT_EQ(reader.field_line(0), 1);
  EXPECT_EQ(reader.field_line(1), 3);
  EXPECT_EQ(reader.field_line(2), 3);
  EXPECT_EQ(reader.field_line(3), 4);
}

TEST(Delimited, HeaderDecision) {
  struct Case {
    const char *text;
    int names;
    bool header;
    std::size_t rows;
  };
  const Case cases[] = {
      {"a,b\n1,2\n", -1, true, 1},
      {"1,2\n3,4\n", -1, false, 2},
      {"1,x\n3,4\n", -1, true, 1},  // one text field is enough
      {"\"1\",\"2\"\n3,4\n", -1, false, 2},
      {"1,NA\n3,4\n", -1, false, 2},  // a gap among numbers is no header
      {"1,,3\n3,4,5\n", -1, false, 2},
      {",a\n1,2\n", -1, true, 1},
      {"1,2\n3,4\n", 1, true, 1},
      {"a,b\n1,2\n", 0, false, 2},
      {"a\n\n1\n", -1, true, 2},  // after a one-column header an empty line is a row
  };
  for (const Case &c : cases) {
    const TableShape s = shape_of(c.text, c.names);
    EXPECT_EQ(s.problem, TableShape::Problem::none) << c.text;
    EXPECT_EQ(s.header, c.header) << c.text << " names " << c.names;
    EXPECT_EQ(s.rows, c.rows) << c.text << " names " << c.names;
  }
}

TEST(Delimited, ColumnsRead) {
  // R's write.csv: row names under an empty header field, a label column.
  TableShape s = shape_of("\"\",\"x\",\"species\",\"y\"\n\"1\",1.5,\"a\",2\n\"2\",NA,\"b\",3\n");
  EXPECT_EQ(s.first, (V{"", "x", "species", "y"}));
  EXPECT_EQ(std::vector<bool>({s.kept(0), s.kept(1), s.kept(2), s.kept(3)}),
            std::vector<bool>({false, true, false, true}));
  // pandas' to_csv: a numeric index under an empty header field goes too.
  s = shape_of(",a,b\n0,1,2\n1,3,4\n");
  EXPECT_EQ(std::vector<bool>({s.kept(0), s.kept(1), s.kept(2)}), std::vector<bool>({false, true, true}));
  // An empty header field elsewhere keeps its column.
  s = shape_of("a,,c\n1,2,3\n");
  EXPECT_EQ(std::vector<bool>({s.kept(0), s.kept(1), s.kept(2)}), std::vector<bool>({true, true, true}));
  // A column with a single number among text is read (its text is then a
  // bad field); one of missing values only, or of nothing, is not.
  s = shape_of("a,b,c,d\nx,NA,,1\ny,NA,,2\n3,null,,3\n");
  EXPECT_EQ(std::vector<bool>({s.kept(0), s.kept(1), s.kept(2), s.kept(3)}),
            std::vector<bool>({true, false, false, true}));
  // Without a header the first column is read when it holds numbers.
  s = shape_of("1,a\n2,b\n", 0);
  EXPECT_FALSE(s.header);
  EXPECT_EQ(s.first, (V{"1", "a"}));
  EXPECT_TRUE(s.kept(0));
  EXPECT_FALSE(s.kept(1));
}

TEST(Delimited, ProblemsOfTheStructure) {
  TableShape s = shape_of("a,b\n1,2\n3\n4,5\n");
  EXPECT_EQ(s.problem, TableShape::Problem::wrong_length);
  EXPECT_EQ(s.line, 3);
  s = shape_of("# c\na,b\n\"1\n\",2\n3,4,5\n");
  EXPECT_EQ(s.problem, TableShape::Problem::wrong_length);
  EXPECT_EQ(s.line, 5);
  s = shape_of("a,b\n1,\"2\n");
  EXPECT_EQ(s.problem, TableShape::Problem::open_quote);
  EXPECT_EQ(s.line, 2);
  EXPECT_EQ(s.column, 2u);
  EXPECT_EQ(shape_of("# nothing\n\n").problem, TableShape::Problem::no_record);
  s = shape_of("a,b\n");
  EXPECT_EQ(s.problem, TableShape::Problem::none);
  EXPECT_EQ(s.rows, 0u);
}
