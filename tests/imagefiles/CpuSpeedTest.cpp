#include "imagefiles/CpuSpeed.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>

namespace {

TEST(CpuSpeed, Arithmetic) {
    struct Case {
        std::int64_t c1;
        std::int64_t c2;
        int ms;
        int mhz;
    };
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    for (const Case& c : {
             Case{120'000'000, 0, 50, 2400},
             Case{120'049'999, 50'000, 50, 2399},                     // the overhead is taken off first
             Case{-1, -1, 50, 0},                                     // no time-stamp counter
             Case{0, 50'000'000, 50, -1000},                          // a negative difference stays negative
             Case{49'999, 0, 50, 0},                                  // both divisions truncate
             Case{-99'999, 0, 50, -1},                                // ... toward zero
             Case{50'000 * ((std::int64_t{1} << 32) + 5), 0, 50, 5},  // the low 32 bits
             Case{kMin, 1, 50, -1404626105},                          // the difference wraps to the largest value
             Case{1000, 0, 0, 0},
         }) {
        EXPECT_EQ(CpuMHzFromCycles(c.c1, c.c2, c.ms), c.mhz) << c.c1 << " " << c.c2;
    }
}

TEST(CpuSpeed, AnEstimateOfZeroOrBelowCountsAsSlow) {
    const struct {
        int mhz;
        bool slow;
    } cases[] = {{0, true}, {-1000, true}, {499, true}, {500, false}, {2400, false}};
    for (const auto& c : cases)
        EXPECT_EQ(IsSlowCpu(c.mhz), c.slow) << c.mhz;
}

TEST(CpuSpeed, BusyWaitTakesItsTime) {
    const auto start = std::chrono::steady_clock::now();
    BusyWaitMilliseconds(20);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}

#if defined(__x86_64__) || defined(__i386__)
TEST(CpuSpeed, EstimateIsAPlausibleClock) {
    const CCpuSpeed speed;
    EXPECT_GT(speed.m_nMHz, 200);
    EXPECT_LT(speed.m_nMHz, 20000);
    EXPECT_GT(CountCycles(BusyWaitMilliseconds, 1), CountCycles(BusyWaitOverhead, 1));
}
#endif

}  // namespace
