#include "threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

TEST(Threads, SettingGivesTheCount) {
  struct Case {
    const char *setting;
    unsigned count;
  };
  const Case cases[] = {{nullptr, 1}, {"", 1},    {"1", 1},     {"2", 2},     {"3", 3},
                        {"02", 2},    {"0", 1},   {"-2", 1},    {"+2", 1},    {"2x", 1},
                        {" 2", 1},    {"two", 1}, {"256", 256}, {"257", 256}, {"99999999999999999999", 256}};
  for (const Case &c : cases)
    EXPECT_EQ(threads_from_setting(c.setting), c.count) << (c.setting ? c.setting : "(unset)");
}

TEST(Threads, ParallelForCallsEachIndexOnce) {
  for (unsigned threads : {1u, 2u, 3u, 8u}) {
    for (std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{100}}) {
      std::vector<std::atomic<int>> calls(count);
      parallel_for(threads, count, [&](std::size_t i) { calls[i].fetch_add(1); });
      for (std::size_t i = 0; i < count; ++i)
        EXPECT_EQ(calls[i].load(), 1) << threads << " " << count << " " << i;
    }
  }
}

TEST(Threads, ParallelForRethrows) {
  for (unsigned threads : {1u, 3u})
    EXPECT_THROW(parallel_for(threads, 50,
                              [](std::size_t i) {
                                if (i == 17) throw std::runtime_error("seventeen");
                              }),
                 std::runtime_error);
}

// Tasks run one at a time in the order handed over, on a thread other than
// the caller's; wait_idle and the destructor wait for all of them.
TEST(Threads, SerialWorkerRunsTasksInOrder) {
  std::vector<int> done;
  std::thread::id caller = std::this_thread::get_id();
  bool other_thread = true;
  {
    SerialWorker worker;
    for (int i = 0; i < 200; ++i)
      worker.hand_over([&, i] {
        if (std::this_thread::get_id() == caller) other_thread = false;
        done.push_back(i);
      });
    worker.wait_idle();
    EXPECT_EQ(done.size(), 200u);
    for (int i = 200; i < 300; ++i) worker.hand_over([&, i] { done.push_back(i); });
  }
  ASSERT_EQ(done.size(), 300u);
  for (int i = 0; i < 300; ++i) EXPECT_EQ(done[i], i);
  EXPECT_TRUE(other_thread);
}
