#pragma once
// The parts both detail resampler generations share: the per-channel split of
// a BGR image, the choice of strategy by scale factor, the finishing pass and
// the stage count that follows from them. Each generation supplies its core.

#include <cstdint>
#include <functional>

class CRSProgress;

struct ScaleFactors {
    double sx = 0;   // dstW / srcW
    double sy = 0;   // dstH / srcH
    double min = 0;  // the smaller of the two
    double max = 0;  // the larger of the two
};

ScaleFactors ScaleFactorsOf(int dstW, int dstH, int srcW, int srcH);

// Resizes one tight plane: (dst, src, dstW, dstH, srcW, srcH) -> 1 done, 0 not.
using PlaneResampler = std::function<int(std::uint8_t*, const std::uint8_t*, int, int, int, int)>;

// Resizes a tight channel plane (srcW x srcH, which it may change) into a
// tight dstW x dstH plane.
using ChannelResizer = std::function<int(std::uint8_t* dst, std::uint8_t* src)>;

// The image boundary of both generations: clears g_bResizeOutOfMemory, checks
// the arguments, sets m_nPhases to phaseCount(min, max) x channels, then per
// channel B, G, R copies the channel into a plane (reporting per source row),
// resizes it and copies the result back (reporting per destination row).
// Planes are owned here and freed on every way out; their allocation failure
// throws std::bad_alloc.
int ResizeImageByChannels(std::uint8_t* dst, int dstStride, const std::uint8_t* src, int srcStride, int color, int dstW,
                          int dstH, int srcW, int srcH, int (*phaseCount)(double min, double max),
                          CRSProgress* progress, const ChannelResizer& resizeChannel);

// The strategy and finishing of both generations around their core:
//   max <= 0.5:   area reduction of both axes, Unsharp3x3 25;
//   max <= 1.5 or min > 1.5: core from source to destination;
//   otherwise:    core to trunc(1.5 x size) on the less enlarged axis (the
//                 vertical one when sy is the smaller), then area reduction;
// then Unsharp3x3 trunc(50 / cf) when min <= 0.5, Unsharp3x3
// trunc((min + 1.5) * 20 / sqrt(cf)) when min < 1.5, else GaussianNoise(noise)
// on every pixel. Clears g_bResizeOutOfMemory on entry.
int ResizePlaneByStrategy(std::uint8_t* dst, const std::uint8_t* src, int dstW, int dstH, int srcW, int srcH, double cf,
                          int noise, const PlaneResampler& core, CRSProgress* progress);

// Reporting stages per channel of ResizeImageByChannels with
// ResizePlaneByStrategy, for a core that runs coreStages stages when the
// larger factor is above 1.5 and one stage otherwise.
int StrategyPhaseCount(double min, double max, int coreStages);

// Whether the arguments describe two usable tight planes.
bool ValidPlanes(const std::uint8_t* dst, const std::uint8_t* src, int dstW, int dstH, int srcW, int srcH);
