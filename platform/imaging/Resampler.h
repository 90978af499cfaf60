#pragma once
// The separable resampler behind DrawImage: scales a block of 8-bit pixels to
// a new size with one of five interpolation modes.
//
// Geometry: pixel centres are aligned, so output pixel o of an axis samples
// the source at (o + 0.5) * srcLen / dstLen - 0.5. Outside the source the
// image continues mirrored (..., 1, 0 | 0, 1, ..., n-1 | n-1, n-2, ...), so
// edges are never darkened by a border colour.
//
// Kernels: nearest neighbour (the pixel that holds the sample point), the
// tent (bilinear, radius 1) and the Catmull-Rom cubic (bicubic, radius 2).
// The high-quality modes stretch the kernel by the reduction factor when the
// axis is reduced, so every source pixel contributes and reductions do not
// alias; the plain modes always use the kernel at its own radius. Weights of
// each output are normalised to sum to 1. The horizontal pass runs first into
// floats, the vertical pass rounds to bytes; blocks of output rows run in
// parallel and the result never depends on how they are split.

#include <cstddef>
#include <cstdint>

#include "platform/imaging/Geometry.h"

namespace imaging {

enum class InterpolationMode { NearestNeighbor, Bilinear, HighQualityBilinear, Bicubic, HighQualityBicubic };

// Source pixels: `step` bytes a pixel (3 or 4), of which the first
// `channels` (3, or 4 with premultiplied alpha last) are resampled.
struct ResampleSource {
    const std::uint8_t* bits = nullptr;
    std::ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
    int step = 3;
    int channels = 3;
};

// Computes the part `window` of the source scaled to dstW x dstH, writing
// window.width x window.height pixels of `channels` bytes each to out (rows
// outStride bytes apart). Returns false for bad arguments or lack of memory.
bool Resample(const ResampleSource& src, int dstW, int dstH, const Rect& window, std::uint8_t* out,
              std::ptrdiff_t outStride, InterpolationMode mode);

}  // namespace imaging
