// How many threads the program may use for independent work, and a way to
// share such work among them.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>

// MAVEK_THREADS when it is a positive decimal integer (at most 256 are used),
// otherwise 1: absent, empty or any other text means one thread, and no
// error. Read once.
unsigned thread_count();

// The count that the MAVEK_THREADS text `setting` (null when unset) gives.
unsigned threads_from_setting(const char *setting);

// Calls fn(i) for every i in [0, count), on up to `threads` threads (the
// caller's among them), each index exactly once. The calls must be
// independent of one another. Returns when all are done; an exception thrown
// by a call is rethrown here (the first one, when several throw). When no
// thread can be started, the caller does all the calls.
void parallel_for(unsigned threads, std::size_t count, const std::function<void(std::size_t)> &fn);

// A thread of its own that runs the tasks handed to it one after another, in
// the order they were handed over, while the caller goes on with other work.
// At most one task waits while another runs: hand_over blocks until the
// worker has taken the task before. Tasks must not throw. The destructor
// waits for every task handed over, then ends the thread.
class SerialWorker {
 public:
  // Throws std::system_error when no thread can be started.
  SerialWorker();
  SerialWorker(const SerialWorker &) = delete;
  SerialWorker &operator=(const SerialWorker &) = delete;
  ~SerialWorker();

  void hand_over(std::function<void()> task);
  // Waits until every task handed over has run.
  void wait_idle();

 private:
  void work();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> next_;
  bool has_next_ = false;
  bool busy_ = true;
  bool stop_ = false;
  std::thread thread_;  // last: it starts once everything above exists
};
