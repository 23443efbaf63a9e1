// The number scanner against the C library: scan_numbers(s, max, ...) must
// give what sscanf gives with `max` (1 to 8) "%lg%n" pairs: the same count,
// the same consumed length and the same bits of every value. The first byte
// chooses max, the rest (up to a NUL) is the text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "contract/numscan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 1) return 0;
  const int max = data[0] % 8 + 1;
  const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
  const char *s = text.c_str();

  double got[8];
  std::size_t consumed = 0;
  const int count = scan_numbers(s, max, got, &consumed);

  std::string format;
  for (int i = 0; i < max; ++i) format += "%lg%n";
  double want[8];
  int at[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  int want_count =
      std::sscanf(s, format.c_str(), &want[0], &at[0], &want[1], &at[1], &want[2], &at[2], &want[3], &at[3],
                  &want[4], &at[4], &want[5], &at[5], &want[6], &at[6], &want[7], &at[7]);
  if (want_count < 0) want_count = 0;  // end of input before the first number

  if (count != want_count) std::abort();
  const std::size_t want_consumed = count == 0 ? 0 : static_cast<std::size_t>(at[count - 1]);
  if (consumed != want_consumed) std::abort();
  if (count > 0 && std::memcmp(got, want, sizeof(double) * static_cast<std::size_t>(count)) != 0)
    std::abort();
  return 0;
}
