#pragma once
// The second-generation detail resampler (InterpolMode 6).
//
// The same boundary, per-channel structure, strategy and finishing as the
// first generation (DetailResampleV1.h), with a Catmull-Rom core whose
// local-range clamp takes the enlarged plane as its own reference (and can add
// noise scaled by the stretch), and a final Gaussian softening only for
// factors of 3 and more. The whole-factor flag is accepted and not used.
//
// Failures as in the first generation: 1 done, 0 stopped, refused or out of
// memory; planes and temporaries throw std::bad_alloc.

#include <cstdint>

class CRSProgress;

// InterpolMode 6 passes sharpness 40, noise 0 and core 3. The planes get the
// noise amplitude trunc(noise / 3). No core pre-sharpens.
int ResizeImageV2(std::uint8_t* dst, int dstStride, const std::uint8_t* src, int srcStride, int color, int dstW,
                  int dstH, int srcW, int srcH, double sharpness, double wf, int noise, int core,
                  CRSProgress* progress);

// Core below 3: DetailResampleV2 alone, without strategy or finishing.
int ResizePlaneV2(std::uint8_t* dst, const std::uint8_t* src, int dstW, int dstH, int srcW, int srcH, double cf,
                  double wf, int noise, int core, CRSProgress* progress);

// KernelResample of type min(core, 2) with support 0 and parameter 0.5
// (core 2 or 3 Catmull-Rom, core 1 the tent, core 0 fails); with core 3 and
// max > 1.5 then LocalRangeClampNoise of the plane against itself, and
// DericheGaussian 8, 8 when max >= 3.
int DetailResampleV2(std::uint8_t* dst, const std::uint8_t* src, int dstW, int dstH, int srcW, int srcH, double cf,
                     double wf, int core, double noise, CRSProgress* progress);

// The number of stages of ResizeImageV2 that report, per channel.
int ProgressPhaseCount2(double min, double max);
