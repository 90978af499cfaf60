#pragma once
// Pushes an enlarged plane out to the local value range of a reference plane.
//
// For every pixel, lo and hi are the minimum and maximum of the reference
// over a (2*(winW/2)+1) x (2*(winH/2)+1) window. Near the borders the window
// is the nearest one that lies inside the plane; where the plane is narrower
// or lower than the window, the window is clipped to the plane. Then, with
// mid = (lo + hi + 1) >> 1, half = hi - mid (1 when 0), q = (sx*sy)^(1/4) and
// the stretch k = max(1, half / cf / q * 0.5):
//   k == 1            -> the reference pixel
//   |p - mid| > half/k -> hi or lo, on p's side of mid
//   otherwise          -> trunc((p - mid) * k + mid)
// limited to 0..255. The image is changed only when the whole plane is done.
//
// image and reference are width x height with row pitch stride and may be the
// same plane. sx, sy and cf must be above 0. Reports y * 100 / height after
// each row. Returns 1 when done, 0 on a bad argument, a stop or lack of memory
// (also sets g_bResizeOutOfMemory); on 0 the image is unchanged.

#include <cstdint>

class CRSProgress;

int LocalRangeClamp(std::uint8_t* image, const std::uint8_t* reference, int width, int height, int stride, int winW,
                    int winH, double sx, double sy, double cf, CRSProgress* progress);

// The same with the plane as its own typical reference, plus noise scaled by
// the stretch on the pixels that are not saturated:
//   (trunc(k * noise) * s) / 163830, s the sum of six centred draws of the
// C runtime's sequence (as in GaussianNoise).
int LocalRangeClampNoise(std::uint8_t* image, const std::uint8_t* reference, int width, int height, int stride,
                         int winW, int winH, double sx, double sy, double cf, double noise, CRSProgress* progress);
