#include "tables/datastore.h"

#include <gtest/gtest.h>

#include <string>

#include "diagnostics.h"
#include "support.h"

TEST(DataStore, TracesEveryBlockInCreationOrder) {
  DataStore store;
  testing::internal::CaptureStderr();
  store.allocate(100, 3, 30, Reporter(0, 1));
  std::string trace = testing::internal::GetCapturedStderr();
  const std::size_t rec = sizeof(stats), ptr = sizeof(void *);
  ASSERT_EQ(rec, 72u);
  auto line = [](std::size_t bytes, std::size_t n, std::size_t s) {
    return "Allocates " + std::to_string(bytes) + " bytes (" + std::to_string(n) + " * " + std::to_string(s) +
           ")\n";
  };
  std::string expected = line(216, 3, 72) + line(72, 9, 8) + line(12, 3, 4) + line(12, 3, 4) +
                         line(24, 3, 8) + line(12, 3, 4) + line(12, 3, 4) + line(30 * ptr, 30, ptr) +
                         line(360, 90, 4) + line(3 * ptr, 3, ptr) + line(72, 9, 8) + line(3 * ptr, 3, ptr) +
                         line(72, 9, 8) + line(3 * ptr, 3, ptr) + line(72, 9, 8) + line(100 * ptr, 100, ptr) +
                         line(2400, 300, 8);
  EXPECT_EQ(trace, expected);
  EXPECT_EQ(store.mem_usage,
            216u + 72 + 12 + 12 + 24 + 12 + 12 + 30 * ptr + 360 + 3 * (3 * ptr + 72) + 100 * ptr + 2400);
}

TEST(DataStore, TablesAreZeroFilledAndRowsBackToBack) {
  DataStore store;
  store.allocate(4, 3, 5);
  for (unsigned r = 0; r < 4; ++r) {
    EXPECT_EQ(store.dd[r], store.dd[0] + 3 * r);
    for (unsigned c = 0; c < 3; ++c) EXPECT_EQ(store.dd[r][c], 0.0);
  }
  for (unsigned b = 0; b < 5; ++b)
    for (unsigned c = 0; c < 3; ++c) EXPECT_EQ(store.histogram[b][c], 0);
  EXPECT_EQ(store.v[2].median, 0.0);
}

TEST(DataStore, MemoryFigureOnlyGrows) {
  DataStore store;
  store.allocate(10, 2, 30);
  unsigned long first = store.mem_usage;
  store.deallocate();
  EXPECT_EQ(store.mem_usage, first);
  store.allocate(10, 2, 30);
  EXPECT_EQ(store.mem_usage, 2 * first);
}

TEST(DataStore, DeallocateTwiceIsHarmless) {
  DataStore store;
  store.deallocate();
  store.allocate(1, 1, 1);
  store.deallocate();
  store.deallocate();
  EXPECT_FALSE(store.dd);
  EXPECT_FALSE(store.v);
  EXPECT_FALSE(store.histogram);
}

TEST(DataStore, SizesThatCannotBeHadEndTheRun) {
  DataStore store;
  testing::internal::CaptureStderr();
  // 2^32 - 1 columns: the records alone would take 309 GB.
  EXPECT_FAILS(store.allocate(1, 4294967295u, 30));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "\nError: Not enough memory (v, 309237645240)\nPress enter to continue\n");

  testing::internal::CaptureStderr();
  DataStore wrapped;
  EXPECT_FAILS(wrapped.allocate(1, 1, static_cast<unsigned>(-5)));
  err = testing::internal::GetCapturedStderr();
  // 4294967291 bins of 8-byte pointers: printed in full, never wrapped.
  EXPECT_EQ(err, "\nError: Not enough memory (histogram, 34359738328)\nPress enter to continue\n");
}
