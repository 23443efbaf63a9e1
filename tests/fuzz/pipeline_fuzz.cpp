// The whole per-file pipeline from a file's bytes: the input becomes
// "data.txt" in a scratch directory, and the program runs over it with every
// result switch on. Standard input is /dev/null, so no prompt waits.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/driver.h"

namespace {

// The scratch directory lies in $TMPDIR (or /tmp); libFuzzer ends the
// process without running exit handlers, so whoever sets TMPDIR cleans up.
std::string scratch;
int home = -1;  // the directory the fuzzer was started in, for its corpus paths

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  home = open(".", O_RDONLY | O_DIRECTORY);
  const char *tmp = std::getenv("TMPDIR");
  scratch = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/mavek_fuzz_XXXXXX";
  if (home < 0 || mkdtemp(scratch.data()) == nullptr) std::abort();
  if (std::freopen("/dev/null", "r", stdin) == nullptr) std::abort();
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (chdir(scratch.c_str()) != 0) std::abort();
  std::FILE *f = std::fopen("data.txt", "wb");
  if (f == nullptr) std::abort();
  if (size != 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
  char args[][16] = {"mavek", "--quiet", "-b", "-c", "-v", "--oldtetrad", "-h",
                     "-e",    "-f",      "-n", "-a", "-z", "-i",          "data.txt"};
  constexpr int argc = sizeof args / sizeof args[0];
  char *argv[argc + 1];
  for (int i = 0; i < argc; ++i) argv[i] = args[i];
  argv[argc] = nullptr;
  int status = run(argc, argv);
  if (status != 0 && status != 1) std::abort();
  // Each run appends to the log; it must not grow from input to input.
  std::remove("logfile");
  if (fchdir(home) != 0) std::abort();
  return 0;
}
