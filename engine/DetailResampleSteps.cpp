#include "engine/DetailResampleSteps.h"

#include <algorithm>
#include <cmath>

#include "engine/AreaResample.h"
#include "engine/GaussianNoise.h"
#include "engine/ParallelRows.h"
#include "engine/Plane.h"
#include "engine/RSProgress.h"
#include "engine/Unsharp3x3.h"

ScaleFactors ScaleFactorsOf(int dstW, int dstH, int srcW, int srcH) {
    ScaleFactors f;
    f.sx = static_cast<double>(dstW) / srcW;
    f.sy = static_cast<double>(dstH) / srcH;
    f.min = std::min(f.sx, f.sy);
    f.max = std::max(f.sx, f.sy);
    return f;
}

bool ValidPlanes(const std::uint8_t* dst, const std::uint8_t* src, int dstW, int dstH, int srcW, int srcH) {
    return dst && src && dstW > 0 && dstH > 0 && srcW > 0 && srcH > 0;
}

namespace {

// Byte `channel` of every pixel of `rows` rows into a tight plane, reporting
// after each row.
int CopyChannelIn(std::uint8_t* plane, const std::uint8_t* bits, long long stride, int channels, int channel, int width,
                  int rows, CRSProgress* progress) {
    return ParallelLinesInOrder(
        rows, width,
        [&](int first, int last) {
            for (int y = first; y < last; ++y) {
                const std::uint8_t* in = bits + y * stride + channel;
                std::uint8_t* out = plane + PlaneBytes(y, width);
                for (int x = 0; x < width; ++x)
                    out[x] = in[static_cast<std::ptrdiff_t>(x) * channels];
            }
        },
        [&](int y) { return ReportRow(progress, y, rows); });
}

// A tight plane into byte `channel` of every pixel. Rows are written in
// blocks ahead of their reports, so a stop may leave up to a block of rows
// past the stopping one written.
int CopyChannelOut(std::uint8_t* bits, long long stride, int channels, int channel, const std::uint8_t* plane,
                   int width, int rows, CRSProgress* progress) {
    return ParallelLinesInOrder(
        rows, width,
        [&](int first, int last) {
            for (int y = first; y < last; ++y) {
                std::uint8_t* out = bits + y * stride + channel;
                const std::uint8_t* in = plane + PlaneBytes(y, width);
                for (int x = 0; x < width; ++x)
                    out[static_cast<std::ptrdiff_t>(x) * channels] = in[x];
            }
        },
        [&](int y) { return ReportRow(progress, y, rows); });
}

int AreaReduceBoth(std::uint8_t* dst, const std::uint8_t* src, int dstW, int dstH, int srcW, int srcH,
                   CRSProgress* progress) {
    const PlaneBuffer temp = NewPlane(PlaneBytes(dstW, srcH));
    return AreaResampleHorizontal(temp.get(), src, srcW, srcH, dstW, progress) &&
           AreaResampleVertical(dst, temp.get(), dstW, srcH, dstH, progress);
}

// One axis enlarged a lot and the other little or reduced: the core takes
// the less enlarged axis to 1.5 times its size, the area reduction brings it
// down to the target.
int CoreThenAreaReduce(std::uint8_t* dst, const std::uint8_t* src, int dstW, int dstH, int srcW, int srcH,
                       const ScaleFactors& f, const PlaneResampler& core, CRSProgress* progress) {
    if (f.sy < f.sx) {
        const int interH = TruncToInt(1.5 * srcH);
        const PlaneBuffer temp = NewPlane(PlaneBytes(dstW, interH));
        return core(temp.get(), src, dstW, interH, srcW, srcH) &&
               AreaResampleVertical(dst, temp.get(), dstW, interH, dstH, progress);
    }
    const int interW = TruncToInt(1.5 * srcW);
    const PlaneBuffer temp = NewPlane(PlaneBytes(interW, dstH));
    return core(temp.get(), src, interW, dstH, srcW, srcH) &&
           AreaResampleHorizontal(dst, temp.get(), interW, dstH, dstW, progress);
}

}  // namespace

int ResizeImageByChannels(std::uint8_t* dst, int dstStride, const std::uint8_t* src, int srcStride, int color, int dstW,
                          int dstH, int srcW, int srcH, int (*phaseCount)(double min, double max),
                          CRSProgress* progress, const ChannelResizer& resizeChannel) {
    g_bResizeOutOfMemory = 0;
    // The planes of every stage and channel come from one arena for the call.
    const PlaneArenaScope arena;
    const int channels = color ? 3 : 1;
    if (!ValidPlanes(dst, src, dstW, dstH, srcW, srcH) || dstStride < static_cast<long long>(dstW) * channels ||
        srcStride < static_cast<long long>(srcW) * channels)
        return 0;
    if (progress) {
        const ScaleFactors f = ScaleFactorsOf(dstW, dstH, srcW, srcH);
        progress->m_nPhases = phaseCount(f.min, f.max) * channels;
    }

    for (int channel = 0; channel < channels; ++channel) {
        PlaneBuffer source = NewPlane(PlaneBytes(srcW, srcH));
        if (!CopyChannelIn(source.get(), src, srcStride, channels, channel, srcW, srcH, progress))
            return 0;
        const PlaneBuffer result = NewPlane(PlaneBytes(dstW, dstH));
        if (!resizeChannel(result.get(), source.get()))
            return 0;
        source.reset();
        if (!CopyChannelOut(dst, dstStride, channels, channel, result.get(), dstW, dstH, progress))
            return 0;
    }
    return 1;
}

int ResizePlaneByStrategy(std::uint8_t* dst, const std::uint8_t* src, int dstW, int dstH, int srcW, int srcH, double cf,
                          int noise, const PlaneResampler& core, CRSProgress* progress) {
    g_bResizeOutOfMemory = 0;
    if (!ValidPlanes(dst, src, dstW, dstH, srcW, srcH) || !(cf > 0) || !std::isfinite(cf))
        return 0;
    const ScaleFactors f = ScaleFactorsOf(dstW, dstH, srcW, srcH);

    if (f.max <= 0.5) {
        if (!AreaReduceBoth(dst, src, dstW, dstH, srcW, srcH, progress) || !Unsharp3x3(dst, dstW, dstH, 25, progress))
            return 0;
    } else if (f.max <= 1.5 || f.min > 1.5) {
        if (!core(dst, src, dstW, dstH, srcW, srcH))
            return 0;
    } else if (!CoreThenAreaReduce(dst, src, dstW, dstH, srcW, srcH, f, core, progress)) {
        return 0;
    }

    if (f.min <= 0.5)
        return Unsharp3x3(dst, dstW, dstH, TruncToInt(50 / cf), progress);
    if (f.min < 1.5)
        return Unsharp3x3(dst, dstW, dstH, TruncToInt((f.min + 1.5) * 20 / std::sqrt(cf)), progress);
    AddGaussianNoise(dst, PlaneBytes(dstW, dstH), noise);
    return 1;
}

int StrategyPhaseCount(double min, double max, int coreStages) {
    const int copies = 2;
    if (max <= 0.5)
        return copies + 4;  // area horizontal, area vertical, unsharp 25, final unsharp
    if (max <= 1.5)
        return copies + 1 + (min < 1.5);
    return copies + coreStages + (min <= 1.5) + (min < 1.5);
}
