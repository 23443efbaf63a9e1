// Result-file names: the input's base name with a four-character extension.
#pragma once

#include <string>

// The '.' that starts the extension of the last path component of `fname`,
// or null when that component has none ('/', '\' and ':' separate components).
const char *findext(const char *fname);

// The result-name buffer for the file argument `arg`: its base name followed
// by ".cor". Arguments that contain ".cor" or ".inp" anywhere end the run.
std::string derive_base_name(const char *arg);

// Replaces the extension of the name in `utfnamn` by `ext` (four characters).
void swap_ext(std::string &utfnamn, const char *ext);
