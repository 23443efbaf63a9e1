// The option parser over argument vectors. The input is split at NUL bytes
// into arguments after "mavek --more", so that a help request prints the
// help directly instead of starting the pager.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/options.h"
#include "diagnostics.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  if (std::freopen("/dev/null", "r", stdin) == nullptr) std::abort();
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  std::vector<std::string> words = {"mavek", "--more"};
  words.emplace_back();
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == '\0')
      words.emplace_back();
    else
      words.back() += static_cast<char>(data[i]);
  }
  std::vector<char *> argv;
  for (std::string &w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(words.size());

  Options o;
  try {
    const int first = parse_options(argc, argv.data(), o);
    if (first < 1 || first > argc) std::abort();
    // Every switch is 0 or 1, whatever the words said.
    const flags &f = o.flag;
    for (int v : {f.tetrad, f.oldtetrad, f.covariance, f.sort, f.correlation, f.mvd, f.timing, f.eigen,
                  f.split, f.fsc, f.histogram, f.std, f.transpose, f.scores_mean, f.inverse})
      if (v != 0 && v != 1) std::abort();
    if (o.flag.sort != 0 && o.sortstring == nullptr) std::abort();
  } catch (const ExitRequest &e) {
    if (e.status != 0 && e.status != 1) std::abort();
  } catch (const Failure &) {
  }
  return 0;
}
