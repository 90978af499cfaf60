#pragma once
// Exact box-average reduction of a tight 8-bit plane along one axis, in 16.16
// fixed point.
//
// Each output pixel averages the source span [i*step, (i+1)*step) with
// step = srcSize * 65536 / dstSize: the partly covered first and last source
// pixels weigh by their covered fraction, each partial product with its low 16
// bits cleared, and the quotient truncates. The arithmetic is 64-bit.
//
// Only reductions and 1:1 copies are defined (dstSize <= srcSize); a step of
// exactly 65536 copies. Anything else returns 0 and writes nothing.
// Reports index * 100 / count after each row (horizontal) or column
// (vertical); a stop returns 0 with the destination partly written.

#include <cstdint>

class CRSProgress;

// src: srcW x height, dst: dstW x height.
int AreaResampleHorizontal(std::uint8_t* dst, const std::uint8_t* src, int srcW, int height, int dstW,
                           CRSProgress* progress);

// src: width x srcH, dst: width x dstH.
int AreaResampleVertical(std::uint8_t* dst, const std::uint8_t* src, int width, int srcH, int dstH,
                         CRSProgress* progress);
