#include "output/naming.h"

#include <cstring>

#include "diagnostics.h"

const char *findext(const char *fname) {
  for (const char *p = fname + std::strlen(fname); p >= fname; --p) {
    if (*p == '.') return p;
    if (*p == '/' || *p == '\\' || *p == ':') return nullptr;
    if (p == fname) break;
  }
  return nullptr;
}

std::string derive_base_name(const char *arg) {
  if (std::strstr(arg, ".cor") != nullptr || std::strstr(arg, ".inp") != nullptr)
    error("The infile extension may not be one of %s and %s.\a\n", ".cor", ".inp");
  std::string utfnamn = arg;
  if (const char *dot = findext(utfnamn.c_str())) utfnamn.resize(dot - utfnamn.c_str());
  utfnamn += ".cor";
  return utfnamn;
}

void swap_ext(std::string &utfnamn, const char *ext) {
  if (const char *dot = findext(utfnamn.c_str())) utfnamn.resize(dot - utfnamn.c_str());
  utfnamn += ext;
}
