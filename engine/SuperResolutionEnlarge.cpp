#include "engine/SuperResolutionEnlarge.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "engine/DirectionalSmooth.h"
#include "engine/Plane.h"
#include "engine/RSProgress.h"
#include "engine/SuperResColour.h"
#include "engine/SuperResEnvelope.h"
#include "engine/SuperResGaussian.h"
#include "engine/SuperResLanczos.h"

namespace {

constexpr int kConfidenceThreshold = 55;  // at least 5 of the 9 votes
constexpr int kStrengthThreshold = 15;
constexpr int kMaxSmoothingPasses = 4;
constexpr double kSmoothingSigma = 0.80;
constexpr int kMaxSide = 1 << 30;  // keeps the padded sizes and the band arithmetic in int

int Padded(int size) { return static_cast<int>((static_cast<long long>(size) + 15) / 16 * 16); }

bool Report(CRSProgress* progress, int percent) { return !progress || progress->Progress(percent) != 0; }

bool ValidRequest(const SuperResolutionParams& p) {
    if (!p.dst || !p.src || p.dstW <= 0 || p.dstH <= 0 || p.srcW <= 0 || p.srcH <= 0)
        return false;
    if (p.dstW > kMaxSide || p.dstH > kMaxSide || p.srcW > kMaxSide || p.srcH > kMaxSide)
        return false;
    // Top-down rows of three bytes per pixel.
    return p.dstStride >= 3LL * p.dstW && p.srcStride >= 3LL * p.srcW;
}

}  // namespace

SuperResolutionPlan PlanSuperResolution(int srcW, int srcH, int dstW, int dstH, int envelopeContrast) {
    SuperResolutionPlan plan;
    const double sx = static_cast<double>(dstW) / srcW;
    const double sy = static_cast<double>(dstH) / srcH;
    plan.scale = (sx + sy) / 2;
    plan.wholeScale = static_cast<int>(plan.scale);
    plan.smoothingPasses = std::clamp(plan.wholeScale - 1, 0, kMaxSmoothingPasses);
    plan.gaussianSigma = plan.smoothingPasses > 0 ? kSmoothingSigma : 0.0;
    int base = plan.smoothingPasses > 0 ? 50 : 30;
    if (envelopeContrast)
        base /= 2;
    plan.unsharpAmount = static_cast<int>(base * 256.0 / 100);
    plan.unsharpSigma = std::trunc(plan.scale * 100) / 100;
    plan.envelopeRadius = std::min(std::min(dstW, dstH) / 2, plan.wholeScale);
    plan.contrastThreshold = std::sqrt(plan.scale) * 2 * 1000 / 100;
    return plan;
}

int SuperResolutionEnlarge(SuperResolutionParams p) {
    g_bResizeOutOfMemory = 0;
    if (!ValidRequest(p))
        return 0;
    // The planes of every stage come from one arena for the call.
    const PlaneArenaScope arena;
    CRSProgress* progress = p.progress;
    if (progress)
        progress->m_nPhases = 1;
    const SuperResolutionPlan plan = PlanSuperResolution(p.srcW, p.srcH, p.dstW, p.dstH, p.envelopeContrast);
    const SuperRes::AbortFlag ownAbort{0};
    const SuperRes::AbortFlag* abort = progress ? progress->GetCancelFlag() : &ownAbort;
    auto stopped = [&] { return SuperRes::Stopped(abort) || g_bResizeOutOfMemory; };
    if (!Report(progress, 0))
        return 0;
    // The shared tables are built once for the process, on first use.
    if (!Report(progress, 10))
        return 0;

    if (p.dstW == p.srcW && p.dstH == p.srcH) {
        for (int y = 0; y < p.dstH; ++y)
            std::memcpy(p.dst + static_cast<std::ptrdiff_t>(y) * p.dstStride,
                        p.src + static_cast<std::ptrdiff_t>(y) * p.srcStride, 3 * static_cast<std::size_t>(p.dstW));
    } else {
        SuperRes::ResampleParams r;
        r.colour = 1;
        r.dst = p.dst;
        r.src = p.src;
        r.srcW = p.srcW;
        r.srcH = p.srcH;
        r.srcStride = p.srcStride;
        r.dstW = p.dstW;
        r.dstH = p.dstH;
        r.dstStride = p.dstStride;
        r.support = 4.0;
        r.window = 1.0;
        r.type = 3;
        r.parallel = true;
        r.abort = abort;
        if (!SuperRes::ResampleLanczos(r))
            return 0;
    }
    if (!Report(progress, 20))
        return 0;

    const int w16 = Padded(p.dstW), h16 = Padded(p.dstH);
    const std::size_t planeBytes = PlaneBytes(w16, h16);
    // Only the luminance is enhanced: the chrominance stays in the resampled
    // image until the way back, so only the Y plane is kept.
    auto lumaPlane = SuperRes::TryAllocatePlane(planeBytes);
    if (!lumaPlane)
        return 0;
    SuperRes::ColourPlanes colour{lumaPlane.get(), nullptr, nullptr, w16, h16};
    const SuperRes::PlaneSplitJob split{colour, p.dst, p.dstStride, p.dstW, p.dstH, abort};
    ParallelFor(0, h16 / SuperRes::kBlockRows, [&](int first, int end) {
        for (int b = first; b < end; ++b)
            SuperRes::SplitPlanesChunk(split, b);
    });
    if (stopped() || !Report(progress, 30) || !Report(progress, 40))
        return 0;

    std::uint8_t* luma = colour.y;
    DirectionalSmooth(luma, w16, h16, kConfidenceThreshold, kStrengthThreshold, plan.smoothingPasses, true, abort);
    if (stopped() || !Report(progress, 50))
        return 0;

    if (plan.smoothingPasses > 0 && !SuperRes::RecursiveGaussian(w16, h16, w16, luma, plan.gaussianSigma, abort))
        return 0;
    if (!Report(progress, 60))
        return 0;

    SuperRes::UnsharpMask(luma, w16, h16, plan.unsharpAmount, plan.unsharpSigma, 0, true, abort);
    if (stopped() || !Report(progress, 70))
        return 0;

    if (p.envelopeContrast) {
        // The envelopes (local minimum, maximum and mean) are read from the
        // unsharpened luminance while the stretched one goes to a new plane.
        auto stretched = SuperRes::TryAllocatePlane(planeBytes);
        if (!stretched || !SuperRes::StretchToEnvelopes(stretched.get(), luma, w16, h16, plan.envelopeRadius,
                                                        plan.contrastThreshold, abort))
            return 0;
        lumaPlane = std::move(stretched);
        colour.y = luma = lumaPlane.get();
    }
    if (!Report(progress, 90))
        return 0;

    const SuperRes::PlaneMergeJob merge{colour, p.dst, p.dstStride, p.dstW, p.dstH};
    ParallelFor(0, h16 / SuperRes::kBlockRows, [&](int first, int end) {
        for (int b = first; b < end; ++b)
            SuperRes::MergePlanesChunk(merge, b);
    });
    if (!Report(progress, 100))
        return 0;
    return 1;
}
