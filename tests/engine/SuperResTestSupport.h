#pragma once
// Interleaved B, G, R images with padded rows for the super-resolution tests.

#include <cstdint>

#include "engine/SuperResolutionEnlarge.h"
#include "support/EngineTestSupport.h"

struct BgrImage {
    int w = 0, h = 0, stride = 0;
    Plane bytes;
    std::uint8_t* at(int x, int y) { return &bytes[static_cast<std::size_t>(y) * stride + 3 * x]; }
    const std::uint8_t* at(int x, int y) const { return &bytes[static_cast<std::size_t>(y) * stride + 3 * x]; }
};

// Pixels and padding random.
inline BgrImage RandomBgrImage(int w, int h, unsigned seed, int padding = 3) {
    const int stride = 3 * w + padding;
    return BgrImage{w, h, stride, RandomPlane(stride, h, seed)};
}

// Every byte, padding included, set to fill.
inline BgrImage FilledBgrImage(int w, int h, int padding, std::uint8_t fill) {
    const int stride = 3 * w + padding;
    return BgrImage{w, h, stride, Plane(static_cast<std::size_t>(stride) * h, fill)};
}

// The request InterpolMode 8 or 9 makes for src into dst.
inline SuperResolutionParams SuperResRequest(BgrImage& dst, const BgrImage& src, int mode,
                                             CRSProgress* progress = nullptr) {
    SuperResolutionParams p;
    p.dst = dst.bytes.data();
    p.dstStride = dst.stride;
    p.dstW = dst.w;
    p.dstH = dst.h;
    p.src = src.bytes.data();
    p.srcStride = src.stride;
    p.srcW = src.w;
    p.srcH = src.h;
    p.envelopeContrast = mode == 8 ? 1 : 0;
    p.progress = progress;
    return p;
}
