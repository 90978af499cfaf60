#pragma once
// The first-generation detail resampler (InterpolMode 5 and 7).
//
// ResizeImageV1 splits a 24-bit BGR image (or an 8-bit one when the colour
// flag is 0) into one tight plane per channel, resizes each plane with
// ResizePlaneV1 and writes it back. ResizePlaneV1 picks a strategy from the
// scale factors sx = dstW / srcW and sy = dstH / srcH:
//
//   max <= 0.5                 area reduction of both axes, then Unsharp3x3 25
//   max <= 1.5 or min > 1.5    one DetailResampleV1
//   otherwise                  the less enlarged axis goes to trunc(1.5 x its
//                              size) by DetailResampleV1 together with the
//                              other axis, then down by area reduction
//
// and finishes by min: Unsharp3x3 trunc(50 / cf) when min <= 0.5,
// Unsharp3x3 trunc((min + 1.5) * 20 / sqrt(cf)) when min < 1.5, and
// GaussianNoise(noise) on every pixel otherwise.
//
// DetailResampleV1 with core 3 is a windowed-sinc pass (Lanczos with support
// wf + 1); above a factor of 1.5 it then sharpens against the local value
// range of a Catmull-Rom enlargement between two recursive Gaussian blurs.
//
// Failures: every routine returns 1 when done and 0 when stopped through the
// progress object, on a bad argument (a null buffer, a size of 0 or less, a
// stride shorter than a row) or when a stage ran out of memory (which sets
// g_bResizeOutOfMemory). The channel planes and temporaries are not guarded:
// their allocation failure reaches the caller as std::bad_alloc. A stop keeps
// the channels already written in the destination.

#include <cstdint>

class CRSProgress;

// The contrast factor of a sharpness: 103 / (sharpness^2 / 100 + 3).
double ContrastFactor(double sharpness);

// 1 when dstW / srcW and dstH / srcH (in doubles) are both whole numbers,
// else 2: whole factors resample with Lanczos-2, all others with Lanczos-3.
double WholeFactorFlag(int dstW, int dstH, int srcW, int srcH);

// dst and src: rows of 3-byte B, G, R pixels (1-byte when color is 0) with
// their row strides in bytes (at least a row's bytes). sharpness 50 with the
// whole-factor flag and core 3 is InterpolMode 5; sharpness 25, wf 2 and
// core 4 (3 with a 3x3 pre-sharpening of each source plane) is mode 7.
// With a progress object, m_nPhases is set to the number of reporting stages
// of the call (ProgressPhaseCount per channel).
int ResizeImageV1(std::uint8_t* dst, int dstStride, const std::uint8_t* src, int srcStride, int color, int dstW,
                  int dstH, int srcW, int srcH, double sharpness, double wf, int noise, int core,
                  CRSProgress* progress);

// Tight planes: dst dstW x dstH, src srcW x srcH; cf the contrast factor.
int ResizePlaneV1(std::uint8_t* dst, const std::uint8_t* src, int dstW, int dstH, int srcW, int srcH, double cf,
                  double wf, int noise, int core, CRSProgress* progress);

// The core. Core 3: KernelResample type 3, support wf + 1, Lanczos window,
// then the detail steps when max > 1.5. Any other core: KernelResample of
// type `core` with support 0 and parameter 0.5 alone (1 tent, 2 Catmull-Rom).
int DetailResampleV1(std::uint8_t* dst, const std::uint8_t* src, int dstW, int dstH, int srcW, int srcH, double cf,
                     double wf, int core, CRSProgress* progress);

// The number of stages of ResizeImageV1 that report, per channel, for the
// smaller and the larger scale factor.
int ProgressPhaseCount(double min, double max);
