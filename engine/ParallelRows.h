#pragma once
// Work on the lines of a stage in parallel, with the stage's progress reports
// still made on the calling thread, one per line, in increasing order.
//
// ParallelLinesInOrder(count, lineWork, compute, publish): the lines
// [0, count) are taken in blocks; the lines of one block are computed in
// parallel by compute(first, last) (disjoint sub-ranges, through ParallelFor),
// then publish(line) runs for each line of the block in order on the calling
// thread and returns its report's answer. The first 0 ends the stage at once:
// at most one block is computed beyond the line whose report said stop.
//
// lineWork is a rough cost of one line in pixels; blocks hold enough lines to
// be worth spreading over the threads, and never more than kMaxBlockLines (or
// one granule a thread, when that is more), so a stop is seen within a
// bounded number of lines. With a granule g, every
// range handed to compute starts at a multiple of g and holds a multiple of g
// lines (the very last one excepted), for work done g lines at a time.

#include <algorithm>

#include <tbb/task_arena.h>

#include "platform/threads/ParallelFor.h"

inline constexpr int kMaxBlockLines = 512;

inline int LinesPerBlock(int count, long long lineWork, int granule) {
    // About a million pixels a block: a few hundred microseconds of work for
    // each thread, so the wait at each block's end costs little.
    constexpr long long kBlockWork = 1 << 20;
    const long long wanted = std::max<long long>(4LL * granule * tbb::this_task_arena::max_concurrency(),
                                                 kBlockWork / std::max<long long>(1, lineWork));
    const long long most = std::max<long long>(kMaxBlockLines, 1LL * granule * tbb::this_task_arena::max_concurrency());
    const long long lines = std::clamp<long long>(wanted, 1, std::min<long long>(count, most));
    return static_cast<int>(std::max<long long>(granule, lines / granule * granule));
}

template <typename Compute, typename Publish>
int ParallelLinesInOrder(int count, long long lineWork, const Compute& compute, const Publish& publish,
                         int granule = 1) {
    if (count <= 0)
        return 1;
    granule = std::max(1, granule);
    const int block = LinesPerBlock(count, lineWork, granule);
    for (int first = 0; first < count; first += block) {
        const int last = std::min(count, first + block);
        const int granules = (last - first + granule - 1) / granule;
        ParallelFor(0, granules,
                    [&](int g0, int g1) { compute(first + g0 * granule, std::min(last, first + g1 * granule)); });
        for (int line = first; line < last; ++line)
            if (!publish(line))
                return 0;
    }
    return 1;
}
