#include "engine/AreaResample.h"

#include <cstddef>

#include "engine/ParallelRows.h"
#include "engine/RSProgress.h"

namespace {

constexpr std::uint64_t kOne = 65536;
constexpr std::uint64_t kLowBits = 0xFFFF;

// Columns walked together by the vertical reduction, for whole cache lines.
constexpr int kColumnGranule = 64;

// One output sample of the walk: the source span [start, end) of the
// samples src[p * srcStep], p = 0..srcSize-1.
struct AreaSpan {
    std::uint64_t start, end, first, next, last;
};

AreaSpan SpanOf(std::uint64_t pos, std::uint64_t step) {
    const std::uint64_t end = pos + step;
    const std::uint64_t first = pos >> 16;
    return {pos, end, first, first + 1, end >> 16};
}

std::uint8_t AreaSample(const AreaSpan& s, const std::uint8_t* src, std::ptrdiff_t srcStep, std::uint64_t srcSize) {
    std::uint64_t acc = (((s.next << 16) - s.start) * src[s.first * srcStep]) & ~kLowBits;
    for (std::uint64_t p = s.next; p < s.last; ++p)
        acc += src[p * srcStep] * kOne;
    if (s.last < srcSize)
        acc += ((s.end & kLowBits) * src[s.last * srcStep]) & ~kLowBits;
    return static_cast<std::uint8_t>(acc / (s.end - s.start));
}

// Walks one row of srcSize samples into dstSize samples.
void AreaRow(std::uint8_t* dst, const std::uint8_t* src, std::uint64_t srcSize, int dstSize, std::uint64_t step) {
    std::uint64_t pos = 0;
    for (int i = 0; i < dstSize; ++i) {
        const AreaSpan s = SpanOf(pos, step);
        dst[i] = AreaSample(s, src, 1, srcSize);
        pos = s.end;
    }
}

// Walks columns [first, last) of a width-wide plane down from srcH to dstH
// rows, row by row across the columns.
void AreaColumns(std::uint8_t* dst, const std::uint8_t* src, int width, std::uint64_t srcH, int dstH,
                 std::uint64_t step, int first, int last) {
    std::uint64_t pos = 0;
    for (int i = 0; i < dstH; ++i) {
        const AreaSpan s = SpanOf(pos, step);
        std::uint8_t* out = dst + static_cast<std::ptrdiff_t>(i) * width;
        for (int x = first; x < last; ++x)
            out[x] = AreaSample(s, src + x, width, srcH);
        pos = s.end;
    }
}

bool IsReduction(int lines, int srcSize, int dstSize) {
    return lines > 0 && srcSize > 0 && dstSize > 0 && dstSize <= srcSize;
}

std::uint64_t AreaStep(int srcSize, int dstSize) {
    return static_cast<std::uint64_t>(srcSize) * kOne / static_cast<std::uint64_t>(dstSize);
}

}  // namespace

int AreaResampleHorizontal(std::uint8_t* dst, const std::uint8_t* src, int srcW, int height, int dstW,
                           CRSProgress* progress) {
    if (!dst || !src || !IsReduction(height, srcW, dstW))
        return 0;
    const std::uint64_t step = AreaStep(srcW, dstW);
    return ParallelLinesInOrder(
        height, srcW,
        [&](int first, int last) {
            for (int y = first; y < last; ++y)
                AreaRow(dst + static_cast<std::ptrdiff_t>(y) * dstW, src + static_cast<std::ptrdiff_t>(y) * srcW, srcW,
                        dstW, step);
        },
        [&](int y) { return ReportRow(progress, y, height); });
}

int AreaResampleVertical(std::uint8_t* dst, const std::uint8_t* src, int width, int srcH, int dstH,
                         CRSProgress* progress) {
    if (!dst || !src || !IsReduction(width, srcH, dstH))
        return 0;
    const std::uint64_t step = AreaStep(srcH, dstH);
    return ParallelLinesInOrder(
        width, srcH, [&](int first, int last) { AreaColumns(dst, src, width, srcH, dstH, step, first, last); },
        [&](int x) { return ReportRow(progress, x, width); }, kColumnGranule);
}
