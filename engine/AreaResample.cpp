#include "engine/AreaResample.h"

#include <cstddef>

#include "engine/RSProgress.h"

namespace {

constexpr std::uint64_t kOne = 65536;
constexpr std::uint64_t kLowBits = 0xFFFF;

// Walks one line of `srcSize` samples, `srcStep` apart, into `dstSize`
// samples, `dstStep` apart.
void AreaLine(std::uint8_t* dst, std::ptrdiff_t dstStep, const std::uint8_t* src,
              std::ptrdiff_t srcStep, std::uint64_t srcSize, int dstSize, std::uint64_t step) {
    std::uint64_t pos = 0;
    for (int i = 0; i < dstSize; ++i) {
        const std::uint64_t start = pos;
        const std::uint64_t end = pos + step;
        const std::uint64_t first = start >> 16;
        const std::uint64_t next = first + 1;
        const std::uint64_t last = end >> 16;

        std::uint64_t acc = (((next << 16) - start) * src[first * srcStep]) & ~kLowBits;
        for (std::uint64_t p = next; p < last; ++p)
            acc += src[p * srcStep] * kOne;
        if (last < srcSize)
            acc += ((end & kLowBits) * src[last * srcStep]) & ~kLowBits;

        dst[i * dstStep] = static_cast<std::uint8_t>(acc / (end - start));
        pos = end;
    }
}

bool IsReduction(int lines, int srcSize, int dstSize) {
    return lines > 0 && srcSize > 0 && dstSize > 0 && dstSize <= srcSize;
}

std::uint64_t AreaStep(int srcSize, int dstSize) {
    return static_cast<std::uint64_t>(srcSize) * kOne / static_cast<std::uint64_t>(dstSize);
}

}  // namespace

int AreaResampleHorizontal(std::uint8_t* dst, const std::uint8_t* src, int srcW, int height,
                           int dstW, CRSProgress* progress) {
    if (!dst || !src || !IsReduction(height, srcW, dstW))
        return 0;
    const std::uint64_t step = AreaStep(srcW, dstW);
    for (int y = 0; y < height; ++y) {
        AreaLine(dst + static_cast<std::ptrdiff_t>(y) * dstW, 1,
                 src + static_cast<std::ptrdiff_t>(y) * srcW, 1, srcW, dstW, step);
        if (!ReportRow(progress, y, height))
            return 0;
    }
    return 1;
}

int AreaResampleVertical(std::uint8_t* dst, const std::uint8_t* src, int width, int srcH,
                         int dstH, CRSProgress* progress) {
    if (!dst || !src || !IsReduction(width, srcH, dstH))
        return 0;
    const std::uint64_t step = AreaStep(srcH, dstH);
    for (int x = 0; x < width; ++x) {
        AreaLine(dst + x, width, src + x, width, srcH, dstH, step);
        if (!ReportRow(progress, x, width))
            return 0;
    }
    return 1;
}
