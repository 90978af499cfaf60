#pragma once
// The fixed-point windowed-sinc resampler of the super-resolution path,
// working directly on interleaved 8-bit pixels (B, G, R, or one channel).
//
// The kernel is tabulated at 256 sub-pixel phases with 12-bit weights
//     w[k][t] = trunc(KernelValue((t - (R - 1)) - k / 256, support, window, type) * 4096 + 0.5)
// for R = ceil(support). Output pixel (x, y) is aligned at the top-left corner
// like KernelResample: its source position is (x * srcW / dstW,
// y * srcH / dstH), whole part and phase computed exactly in integers. For
// every tap pair the weight (wh * wv) >> 8 multiplies the source byte, tap
// rows and columns clamped to the image, and each channel's output is
// sum >> 16 limited to 0..255. At equal sizes every phase is 0 and the image
// is copied exactly (4096 * 4096 >> 8 >> 16 = 1).

#include <cstdint>

#include "engine/SuperResBands.h"

namespace SuperRes {

inline constexpr int kLanczosPhases = 256;
inline constexpr int kLanczosMaxRadius = 8;

struct ResampleParams {
    int colour = 1;  // 1: three bytes per pixel; 0: one
    std::uint8_t* dst = nullptr;
    const std::uint8_t* src = nullptr;
    int srcW = 0;
    int srcH = 0;
    int srcStride = 0;  // bytes per source row
    int dstW = 0;
    int dstH = 0;
    int dstStride = 0;                 // bytes per destination row
    double support = 4.0;              // 1..8
    double window = 1.0;               // 1 Lanczos (see KernelValue)
    int type = 3;                      // 0 does nothing
    bool parallel = true;              // rows in parallel blocks
    const AbortFlag* abort = nullptr;  // tested before each row
    bool portable = false;             // no processor-specific code (the result is the same)
};

// Returns true when every row was written; false for type 0, bad sizes or
// support, a kernel whose weights could overflow the 32-bit sums, a stop, or
// lack of memory (which sets g_bResizeOutOfMemory).
bool ResampleLanczos(const ResampleParams& p);

}  // namespace SuperRes
