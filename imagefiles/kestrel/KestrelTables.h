#pragma once
// Tables shared by the decoder and the encoder (ITU-T T.81): quantisation and
// Huffman table records, the zigzag order, the Annex K standard tables,
// quality scaling, canonical Huffman codes and the AAN scale factors.

#include <array>
#include <cstdint>

namespace Kestrel {

// 64 quantisers in natural (row-major) order.
struct QuantTable {
    std::array<std::uint16_t, 64> q{};
    int precision = 8;  // 8 or 16 bits per entry
};

// One Huffman table as a DHT segment defines it.
struct HuffmanSpec {
    int tableClass = 0;  // 0 DC, 1 AC
    int id = 0;
    std::array<std::uint8_t, 17> counts{};  // counts[L]: codes of length L, L = 1..16
    std::array<std::uint8_t, 256> symbols{};
    int symbolCount = 0;  // at most 255

    // Bytes the table occupies in a DHT segment: the class/id byte, the 16
    // counts and the symbols.
    int Size() const { return 17 + symbolCount; }
    // Same codes for the same symbols.
    bool SameCodes(const HuffmanSpec& other) const;
};

// kZigzag[i] is the natural position of the i-th coefficient in zigzag order
// (T.81 Figure A.6).
extern const std::array<std::uint8_t, 64> kZigzag;

// T.81 Annex K Tables K.1 and K.2, natural order.
extern const std::array<std::uint16_t, 64> kLuminanceQuantBase;
extern const std::array<std::uint16_t, 64> kChrominanceQuantBase;

// T.81 Annex K Tables K.3 to K.6, indexed by table id: 0 luminance,
// 1 chrominance.
const HuffmanSpec& StandardDcTable(int id);
const HuffmanSpec& StandardAcTable(int id);

// Scales a base table by quality: scale 5000 for quality <= 0, 5000/quality
// up to 50, 200 - 2*quality up to 100, 0 above; entries (base*scale + 50)/100
// limited to 1..32767, and to 255 with forced 8-bit precision.
QuantTable ScaleQuantTable(int quality, const std::array<std::uint16_t, 64>& base, bool force8Bit);

// The canonical code of each symbol of a table, in symbol order (T.81
// Annex C, Figures C.1 and C.2). Raises Kestrel::Error for an over-full table,
// where a code would not fit its length.
struct CanonicalCode {
    std::uint16_t code = 0;
    std::uint8_t length = 0;
};
std::array<CanonicalCode, 256> AssignCanonicalCodes(const HuffmanSpec& definition);

// round(one * a(v) * a(u)) at position 8v + u, with a(0) = 1 and
// a(k) = sqrt(2) * cos(k * pi / 16): the AAN scale factors, for one = 8192
// (decoder) and one = 32768 (encoder).
const std::array<std::int32_t, 64>& AanScaleFactors(std::int32_t one);

}  // namespace Kestrel
