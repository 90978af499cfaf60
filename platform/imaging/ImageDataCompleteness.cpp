#include "platform/imaging/ImageDataCompleteness.h"

#include <algorithm>
#include <cstring>

#include "platform/imaging/ByteReader.h"
#include "platform/imaging/HeaderProbe.h"

namespace imaging {

namespace {

bool IsRestartMarker(std::uint8_t code) { return code >= 0xD0 && code <= 0xD7; }

// Moves `at` past the next marker and returns its code; false when the data
// ends first. Skipped on the way: entropy-coded data with its stuffed FF 00
// pairs and restart markers, fill bytes, and extraneous bytes between
// segments.
bool NextJpegMarker(std::span<const std::uint8_t> data, std::size_t& at, std::uint8_t& code) {
    const std::size_t size = data.size();
    for (;;) {
        if (at >= size)
            return false;
        const void* ff = std::memchr(data.data() + at, 0xFF, size - at);
        if (ff == nullptr)
            return false;
        at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(ff) - data.data()) + 1;
        while (at < size && data[at] == 0xFF)
            ++at;
        if (at >= size)
            return false;
        code = data[at++];
        if (code != 0x00 && !IsRestartMarker(code))
            return true;
    }
}

// Steps over GIF data sub-blocks up to and past their empty terminator.
bool SkipGifSubBlocks(std::span<const std::uint8_t> data, std::size_t& at) {
    for (;;) {
        if (at >= data.size())
            return false;
        const std::size_t length = data[at++];
        if (length == 0)
            return true;
        if (length > data.size() - at)
            return false;
        at += length;
    }
}

std::size_t GifColourTableBytes(std::uint8_t packed) {
    return (packed & 0x80) != 0 ? std::size_t{3} << ((packed & 7) + 1) : 0;
}

}  // namespace

bool JpegDataIsComplete(std::span<const std::uint8_t> data) {
    if (data.size() < 2 || data[0] != 0xFF || data[1] != 0xD8)
        return false;
    std::size_t at = 2;
    std::uint8_t code = 0;
    while (NextJpegMarker(data, at, code)) {
        if (code == 0xD9)
            return true;
        if (code == 0xD8 || code == 0x01)
            continue;  // markers without a length
        // Every other marker has a length that counts its own two bytes; a
        // start of scan is followed by its entropy-coded data, which the
        // next search for a marker steps over.
        if (data.size() - at < 2)
            return false;
        const std::size_t length = std::size_t{data[at]} << 8 | data[at + 1];
        if (length < 2)
            return true;  // malformed: the decoder refuses it by itself
        if (length > data.size() - at)
            return false;
        at += length;
    }
    return false;
}

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

bool GifDataIsComplete(std::span<const std::uint8_t> data) {
    constexpr std::size_t kScreenEnd = 13;  // signature and logical screen descriptor
    if (data.size() < kScreenEnd)
        return false;
    std::size_t at = kScreenEnd + GifColourTableBytes(data[10]);
    for (;;) {
        if (at >= data.size())
            return false;
        const std::uint8_t introducer = data[at++];
        if (introducer == 0x21) {  // extension: its label, then sub-blocks
            if (at >= data.size())
                return false;
            ++at;
            if (!SkipGifSubBlocks(data, at))
                return false;
        } else if (introducer == 0x2C) {  // the first image: descriptor, table, code size, data
            constexpr std::size_t kDescriptor = 9;
            if (data.size() - at < kDescriptor)
                return false;
            at += kDescriptor + GifColourTableBytes(data[at + 8]);
            if (at >= data.size())
                return false;
            ++at;
            return SkipGifSubBlocks(data, at);
        } else {
            return true;  // the trailer before any image, or a block no decoder reads
        }
    }
}

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
    default:
        return true;
    }
}

}  // namespace imaging
