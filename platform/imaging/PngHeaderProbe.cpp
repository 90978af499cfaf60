// PNG header probe: IHDR gives size, bit depth and colour type, a tRNS chunk
// adds transparency, pHYs in pixels per metre gives the resolution.

#include <cstring>

#include "platform/imaging/ByteReader.h"
#include "platform/imaging/HeaderProbe.h"

namespace imaging {

namespace {

PixelFormat PngPixelFormat(std::uint32_t depth, std::uint32_t colourType, bool transparency) {
    switch (colourType) {
    case 0:  // grey
        if (transparency)
            return depth == 16 ? PixelFormat64bppARGB : PixelFormat32bppARGB;
        return depth == 1   ? PixelFormat1bppIndexed
               : depth <= 4 ? PixelFormat4bppIndexed
               : depth == 8 ? PixelFormat8bppIndexed
                            : PixelFormat16bppGrayScale;
    case 2:  // RGB
        if (transparency)
            return depth == 16 ? PixelFormat64bppARGB : PixelFormat32bppARGB;
        return depth == 16 ? PixelFormat48bppRGB : PixelFormat24bppRGB;
    case 3:  // palette; transparency lives in the palette
        return depth == 1 ? PixelFormat1bppIndexed : depth <= 4 ? PixelFormat4bppIndexed : PixelFormat8bppIndexed;
    case 4:  // grey and alpha
    case 6:  // RGB and alpha
        return depth == 16 ? PixelFormat64bppARGB : PixelFormat32bppARGB;
    default:
        return PixelFormatUndefined;
    }
}

bool ValidDepth(std::uint32_t depth, std::uint32_t colourType) {
    switch (colourType) {
    case 0:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6:
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

}  // namespace

std::optional<ImageHeader> ProbePngHeader(std::span<const std::uint8_t> data) {
    const ByteReader r(data, true);
    std::uint32_t length = 0, width = 0, height = 0, depth = 0, colourType = 0;
    if (!r.U32(8, length) || length < 13 || r.Bytes(12, 4).empty() || std::memcmp(&data[12], "IHDR", 4) != 0 ||
        !r.U32(16, width) || !r.U32(20, height) || !r.U8(24, depth) || !r.U8(25, colourType))
        return std::nullopt;
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF || !ValidDepth(depth, colourType))
        return std::nullopt;
    ImageHeader header;
    header.type = ImageFileType::Png;
    header.width = width;
    header.height = height;

    bool transparency = false;
    // Chunks after IHDR up to the image data: length, type, data, CRC.
    std::uint64_t at = 8 + 12 + std::uint64_t{length};
    for (;;) {
        std::uint32_t size = 0;
        const auto type = r.Bytes(at + 4, 4);
        if (!r.U32(at, size) || type.empty() || size > 0x7FFFFFFF)
            break;
        if (std::memcmp(type.data(), "IDAT", 4) == 0 || std::memcmp(type.data(), "IEND", 4) == 0)
            break;
        if (std::memcmp(type.data(), "tRNS", 4) == 0) {
            transparency = true;
        } else if (std::memcmp(type.data(), "pHYs", 4) == 0 && size >= 9) {
            std::uint32_t x = 0, y = 0, unit = 0;
            if (r.U32(at + 8, x) && r.U32(at + 12, y) && r.U8(at + 16, unit) && unit == 1)
                SetHeaderDensity(header, x, y, DensityUnit::PerMetre);
        }
        at += 12 + std::uint64_t{size};
    }
    header.pixelFormat = PngPixelFormat(depth, colourType, transparency);
    return header;
}

}  // namespace imaging
