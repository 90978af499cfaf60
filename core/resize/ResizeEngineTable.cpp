// The table of the engine's real entry points.

#include "core/resize/ResizeEngine.h"
#include "engine/DetailResampleV1.h"
#include "engine/DetailResampleV2.h"
#include "engine/SuperResolutionEnlarge.h"

const ResizeEngine& DefaultResizeEngine() {
    static const ResizeEngine engine = [] {
        ResizeEngine e;
        e.resizeImageV1 = [](const EngineCall& c) {
            return ResizeImageV1(c.dst, c.dstStride, c.src, c.srcStride, c.colour, c.dstW, c.dstH, c.srcW, c.srcH,
                                 c.sharpness, c.wholeFactor, c.noise, c.core, c.progress);
        };
        e.resizeImageV2 = [](const EngineCall& c) {
            return ResizeImageV2(c.dst, c.dstStride, c.src, c.srcStride, c.colour, c.dstW, c.dstH, c.srcW, c.srcH,
                                 c.sharpness, c.wholeFactor, c.noise, c.core, c.progress);
        };
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
        return e;
    }();
    return engine;
}
