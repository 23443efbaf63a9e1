#include "isa.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

TEST(Isa, SettingCapsTheLevel) {
  struct Case {
    const char *setting;
    Isa have;
    Isa used;
  };
  const Case cases[] = {
      {nullptr, Isa::avx2, Isa::avx2},      {"base", Isa::avx2, Isa::base},
      {"avx2", Isa::avx2, Isa::avx2},       {"avx512", Isa::avx2, Isa::avx2},
      {"avx512", Isa::avx512, Isa::avx512}, {"avx2", Isa::avx512, Isa::avx2},
      {"", Isa::avx512, Isa::avx512},       {"AVX2", Isa::avx512, Isa::avx512},
      {"sse", Isa::base, Isa::base},
  };
  for (const Case &c : cases)
    EXPECT_EQ(isa_from_setting(c.setting, c.have), c.used) << (c.setting ? c.setting : "(unset)");
}

TEST(Isa, ActiveLevelIsOneTheProcessorHas) {
  EXPECT_TRUE(cpu_has(Isa::base));
  EXPECT_TRUE(cpu_has(active_isa()));
  EXPECT_EQ(runnable_isas().front(), Isa::base);
}

// The base-path runs of the suite set MAVEK_ISA=base: they must really run
// on the base path.
TEST(Isa, BaseSettingIsObeyed) {
  const char *setting = std::getenv("MAVEK_ISA");
  if (setting == nullptr || std::strcmp(setting, "base") != 0) GTEST_SKIP() << "MAVEK_ISA is not base";
  EXPECT_EQ(active_isa(), Isa::base);
}
