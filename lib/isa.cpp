#include "isa.h"

#include <cstdlib>
#include <cstring>

bool cpu_has(Isa isa) {
#if defined(__x86_64__) || defined(__i386__)
  switch (isa) {
    case Isa::base:
      return true;
    case Isa::avx2:
      return __builtin_cpu_supports("avx2") != 0;
    case Isa::avx512:
      return __builtin_cpu_supports("avx512f") != 0;
  }
  return false;
#else
  return isa == Isa::base;
#endif
}

Isa isa_from_setting(const char *setting, Isa have) {
  if (setting == nullptr) return have;
  Isa asked;
  if (std::strcmp(setting, "base") == 0)
    asked = Isa::base;
  else if (std::strcmp(setting, "avx2") == 0)
    asked = Isa::avx2;
  else if (std::strcmp(setting, "avx512") == 0)
    asked = Isa::avx512;
  else
    return have;
  return asked < have ? asked : have;
}

std::vector<Isa> runnable_isas() {
  std::vector<Isa> all;
  for (Isa isa : {Isa::base, Isa::avx2, Isa::avx512})
    if (cpu_has(isa)) all.push_back(isa);
  return all;
}

Isa active_isa() {
  static const Isa chosen = isa_from_setting(std::getenv("MAVEK_ISA"), runnable_isas().back());
  return chosen;
}

const char *isa_name(Isa isa) {
  switch (isa) {
    case Isa::base:
      return "base";
    case Isa::avx2:
      return "avx2";
    case Isa::avx512:
      return "avx512";
  }
  return "?";
}
