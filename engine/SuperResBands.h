#pragma once
// What the super-resolution filters share: the abort byte they poll and the
// split of a plane's rows into blocks of rows run as parallel loops.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <new>

#include "engine/Plane.h"
#include "engine/RSProgress.h"
#include "platform/threads/ParallelFor.h"

namespace SuperRes {

using AbortFlag = std::atomic<std::uint8_t>;

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

// Whether it runs the AVX-512 code of the filters that have such a variant
// (foundation, vector-length, doubleword and byte instructions).
inline bool HasAvx512() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
                            __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw");
    return has;
#else
    return false;
#endif
}

inline bool Stopped(const AbortFlag* abort) { return abort && abort->load(std::memory_order_relaxed) != 0; }

// Runs body(firstRow, endRow) over rows [0, rows) in blocks of `blockRows`
// rows as a parallel loop over the blocks.
template <typename Body>
void ForEachBlock(int rows, int blockRows, const Body& body) {
    if (rows <= 0)
        return;
    blockRows = std::max(1, blockRows);
    const int blocks = static_cast<int>((static_cast<long long>(rows) + blockRows - 1) / blockRows);
    ParallelFor(0, blocks, [&](int firstBlock, int endBlock) {
        const int first = static_cast<int>(std::min<long long>(rows, 1LL * firstBlock * blockRows));
        const int end = static_cast<int>(std::min<long long>(rows, 1LL * endBlock * blockRows));
        body(first, end);
    });
}

// Runs body(firstRow, endRow) over rows [0, rows): with the parallel flag as
// a parallel loop over blocks of 16 rows (the scheduler hands each worker
// neighbouring blocks in one range), otherwise once over all rows on the
// calling thread. Bodies write only their own rows, so the result is the same
// either way.
template <typename Body>
void ForEachRowRange(int rows, bool parallel, const Body& body) {
    if (rows <= 0)
        return;
    if (parallel)
        ForEachBlock(rows, kBlockRows, body);
    else
        body(0, rows);
}

// A buffer of `bytes` bytes, not cleared (NewPlane: from the call's arena);
// on failure g_bResizeOutOfMemory is set and the result is null.
inline PlaneBuffer TryAllocatePlane(std::size_t bytes) {
    try {
        return NewPlane(bytes);
    } catch (const std::bad_alloc&) {
        g_bResizeOutOfMemory = 1;
        return nullptr;
    }
}

// Runs body(i, scratch) for every i in [0, count): with the parallel flag as
// a parallel loop in which each sub-range gets a scratch buffer of
// scratchCount elements of T of its own, otherwise in order on the calling
// thread with one buffer. The abort byte is tested before each i. Returns
// false when it stopped the loop or a buffer could not be allocated
// (g_bResizeOutOfMemory is then set on the calling thread).
template <typename T, typename Body>
bool ForEachWithScratch(int count, std::size_t scratchCount, bool parallel, const AbortFlag* abort, const Body& body) {
    std::atomic<bool> stopped{false}, outOfMemory{false};
    auto range = [&](int first, int end) {
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
    };
    if (parallel)
        ParallelFor(0, count, range);
    else if (count > 0)
        range(0, count);
    if (outOfMemory.load())
        g_bResizeOutOfMemory = 1;
    return !stopped.load() && !outOfMemory.load();
}

}  // namespace SuperRes
