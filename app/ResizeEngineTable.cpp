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
            SuperResolutionParams params;
            params.colour = c.colour;
            params.dst = c.dst;
            params.dstStride = c.dstStride;
            params.dstW = c.dstW;
            params.dstH = c.dstH;
            params.src = c.src;
            params.srcStride = c.srcStride;
            params.srcW = c.srcW;
            params.srcH = c.srcH;
            params.envelopeContrast = c.envelopeContrast;
            params.progress = c.progress;
            return SuperResolutionEnlarge(params);
        };
#endif
        return e;
    }();
    return engine;
}
