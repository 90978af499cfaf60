#pragma once
// An estimate of the processor clock in MHz: time-stamp-counter cycles across
// a 50 ms busy wait on the monotonic clock, less the cycles of the same
// routine without the wait. Takes about 50 ms on the constructing thread.

#include <cstdint>

class CCpuSpeed {
public:
    CCpuSpeed();
    ~CCpuSpeed() = default;

    int m_nMHz;  // cycles per microsecond; 0 or less when nothing could be measured
};

// Time-stamp-counter cycles spent in routine(ms); -1 where the processor has
// no time-stamp counter.
std::int64_t CountCycles(void (*routine)(int), int milliseconds);

// Reads the monotonic clock without sleeping until `milliseconds` have passed.
void BusyWaitMilliseconds(int milliseconds);

// The same clock readings and arithmetic as BusyWaitMilliseconds, without the
// wait.
void BusyWaitOverhead(int milliseconds);

// ((c1 - c2) / ms) / 1000 in 64-bit integers truncating toward zero, the
// difference taken modulo 2^64; the low 32 bits of the result.
int CpuMHzFromCycles(std::int64_t c1, std::int64_t c2, int milliseconds);

// The clock below which the browsers take the coarser animations.
inline constexpr int kSlowCpuMHz = 500;

// Whether an estimate counts as a processor below 500 MHz. An estimate of 0
// or below is what a machine without a usable time-stamp counter gives, and
// it counts as slow like any other value below the threshold.
constexpr bool IsSlowCpu(int mhz) { return mhz < kSlowCpuMHz; }
