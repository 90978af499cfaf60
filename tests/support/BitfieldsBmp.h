#pragma once
// BMP files whose pixels are laid out by colour masks (BI_BITFIELDS after a
// 40-byte info header, or BI_ALPHABITFIELDS with an alpha mask), written
// field by field for the decoder's tests and fuzz seeds.

#include <array>
#include <cstdint>
#include <vector>

namespace bitfields {

struct Layout {
    int width = 0;
    int height = 0;
    int bits = 32;                         // 16 or 32
    std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha (0: none)
    bool topDown = false;
};

// The field of `mask` holding `value` (its low bits).
inline std::uint32_t Place(std::uint32_t value, std::uint32_t mask) {
    if (mask == 0)
        return 0;
    const int shift = __builtin_ctz(mask);
    return (value << shift) & mask;
}

inline void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// `pixels` holds the picture's pixel words, top row first.
inline std::vector<std::uint8_t> File(const Layout& layout, const std::vector<std::uint32_t>& pixels) {
    const bool alpha = layout.masks[3] != 0;
    const std::uint32_t maskBytes = alpha ? 16 : 12;
    const std::uint32_t stride = (static_cast<std::uint32_t>(layout.width) * layout.bits + 31) / 32 * 4;
    const std::uint32_t imageBytes = stride * static_cast<std::uint32_t>(layout.height);
    const std::uint32_t offset = 14 + 40 + maskBytes;
    std::vector<std::uint8_t> out = {'B', 'M'};
    Put(out, offset + imageBytes, 4);
    Put(out, 0, 4);
    Put(out, offset, 4);
    Put(out, 40, 4);
    Put(out, static_cast<std::uint32_t>(layout.width), 4);
    Put(out, static_cast<std::uint32_t>(layout.topDown ? -layout.height : layout.height), 4);
    Put(out, 1, 2);
    Put(out, static_cast<std::uint32_t>(layout.bits), 2);
    Put(out, alpha ? 6 : 3, 4);  // BI_ALPHABITFIELDS or BI_BITFIELDS
    Put(out, imageBytes, 4);
    Put(out, 2835, 4);  // 72 dpi
    Put(out, 2835, 4);
    Put(out, 0, 4);
    Put(out, 0, 4);
    for (std::uint32_t i = 0; i < maskBytes / 4; ++i)
        Put(out, layout.masks[i], 4);
    for (int row = 0; row < layout.height; ++row) {
        const int y = layout.topDown ? row : layout.height - 1 - row;
        const std::size_t rowStart = out.size();
        for (int x = 0; x < layout.width; ++x)
            Put(out, pixels[static_cast<std::size_t>(y) * layout.width + x], layout.bits / 8);
        out.resize(rowStart + stride, 0);
    }
    return out;
}

// A picture of every field's values: red across, green down, blue along the
// diagonal, each spread over the field's whole range; alpha opaque.
inline std::vector<std::uint32_t> Ramps(const Layout& layout) {
    auto largest = [](std::uint32_t mask) { return mask == 0 ? 0u : mask >> __builtin_ctz(mask); };
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < layout.height; ++y)
        for (int x = 0; x < layout.width; ++x) {
            auto spread = [](std::uint32_t top, int at, int count) {
                return static_cast<std::uint32_t>(std::uint64_t{top} * at / (count > 1 ? count - 1 : 1));
            };
            const int diagonal = (x + y) % layout.width;
            pixels.push_back(Place(spread(largest(layout.masks[0]), x, layout.width), layout.masks[0]) |
                             Place(spread(largest(layout.masks[1]), y, layout.height), layout.masks[1]) |
                             Place(spread(largest(layout.masks[2]), diagonal, layout.width), layout.masks[2]) |
                             layout.masks[3]);
        }
    return pixels;
}

}  // namespace bitfields
