#include "engine/DetailResampleV1.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>

#include "engine/DericheGaussian.h"
#include "engine/DetailResampleSteps.h"
#include "engine/KernelResample.h"
#include "engine/LocalRangeClamp.h"
#include "engine/Plane.h"
#include "engine/RSProgress.h"
#include "engine/Unsharp3x3.h"

namespace {

constexpr int kDetailCore = 3;
constexpr int kPresharpenedCore = 4;
constexpr int kLanczosWindow = 1;

// Stages of the detail core above a factor of 1.5: Lanczos, Catmull-Rom
// reference, Gaussian, clamp, Gaussian.
constexpr int kDetailCoreStages = 5;

// The Catmull-Rom reference, the clamp against it, and the two blurs.
int SharpenAgainstLocalRange(std::uint8_t* dst, const std::uint8_t* src, int dstW, int dstH, int srcW, int srcH,
                             const ScaleFactors& f, double cf, CRSProgress* progress) {
    PlaneBuffer reference;
    try {
        reference = NewPlane(PlaneBytes(dstW, dstH));
    } catch (const std::bad_alloc&) {
        g_bResizeOutOfMemory = 1;
        return 0;
    }
    if (!KernelResample(reference.get(), src, srcW, srcH, dstW, dstH, 0, 0.5, 2, progress))
        return 0;

    const std::atomic<std::uint8_t> neverAbort{0};
    const EngineRect whole{0, 0, dstW, dstH};
    if (!DericheGaussian(whole, dst, &neverAbort, std::max(10, TruncToInt(f.sx)), std::max(10, TruncToInt(f.sy)),
                         progress))
        return 0;

    const int winW = std::min(dstW / 2, std::max(2, TruncToInt(2 * f.sx)));
    const int winH = std::min(dstH / 2, std::max(2, TruncToInt(2 * f.sy)));
    if (!LocalRangeClamp(dst, reference.get(), dstW, dstH, dstW, winW, winH, f.sx, f.sy, cf, progress))
        return 0;
    reference.reset();

    return DericheGaussian(whole, dst, &neverAbort, 10, 10, progress) ? 1 : 0;
}

}  // namespace

double ContrastFactor(double sharpness) { return 103 / (sharpness * sharpness / 100 + 3); }

double WholeFactorFlag(int dstW, int dstH, int srcW, int srcH) {
    const double qx = static_cast<double>(dstW) / srcW;
    const double qy = static_cast<double>(dstH) / srcH;
    return (qx == std::trunc(qx) && qy == std::trunc(qy)) ? 1 : 2;
}

int ResizeImageV1(std::uint8_t* dst, int dstStride, const std::uint8_t* src, int srcStride, int color, int dstW,
                  int dstH, int srcW, int srcH, double sharpness, double wf, int noise, int core,
                  CRSProgress* progress) {
    const double cf = ContrastFactor(sharpness);
    const bool presharpen = core == kPresharpenedCore;
    const int planeCore = presharpen ? kDetailCore : core;

    return ResizeImageByChannels(dst, dstStride, src, srcStride, color, dstW, dstH, srcW, srcH, ProgressPhaseCount,
                                 progress, [&](std::uint8_t* dstPlane, std::uint8_t* srcPlane) {
                                     if (presharpen && !Unsharp3x3(srcPlane, srcW, srcH, 25, nullptr))
                                         return 0;
                                     return ResizePlaneV1(dstPlane, srcPlane, dstW, dstH, srcW, srcH, cf, wf, noise,
                                                          planeCore, progress);
                                 });
}

int ResizePlaneV1(std::uint8_t* dst, const std::uint8_t* src, int dstW, int dstH, int srcW, int srcH, double cf,
                  double wf, int noise, int core, CRSProgress* progress) {
    return ResizePlaneByStrategy(
        dst, src, dstW, dstH, srcW, srcH, cf, noise,
        [&](std::uint8_t* d, const std::uint8_t* s, int dw, int dh, int sw, int sh) {
            return DetailResampleV1(d, s, dw, dh, sw, sh, cf, wf, core, progress);
        },
        progress);
}

int DetailResampleV1(std::uint8_t* dst, const std::uint8_t* src, int dstW, int dstH, int srcW, int srcH, double cf,
                     double wf, int core, CRSProgress* progress) {
    g_bResizeOutOfMemory = 0;
    if (!ValidPlanes(dst, src, dstW, dstH, srcW, srcH))
        return 0;
    const bool detail = core == kDetailCore;
    const int ok = detail ? KernelResample(dst, src, srcW, srcH, dstW, dstH, wf + 1, kLanczosWindow, 3, progress)
                          : KernelResample(dst, src, srcW, srcH, dstW, dstH, 0, 0.5, core, progress);
    if (!ok)
        return 0;
    const ScaleFactors f = ScaleFactorsOf(dstW, dstH, srcW, srcH);
    if (!detail || f.max <= 1.5)
        return 1;
    if (!(cf > 0) || !std::isfinite(cf))
        return 0;
    return SharpenAgainstLocalRange(dst, src, dstW, dstH, srcW, srcH, f, cf, progress);
}

int ProgressPhaseCount(double min, double max) { return StrategyPhaseCount(min, max, kDetailCoreStages); }
