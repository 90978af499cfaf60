#include "engine/SuperResEnvelope.h"

#include <algorithm>
#include <cstring>
#include <iterator>
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

// Minimum and maximum over `rows` consecutive rows, column by column.
void EnvelopeOfRows(const std::uint8_t* __restrict rows, int count, int width, std::uint8_t* __restrict lo,
                    std::uint8_t* __restrict hi) {
    std::memcpy(lo, rows, width);
    std::memcpy(hi, rows, width);
    for (int r = 1; r < count; ++r) {
        const std::uint8_t* __restrict in = rows + PlaneBytes(r, width);
        for (int x = 0; x < width; ++x) {
            lo[x] = std::min(lo[x], in[x]);
            hi[x] = std::max(hi[x], in[x]);
        }
    }
}

// Minimum and maximum over columns x - r .. x + r clipped to the row,
// widening the window by one column on each side at a time.
void EnvelopeOfColumns(const std::uint8_t* __restrict inLo, const std::uint8_t* __restrict inHi, int width, int r,
                       std::uint8_t* __restrict lo, std::uint8_t* __restrict hi) {
    std::memcpy(lo, inLo, width);
    std::memcpy(hi, inHi, width);
    for (int d = 1; d <= r; ++d) {
        for (int x = 0; x < width - d; ++x) {
            lo[x] = std::min(lo[x], inLo[x + d]);
            hi[x] = std::max(hi[x], inHi[x + d]);
        }
        for (int x = d; x < width; ++x) {
            lo[x] = std::min(lo[x], inLo[x - d]);
            hi[x] = std::max(hi[x], inHi[x - d]);
        }
    }
}

// Minimum and maximum of the window of every pixel of row y into lo and hi;
// scratch holds 2 * width bytes.
void EnvelopeRow(const std::uint8_t* plane, int width, int height, int rx, int ry, int y, std::uint8_t* scratch,
                 std::uint8_t* lo, std::uint8_t* hi) {
    const int first = std::max(0, y - ry);
    const int last = std::min(height - 1, y + ry);
    EnvelopeOfRows(plane + PlaneBytes(first, width), last - first + 1, width, scratch, scratch + width);
    EnvelopeOfColumns(scratch, scratch + width, width, rx, lo, hi);
}

// Box means of rows first .. end - 1 into out (row pitch width), the window
// 2c + 1 (c >= 1, c < width and height), mirrored at the edges: a window of
// column sums slides down the rows and a window of those sums along each
// row, giving the same sums as an integral image. columnSum holds width
// values.
// One row of means from the column sums of its 2c + 1 rows: the window of
// 2c + 1 columns slides along the row, and each sum is divided by
// f = (2c + 1)^2 after adding `rounding`. C > 0 fixes c when compiling, so that
// the division by f becomes a multiplication (giving the same quotients).
template <int C>
void MeanRow(const std::uint64_t* columnSum, int width, int c, std::uint64_t rounding, std::uint8_t* o) {
    if constexpr (C > 0)
        c = C;
    const std::uint64_t f = static_cast<std::uint64_t>(2 * c + 1) * (2 * c + 1);
    std::uint64_t sum = 0;
    for (int dx = -c; dx <= c; ++dx)
        sum += columnSum[Mirror(dx, width)];
    for (int x = 0; x < width; ++x) {
        if (x > 0)
            sum += columnSum[Mirror(x + c, width)] - columnSum[Mirror(x - c - 1, width)];
        o[x] = static_cast<std::uint8_t>((sum + rounding) / f);
    }
}

using MeanRowFn = void (*)(const std::uint64_t*, int, int, std::uint64_t, std::uint8_t*);

// The envelope radius of this system's enlargements is small (the scale).
MeanRowFn MeanRowFor(int c) {
    static constexpr MeanRowFn kFixed[] = {MeanRow<0>, MeanRow<1>, MeanRow<2>, MeanRow<3>, MeanRow<4>,
                                           MeanRow<5>, MeanRow<6>, MeanRow<7>, MeanRow<8>};
    return c > 0 && c < static_cast<int>(std::size(kFixed)) ? kFixed[c] : MeanRow<0>;
}

void MeanRows(const std::uint8_t* plane, int width, int height, int c, int first, int end, std::uint64_t* columnSum,
              std::uint8_t* out) {
    const MeanRowFn meanRow = MeanRowFor(c);
    const std::uint64_t f = static_cast<std::uint64_t>(2 * c + 1) * (2 * c + 1);
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
        meanRow(columnSum, width, c, rounding, out + PlaneBytes(y - first, width));
    }
}

void StretchRow(std::uint8_t* __restrict v, const std::uint8_t* __restrict minimum,
                const std::uint8_t* __restrict maximum, const std::uint8_t* __restrict mean, int width,
                double threshold) {
    for (int x = 0; x < width; ++x) {
        const int lo = minimum[x], hi = maximum[x];
        const double m = mean[x];
        const double gain = threshold > 0 ? std::max(1.0, std::max(1, hi - lo) / threshold) : 1.0;
        const int stretched = static_cast<int>((v[x] - m) * gain + m);
        v[x] = static_cast<std::uint8_t>(std::clamp(stretched, lo, std::max(lo, hi)));
    }
}

// The box mean of `plane` written into `out`, a plane of the same size.
bool BoxMeanInto(std::uint8_t* out, const std::uint8_t* plane, int width, int height, int windowSize,
                 const AbortFlag* abort) {
    if (!out || !plane || width <= 0 || height <= 0)
        return false;
    const int c = BoxMeanRadius(width, height, windowSize);
    if (c == 0)
        return false;
    return ForEachWithScratch<std::uint64_t>(
        static_cast<int>((static_cast<long long>(height) + kBlockRows - 1) / kBlockRows),
        static_cast<std::size_t>(width), true, abort, [&](int block, std::uint64_t* columnSum) {
            const int first = block * kBlockRows;
            MeanRows(plane, width, height, c, first, std::min(height, first + kBlockRows), columnSum,
                     out + PlaneBytes(first, width));
        });
}

}  // namespace

void MinMaxFilter(std::uint8_t* minimum, std::uint8_t* maximum, const std::uint8_t* plane, int width, int height,
                  int rx, int ry, int blockHeight, const AbortFlag* abort) {
    if (!minimum || !maximum || !plane || width <= 0 || height <= 0)
        return;
    rx = std::clamp(rx, 0, width - 1);
    ry = std::clamp(ry, 0, height - 1);
    blockHeight = std::max(1, blockHeight);
    const int blocks = static_cast<int>((static_cast<long long>(height) + blockHeight - 1) / blockHeight);

    // Per row: the envelope over the rows of the window, column by column,
    // into a row of scratch; then over the columns of the window. The order of
    // the two does not change a minimum or a maximum.
    ForEachWithScratch<std::uint8_t>(
        blocks, 2 * static_cast<std::size_t>(width), true, abort, [&](int block, std::uint8_t* scratch) {
            const int end = static_cast<int>(std::min<long long>(height, (block + 1LL) * blockHeight));
            for (int y = block * blockHeight; y < end; ++y) {
                if (Stopped(abort))
                    return;
                EnvelopeRow(plane, width, height, rx, ry, y, scratch, minimum + PlaneBytes(y, width),
                            maximum + PlaneBytes(y, width));
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

void StretchContrastChunk(const StretchJob& job, int block) {
    const int first = block * kBlockRows;
    const int end = std::min(job.height, first + kBlockRows);
    for (int y = first; y < end; ++y) {
        if (Stopped(job.abort))
            return;
        const std::size_t at = PlaneBytes(y, job.width);
        StretchRow(job.plane + at, job.minimum + at, job.maximum + at, job.mean + at, job.width, job.threshold);
    }
}

bool StretchToEnvelopes(std::uint8_t* out, const std::uint8_t* plane, int width, int height, int radius,
                        double threshold, const AbortFlag* abort) {
    if (!out || !plane || width <= 0 || height <= 0)
        return false;
    radius = std::clamp(radius, 0, std::max(width, height));
    const int rx = std::min(radius, width - 1), ry = std::min(radius, height - 1);
    const int c = BoxMeanRadius(width, height, 2 * radius + 1);
    const std::size_t row = static_cast<std::size_t>(width);
    // Per block: its mean rows, then per row the envelopes and the stretch of
    // a copy of the row; the plane itself is only read.
    // Scratch per range of blocks: the column sums of the mean, then as bytes
    // the block's mean rows, two rows for the envelopes and a minimum and a
    // maximum row.
    const std::size_t byteRows = kBlockRows + 4;
    const std::size_t scratchWords = row + (byteRows * row + 7) / 8;
    return ForEachWithScratch<std::uint64_t>(
        static_cast<int>((static_cast<long long>(height) + kBlockRows - 1) / kBlockRows), scratchWords, true, abort,
        [&](int block, std::uint64_t* scratch) {
            std::uint64_t* columnSum = scratch;
            auto* mean = reinterpret_cast<std::uint8_t*>(scratch + row);
            std::uint8_t* envelope = mean + kBlockRows * row;
            std::uint8_t* lo = envelope + 2 * row;
            std::uint8_t* hi = lo + row;
            const int first = block * kBlockRows;
            const int end = std::min(height, first + kBlockRows);
            if (c > 0)
                MeanRows(plane, width, height, c, first, end, columnSum, mean);
            else
                std::memcpy(mean, plane + PlaneBytes(first, width), PlaneBytes(end - first, width));
            for (int y = first; y < end; ++y) {
                if (Stopped(abort))
                    return;
                EnvelopeRow(plane, width, height, rx, ry, y, envelope, lo, hi);
                std::uint8_t* v = out + PlaneBytes(y, width);
                std::memcpy(v, plane + PlaneBytes(y, width), row);
                StretchRow(v, lo, hi, mean + PlaneBytes(y - first, width), width, threshold);
            }
        });
}

}  // namespace SuperRes
