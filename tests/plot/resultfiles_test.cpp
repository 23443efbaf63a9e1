#include "resultfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "support.h"

namespace {

const char *const kMvd =
    "! Variable  Mean     Variance  Std.Dev.  Min       Max       Skewness  Curtosis  Median\n"
    "        2    3.0573    0.1900    0.4359    2.0000    4.4000    0.3126    0.1387    3.0000\n"
    "        1    5.8433    0.6857    0.8281    4.3000    7.9000    0.3086   -0.6058    5.8000\n";

std::string error_of(const std::function<void()> &f) {
  try {
    f();
  } catch (const ResultError &e) {
    return e.what();
  }
  return "(no error)";
}

}  // namespace

TEST(ResultFiles, StatisticsTableKeepsColumnsValuesAndTexts) {
  const Mvd mvd = parse_mvd("x.mvd", kMvd);
  ASSERT_EQ(mvd.rows.size(), 2u);
  EXPECT_EQ(mvd.rows[0].column, 2);
  EXPECT_EQ(mvd.rows[1].column, 1);
  EXPECT_EQ(mvd.rows[1].curt.text, "-0.6058");
  EXPECT_EQ(mvd.rows[1].curt.value, -0.6058);
  EXPECT_EQ(mvd.rows[0].min.value, 2.0);
  EXPECT_EQ(mvd.rows[0].max.text, "4.4000");
  EXPECT_EQ(mvd.rows[1].median.text, "5.8000");
}

TEST(ResultFiles, WideValuesAndNonNumbersOfTheStatisticsTable) {
  // "%9.4f" widens for large values, and a single observation gives nan.
  const Mvd mvd = parse_mvd("x.mvd",
                            "! header\n"
                            "        1 123456789012.0000 -nan inf 1.0 2.0 0.0 -3.0000 1.5\n");
  EXPECT_EQ(mvd.rows[0].mean.value, 123456789012.0);
  EXPECT_TRUE(std::isnan(mvd.rows[0].variance.value));
  EXPECT_EQ(mvd.rows[0].variance.text, "-nan");
  EXPECT_TRUE(std::isinf(mvd.rows[0].stddev.value));
}

TEST(ResultFiles, HistogramsCorrelationsAndComponents) {
  const His his = parse_his("x.his", "0.5000 0.2500 0.2500 0.0000 \n0.0000 0.0000 1.0000 0.0000 \n");
  ASSERT_EQ(his.fractions.size(), 2u);
  EXPECT_EQ(his.fractions[0].size(), 4u);
  EXPECT_EQ(his.fractions[0][1].text, "0.2500");
  EXPECT_EQ(his.fractions[1][2].value, 1.0);

  const Cor cor = parse_cor("x.cor", "  1.000000\n -0.250000  1.000000\n");
  EXPECT_EQ(cor.at(0, 1).text, "-0.250000");
  EXPECT_EQ(cor.at(1, 0).value, -0.25);
  EXPECT_EQ(cor.at(1, 1).text, "1.000000");

  // The worked two-variable example of the component files.
  const Eig eig = parse_eig("x.eig", "  72.500  27.500\n 51.400  48.600\n 0.851   0.524 \n 0.851  -0.524 \n");
  EXPECT_EQ(eig.percent[0].text, "72.500");
  EXPECT_EQ(eig.reference[1].value, 48.6);
  ASSERT_EQ(eig.loadings.size(), 2u);
  EXPECT_EQ(eig.loadings[1][1].text, "-0.524");
  EXPECT_EQ(parse_eig("x.eig", "  100.000\n 101.400\n 1.000 \n").loadings[0][0].value, 1.0);
}

// Each broken file gives one message naming the file and the line at fault.
TEST(ResultFiles, BrokenAndTruncatedFiles) {
  using P = std::function<void(const std::string &, std::size_t)>;
  const P mvd = [](const std::string &t, std::size_t v) { parse_mvd("d.mvd", t, v); };
  const P his = [](const std::string &t, std::size_t v) { parse_his("d.his", t, v); };
  const P cor = [](const std::string &t, std::size_t v) { parse_cor("d.cor", t, v); };
  const P eig = [](const std::string &t, std::size_t v) { parse_eig("d.eig", t, v); };
  const std::string row = "        1    1.0    1.0    1.0    0.0    2.0    0.0    0.0    1.0\n";
  struct Case {
    P parse;
    std::string text;
    std::size_t vars;
    std::string message;
  };
  const Case cases[] = {
      {mvd, "", 0, "d.mvd:1: the file is empty"},
      {mvd, row, 0, "d.mvd:1: the header line of a statistics table is missing"},
      {mvd, "! h\n", 0, "d.mvd:2: the file ends after its header line"},
      {mvd, "! h\n" + row + "        2    1.0    1.0", 0,
       "d.mvd:3: the line is cut short (the file ends without a line end)"},
      {mvd, "! h\n 1 1 1 1 1 1 1 1\n", 0,
       "d.mvd:2: 9 fields expected (the column number and 8 statistics), found 8"},
      {mvd, "! h\n 1.5 1 1 1 1 1 1 1 1\n", 0, "d.mvd:2: '1.5' is not a column number"},
      {mvd, "! h\n 0 1 1 1 1 1 1 1 1\n", 0, "d.mvd:2: '0' is not a column number"},
      {mvd, "! h\n 1 1 1 1 1 1 1 1 1,5\n", 0, "d.mvd:2: '1,5' is not a number"},
      {mvd, "! h\n" + row, 2, "d.mvd:3: the file ends after 1 of 2 variables"},
      {mvd, "! h\n" + row + row, 1, "d.mvd:3: more variables than the 1 of the other result files"},
      {his, "", 0, "d.his:1: the file is empty"},
      {his, "0.5000 0.5000 \n0.5000 \n", 0, "d.his:2: 1 bin where the first line has 2"},
      {his, "0.5000 0.5000 \n\n", 0, "d.his:2: the line holds no fractions"},
      {his, "0.5000 0.5000 \n0.5000 0.50", 0,
       "d.his:2: the line is cut short (the file ends without a line end)"},
      {his, "0.5000 0.5000 \n", 3, "d.his:2: the file ends after 1 of 3 variables"},
      {his, "0.5000 x.5000 \n", 0, "d.his:1: 'x.5000' is not a number"},
      {cor, "  1.000000\n  0.500000\n", 0, "d.cor:2: 2 coefficients expected, found 1"},
      {cor, "  1.000000  0.5\n", 0, "d.cor:1: 1 coefficient expected, found 2"},
      {cor, "  1.000000\n  0.500000  1.000", 0,
       "d.cor:2: the line is cut short (the file ends without a line end)"},
      {cor, "  1.000000\n", 2, "d.cor:2: the file ends after 1 of 2 variables"},
      {cor, "  1.000000\n  0.5  1.0\n", 1, "d.cor:2: more variables than the 1 of the other result files"},
      {eig, "\n", 0, "d.eig:1: the line of percentages is empty"},
      {eig, "  60.000  40.000\n", 0, "d.eig:2: the file ends before the reference row"},
      {eig, "  60.000  40.000\n 51.400\n", 0, "d.eig:2: 2 values expected, found 1"},
      {eig, "  60.000  40.000\n 51.400  48.600\n 0.1 0.2 \n", 0,
       "d.eig:4: the file ends after 1 of 2 loading lines"},
      {eig, "  60.000  40.000\n 51.400  48.600\n 0.1 0.2 \n 0.1 \n", 0,
       "d.eig:4: 2 values expected, found 1"},
      {eig, "  100.000\n 101.400\n 1.000 \n 1.000 \n", 0, "d.eig:4: more loading lines than the 1 variables"},
      {eig, "  60.000  40.000\n", 3, "d.eig:1: 2 percentages where the other result files have 3 variables"},
  };
  for (const Case &c : cases) EXPECT_EQ(error_of([&] { c.parse(c.text, c.vars); }), c.message) << c.text;
}

TEST(ResultFiles, ReadingAFile) {
  testsupport::TempDir dir;
  std::string text;
  EXPECT_FALSE(read_result_file(dir.file("none.his"), text));
  testsupport::write_text(dir.file("a.his"), "0.5000 \n");
  ASSERT_TRUE(read_result_file(dir.file("a.his"), text));
  EXPECT_EQ(text, "0.5000 \n");
  EXPECT_THROW(read_result_file(dir.path(), text), ResultError);
}
