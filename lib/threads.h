// How many threads the program may use for independent work, and a way to
// share such work among them.
#pragma once

#include <cstddef>
#include <functional>

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
