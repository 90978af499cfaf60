// BMP and GIF header probes. BMP: the info header's size, bit count,
// compression and masks, and pixels per metre. GIF: the logical screen size;
// GIF images are always 8-bit indexed and state no resolution.

#include "platform/imaging/ByteReader.h"
#include "platform/imaging/HeaderProbe.h"

namespace imaging {

namespace {

constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

PixelFormat BmpPixelFormat(std::uint32_t bits, std::uint32_t compression, std::uint32_t greenMask,
                           std::uint32_t alphaMask) {
    const bool masks = compression == kBiBitfields || compression == kBiAlphaBitfields;
    switch (bits) {
    case 1:
        return PixelFormat1bppIndexed;
    case 4:
        return PixelFormat4bppIndexed;
    case 8:
        return PixelFormat8bppIndexed;
    case 16:
        if (masks && alphaMask != 0)
            return PixelFormat16bppARGB1555;
        return masks && greenMask == 0x07E0 ? PixelFormat16bppRGB565 : PixelFormat16bppRGB555;
    case 24:
        return PixelFormat24bppRGB;
    case 32:
        return masks && alphaMask != 0 ? PixelFormat32bppARGB : PixelFormat32bppRGB;
    default:
        return PixelFormatUndefined;
    }
}

}  // namespace

std::optional<ImageHeader> ProbeBmpHeader(std::span<const std::uint8_t> data) {
    const ByteReader r(data, false);
    std::uint32_t infoSize = 0;
    if (!r.U32(14, infoSize))
        return std::nullopt;
    ImageHeader header;
    header.type = ImageFileType::Bmp;
    std::uint32_t bits = 0, compression = 0, greenMask = 0, alphaMask = 0;
    if (infoSize == 12) {  // OS/2 core header
        std::uint32_t w = 0, h = 0;
        if (!r.U16(18, w) || !r.U16(20, h) || !r.U16(24, bits))
            return std::nullopt;
        header.width = w;
        header.height = h;
    } else if (infoSize >= 40) {
        std::uint32_t w = 0, h = 0, xppm = 0, yppm = 0;
        if (!r.U32(18, w) || !r.U32(22, h) || !r.U16(28, bits) || !r.U32(30, compression) || !r.U32(38, xppm) ||
            !r.U32(42, yppm))
            return std::nullopt;
        header.width = static_cast<std::int32_t>(w);
        const std::int64_t height = static_cast<std::int32_t>(h);
        header.height = height < 0 ? -height : height;  // negative: rows stored top-down
        if (compression == kBiBitfields || compression == kBiAlphaBitfields) {
            // Masks follow a 40-byte header, or are part of a larger one.
            r.U32(14 + 40 + 4, greenMask);
            if (infoSize >= 56 || compression == kBiAlphaBitfields)
                r.U32(14 + 40 + 12, alphaMask);
        }
        SetHeaderDensity(header, static_cast<std::int32_t>(xppm), static_cast<std::int32_t>(yppm),
                         DensityUnit::PerMetre);
    } else {
        return std::nullopt;
    }
    if (header.width <= 0 || header.height <= 0)
        return std::nullopt;
    header.pixelFormat = BmpPixelFormat(bits, compression, greenMask, alphaMask);
    if (header.pixelFormat == PixelFormatUndefined)
        return std::nullopt;
    return header;
}

std::optional<ImageHeader> ProbeGifHeader(std::span<const std::uint8_t> data) {
    const ByteReader r(data, false);
    std::uint32_t w = 0, h = 0;
    if (!r.U16(6, w) || !r.U16(8, h) || w == 0 || h == 0)
        return std::nullopt;
    ImageHeader header;
    header.type = ImageFileType::Gif;
    header.width = w;
    header.height = h;
    header.pixelFormat = PixelFormat8bppIndexed;
    return header;
}

}  // namespace imaging
