#pragma once
// The local envelopes of the luminance and the contrast stretch towards them
// (InterpolMode 8): the minimum and maximum over a rectangular window, the
// mean over a square window, and a stretch of each pixel away from its mean,
// kept inside its minimum and maximum.

#include <cstdint>

#include "engine/SuperResBands.h"

namespace SuperRes {

// Minimum and maximum of every pixel's window, columns x - rx .. x + rx and
// rows y - ry .. y + ry clipped to the plane (tight planes, row pitch width),
// computed as a parallel loop over blocks of blockHeight rows. The abort byte
// is tested before each row; a stop leaves the outputs partly written, a
// failed allocation sets g_bResizeOutOfMemory.
void MinMaxFilter(std::uint8_t* minimum, std::uint8_t* maximum, const std::uint8_t* plane, int width, int height,
                  int rx, int ry, int blockHeight, const AbortFlag* abort);

// Replaces every pixel of a tight plane by the mean of its square window of
// windowSize (2c + 1) pixels a side, the size limited first to width - 1 and
// to height - 1. Windows that leave the plane are completed by the mirror
// image about the edge (position -1 - i takes pixel i). The mean is
// (sum + (f + 1) / 2) / f for f = (2c + 1)^2, except in the first c + 1 and
// the last c + 1 rows, where it is sum / f. Returns false, changing nothing,
// when c is 0, the abort byte stopped it (tested before each row) or memory
// ran out (g_bResizeOutOfMemory is then set).
bool BoxMean(std::uint8_t* plane, int width, int height, int windowSize, const AbortFlag* abort);

struct StretchJob {
    std::uint8_t* plane = nullptr;  // changed in place
    const std::uint8_t* minimum = nullptr;
    const std::uint8_t* maximum = nullptr;
    const std::uint8_t* mean = nullptr;
    int width = 0;  // row pitch of all four planes
    int height = 0;
    double threshold = 0;              // the contrast threshold T
    const AbortFlag* abort = nullptr;  // tested before each row
};

// Rows 16 * block .. 16 * block + 15: with lo, hi, m the pixel's minimum,
// maximum and mean, gain = max(1, hi - lo) / T, at least 1, and
// v' = trunc((v - m) * gain + m) limited to lo .. hi.
void StretchContrastChunk(const StretchJob& job, int block);

// The three steps at once for the enlargement: the stretch of every pixel of
// `plane` towards the minimum and maximum of its window of radius `radius`
// (rows and columns clipped), about the box mean of its window 2 radius + 1
// (limited and mirrored as in BoxMean; a single pixel is its own mean),
// written to `out`, a plane of the same size. The same result as MinMaxFilter,
// BoxMean and StretchContrastChunk in turn, in one parallel pass over blocks
// of rows with no planes of its own. Returns false when stopped (the abort
// byte is tested before each row) or out of memory (g_bResizeOutOfMemory is
// then set).
bool StretchToEnvelopes(std::uint8_t* out, const std::uint8_t* plane, int width, int height, int radius,
                        double threshold, const AbortFlag* abort);

}  // namespace SuperRes
