#pragma once
// Reads an image file's own header, without decoding its pixels: the file
// type, the size, the pixel format code and the resolution the file states.
//
// Resolution sources: JFIF density and the EXIF resolution tags for JPEG, the
// pHYs chunk for PNG, the resolution tags for TIFF, pixels per metre for BMP.
// A file that states none (or only an aspect ratio) reports kDefaultDpi.
//
// The data is untrusted: every offset and count is checked against the bytes
// there, and a header that is cut short or malformed gives no result.

#include <cstdint>
#include <optional>
#include <span>

#include "platform/imaging/PixelFormat.h"

namespace imaging {

enum class ImageFileType { Jpeg, Png, Bmp, Gif, Tiff };

struct ImageHeader {
    ImageFileType type = ImageFileType::Jpeg;
    std::int64_t width = 0;
    std::int64_t height = 0;
    PixelFormat pixelFormat = PixelFormatUndefined;
    double dpiX = kDefaultDpi;
    double dpiY = kDefaultDpi;
    bool hasResolution = false;  // the file stated its resolution
};

// The type from the first bytes, or nothing for an unknown type.
std::optional<ImageFileType> SniffImageFileType(std::span<const std::uint8_t> data);

std::optional<ImageHeader> ProbeImageHeader(std::span<const std::uint8_t> data);

std::optional<ImageHeader> ProbeJpegHeader(std::span<const std::uint8_t> data);
std::optional<ImageHeader> ProbePngHeader(std::span<const std::uint8_t> data);
std::optional<ImageHeader> ProbeBmpHeader(std::span<const std::uint8_t> data);
std::optional<ImageHeader> ProbeGifHeader(std::span<const std::uint8_t> data);
std::optional<ImageHeader> ProbeTiffHeader(std::span<const std::uint8_t> data);

// Sets dpiX and dpiY from a density in the given unit: 1 per inch, 2 per
// centimetre, 3 per metre. Zero or non-finite densities are ignored.
enum class DensityUnit { PerInch = 1, PerCentimetre = 2, PerMetre = 3 };
void SetHeaderDensity(ImageHeader& header, double x, double y, DensityUnit unit);

}  // namespace imaging
