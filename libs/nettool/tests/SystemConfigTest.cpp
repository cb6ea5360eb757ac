#include <gtest/gtest.h>

#include "SystemConfig.h"
#include "platform/Clock.h"

TEST(SystemConfig, LiveLoadIsAPercentageAndMemoryFiguresAreSane) {
    zeva::ManualClock clock;
    clock.SetAutoAdvance(true);
    zeva::ScopedClock scoped(clock);
    CSystemConfig config;
    int percent = -1;
    std::string error;
    ASSERT_EQ(config.GetCpuUsage(percent, error), 0) << error;
    EXPECT_GE(percent, 0);
    EXPECT_LE(percent, 100);
    EXPECT_GT(clock.Slept().count(), 0);  // the first reading measures over an interval
    ASSERT_EQ(config.GetCpuUsage(percent, error), 0) << error;
    EXPECT_LE(percent, 100);

    COMMON_MemoryStatus mem;
    ASSERT_EQ(config.GetMemoryStatus(mem, error), 0) << error;
    EXPECT_GT(mem.ullTotalPhys, 64ull << 20);
    EXPECT_GT(mem.ullAvailPhys, 0u);
    EXPECT_LE(mem.ullAvailPhys, mem.ullTotalPhys);
    EXPECT_LE(mem.dwMemoryLoad, 100u);
}
