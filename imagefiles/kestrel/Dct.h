#pragma once
// The Arai-Agui-Nakajima scaled DCTs of the codec, in 32-bit integers.
//
// Both write M(x, c) = ((x + 128) >> 8) * c: the operand is rounded to 1/256
// of its scale (arithmetic shift) and multiplied by a constant with 8
// fraction bits. The arithmetic wraps modulo 2^32 like the machine's, so
// corrupt coefficients give defined (if meaningless) samples; valid data never
// comes near the limits.

#include <cstdint>

namespace Kestrel {

// Dequantises (dq: coefficient scale of each natural position, from
// AanScaleFactors(8192) times the quantiser) and inverse-transforms one block
// of 64 coefficients in natural order, replacing them by samples 0..255.
void InverseDct(std::int16_t* block, const std::int32_t* dq);

// A prescaled quantiser q' (AanScaleFactors(32768) times the quantiser) with
// its reciprocal: for 0 <= n < 2^31, n / q' = (n * magic) >> shift exactly
// (Granlund and Montgomery), which spares a division per coefficient.
struct QuantDivisor {
    std::int32_t q = 1;
    std::uint64_t magic = 0;
    int shift = 0;
};
QuantDivisor MakeQuantDivisor(std::int32_t q);

// Transforms one block of 64 samples 0..255 in natural order and quantises
// it with the prescaled quantisers, replacing the samples by coefficients:
// t = (x + 8) >> 4 of each output x, then (t + q'/2) / q' for x >= 0 and
// -((q'/2 - t) / q') for x < 0, divisions truncating.
void ForwardDct(std::int16_t* block, const QuantDivisor* divisors);

}  // namespace Kestrel
