#include "platform/imaging/ImageDataCompleteness.h"

#include <algorithm>

#include "platform/imaging/ByteReader.h"
#include "platform/imaging/CodedDataWalk.h"
#include "platform/imaging/HeaderProbe.h"
#include "platform/imaging/PngChunks.h"

namespace imaging {

bool JpegDataIsComplete(std::span<const std::uint8_t> data) { return WalkJpegData(data).end != WalkEnd::Cut; }

bool BmpDataIsComplete(std::span<const std::uint8_t> data) {
    const ByteReader r(data, false);
    std::uint32_t pixelOffset = 0, infoSize = 0;
    if (!r.U32(10, pixelOffset) || !r.U32(14, infoSize))
        return false;
    std::int64_t width = 0, height = 0;
    std::uint32_t bits = 0, compression = 0;
    if (infoSize == 12) {
        std::uint32_t w = 0, h = 0;
        if (!r.U16(18, w) || !r.U16(20, h) || !r.U16(24, bits))
            return false;
        width = w;
        height = h;
    } else if (infoSize >= 40) {
        std::uint32_t w = 0, h = 0;
        if (!r.U32(18, w) || !r.U32(22, h) || !r.U16(28, bits) || !r.U32(30, compression))
            return false;
        width = static_cast<std::int32_t>(w);
        height = static_cast<std::int32_t>(h);
        if (height < 0)
            height = -height;  // top-down rows
    } else {
        return true;
    }
    // Run-length and embedded JPEG or PNG data have no fixed size.
    const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
    const bool knownDepth = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (!uncompressed || !knownDepth || width <= 0 || height <= 0)
        return true;
    const std::uint64_t rowBits = static_cast<std::uint64_t>(width) * bits;
    const std::uint64_t stride = (rowBits + 31) / 32 * 4;
    const std::uint64_t start = std::max<std::uint64_t>(pixelOffset, std::uint64_t{14} + infoSize);
    // Every row but the last whole, then the last row's pixel bytes; divided
    // rather than multiplied, so that no size a header states can overflow.
    const std::uint64_t rowsBefore = static_cast<std::uint64_t>(height - 1);
    if (start > data.size() || rowsBefore > (data.size() - start) / stride)
        return false;
    return data.size() - start - rowsBefore * stride >= (rowBits + 7) / 8;
}

bool GifDataIsComplete(std::span<const std::uint8_t> data) { return WalkGifData(data).end != WalkEnd::Cut; }

bool PngDataIsComplete(std::span<const std::uint8_t> data) { return PngChunksFitFile(data); }

bool ImageDataIsComplete(std::span<const std::uint8_t> file) {
    const auto type = SniffImageFileType(file);
    if (!type)
        return true;
    switch (*type) {
    case ImageFileType::Jpeg:
        return JpegDataIsComplete(file);
    case ImageFileType::Bmp:
        return BmpDataIsComplete(file);
    case ImageFileType::Gif:
        return GifDataIsComplete(file);
    case ImageFileType::Png:
        return PngDataIsComplete(file);
    default:
        return true;
    }
}

}  // namespace imaging
