// The words of the options that say how to read a table, --csv=SEP and
// --names=WORD, which mavek and mavek-plot take alike.
#pragma once

// The separator SEP of --csv=SEP: "tab", or one byte other than a double
// quote, a line feed or a carriage return (which would make the table
// unreadable). False for anything else.
bool parse_separator(const char *word, char *sep);

// The on/off word of a switch: 0 for "-..." and "off...", 1 for "+..." and
// "on...", -1 for anything else.
int on_off_word(const char *word);
