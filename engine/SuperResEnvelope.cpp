#include "engine/SuperResEnvelope.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "engine/Plane.h"
#include "engine/RSProgress.h"

namespace SuperRes {
namespace {

std::unique_ptr<std::uint8_t[]> TryPlane(std::size_t bytes) {
    try {
        return std::make_unique_for_overwrite<std::uint8_t[]>(bytes);
    } catch (const std::bad_alloc&) {
        g_bResizeOutOfMemory = 1;
        return nullptr;
    }
}

// Runs rowFn(y) over [0, rows) in parallel blocks, testing the abort byte
// before each row. Returns false when stopped.
template <typename RowFn>
bool ForEachRowInBlocks(int rows, int blockRows, const AbortFlag* abort, const RowFn& rowFn) {
    std::atomic<bool> stopped{false};
    ForEachBlock(rows, blockRows, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            if (Stopped(abort)) {
                stopped.store(true, std::memory_order_relaxed);
                return;
            }
            rowFn(y);
        }
    });
    return !stopped.load();
}

// Index i reflected into 0..n-1 about the edges: -1 - i -> i, n + i -> n - 1 - i.
// Valid for -n <= i < 2n.
inline int Mirror(int i, int n) { return i < 0 ? -1 - i : (i >= n ? 2 * n - 1 - i : i); }

}  // namespace

void MinMaxFilter(std::uint8_t* minimum, std::uint8_t* maximum, const std::uint8_t* plane, int width,
                  int height, int rx, int ry, int blockHeight, const AbortFlag* abort) {
    if (!minimum || !maximum || !plane || width <= 0 || height <= 0)
        return;
    rx = std::max(rx, 0);
    ry = std::max(ry, 0);
    const std::size_t bytes = PlaneBytes(width, height);
    const auto rowMin = TryPlane(bytes);
    const auto rowMax = rowMin ? TryPlane(bytes) : nullptr;
    if (!rowMax)
        return;

    const bool rowsDone = ForEachRowInBlocks(height, blockHeight, abort, [&](int y) {
        const std::uint8_t* in = plane + PlaneBytes(y, width);
        std::uint8_t* lo = rowMin.get() + PlaneBytes(y, width);
        std::uint8_t* hi = rowMax.get() + PlaneBytes(y, width);
        for (int x = 0; x < width; ++x) {
            const int first = std::max(0, x - rx);
            const int last = static_cast<int>(std::min<long long>(width - 1, static_cast<long long>(x) + rx));
            const auto [mn, mx] = std::minmax_element(in + first, in + last + 1);
            lo[x] = *mn;
            hi[x] = *mx;
        }
    });
    if (!rowsDone)
        return;

    ForEachRowInBlocks(height, blockHeight, abort, [&](int y) {
        const int first = std::max(0, y - ry);
        const int last = static_cast<int>(std::min<long long>(height - 1, static_cast<long long>(y) + ry));
        std::uint8_t* lo = minimum + PlaneBytes(y, width);
        std::uint8_t* hi = maximum + PlaneBytes(y, width);
        std::memcpy(lo, rowMin.get() + PlaneBytes(first, width), width);
        std::memcpy(hi, rowMax.get() + PlaneBytes(first, width), width);
        for (int r = first + 1; r <= last; ++r) {
            const std::uint8_t* inLo = rowMin.get() + PlaneBytes(r, width);
            const std::uint8_t* inHi = rowMax.get() + PlaneBytes(r, width);
            for (int x = 0; x < width; ++x) {
                lo[x] = std::min(lo[x], inLo[x]);
                hi[x] = std::max(hi[x], inHi[x]);
            }
        }
    });
}

bool BoxMean(std::uint8_t* plane, int width, int height, int windowSize, const AbortFlag* abort) {
    if (!plane || width <= 0 || height <= 0)
        return false;
    const int size = std::min({windowSize, width - 1, height - 1});
    const int c = size / 2;
    if (c <= 0)
        return false;
    const std::uint64_t f = static_cast<std::uint64_t>(2 * c + 1) * (2 * c + 1);
    const auto out = TryPlane(PlaneBytes(width, height));
    if (!out)
        return false;

    // Each block slides a window of column sums down its rows and a window of
    // those sums along each row: the same window sums as an integral image,
    // with one row of sums per block.
    const bool done = ForEachWithScratch<std::uint64_t>(
        (height + kBlockRows - 1) / kBlockRows, static_cast<std::size_t>(width), abort,
        [&](int block, std::uint64_t* columnSum) {
            const int first = block * kBlockRows;
            const int end = std::min(height, first + kBlockRows);
            std::fill(columnSum, columnSum + width, 0);
            for (int dy = -c; dy <= c; ++dy) {
                const std::uint8_t* row = plane + PlaneBytes(Mirror(first + dy, height), width);
                for (int x = 0; x < width; ++x)
                    columnSum[x] += row[x];
            }
            for (int y = first; y < end; ++y) {
                if (y > first) {
                    const std::uint8_t* enter = plane + PlaneBytes(Mirror(y + c, height), width);
                    const std::uint8_t* leave = plane + PlaneBytes(Mirror(y - c - 1, height), width);
                    for (int x = 0; x < width; ++x)
                        columnSum[x] += enter[x] - static_cast<std::uint64_t>(leave[x]);
                }
                const bool edgeRow = y < c + 1 || y >= height - (c + 1);
                const std::uint64_t rounding = edgeRow ? 0 : (f + 1) / 2;
                std::uint64_t sum = 0;
                for (int dx = -c; dx <= c; ++dx)
                    sum += columnSum[Mirror(dx, width)];
                std::uint8_t* o = out.get() + PlaneBytes(y, width);
                for (int x = 0; x < width; ++x) {
                    if (x > 0)
                        sum += columnSum[Mirror(x + c, width)] - columnSum[Mirror(x - c - 1, width)];
                    o[x] = static_cast<std::uint8_t>((sum + rounding) / f);
                }
            }
        });
    if (!done)
        return false;
    std::memcpy(plane, out.get(), PlaneBytes(width, height));
    return true;
}

void StretchContrastChunk(const StretchJob& job, int block) {
    const int first = block * kBlockRows;
    const int end = std::min(job.height, first + kBlockRows);
    for (int y = first; y < end; ++y) {
        if (Stopped(job.abort))
            return;
        const std::size_t at = PlaneBytes(y, job.width);
        for (int x = 0; x < job.width; ++x) {
            const int v = job.plane[at + x];
            const int lo = job.minimum[at + x], hi = job.maximum[at + x];
            const double m = job.mean[at + x];
            const double gain = job.threshold > 0 ? std::max(1.0, std::max(1, hi - lo) / job.threshold) : 1.0;
            const int stretched = static_cast<int>((v - m) * gain + m);
            job.plane[at + x] = static_cast<std::uint8_t>(std::clamp(stretched, lo, std::max(lo, hi)));
        }
    }
}

}  // namespace SuperRes
