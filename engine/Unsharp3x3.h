#pragma once
// 3x3 unsharp mask of a tight 8-bit plane, in place, integer arithmetic.
//
// Every interior pixel p with 3x3 block mean m (integer) becomes
//     (100 * p - amount * m) / (100 - amount), truncating, limited to 0..255;
// border rows and columns keep their values. Amounts outside 0..99 are
// refused (100 would divide by zero); callers use 4..31.
//
// Reports y * 100 / (height - 1) after each interior row y. Returns 1 when
// done, 0 on a refused argument, a stop (plane unchanged) or lack of memory
// (also sets g_bResizeOutOfMemory).

#include <cstdint>

class CRSProgress;

int Unsharp3x3(std::uint8_t* plane, int width, int height, int amount, CRSProgress* progress);
