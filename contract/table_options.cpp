#include "contract/table_options.h"

#include <cstring>

bool parse_separator(const char *word, char *sep) {
  if (std::strcmp(word, "tab") == 0) {
    *sep = '\t';
    return true;
  }
  if (word[0] == '\0' || word[1] != '\0' || word[0] == '"' || word[0] == '\n' || word[0] == '\r')
    return false;
  *sep = word[0];
  return true;
}

int on_off_word(const char *word) {
  if (word[0] == '-' || std::strncmp(word, "off", 3) == 0) return 0;
  if (word[0] == '+' || std::strncmp(word, "on", 2) == 0) return 1;
  return -1;
}
