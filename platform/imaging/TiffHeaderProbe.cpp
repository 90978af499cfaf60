// TIFF header probe: size, pixel format and resolution from IFD0.

#include "platform/imaging/HeaderProbe.h"
#include "platform/imaging/TiffDirectory.h"

namespace imaging {

namespace {

enum TiffTag : std::uint32_t {
    kImageWidth = 256,
    kImageLength = 257,
    kBitsPerSample = 258,
    kPhotometric = 262,
    kSamplesPerPixel = 277,
    kXResolution = 282,
    kYResolution = 283,
    kResolutionUnit = 296,
    kExtraSamples = 338,
};

PixelFormat TiffPixelFormat(std::uint32_t photometric, std::uint32_t bits, std::uint32_t samples, std::uint32_t extra) {
    const bool alpha = photometric == 2 ? samples >= 4 : samples >= 2;
    const bool premultiplied = alpha && extra == 1;
    switch (photometric) {
    case 0:  // white is zero
    case 1:  // black is zero
        if (alpha)
            return bits == 16 ? PixelFormat64bppARGB : PixelFormat32bppARGB;
        if (bits == 1)
            return PixelFormat1bppIndexed;
        if (bits <= 4)
            return PixelFormat4bppIndexed;
        if (bits <= 8)
            return PixelFormat8bppIndexed;
        return PixelFormat16bppGrayScale;
    case 3:  // palette
        return bits == 1 ? PixelFormat1bppIndexed : bits <= 4 ? PixelFormat4bppIndexed : PixelFormat8bppIndexed;
    case 5:  // separated: CMYK
        return PixelFormat32bppCMYK;
    case 2:  // RGB
    case 6:  // YCbCr, decoded to RGB
        if (bits == 16)
            return alpha ? (premultiplied ? PixelFormat64bppPARGB : PixelFormat64bppARGB) : PixelFormat48bppRGB;
        return alpha ? (premultiplied ? PixelFormat32bppPARGB : PixelFormat32bppARGB) : PixelFormat24bppRGB;
    default:
        return PixelFormatUndefined;
    }
}

}  // namespace

std::optional<ImageHeader> ProbeTiffHeader(std::span<const std::uint8_t> data) {
    const auto dir = TiffDirectory::ReadFirst(data);
    if (!dir)
        return std::nullopt;
    const auto width = dir->Unsigned(kImageWidth), height = dir->Unsigned(kImageLength);
    if (!width || !height || *width == 0 || *height == 0)
        return std::nullopt;
    ImageHeader header;
    header.type = ImageFileType::Tiff;
    header.width = *width;
    header.height = *height;
    const std::uint32_t photometric = dir->Unsigned(kPhotometric).value_or(1);
    const std::uint32_t samples = dir->Unsigned(kSamplesPerPixel).value_or(1);
    const std::uint32_t bits = dir->Unsigned(kBitsPerSample).value_or(1);
    const std::uint32_t extra = dir->Unsigned(kExtraSamples).value_or(0);
    header.pixelFormat = TiffPixelFormat(photometric, bits, samples, extra);

    const auto x = dir->Rational(kXResolution), y = dir->Rational(kYResolution);
    const std::uint32_t unit = dir->Unsigned(kResolutionUnit).value_or(2);
    if (x && y && (unit == 2 || unit == 3))
        SetHeaderDensity(header, *x, *y, unit == 2 ? DensityUnit::PerInch : DensityUnit::PerCentimetre);
    return header;
}

}  // namespace imaging
