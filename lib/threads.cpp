#include "threads.h"

#include <atomic>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

unsigned threads_from_setting(const char *setting) {
  if (setting == nullptr || *setting == '\0') return 1;
  unsigned long n = 0;
  for (const char *c = setting; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return 1;
    if (n < 1000) n = n * 10 + static_cast<unsigned>(*c - '0');
  }
  if (n == 0) return 1;
  return n > 256 ? 256 : static_cast<unsigned>(n);
}

unsigned thread_count() {
  static const unsigned count = threads_from_setting(std::getenv("MAVEK_THREADS"));
  return count;
}

void parallel_for(unsigned threads, std::size_t count, const std::function<void(std::size_t)> &fn) {
  if (threads <= 1 || count <= 1) {
    for (std::size_t i = 0; i < count; ++i) fn(i);
    return;
  }
  std::atomic<std::size_t> next{0};
  std::exception_ptr failure;
  std::mutex failure_mutex;
  auto work = [&] {
    for (std::size_t i; (i = next.fetch_add(1)) < count;) {
      try {
        fn(i);
      } catch (...) {
        std::lock_guard<std::mutex> lock(failure_mutex);
        if (!failure) failure = std::current_exception();
        next.store(count);  // no new calls once one has failed
      }
    }
  };
  std::vector<std::thread> helpers;
  const std::size_t wanted = (threads < count ? threads : count) - 1;
  try {
    helpers.reserve(wanted);
    for (std::size_t t = 0; t < wanted; ++t) helpers.emplace_back(work);
  } catch (const std::system_error &) {
    // Fewer threads than asked for: the ones started and the caller share
    // the work.
  } catch (const std::bad_alloc &) {
  }
  work();
  for (std::thread &h : helpers) h.join();
  if (failure) std::rethrow_exception(failure);
}

SerialWorker::SerialWorker() : thread_([this] { work(); }) {}

SerialWorker::~SerialWorker() {
  wait_idle();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void SerialWorker::hand_over(std::function<void()> task) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !has_next_; });
  next_ = std::move(task);
  has_next_ = true;
  changed_.notify_all();
}

void SerialWorker::wait_idle() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !has_next_ && !busy_; });
}

void SerialWorker::work() {
  std::function<void()> current;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      busy_ = false;
      changed_.notify_all();
      changed_.wait(lock, [this] { return has_next_ || stop_; });
      if (!has_next_) return;
      current = std::move(next_);
      next_ = nullptr;
      has_next_ = false;
      busy_ = true;
      changed_.notify_all();
    }
    current();
    current = nullptr;
  }
}
