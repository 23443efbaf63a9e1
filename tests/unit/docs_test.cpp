// The manual page and the bash completion against the option table: an
// option added to the program must be documented and completed.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <sstream>
#include <string>

#include "cli/options.h"
#include "support.h"

using testsupport::read_text;
using testsupport::run_command;
using testsupport::write_text;

namespace {

// Whether `text` holds `word` with no letter, digit or '-' right after it.
bool has_word(const std::string &text, const std::string &word) {
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    const std::size_t end = at + word.size();
    if (end == text.size()) return true;
    const unsigned char next = static_cast<unsigned char>(text[end]);
    if (!std::isalnum(next) && next != '-') return true;
  }
  return false;
}

// What the completion offers for the word `cur` after "mavek", sorted.
std::set<std::string> completions(const std::string &cur) {
  testsupport::TempDir dir;
  write_text(dir.file("complete.sh"), "source '" MAVEK_COMPLETION "'\nCOMP_WORDS=(mavek '" + cur +
                                          "')\nCOMP_CWORD=1\n_mavek\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n");
  std::string out, err;
  EXPECT_EQ(run_command("cd " + dir.path() + " && bash --norc --noprofile complete.sh", &out, &err), 0)
      << err;
  std::set<std::string> words;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) words.insert(line);
  return words;
}

}  // namespace

TEST(Docs, ManualNamesEveryLongOption) {
  const std::string page = read_text(MAVEK_MANUAL);
  ASSERT_FALSE(page.empty()) << MAVEK_MANUAL;
  Options o;
  for (const option &opt : make_long_opts(o)) {
    if (opt.name == nullptr) break;
    // roff writes the minus signs of an option name as "\-".
    EXPECT_TRUE(has_word(page, std::string("\\-\\-") + opt.name)) << "--" << opt.name;
  }
  // CMake fills in every "@NAME@" of the template.
  for (std::size_t at = page.find('@'); at != std::string::npos; at = page.find('@', at + 1))
    EXPECT_FALSE(std::isupper(static_cast<unsigned char>(page[at + 1]))) << page.substr(at, 30);
}

TEST(Docs, CompletionOffersEveryLongOption) {
  Options o;
  std::set<std::string> expected;
  for (const option &opt : make_long_opts(o)) {
    if (opt.name == nullptr) break;
    const std::string name = opt.name;
    if (name == "transpose") continue;  // not implemented: it only ends the run
    // A required word follows "=" at once; switches with an optional word
    // are mostly given bare.
    expected.insert("--" + name + (opt.has_arg == required_argument ? "=" : ""));
  }
  EXPECT_EQ(completions("--"), expected);
}

TEST(Docs, CompletionOffersEveryShortOption) {
  std::set<std::string> expected;
  for (const char *p = short_opts; *p != '\0'; ++p) {
    // Lower case only (upper case acts the same); -g and -w are errors, -x
    // is not implemented.
    if (std::isupper(static_cast<unsigned char>(*p)) || *p == ':' || *p == 'g' || *p == 'w' || *p == 'x')
      continue;
    expected.insert(std::string("-") + *p);
  }
  EXPECT_EQ(completions("-"), expected);
}
