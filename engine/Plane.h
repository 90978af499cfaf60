#pragma once
// Small helpers shared by the plane operations of the engine.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>

#include "engine/PlaneArena.h"
#include "platform/memory/LargeBlock.h"

// Byte count of a w x h plane (64-bit; callers check w, h > 0 first).
inline std::size_t PlaneBytes(long long w, long long h) {
    return static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
}

// Gives a plane's bytes back to the arena they came from, or to the system.
struct PlaneRelease {
    PlaneArena* arena = nullptr;
    void operator()(std::uint8_t* bytes) const {
        if (arena)
            arena->Give(bytes);
        else
            platform::FreeLargeBlock(bytes);
    }
};

// A plane's bytes, left uninitialised: for planes that are written whole
// before anything reads them (zeroing them first costs a pass of its own).
using PlaneBuffer = std::unique_ptr<std::uint8_t[], PlaneRelease>;

// From the calling thread's arena while an entry point of the engine runs
// (PlaneArena.h), so the bytes may hold an earlier stage's values; else new.
// Throws std::bad_alloc.
inline PlaneBuffer NewPlane(std::size_t bytes) {
    PlaneArena* arena = CurrentPlaneArena();
    if (arena)
        return PlaneBuffer(arena->Take(bytes), PlaneRelease{arena});
    return PlaneBuffer(platform::AllocateLargeBlock(bytes), PlaneRelease{});
}

// Limits an integer result to a byte.
inline std::uint8_t ClampToByte(long long v) { return static_cast<std::uint8_t>(std::clamp<long long>(v, 0, 255)); }

inline int ClampIndex(long long i, int count) { return static_cast<int>(std::clamp<long long>(i, 0, count - 1)); }

// trunc(v) as an int, limited to the int range (0 for NaN): for sizes and
// amounts derived from scale factors, which can exceed it on absurd inputs.
inline int TruncToInt(double v) {
    if (!(v == v))
        return 0;
    constexpr double lo = std::numeric_limits<int>::min();
    constexpr double hi = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(v, lo, hi));
}
