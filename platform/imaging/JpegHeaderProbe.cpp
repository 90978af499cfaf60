// JPEG header probe: the frame header gives size and components, the JFIF
// APP0 segment or else the EXIF APP1 resolution tags give the resolution;
// four components are CMYK (or YCCK, which decodes to CMYK).

#include <cstring>

#include "platform/imaging/HeaderProbe.h"
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
    const ByteReader r(data, true);
    ImageHeader header;
    header.type = ImageFileType::Jpeg;
    bool haveFrame = false, jfifDensity = false;
    std::span<const std::uint8_t> exif;
    std::uint32_t components = 0;

    std::uint64_t at = 2;  // after SOI
    while (!haveFrame) {  // the APPn segments come before the frame header
        std::uint32_t ff = 0, marker = 0;
        if (!r.U8(at, ff) || ff != 0xFF)
            break;
        // Fill bytes: any number of FF before the marker code.
        do {
            ++at;
            if (!r.U8(at, marker))
                return std::nullopt;
        } while (marker == 0xFF);
        ++at;
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01)
            continue;  // markers without a length
        if (marker == 0xD9 || marker == 0xDA)
            break;  // end of image, start of scan: no more headers
        std::uint32_t length = 0;
        if (!r.U16(at, length) || length < 2 || !r.Has(at, length))
            return std::nullopt;
        const auto body = r.Bytes(at + 2, length - 2);
        if (IsFrameMarker(marker) && !haveFrame) {
            std::uint32_t height = 0, width = 0;
            if (body.size() < 6)
                return std::nullopt;
            height = std::uint32_t{body[1]} << 8 | body[2];
            width = std::uint32_t{body[3]} << 8 | body[4];
            components = body[5];
            if (width == 0 || height == 0)
                return std::nullopt;  // DNL-defined heights are not supported
            header.width = width;
            header.height = height;
            haveFrame = true;
        } else if (marker == 0xE0 && body.size() >= 12 && std::memcmp(body.data(), "JFIF\0", 5) == 0) {
            const std::uint32_t unit = body[7];
            const double x = std::uint32_t{body[8]} << 8 | body[9];
            const double y = std::uint32_t{body[10]} << 8 | body[11];
            if (unit == 1 || unit == 2) {
                SetHeaderDensity(header, x, y, unit == 1 ? DensityUnit::PerInch : DensityUnit::PerCentimetre);
                jfifDensity = header.hasResolution;
            }
        } else if (marker == 0xE1 && exif.empty() && body.size() > 6 && std::memcmp(body.data(), "Exif\0\0", 6) == 0) {
            exif = body.subspan(6);
        }
        at += length;
    }
    if (!haveFrame)
        return std::nullopt;
    if (components == 1)
        header.pixelFormat = PixelFormat8bppIndexed;
    else if (components == 3)
        header.pixelFormat = PixelFormat24bppRGB;
    else if (components == 4)
        header.pixelFormat = PixelFormat32bppCMYK;
    else
        return std::nullopt;
    if (!jfifDensity && !exif.empty())
        ExifDensity(exif, header);
    return header;
}

}  // namespace imaging
