#pragma once
// The colour planes of the super-resolution path: the interleaved B, G, R
// image split into Y, Cb and Cr planes padded to multiples of 16 rows and
// columns, and the way back through 64 KB look-up tables per channel.
//
//   Y  = (1224 R + 2403 G + 469 B + 2048) >> 12
//   Cb = (2048 B - 1357 G - 691 R + 522240) >> 12
//   Cr = (2048 R - 1713 G - 335 B + 522240) >> 12
// and back, with the offsets of 127:
//   B = Y + trunc(1.7708 (Cb - 127) + 0.5)
//   R = Y + trunc(1.4022 (Cr - 127) + 0.5)
//   G = Y - trunc(0.7145 (Cr - 127) + 0.3456 (Cb - 127) + 0.5)
// each limited to 0..255. A grey pixel has Cb = Cr = 127 and comes back grey.

#include <cstdint>

#include "engine/SuperResBands.h"

namespace SuperRes {

inline int LumaOf(int b, int g, int r) { return (1224 * r + 2403 * g + 469 * b + 2048) >> 12; }
inline int BlueDifferenceOf(int b, int g, int r) { return (2048 * b - 1357 * g - 691 * r + 522240) >> 12; }
inline int RedDifferenceOf(int b, int g, int r) { return (2048 * r - 1713 * g - 335 * b + 522240) >> 12; }

// Three planes of paddedW x paddedH bytes (row pitch paddedW). Without Cb
// and Cr planes only Y is split, and the way back takes Cb and Cr from the
// image it writes to, which must then still hold the pixels Y came from.
struct ColourPlanes {
    std::uint8_t* y = nullptr;
    std::uint8_t* cb = nullptr;
    std::uint8_t* cr = nullptr;
    int paddedW = 0;
    int paddedH = 0;
};

struct PlaneSplitJob {
    ColourPlanes planes;
    const std::uint8_t* image = nullptr;  // 3 bytes per pixel, B, G, R
    int stride = 0;
    int width = 0;
    int height = 0;
    const AbortFlag* abort = nullptr;  // tested before each row
};

// Fills padded rows 16 * block .. 16 * block + 15 of the planes; the padding
// repeats the image's last column and last row.
void SplitPlanesChunk(const PlaneSplitJob& job, int block);

struct PlaneMergeJob {
    ColourPlanes planes;
    std::uint8_t* image = nullptr;
    int stride = 0;
    int width = 0;  // only these columns and rows are written back
    int height = 0;
};

// Writes image rows 16 * block .. 16 * block + 15 (those below height) from
// the planes. Bytes past 3 * width in a row are not touched.
void MergePlanesChunk(const PlaneMergeJob& job, int block);

}  // namespace SuperRes
