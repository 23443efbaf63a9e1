#include "contract/naming.h"

#include <sys/stat.h>

#include <cstring>

const char *findext(const char *fname) {
  for (const char *p = fname + std::strlen(fname); p >= fname; --p) {
    if (*p == '.') return p;
    if (*p == '/' || *p == '\\' || *p == ':') return nullptr;
    if (p == fname) break;
  }
  return nullptr;
}

bool has_result_extension(const char *arg) {
  const char *ext = findext(arg);
  if (ext == nullptr) return false;
  for (const char *result : kResultExtensions)
    if (std::strcmp(ext, result) == 0) return true;
  return false;
}

std::string derive_base_name(const char *arg) {
  std::string utfnamn = arg;
  if (const char *dot = findext(utfnamn.c_str())) utfnamn.resize(dot - utfnamn.c_str());
  utfnamn += ".cor";
  return utfnamn;
}

std::string result_replacing_input(const std::string &utfnamn, const char *arg) {
  struct stat input;
  if (stat(arg, &input) != 0) return {};
  std::string name = utfnamn;
  for (const char *ext : kResultExtensions) {
    swap_ext(name, ext);
    struct stat result;
    if (stat(name.c_str(), &result) == 0 && result.st_dev == input.st_dev && result.st_ino == input.st_ino)
      return name;
  }
  return {};
}

void swap_ext(std::string &utfnamn, const char *ext) {
  if (const char *dot = findext(utfnamn.c_str())) utfnamn.resize(dot - utfnamn.c_str());
  utfnamn += ext;
}
