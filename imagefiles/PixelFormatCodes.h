#pragma once
// The imaging library's pixel-format codes, as the image cells test them.

#include <cstdint>

namespace PixelFormatCode {

inline constexpr std::uint32_t Undefined = 0;
inline constexpr std::uint32_t Indexed1 = 0x30101;        // PixelFormat1bppIndexed
inline constexpr std::uint32_t Indexed4 = 0x30402;        // PixelFormat4bppIndexed
inline constexpr std::uint32_t Indexed8 = 0x30803;        // PixelFormat8bppIndexed
inline constexpr std::uint32_t GrayScale16 = 0x101004;    // PixelFormat16bppGrayScale
inline constexpr std::uint32_t RGB555 = 0x21005;          // PixelFormat16bppRGB555
inline constexpr std::uint32_t RGB565 = 0x21006;          // PixelFormat16bppRGB565
inline constexpr std::uint32_t ARGB1555 = 0x61007;        // PixelFormat16bppARGB1555
inline constexpr std::uint32_t RGB24 = 0x21808;           // PixelFormat24bppRGB
inline constexpr std::uint32_t RGB32 = 0x22009;           // PixelFormat32bppRGB
inline constexpr std::uint32_t ARGB32 = 0x26200A;         // PixelFormat32bppARGB
inline constexpr std::uint32_t PARGB32 = 0xE200B;         // PixelFormat32bppPARGB
inline constexpr std::uint32_t RGB48 = 0x10300C;          // PixelFormat48bppRGB
inline constexpr std::uint32_t ARGB64 = 0x34400D;         // PixelFormat64bppARGB
inline constexpr std::uint32_t PARGB64 = 0x1C400E;        // PixelFormat64bppPARGB
inline constexpr std::uint32_t CMYK32 = 0x200F;           // PixelFormat32bppCMYK

}  // namespace PixelFormatCode
