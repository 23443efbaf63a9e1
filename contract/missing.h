// Missing values: the words that stand for a value nobody has, in every
// table mavek reads with --missing. In a delimited table an empty field is
// missing as well.
#pragma once

#include <string_view>

// The missing-value words, as the documentation lists them; letter case
// does not matter.
inline constexpr std::string_view kMissingTokens[] = {"NA", "N/A", "NaN", "null", "."};

// Whether `word` is one of kMissingTokens, in any letter case.
bool is_missing_token(std::string_view word);

// The length of the missing-value word at the start of `s` after white space
// (blank, tab, CR, LF, VT, FF), the white space included, when the word ends
// at white space or at the NUL that ends `s`; 0 when there is none.
std::size_t missing_token_at(const char *s);
