#pragma once
// A third-order recursive Gaussian and the unsharp mask built on it, for the
// luminance plane of the super-resolution path.
//
// Each line is filtered forward and then backward with the causal kernel
//     h[n] = F * r^n * (1 - cos(n * theta)),  n >= 0,  F = 1 / sum(h)
// (one real pole r and the complex pair r * e^(+-i theta)), with
// sigma' = max(sigma / 0.857379, 0.5), theta = pi / (2 sigma') and
// r = e^(-theta). Forward and backward together give a symmetric kernel whose
// standard deviation is close to sigma, at a cost per sample independent of
// sigma. Both passes start from the steady state of the line continued by its
// end samples, so a constant line stays constant up to its ends.

#include <cstdint>

#include "engine/SuperResBands.h"

namespace SuperRes {

// The kernel's constants for a sigma.
struct GaussianPoles {
    double r = 0;  // the real pole; the complex pair is r * e^(+-i theta)
    double theta = 0;
    double gain = 0;  // F
};
GaussianPoles GaussianPolesFor(double sigma);

// Blurs a width x height plane with the given row pitch in place: every column
// (down, then back up), then every row, each rounded to bytes (ties to even).
// The abort byte is tested before each column and each row; a stop returns
// false with the plane partly blurred, and so does a failed allocation (which
// also sets g_bResizeOutOfMemory).
bool RecursiveGaussian(int width, int height, int pitch, std::uint8_t* plane, double sigma, const AbortFlag* abort);

// For every pixel v of a tight plane whose blurred value b differs from it by
// more than threshold: v' = (v * (amount + 256) - amount * b) >> 8, limited to
// 0..255 (amount in 1/256, limited to +-65536). A stop or a failed allocation (which sets
// g_bResizeOutOfMemory) leaves the plane unchanged.
void UnsharpMask(std::uint8_t* plane, int width, int height, int amount, double sigma, int threshold, bool parallel,
                 const AbortFlag* abort);

}  // namespace SuperRes
