// The sort string. The first byte gives the number of variables (1 to 64),
// the second the switches (bit 0 --inverse, bit 1 quiet), the rest is the
// string. Whenever the call returns, the two maps must be inverse
// permutations of all columns.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "diagnostics.h"
#include "input/sortorder.h"
#include "tables/datastore.h"

namespace {

// The one call of the sort-string parser.
void fill_maps(int cols, const std::string &text, bool inverse, int quiet, DataStore &store) {
  parse_sortstring(cols, text.c_str(), inverse ? 1 : 0, Reporter(quiet, 0), store.sortarr.get(),
                   store.sortarr1.get());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  if (std::freopen("/dev/null", "r", stdin) == nullptr) std::abort();
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 2) return 0;
  const int cols = data[0] % 64 + 1;
  const std::string text(reinterpret_cast<const char *>(data + 2), size - 2);
  DataStore store;
  unsigned long mem = 0;
  store.sortarr.create("sortarr", cols, Reporter(1, 0), mem);
  store.sortarr1.create("sortarr1", cols, Reporter(1, 0), mem);
  try {
    fill_maps(cols, text, (data[1] & 1) != 0, (data[1] >> 1) & 1, store);
  } catch (const Failure &) {
    return 0;
  }
  for (int i = 0; i < cols; ++i) {
    const int to = store.sortarr[i];
    if (to < 0 || to >= cols || store.sortarr1[to] != i) std::abort();
  }
  return 0;
}
