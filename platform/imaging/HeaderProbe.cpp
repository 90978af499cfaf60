#include "platform/imaging/HeaderProbe.h"

#include <cmath>
#include <cstring>

namespace imaging {

std::optional<ImageFileType> SniffImageFileType(std::span<const std::uint8_t> data) {
    auto startsWith = [&](const char* magic, std::size_t n) {
        return data.size() >= n && std::memcmp(data.data(), magic, n) == 0;
    };
    if (startsWith("\xFF\xD8\xFF", 3))
        return ImageFileType::Jpeg;
    if (startsWith("\x89PNG\r\n\x1A\n", 8))
        return ImageFileType::Png;
    if (startsWith("BM", 2))
        return ImageFileType::Bmp;
    if (startsWith("GIF87a", 6) || startsWith("GIF89a", 6))
        return ImageFileType::Gif;
    if (startsWith("II\x2A\x00", 4) || startsWith("MM\x00\x2A", 4))
        return ImageFileType::Tiff;
    return std::nullopt;
}

std::optional<ImageHeader> ProbeImageHeader(std::span<const std::uint8_t> data) {
    const auto type = SniffImageFileType(data);
    if (!type)
        return std::nullopt;
    switch (*type) {
    case ImageFileType::Jpeg:
        return ProbeJpegHeader(data);
    case ImageFileType::Png:
        return ProbePngHeader(data);
    case ImageFileType::Bmp:
        return ProbeBmpHeader(data);
    case ImageFileType::Gif:
        return ProbeGifHeader(data);
    case ImageFileType::Tiff:
        return ProbeTiffHeader(data);
    }
    return std::nullopt;
}

void SetHeaderDensity(ImageHeader& header, double x, double y, DensityUnit unit) {
    if (!(x > 0) || !(y > 0) || !std::isfinite(x) || !std::isfinite(y))
        return;
    const double toInch = unit == DensityUnit::PerInch ? 1.0 : unit == DensityUnit::PerCentimetre ? 2.54 : 0.0254;
    header.dpiX = x * toInch;
    header.dpiY = y * toInch;
    header.hasResolution = true;
}

}  // namespace imaging
