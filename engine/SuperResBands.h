#pragma once
// What the super-resolution filters share: the abort byte they poll and the
// split of a plane's rows into 8 bands or into blocks of 16 rows.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <new>

#include "engine/ParallelFor.h"
#include "engine/RSProgress.h"

namespace SuperRes {

using AbortFlag = std::atomic<std::uint8_t>;

inline constexpr int kBands = 8;
inline constexpr int kBlockRows = 16;

// Whether the processor runs AVX2 code. The filters that have such a variant
// choose it at run time (not through ifunc resolvers, which run before the
// sanitizers are ready); the variants give the same results.
inline bool HasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
#else
    return false;
#endif
}

inline bool Stopped(const AbortFlag* abort) {
    return abort && abort->load(std::memory_order_relaxed) != 0;
}

// Runs body(firstRow, endRow) over rows [0, rows): with the parallel flag as
// 8 bands of (rows + 7) / 8 rows in a parallel loop, otherwise once over all
// rows on the calling thread. Bodies write only their own rows.
template <typename Body>
void ForEachBand(int rows, bool parallel, const Body& body) {
    if (rows <= 0)
        return;
    if (!parallel) {
        body(0, rows);
        return;
    }
    const int bandRows = (rows + kBands - 1) / kBands;
    ParallelFor(0, kBands, [&](int firstBand, int endBand) {
        for (int b = firstBand; b < endBand; ++b) {
            const int first = b * bandRows;
            const int end = std::min(rows, first + bandRows);
            if (first < end)
                body(first, end);
        }
    });
}

// Runs body(firstRow, endRow) over rows [0, rows) in blocks of `blockRows`
// rows as a parallel loop over the blocks.
template <typename Body>
void ForEachBlock(int rows, int blockRows, const Body& body) {
    if (rows <= 0)
        return;
    blockRows = std::max(1, blockRows);
    const int blocks = static_cast<int>((static_cast<long long>(rows) + blockRows - 1) / blockRows);
    ParallelFor(0, blocks, [&](int firstBlock, int endBlock) {
        for (int b = firstBlock; b < endBlock; ++b) {
            const int first = b * blockRows;
            body(first, std::min(rows, first + blockRows));
        }
    });
}

// A buffer of `bytes` bytes, not cleared; on failure g_bResizeOutOfMemory is
// set and the result is null.
inline std::unique_ptr<std::uint8_t[]> TryAllocatePlane(std::size_t bytes) {
    try {
        return std::make_unique_for_overwrite<std::uint8_t[]>(bytes);
    } catch (const std::bad_alloc&) {
        g_bResizeOutOfMemory = 1;
        return nullptr;
    }
}

// Runs body(i, scratch) for every i in [0, count) as a parallel loop; each
// sub-range of the loop gets a scratch buffer of scratchCount elements of T of
// its own. The abort byte is tested before each i. Returns false when it
// stopped the loop or a buffer could not be allocated (g_bResizeOutOfMemory is
// then set on the calling thread).
template <typename T, typename Body>
bool ForEachWithScratch(int count, std::size_t scratchCount, const AbortFlag* abort, const Body& body) {
    std::atomic<bool> stopped{false}, outOfMemory{false};
    ParallelFor(0, count, [&](int first, int end) {
        std::unique_ptr<T[]> scratch;
        try {
            scratch = std::make_unique_for_overwrite<T[]>(scratchCount);
        } catch (const std::bad_alloc&) {
            outOfMemory.store(true, std::memory_order_relaxed);
            return;
        }
        for (int i = first; i < end; ++i) {
            if (Stopped(abort) || outOfMemory.load(std::memory_order_relaxed)) {
                stopped.store(true, std::memory_order_relaxed);
                return;
            }
            body(i, scratch.get());
        }
    });
    if (outOfMemory.load())
        g_bResizeOutOfMemory = 1;
    return !stopped.load() && !outOfMemory.load();
}

}  // namespace SuperRes
