// Instruction-set levels: the numerical kernels are built for several, and
// every level gives the same bits, so the choice only changes the speed.
#pragma once

#include <vector>

enum class Isa { base, avx2, avx512 };

// Whether this processor can run code built for `isa` (base always).
bool cpu_has(Isa isa);

// The level the kernels use: the highest this processor has, lowered to the
// level that the environment variable MAVEK_ISA names ("base", "avx2",
// "avx512") when it names a lower one; any other value is ignored. Read once.
Isa active_isa();

// The level MAVEK_ISA text asks for, capped at what `have` allows; null or an
// unknown word gives `have`.
Isa isa_from_setting(const char *setting, Isa have);

// Every level this processor can run, base first.
std::vector<Isa> runnable_isas();

const char *isa_name(Isa isa);
