#include "contract/missing.h"

#include <cstddef>

namespace {

bool is_space(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

unsigned char lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

}  // namespace

bool is_missing_token(std::string_view word) {
  for (std::string_view token : kMissingTokens) {
    if (token.size() != word.size()) continue;
    std::size_t i = 0;
    while (i < word.size() &&
           lower(static_cast<unsigned char>(word[i])) == lower(static_cast<unsigned char>(token[i])))
      ++i;
    if (i == word.size()) return true;
  }
  return false;
}

std::size_t missing_token_at(const char *s) {
  const char *p = s;
  while (is_space(static_cast<unsigned char>(*p))) ++p;
  const char *word = p;
  while (*p != '\0' && !is_space(static_cast<unsigned char>(*p))) ++p;
  if (p == word || !is_missing_token(std::string_view(word, static_cast<std::size_t>(p - word)))) return 0;
  return static_cast<std::size_t>(p - s);
}
