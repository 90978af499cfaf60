#include "imagefiles/kestrel/KestrelTables.h"

#include <cmath>
#include <numbers>

#include "imagefiles/kestrel/KestrelError.h"

namespace Kestrel {

namespace {

constexpr std::array<std::uint8_t, 64> MakeZigzag() {
    // Walks the anti-diagonals, upwards on even ones, downwards on odd ones.
    std::array<std::uint8_t, 64> order{};
    int i = 0;
    for (int s = 0; s <= 14; ++s) {
        const int low = s > 7 ? s - 7 : 0, high = s < 7 ? s : 7;
        for (int k = 0; k <= high - low; ++k) {
            const int row = (s % 2 == 0) ? high - k : low + k;
            order[i++] = static_cast<std::uint8_t>(row * 8 + (s - row));
        }
    }
    return order;
}

template <std::size_t N>
constexpr HuffmanSpec MakeSpec(int tableClass, int id, const std::array<std::uint8_t, 16>& counts,
                               const std::array<std::uint8_t, N>& symbols) {
    HuffmanSpec definition;
    definition.tableClass = tableClass;
    definition.id = id;
    for (int l = 0; l < 16; ++l)
        definition.counts[l + 1] = counts[l];
    for (std::size_t i = 0; i < N; ++i)
        definition.symbols[i] = symbols[i];
    definition.symbolCount = static_cast<int>(N);
    return definition;
}

constexpr std::array<std::uint8_t, 12> kDcSymbols = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

constexpr std::array<std::uint8_t, 162> kAcLuminanceSymbols = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22, 0x71,
    0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72,
    0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37,
    0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59,
    0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3,
    0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
    0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
    0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

constexpr std::array<std::uint8_t, 162> kAcChrominanceSymbols = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71, 0x13, 0x22,
    0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1,
    0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36,
    0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58,
    0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
    0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a,
    0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba,
    0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda,
    0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

// Constant-initialised: ready before any code runs, read-only afterwards.
constexpr std::array<HuffmanSpec, 2> kStandardDc = {
    MakeSpec(0, 0, {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0}, kDcSymbols),
    MakeSpec(0, 1, {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0}, kDcSymbols)};
constexpr std::array<HuffmanSpec, 2> kStandardAc = {
    MakeSpec(1, 0, {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d}, kAcLuminanceSymbols),
    MakeSpec(1, 1, {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77}, kAcChrominanceSymbols)};

std::array<std::int32_t, 64> ComputeAanScaleFactors(double one) {
    std::array<double, 8> a{};
    a[0] = 1.0;
    for (int k = 1; k < 8; ++k)
        a[k] = std::numbers::sqrt2 * std::cos(k * std::numbers::pi / 16.0);
    std::array<std::int32_t, 64> s{};
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u)
            s[8 * v + u] = static_cast<std::int32_t>(std::lround(one * a[v] * a[u]));
    return s;
}

}  // namespace

constinit const std::array<std::uint8_t, 64> kZigzag = MakeZigzag();

constinit const std::array<std::uint16_t, 64> kLuminanceQuantBase = {
    16, 11,  10,  16, 24, 40, 51, 61, 12,  12,  14,  19,  26, 58, 60, 55,  14,  13,  16,  24, 40, 57,
    69, 56,  14,  17, 22, 29, 51, 87, 80,  62,  18,  22,  37, 56, 68, 109, 103, 77,  24,  35, 55, 64,
    81, 104, 113, 92, 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98,  112, 100, 103, 99};

constinit const std::array<std::uint16_t, 64> kChrominanceQuantBase = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

bool HuffmanSpec::SameCodes(const HuffmanSpec& other) const {
    if (counts != other.counts || symbolCount != other.symbolCount)
        return false;
    for (int i = 0; i < symbolCount; ++i)
        if (symbols[i] != other.symbols[i])
            return false;
    return true;
}

const HuffmanSpec& StandardDcTable(int id) { return kStandardDc.at(static_cast<std::size_t>(id)); }
const HuffmanSpec& StandardAcTable(int id) { return kStandardAc.at(static_cast<std::size_t>(id)); }

QuantTable ScaleQuantTable(int quality, const std::array<std::uint16_t, 64>& base, bool force8Bit) {
    std::int64_t scale;
    if (quality <= 0)
        scale = 5000;
    else if (quality <= 50)
        scale = 5000 / quality;
    else if (quality <= 100)
        scale = 200 - 2 * quality;
    else
        scale = 0;
    QuantTable table;
    bool wide = false;
    for (int i = 0; i < 64; ++i) {
        std::int64_t q = (base[i] * scale + 50) / 100;
        if (q <= 0)
            q = 1;
        if (q > 32767)
            q = 32767;
        if (force8Bit && q > 255)
            q = 255;
        wide = wide || q > 255;
        table.q[i] = static_cast<std::uint16_t>(q);
    }
    table.precision = wide ? 16 : 8;
    return table;
}

std::array<CanonicalCode, 256> AssignCanonicalCodes(const HuffmanSpec& definition) {
    std::array<CanonicalCode, 256> codes{};
    std::uint32_t code = 0;
    int index = 0;
    for (int length = 1; length <= 16; ++length) {
        for (int n = 0; n < definition.counts[length]; ++n) {
            if (index >= definition.symbolCount || code >= (1u << length))
                ThrowError();
            codes[index].code = static_cast<std::uint16_t>(code);
            codes[index].length = static_cast<std::uint8_t>(length);
            ++index;
            ++code;
        }
        code <<= 1;
    }
    return codes;
}

const std::array<std::int32_t, 64>& AanScaleFactors(std::int32_t one) {
    static const std::array<std::int32_t, 64> decoder = ComputeAanScaleFactors(8192.0);
    static const std::array<std::int32_t, 64> encoder = ComputeAanScaleFactors(32768.0);
    if (one == 8192)
        return decoder;
    if (one == 32768)
        return encoder;
    ThrowError();
}

}  // namespace Kestrel
