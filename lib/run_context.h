// What the computations of a run may use: the instruction-set level of the
// vector kernels and the number of threads. The driver makes it once and
// hands it to every step that computes; the steps never ask the environment
// themselves. Every level and every thread count gives the same bits.
#pragma once

#include "isa.h"
#include "threads.h"

struct RunContext {
  Isa isa = Isa::base;
  unsigned threads = 1;
};

// The best level this processor has, as capped by MAVEK_ISA, and the thread
// count MAVEK_THREADS asks for.
inline RunContext context_from_environment() { return RunContext{active_isa(), thread_count()}; }
