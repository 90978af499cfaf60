#include "engine/SuperResEnvelope.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "engine/Plane.h"
#include "engine/RSProgress.h"

namespace SuperRes {
namespace {

// c of the window 2c + 1 actually used: the size limited to width - 1 and
// height - 1, halved.
int BoxMeanRadius(int width, int height, int windowSize) {
    return std::max(0, std::min({windowSize, width - 1, height - 1}) / 2);
}

// Index i reflected into 0..n-1 about the edges: -1 - i -> i, n + i -> n - 1 - i.
// Valid for -n <= i < 2n.
inline int Mirror(int i, int n) { return i < 0 ? -1 - i : (i >= n ? 2 * n - 1 - i : i); }

}  // namespace

void MinMaxFilter(std::uint8_t* minimum, std::uint8_t* maximum, const std::uint8_t* plane, int width,
                  int height, int rx, int ry, int blockHeight, const AbortFlag* abort) {
    if (!minimum || !maximum || !plane || width <= 0 || height <= 0)
        return;
    rx = std::clamp(rx, 0, width - 1);
    ry = std::clamp(ry, 0, height - 1);
    blockHeight = std::max(1, blockHeight);
    const int blocks = static_cast<int>((static_cast<long long>(height) + blockHeight - 1) / blockHeight);

    // Per row: the envelope over the rows of the window, column by column,
    // into a row of scratch; then over the columns of the window, widened by
    // one column on each side at a time, clipped to the row. The order of the
    // two does not change a minimum or a maximum.
    ForEachWithScratch<std::uint8_t>(blocks, 2 * static_cast<std::size_t>(width), abort,
                                     [&](int block, std::uint8_t* scratch) {
        std::uint8_t* colLo = scratch;
        std::uint8_t* colHi = scratch + width;
        const int end = static_cast<int>(std::min<long long>(height, (block + 1LL) * blockHeight));
        for (int y = block * blockHeight; y < end; ++y) {
            if (Stopped(abort))
                return;
            const int first = std::max(0, y - ry);
            const int last = std::min(height - 1, y + ry);
            std::memcpy(colLo, plane + PlaneBytes(first, width), width);
            std::memcpy(colHi, plane + PlaneBytes(first, width), width);
            for (int r = first + 1; r <= last; ++r) {
                const std::uint8_t* in = plane + PlaneBytes(r, width);
                for (int x = 0; x < width; ++x) {
                    colLo[x] = std::min(colLo[x], in[x]);
                    colHi[x] = std::max(colHi[x], in[x]);
                }
            }
            std::uint8_t* lo = minimum + PlaneBytes(y, width);
            std::uint8_t* hi = maximum + PlaneBytes(y, width);
            std::memcpy(lo, colLo, width);
            std::memcpy(hi, colHi, width);
            for (int d = 1; d <= rx; ++d) {
                for (int x = 0; x < width - d; ++x) {
                    lo[x] = std::min(lo[x], colLo[x + d]);
                    hi[x] = std::max(hi[x], colHi[x + d]);
                }
                for (int x = d; x < width; ++x) {
                    lo[x] = std::min(lo[x], colLo[x - d]);
                    hi[x] = std::max(hi[x], colHi[x - d]);
                }
            }
        }
    });
}

bool BoxMean(std::uint8_t* plane, int width, int height, int windowSize, const AbortFlag* abort) {
    if (!plane || width <= 0 || height <= 0 || BoxMeanRadius(width, height, windowSize) == 0)
        return false;
    const auto out = TryAllocatePlane(PlaneBytes(width, height));
    if (!out || !BoxMeanInto(out.get(), plane, width, height, windowSize, abort))
        return false;
    std::memcpy(plane, out.get(), PlaneBytes(width, height));
    return true;
}

bool BoxMeanInto(std::uint8_t* out, const std::uint8_t* plane, int width, int height, int windowSize,
                 const AbortFlag* abort) {
    if (!out || !plane || width <= 0 || height <= 0)
        return false;
    const int c = BoxMeanRadius(width, height, windowSize);
    if (c == 0)
        return false;
    const std::uint64_t f = static_cast<std::uint64_t>(2 * c + 1) * (2 * c + 1);

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
                std::uint8_t* o = out + PlaneBytes(y, width);
                for (int x = 0; x < width; ++x) {
                    if (x > 0)
                        sum += columnSum[Mirror(x + c, width)] - columnSum[Mirror(x - c - 1, width)];
                    o[x] = static_cast<std::uint8_t>((sum + rounding) / f);
                }
            }
        });
    return done;
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
