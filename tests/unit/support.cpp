#include "support.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testsupport {

namespace {
// Prompts of the fatal path read standard input: never let them wait here.
struct QuietInput {
  QuietInput() { (void)std::freopen("/dev/null", "r", stdin); }
} quiet_input;
}  // namespace

TempDir::TempDir() {
  char tmpl[] = "/tmp/mavek_test_XXXXXX";
  char *p = mkdtemp(tmpl);
  path_ = p != nullptr ? p : "/tmp";
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string read_text(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void write_text(const std::string &path, const std::string &text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

bool exists(const std::string &path) { return std::filesystem::exists(path); }

Argv::Argv(std::vector<std::string> words) : words_(std::move(words)) {
  for (std::string &w : words_) ptrs_.push_back(w.data());
  ptrs_.push_back(nullptr);
}

int run_command(const std::string &command, std::string *out, std::string *err) {
  TempDir dir;
  std::string full = "(" + command + ") >" + dir.file("out") + " 2>" + dir.file("err") + " </dev/null";
  int status = std::system(full.c_str());
  if (out != nullptr) *out = read_text(dir.file("out"));
  if (err != nullptr) *err = read_text(dir.file("err"));
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace testsupport
