// InterpolMode 8 ("ORVEK for Artificial Scenes") and 9 ("ORVEK
// Super-Resolution") for `vespera-bench resize`: the super-resolution
// enlargement with and without the envelope-contrast stretch.

#include "engine/SuperResolutionEnlarge.h"
#include "vespera-bench/EngineModes.h"

namespace {

int Enlarge(const BgrBuffer& src, BgrBuffer& dst, int envelopeContrast) {
    SuperResolutionParams p;
    p.colour = 1;
    p.dst = dst.bits;
    p.dstStride = dst.stride;
    p.dstW = dst.width;
    p.dstH = dst.height;
    p.src = src.bits;
    p.srcStride = src.stride;
    p.srcW = src.width;
    p.srcH = src.height;
    p.envelopeContrast = envelopeContrast;
    p.progress = nullptr;
    return SuperResolutionEnlarge(p);
}

const RegisterEngineMode reg8{8, [](const BgrBuffer& src, BgrBuffer& dst) { return Enlarge(src, dst, 1); }};
const RegisterEngineMode reg9{9, [](const BgrBuffer& src, BgrBuffer& dst) { return Enlarge(src, dst, 0); }};

}  // namespace
