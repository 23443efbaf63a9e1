#include "logfile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

// A malloc'd copy of s with a backslash before every '"' and '\'; null or
// empty s gives an empty string. Null when memory runs out.
char *quote_string(const char *s) {
  std::size_t need = 1;
  for (const char *p = s; p != nullptr && *p != '\0'; ++p) need += (*p == '"' || *p == '\\') ? 2 : 1;
  char *out = static_cast<char *>(std::malloc(need));
  if (out == nullptr) return nullptr;
  char *o = out;
  for (const char *p = s; p != nullptr && *p != '\0'; ++p) {
    if (*p == '"' || *p == '\\') *o++ = '\\';
    *o++ = *p;
  }
  *o = '\0';
  return out;
}

// Writes the quoted copy of s in double quotes; an argument whose copy cannot
// be made is written unquoted.
void write_quoted(std::FILE *f, const char *s) {
  char *q = quote_string(s);
  std::fprintf(f, "\"%s\"", q != nullptr ? q : s);
  std::free(q);
}

}  // namespace

void flogfile(const char *logfile, int argc, char **argv) {
  std::FILE *f = nullptr;
  for (int attempt = 0; attempt < 11 && f == nullptr; ++attempt) f = std::fopen(logfile, "a");
  if (f == nullptr) {
    std::fputs("No logfile entry\n", stderr);
    return;
  }
  char stamp[30];
  std::time_t now = std::time(nullptr);
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
  std::fputs(stamp, f);
  for (int i = 0; i < argc; ++i) {
    const char *arg = argv[i];
    if (std::strpbrk(arg, " ,*") == nullptr) {
      std::fprintf(f, " %s", arg);
      continue;
    }
    const char *eq = std::strchr(arg, '=');
    if (std::strncmp(arg, "--", 2) == 0 && eq != nullptr) {
      std::fprintf(f, " %.*s=", static_cast<int>(eq - arg), arg);
      write_quoted(f, eq + 1);
    } else {
      std::fputc(' ', f);
      write_quoted(f, arg);
    }
  }
  std::fputc('\n', f);
  std::fclose(f);
}

void logfile(int argc, char **argv) { flogfile("logfile", argc, argv); }
