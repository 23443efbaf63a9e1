#include "output/rows.h"

#include <string>
#include <vector>

#include "threads.h"

void write_rows(OutBuf &out, unsigned rows, unsigned threads,
                const std::function<void(unsigned, unsigned, OutBuf &)> &range) {
  constexpr unsigned kChunk = 4096;  // rows a thread formats at a time
  if (threads <= 1 || rows <= kChunk) {
    range(0, rows, out);
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
      range(static_cast<unsigned>(from), static_cast<unsigned>(to), o);
      o.flush();
    });
    for (std::size_t i = 0; i < chunks; ++i) out.put(text[i]);
  }
}

void write_value_rows(OutBuf &out, unsigned rows, unsigned count,
                      const std::function<void(unsigned, double *)> &row, unsigned threads) {
  write_rows(out, rows, threads, [&](unsigned from, unsigned to, OutBuf &o) {
    std::vector<double> values(count);
    for (unsigned r = from; r < to; ++r) {
      row(r, values.data());
      for (unsigned c = 0; c < count; ++c) {
        o.fixed(values[c], 9, 5);
        o.put(' ');
      }
      o.put('\n');
    }
  });
}
