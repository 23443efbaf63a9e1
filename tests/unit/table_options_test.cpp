// The words of --csv=SEP and --names=WORD, which both programs take.
#include "contract/table_options.h"

#include <gtest/gtest.h>

TEST(TableOptions, Separators) {
  char sep = 0;
  EXPECT_TRUE(parse_separator("tab", &sep));
  EXPECT_EQ(sep, '\t');
  for (const char *w : {";", "|", " ", ",", "\t", "x"}) {
    EXPECT_TRUE(parse_separator(w, &sep)) << w;
    EXPECT_EQ(sep, w[0]);
  }
  for (const char *w : {"", "\"", "\n", "\r", ";;", "TAB", "comma"})
    EXPECT_FALSE(parse_separator(w, &sep)) << w;
}

TEST(TableOptions, OnOffWords) {
  for (const char *w : {"on", "+", "onward", "+x"}) EXPECT_EQ(on_off_word(w), 1) << w;
  for (const char *w : {"off", "-", "offset", "-1"}) EXPECT_EQ(on_off_word(w), 0) << w;
  for (const char *w : {"", "ON", "1", "yes", "o"}) EXPECT_EQ(on_off_word(w), -1) << w;
}
