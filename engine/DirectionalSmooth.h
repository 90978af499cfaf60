#pragma once
// Edge-directed smoothing of an 8-bit luminance plane.
//
// At every pixel a Sobel gradient (divided by 4) gives a strength (its
// magnitude, 0..99 after the root table) and one of four edge orientations:
//   0  the edge runs vertically: average with the pixels above and below
//   1  the edge runs from lower left to upper right: average along it
//   2  the edge runs horizontally: average with the left and right pixels
//   3  the edge runs from upper left to lower right: average along it
//   4  leave the pixel alone
// Each pixel's 3 x 3 neighbourhood votes on the orientation; pixels with a
// weak gradient or an unclear vote get class 4. Then every pixel is averaged
// with its two neighbours along its edge, once per pass (a neighbour outside
// the plane is the pixel itself). Straight edges along the four orientations
// and constant areas stay unchanged, up to the border.
//
// With the parallel flag each stage runs as a parallel loop over blocks of
// rows; the result is the same as the serial one, bit for bit.

#include <cstdint>

#include "engine/SuperResBands.h"

inline constexpr std::uint8_t kSmoothKeep = 4;  // the class that leaves a pixel unchanged

// The direction class of a gradient (gx, gy), each in -255..255.
std::uint8_t DirectionClass(int gx, int gy);

// Gradient strength (0..99) and direction class (0..3) of every pixel of a
// width x height plane with the given row pitch (also the pitch of the two
// output planes). A neighbour outside the plane is replaced by the centre.
// The abort byte is tested before each row; a stop leaves the outputs partly
// written.
void GradientField(std::uint8_t* strength, std::uint8_t* direction, const std::uint8_t* plane, int width, int height,
                   int pitch, bool parallel, const SuperRes::AbortFlag* abort);

// Replaces each class by the vote of its 3 x 3 neighbourhood (indices clamped
// at the border; ties go to the later class) and writes 11 x the winning count
// as the confidence; pixels of strength 0 get class 4 and confidence 0. The
// class plane changes only when every row is done. A failed allocation sets
// g_bResizeOutOfMemory and changes nothing.
void DirectionVote(std::uint8_t* confidence, const std::uint8_t* strength, std::uint8_t* direction, int width,
                   int height, int pitch, bool parallel, const SuperRes::AbortFlag* abort);

// Smooths a tight width x height plane in place along its edges: pixels with
// a confidence below confidenceThreshold or a strength below
// strengthThreshold are left alone; passes (0..4) averaging passes follow
// (none: nothing to do).
// On a stop (abort byte) or a failed allocation (g_bResizeOutOfMemory) the
// plane keeps what the finished passes made.
void DirectionalSmooth(std::uint8_t* plane, int width, int height, int confidenceThreshold, int strengthThreshold,
                       int passes, bool parallel, const SuperRes::AbortFlag* abort);
