#include "engine/DetailResampleV2.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "engine/DericheGaussian.h"
#include "engine/DetailResampleSteps.h"
#include "engine/DetailResampleV1.h"
#include "engine/KernelResample.h"
#include "engine/LocalRangeClamp.h"
#include "engine/Plane.h"
#include "engine/RSProgress.h"

namespace {

constexpr int kDetailCore = 3;

// Stages of the core above a factor of 1.5: Catmull-Rom and clamp, plus the
// Gaussian from a factor of 3.
int CoreStages(double max) { return 2 + (max >= 3); }

}  // namespace

int ResizeImageV2(std::uint8_t* dst, int dstStride, const std::uint8_t* src, int srcStride, int color, int dstW,
                  int dstH, int srcW, int srcH, double sharpness, double wf, int noise, int core,
                  CRSProgress* progress) {
    const double cf = ContrastFactor(sharpness);
    const int planeNoise = static_cast<int>(noise / 3.0);

    return ResizeImageByChannels(dst, dstStride, src, srcStride, color, dstW, dstH, srcW, srcH, ProgressPhaseCount2,
                                 progress, [&](std::uint8_t* dstPlane, std::uint8_t* srcPlane) {
                                     return ResizePlaneV2(dstPlane, srcPlane, dstW, dstH, srcW, srcH, cf, wf,
                                                          planeNoise, core, progress);
                                 });
}

int ResizePlaneV2(std::uint8_t* dst, const std::uint8_t* src, int dstW, int dstH, int srcW, int srcH, double cf,
                  double wf, int noise, int core, CRSProgress* progress) {
    g_bResizeOutOfMemory = 0;
    if (core < kDetailCore)
        return DetailResampleV2(dst, src, dstW, dstH, srcW, srcH, cf, wf, core, noise, progress);
    return ResizePlaneByStrategy(
        dst, src, dstW, dstH, srcW, srcH, cf, noise,
        [&](std::uint8_t* d, const std::uint8_t* s, int dw, int dh, int sw, int sh) {
            return DetailResampleV2(d, s, dw, dh, sw, sh, cf, wf, core, noise, progress);
        },
        progress);
}

int DetailResampleV2(std::uint8_t* dst, const std::uint8_t* src, int dstW, int dstH, int srcW, int srcH, double cf,
                     double /*wf*/, int core, double noise, CRSProgress* progress) {
    if (!ValidPlanes(dst, src, dstW, dstH, srcW, srcH))
        return 0;
    if (!KernelResample(dst, src, srcW, srcH, dstW, dstH, 0, 0.5, std::min(core, 2), progress))
        return 0;
    const ScaleFactors f = ScaleFactorsOf(dstW, dstH, srcW, srcH);
    if (core != kDetailCore || f.max <= 1.5)
        return 1;

    // Not capped by the plane: the clamp clips a window wider than the plane.
    const int winW = std::max(2, TruncToInt((f.sx - 0.5) * 2));
    const int winH = std::max(2, TruncToInt((f.sy - 0.5) * 2));
    if (!LocalRangeClampNoise(dst, dst, dstW, dstH, dstW, winW, winH, f.sx, f.sy, cf, noise, progress))
        return 0;

    if (f.max >= 3) {
        const std::atomic<std::uint8_t> neverAbort{0};
        if (!DericheGaussian(EngineRect{0, 0, dstW, dstH}, dst, &neverAbort, 8, 8, progress))
            return 0;
    }
    return 1;
}

int ProgressPhaseCount2(double min, double max) { return StrategyPhaseCount(min, max, CoreStages(max)); }
