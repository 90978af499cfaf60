#pragma once
// Windows-1252, the 8-bit code page of Western Windows systems, in which the
// Windows program wrote its single-byte texts (archive strings, EXIF ASCII
// values written by older software).
//
// It differs from Latin-1 only in 0x80-0x9F; its five unassigned bytes there
// stay the C1 controls of the same number, so every byte maps to one UTF-16
// unit and decoding never fails.

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace platform {

inline constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char16_t Windows1252ToUtf16(std::uint8_t byte) {
    return byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : char16_t{byte};
}

inline std::u16string Windows1252ToUtf16(std::span<const std::uint8_t> bytes) {
    std::u16string text(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        text[i] = Windows1252ToUtf16(bytes[i]);
    return text;
}

}  // namespace platform
