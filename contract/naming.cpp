#include "contract/naming.h"

#include <sys/stat.h>
#include <unistd.h>

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

bool is_standard_input(const char *arg) {
  return std::strcmp(arg, "-") == 0 || std::strcmp(arg, "/dev/stdin") == 0;
}

std::string derive_result_base(const char *arg, const std::string &results_dir) {
  if (is_standard_input(arg)) arg = "stdin";
  if (results_dir.empty()) return derive_base_name(arg);
  // Only '/' separates the folders of a path here: "a\b.dat" and "c:d.dat"
  // are names of one component and keep all of it ("a\b", "c:d").
  const char *slash = std::strrchr(arg, '/');
  std::string utfnamn = results_dir;
  if (utfnamn.back() != '/') utfnamn += '/';
  return utfnamn + derive_base_name(slash == nullptr ? arg : slash + 1);
}

std::string result_replacing_input(const std::string &utfnamn, const char *arg) {
  struct stat input;
  if ((is_standard_input(arg) ? fstat(STDIN_FILENO, &input) : stat(arg, &input)) != 0) return {};
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
