#pragma once
// Super-resolution enlargement of a 24-bit BGR image (InterpolMode 8 and 9).
//
// The image is resampled with the fixed-point Lanczos-4 resampler, split into
// Y, Cb and Cr planes padded to multiples of 16, and only the luminance is
// enhanced: edge-directed smoothing against jaggies, a light Gaussian, an
// unsharp mask in proportion to the enlargement and, with the
// envelope-contrast flag, a stretch towards the local minimum and maximum.
// The chrominance goes from the resampled image straight back.
//
// Runs on the caller's thread and reports the milestones 0, 10, 20, 30, 40,
// 50, 60, 70, 90 and 100 to the progress object; its filters run as parallel
// loops whose results do not depend on the number of threads.

#include <cstdint>

class CRSProgress;

struct SuperResolutionParams {
    int colour = 1;               // always 1: three channels B, G, R
    std::uint8_t* dst = nullptr;  // dstH rows of dstW pixels, 3 bytes each
    int dstStride = 0;            // bytes from one destination row to the next
    int dstW = 0;
    int dstH = 0;
    const std::uint8_t* src = nullptr;  // srcH rows of srcW pixels
    int srcStride = 0;
    int srcW = 0;
    int srcH = 0;
    int envelopeContrast = 0;         // 1 in InterpolMode 8, 0 in InterpolMode 9
    CRSProgress* progress = nullptr;  // may be null: no reports, no cancel
};

// The values the enlargement derives from the sizes and the mode.
struct SuperResolutionPlan {
    double scale = 0;              // mean of the two scale factors
    int wholeScale = 0;            // trunc(scale)
    int smoothingPasses = 0;       // wholeScale - 1, limited to 0..4
    double gaussianSigma = 0;      // 0.80 with smoothing passes, else 0 (no Gaussian)
    int unsharpAmount = 0;         // in 1/256
    double unsharpSigma = 0;       // the scale truncated to hundredths
    int envelopeRadius = 0;        // min(min(dstW, dstH) / 2, wholeScale)
    double contrastThreshold = 0;  // 20 * sqrt(scale)
};

// Sizes must be positive.
SuperResolutionPlan PlanSuperResolution(int srcW, int srcH, int dstW, int dstH, int envelopeContrast);

// Returns 1 when done; 0 when stopped (the progress object answered 0 or the
// abort byte was set), out of memory (g_bResizeOutOfMemory is then set) or
// given a size of 0 or less or a null buffer. After a 0 the destination may
// hold the resampled image or nothing useful.
int SuperResolutionEnlarge(SuperResolutionParams params);
