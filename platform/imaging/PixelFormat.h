#pragma once
// Pixel format codes of bitmaps, with the numbering the rest of the system
// stores and compares (bits 8-15 hold the bits per pixel).

#include <cstdint>

namespace imaging {

using PixelFormat = std::uint32_t;

inline constexpr PixelFormat PixelFormatUndefined = 0;
inline constexpr PixelFormat PixelFormat1bppIndexed = 0x30101;
inline constexpr PixelFormat PixelFormat4bppIndexed = 0x30402;
inline constexpr PixelFormat PixelFormat8bppIndexed = 0x30803;
inline constexpr PixelFormat PixelFormat16bppGrayScale = 0x101004;
inline constexpr PixelFormat PixelFormat16bppRGB555 = 0x21005;
inline constexpr PixelFormat PixelFormat16bppRGB565 = 0x21006;
inline constexpr PixelFormat PixelFormat16bppARGB1555 = 0x61007;
inline constexpr PixelFormat PixelFormat24bppRGB = 0x21808;
inline constexpr PixelFormat PixelFormat32bppRGB = 0x22009;
inline constexpr PixelFormat PixelFormat32bppARGB = 0x26200A;
inline constexpr PixelFormat PixelFormat32bppPARGB = 0xE200B;
inline constexpr PixelFormat PixelFormat48bppRGB = 0x10300C;
inline constexpr PixelFormat PixelFormat64bppARGB = 0x34400D;
inline constexpr PixelFormat PixelFormat64bppPARGB = 0x1C400E;
inline constexpr PixelFormat PixelFormat32bppCMYK = 0x200F;

// Bits per pixel of a format code.
inline constexpr int PixelFormatBits(PixelFormat format) { return static_cast<int>((format >> 8) & 0xFF); }

// Resolution reported for a file whose header gives none.
inline constexpr double kDefaultDpi = 96.0;

}  // namespace imaging
