// JPEG header probe: the frame header gives size and components, the JFIF
// APP0 segment or else the EXIF APP1 resolution tags give the resolution;
// four components are CMYK (or YCCK, which decodes to CMYK).

#include <cstring>

#include "platform/imaging/ExifBlock.h"
#include "platform/imaging/HeaderProbe.h"
#include "platform/imaging/JpegSegments.h"
#include "platform/imaging/TiffDirectory.h"

namespace imaging {

namespace {

bool IsFrameMarker(std::uint32_t m) {
    // SOF0..SOF15 except DHT (C4), JPG (C8) and DAC (CC).
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

// Resolution from the IFD0 of an EXIF block.
bool ExifDensity(std::span<const std::uint8_t> tiff, ImageHeader& header) {
    const auto dir = TiffDirectory::ReadFirst(tiff);
    if (!dir)
        return false;
    const auto x = dir->Rational(282), y = dir->Rational(283);
    const std::uint32_t unit = dir->Unsigned(296).value_or(2);
    if (!x || !y || (unit != 2 && unit != 3))
        return false;
    SetHeaderDensity(header, *x, *y, unit == 2 ? DensityUnit::PerInch : DensityUnit::PerCentimetre);
    return header.hasResolution;
}

}  // namespace

std::optional<ImageHeader> ProbeJpegHeader(std::span<const std::uint8_t> data) {
    ImageHeader header;
    header.type = ImageFileType::Jpeg;
    bool haveFrame = false, jfifDensity = false, malformed = false;
    std::uint32_t components = 0;
    // The APPn segments come before the frame header: stop at the frame.
    ForEachJpegSegment(data, [&](std::uint32_t marker, std::span<const std::uint8_t> body) {
        if (IsFrameMarker(marker)) {
            if (body.size() < 6) {
                malformed = true;
                return false;
            }
            header.height = std::uint32_t{body[1]} << 8 | body[2];
            header.width = std::uint32_t{body[3]} << 8 | body[4];
            components = body[5];
            haveFrame = true;
            return false;
        }
        if (marker == 0xE0 && body.size() >= 12 && std::memcmp(body.data(), "JFIF\0", 5) == 0) {
            const std::uint32_t unit = body[7];
            const double x = std::uint32_t{body[8]} << 8 | body[9];
            const double y = std::uint32_t{body[10]} << 8 | body[11];
            if (unit == 1 || unit == 2) {
                SetHeaderDensity(header, x, y, unit == 1 ? DensityUnit::PerInch : DensityUnit::PerCentimetre);
                jfifDensity = header.hasResolution;
            }
        }
        return true;
    });
    // Heights defined later by a DNL segment (0 here) are not supported.
    if (!haveFrame || malformed || header.width == 0 || header.height == 0)
        return std::nullopt;
    if (components == 1)
        header.pixelFormat = PixelFormat8bppIndexed;
    else if (components == 3)
        header.pixelFormat = PixelFormat24bppRGB;
    else if (components == 4)
        header.pixelFormat = PixelFormat32bppCMYK;
    else
        return std::nullopt;
    if (!jfifDensity) {
        const auto exif = FindExifTiffBlock(data);
        if (!exif.empty())
            ExifDensity(exif, header);
    }
    return header;
}

}  // namespace imaging
