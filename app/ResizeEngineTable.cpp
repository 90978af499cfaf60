// The table of the engine's real entry points. Each entry is filled when its
// engine header is part of this build.

#include "app/ResizeEngine.h"

#if __has_include("engine/DetailResampleV1.h")
#include "engine/DetailResampleV1.h"
#define VESPERA_HAS_DETAIL_V1 1
#endif
#if __has_include("engine/DetailResampleV2.h")
#include "engine/DetailResampleV2.h"
#define VESPERA_HAS_DETAIL_V2 1
#endif
#if __has_include("engine/SuperResolutionEnlarge.h")
#include "engine/SuperResolutionEnlarge.h"
#define VESPERA_HAS_SUPERRES 1
#endif

const ResizeEngine& DefaultResizeEngine() {
    static const ResizeEngine engine = [] {
        ResizeEngine e;
#if defined(VESPERA_HAS_DETAIL_V1)
        e.resizeImageV1 = [](const EngineCall& c) {
            return ResizeImageV1(c.dst, c.dstStride, c.src, c.srcStride, c.colour, c.dstW, c.dstH, c.srcW, c.srcH,
                                 c.sharpness, c.wholeFactor, c.noise, c.core, c.progress);
        };
#endif
#if defined(VESPERA_HAS_DETAIL_V2)
        e.resizeImageV2 = [](const EngineCall& c) {
            return ResizeImageV2(c.dst, c.dstStride, c.src, c.srcStride, c.colour, c.dstW, c.dstH, c.srcW, c.srcH,
                                 c.sharpness, c.wholeFactor, c.noise, c.core, c.progress);
        };
#endif
#if defined(VESPERA_HAS_SUPERRES)
        e.superResolutionEnlarge = [](const EngineCall& c) {
            SuperResolutionJob job;
            job.colour = c.colour;
            job.dst = c.dst;
            job.dstStride = c.dstStride;
            job.dstW = c.dstW;
            job.dstH = c.dstH;
            job.src = c.src;
            job.srcStride = c.srcStride;
            job.srcW = c.srcW;
            job.srcH = c.srcH;
            job.envelopeContrast = c.envelopeContrast;
            job.progress = c.progress;
            return SuperResolutionEnlarge(job);
        };
#endif
        return e;
    }();
    return engine;
}
