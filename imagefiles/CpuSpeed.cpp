#include "imagefiles/CpuSpeed.h"

#include <time.h>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#define VESPERA_HAVE_TSC 1
#endif

namespace {

constexpr int kMeasureMilliseconds = 50;
constexpr std::int64_t kCounterFrequency = 1'000'000'000;  // the monotonic clock counts nanoseconds

std::int64_t ReadCounter() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * kCounterFrequency + now.tv_nsec;
}

std::int64_t TicksFor(int milliseconds) { return (kCounterFrequency / 1000) * milliseconds; }

}  // namespace

CCpuSpeed::CCpuSpeed() {
    const std::int64_t c1 = CountCycles(BusyWaitMilliseconds, kMeasureMilliseconds);
    const std::int64_t c2 = CountCycles(BusyWaitOverhead, kMeasureMilliseconds);
    m_nMHz = CpuMHzFromCycles(c1, c2, kMeasureMilliseconds);
}

std::int64_t CountCycles(void (*routine)(int), int milliseconds) {
#ifdef VESPERA_HAVE_TSC
    const std::uint64_t t0 = __rdtsc();
    routine(milliseconds);
    const std::uint64_t t1 = __rdtsc();
    return static_cast<std::int64_t>(t1 - t0);
#else
    routine(milliseconds);
    return -1;
#endif
}

void BusyWaitMilliseconds(int milliseconds) {
    const std::int64_t ticks = TicksFor(milliseconds);
    const std::int64_t start = ReadCounter();
    while (ReadCounter() - start < ticks) {
    }
}

void BusyWaitOverhead(int milliseconds) {
    const std::int64_t ticks = TicksFor(milliseconds);
    const std::int64_t start = ReadCounter();
    while (ReadCounter() - start == ticks) {
    }
}

int CpuMHzFromCycles(std::int64_t c1, std::int64_t c2, int milliseconds) {
    if (milliseconds <= 0)
        return 0;
    const auto difference = static_cast<std::int64_t>(static_cast<std::uint64_t>(c1) - static_cast<std::uint64_t>(c2));
    const std::int64_t mhz = difference / milliseconds / 1000;
    return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(mhz)));
}
