#pragma once
// Fixed-point colour conversion tables, computed at compile time and only
// read afterwards, so any number of decoders and encoders may use them at
// once. All shifts are arithmetic (rounding toward minus infinity).
//
// Decoder, indexed by a sample value i = 0..255:
//   CrToR[i]  = (1436*i - 183296) >> 10          1.402  * (Cr - 128)
//   CbToB[i]  = (1815*i - 231808) >> 10          1.772  * (Cb - 128)
//   CrToG4[i] = (93696 - 731*i) >> 8             4 * -0.714 * (Cr - 128)
//   CbToG4[i] = ((45184 - 352*i) >> 8) + 2       4 * -0.344 * (Cb - 128), + 2
//                                                to round the later / 4
// Encoder, indexed by o = d + 256 for a difference d = -255..255:
//   RToY4[o]  = ((306*o - 78208) >> 8) + 2       4 * 0.299 * d, + 2
//   BToY4[o]  = (117*o - 29824) >> 8             4 * 0.114 * d
//   RToCb2[o] = ((44544 - 173*o) >> 9) + 1       2 * -0.1687 * d, + 1
//   BToCr2[o] = ((21504 - 83*o) >> 9) + 1        2 * -0.0813 * d, + 1

#include <array>
#include <cstdint>

namespace Kestrel {

struct ColourTables {
    std::array<std::int16_t, 256> CrToR{}, CbToB{}, CrToG4{}, CbToG4{};
    std::array<std::int16_t, 512> RToY4{}, BToY4{}, RToCb2{}, BToCr2{};
};

constexpr ColourTables BuildColourTables() {
    ColourTables t;
    for (int i = 0; i < 256; ++i) {
        t.CrToR[i] = static_cast<std::int16_t>((1436 * i - 183296) >> 10);
        t.CbToB[i] = static_cast<std::int16_t>((1815 * i - 231808) >> 10);
        t.CrToG4[i] = static_cast<std::int16_t>((93696 - 731 * i) >> 8);
        t.CbToG4[i] = static_cast<std::int16_t>(((45184 - 352 * i) >> 8) + 2);
    }
    // Entry 0 (d = -256) is never used.
    for (int o = 1; o < 512; ++o) {
        t.RToY4[o] = static_cast<std::int16_t>(((306 * o - 78208) >> 8) + 2);
        t.BToY4[o] = static_cast<std::int16_t>((117 * o - 29824) >> 8);
        t.RToCb2[o] = static_cast<std::int16_t>(((44544 - 173 * o) >> 9) + 1);
        t.BToCr2[o] = static_cast<std::int16_t>(((21504 - 83 * o) >> 9) + 1);
    }
    return t;
}

inline constexpr ColourTables kColourTables = BuildColourTables();

}  // namespace Kestrel
