// The missing-value words, and the whitespace reader's values with them.
#include "contract/missing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "contract/lines.h"

TEST(Missing, TheWordsInAnyLetterCase) {
  for (const char *w : {"NA", "na", "nA", "N/A", "n/a", "NaN", "nan", "NAN", "null", "Null", "NULL", "."})
    EXPECT_TRUE(is_missing_token(w)) << w;
  for (const char *w : {"", "N", "NAA", "N/", "n.a.", "nul", "nulls", "..", "-", "None", "#N/A", " NA"})
    EXPECT_FALSE(is_missing_token(w)) << '"' << w << '"';
}

TEST(Missing, AWordStandsAloneBeforeWhiteSpaceOrTheEnd) {
  EXPECT_EQ(missing_token_at("NA"), 2u);
  EXPECT_EQ(missing_token_at("  NA 3"), 4u);
  EXPECT_EQ(missing_token_at("\t.\n"), 2u);
  EXPECT_EQ(missing_token_at("null\r\n"), 4u);
  EXPECT_EQ(missing_token_at("NA3"), 0u);
  EXPECT_EQ(missing_token_at("N/A,"), 0u);
  EXPECT_EQ(missing_token_at("  "), 0u);
  EXPECT_EQ(missing_token_at(""), 0u);
}

namespace {

// The values take_read_values takes from `text`, a NaN written "NaN".
std::vector<std::string> values(const char *text, unsigned limit = 100, bool *cut = nullptr) {
  std::vector<std::string> out;
  bool was_cut = false;
  const unsigned n = take_read_values(text, limit, &was_cut, [&](unsigned c, double x) {
    EXPECT_EQ(c, out.size());
    out.push_back(std::isnan(x) ? "NaN" : std::to_string(static_cast<int>(x)));
  });
  EXPECT_EQ(n, out.size());
  if (cut != nullptr) *cut = was_cut;
  return out;
}

using V = std::vector<std::string>;

}  // namespace

TEST(Missing, WhitespaceValuesWithMissingWords) {
  EXPECT_EQ(values("1 NA 3\n"), (V{"1", "NaN", "3"}));
  EXPECT_EQ(values("NA . null N/A nan 7"), (V{"NaN", "NaN", "NaN", "NaN", "NaN", "7"}));
  // Without missing words the values are the numbers the reading pass takes.
  for (const char *t : {"1 2 3 xyz 4", "1e 5", "0x 1", "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17", ""})
    EXPECT_EQ(values(t).size(), count_read_numbers(t)) << t;
  // Reading stops at text, and at a word glued to a number.
  EXPECT_EQ(values("1 NA x 3"), (V{"1", "NaN"}));
  EXPECT_EQ(values("1NA 3"), (V{"1"}));
  EXPECT_EQ(values("1 NA3 4"), (V{"1"}));
  // Eight numbers, then a word: the word starts the next group.
  EXPECT_EQ(values("1 2 3 4 5 6 7 8 NA 10").size(), 10u);
  EXPECT_EQ(values("1 2 3 4 5 6 7 NA 9 10").size(), 10u);
  // The limit cuts the line, a word included.
  bool cut = false;
  EXPECT_EQ(values("1 NA 3", 2, &cut), (V{"1", "NaN"}));
  EXPECT_TRUE(cut);
  EXPECT_EQ(values("1 2 NA", 2, &cut), (V{"1", "2"}));
  EXPECT_TRUE(cut);
  EXPECT_EQ(values("1 2", 2, &cut), (V{"1", "2"}));
  EXPECT_FALSE(cut);
  EXPECT_EQ(count_read_values("NA NA\n"), 2u);
}
