#include "output/rows.h"

#include <string>
#include <vector>

#include "threads.h"

void write_rows(OutBuf &out, unsigned rows, unsigned threads,
                const std::function<void(unsigned, OutBuf &)> &row) {
  constexpr unsigned kChunk = 4096;  // rows a thread formats at a time
  if (threads <= 1 || rows <= kChunk) {
    for (unsigned r = 0; r < rows; ++r) row(r, out);
    return;
  }
  // A round gives every thread two chunks, so that a slower chunk does not
  // hold the others up; the memory is a few chunks of text a thread.
  const unsigned per_round = 2 * threads;
  std::vector<std::string> text(per_round);
  for (std::size_t first = 0; first < rows; first += std::size_t{per_round} * kChunk) {
    const std::size_t left = (rows - first + kChunk - 1) / kChunk;
    const std::size_t chunks = left < per_round ? left : per_round;
    parallel_for(threads, chunks, [&](std::size_t i) {
      text[i].clear();
      OutBuf o(text[i]);
      const std::size_t from = first + i * kChunk;
      const std::size_t to = rows - from < kChunk ? rows : from + kChunk;
      for (std::size_t r = from; r < to; ++r) row(static_cast<unsigned>(r), o);
      o.flush();
    });
    for (std::size_t i = 0; i < chunks; ++i) out.put(text[i]);
  }
}
