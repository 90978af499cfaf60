#pragma once
// The general two-dimensional kernel resampler for one 8-bit plane.
//
// Kernel types:
//   1  tent, radius 1
//   2  cubic of the Mitchell-Netravali family, B = p1, C = p2, radius 2
//      (B 0, C 0.5 is Catmull-Rom)
//   3  windowed sinc, support S = p1, window p2:
//        1 Lanczos, 2 Hann, 3 Bartlett, 4 the Hann window alone;
//        any other window gives 0 everywhere except at 0
//   0  invalid for KernelResample
//   any other value: the box kernel

#include <cstdint>

class CRSProgress;

inline constexpr int kKernelPhases = 1024;

// The kernel at x.
double KernelValue(double x, double p1, double p2, int type);

// Resamples a tight srcW x srcH plane into a tight dstW x dstH plane.
//
// Output pixel (x, y) is centred on the source position (x*srcW/dstW,
// y*srcH/dstH): aligned at the top-left corner, without a half-pixel offset.
// The kernel is tabulated at 1024 sub-pixel phases and used as it is: the
// weights are not normalised, so a constant plane can change slightly at
// non-zero phases. Each output byte is
//     trunc(sum over v, then u, of (h[u] * v[v]) * src + 0.5), limited to 0..255
// with the tap rows and columns clamped to the plane.
//
// For a sinc kernel the radius is ceil(support) and must be 1..256.
// Reports y * 100 / dstH after each output row, from the calling thread; rows
// are computed in parallel blocks but written to dst only as they are
// reported, so a stop leaves exactly the reported rows written.
//
// Returns 1 when done; 0 for type 0, a size of 0 or less, a bad support, a
// stop, or lack of memory (which also sets g_bResizeOutOfMemory).
int KernelResample(std::uint8_t* dst, const std::uint8_t* src, int srcW, int srcH, int dstW, int dstH, double support,
                   double param, int type, CRSProgress* progress);
