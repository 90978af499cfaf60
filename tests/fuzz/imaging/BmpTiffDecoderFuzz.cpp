// The BMP colour-mask and TIFF decoders on arbitrary bytes, within a small
// memory budget. A picture they give must be of a format they promise.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "platform/imaging/BmpBitfieldsDecoder.h"
#include "platform/imaging/TiffDecoder.h"

using namespace imaging;

namespace {

constexpr std::int64_t kBudget = std::int64_t{64} << 20;

QImage Allocate(int width, int height, QImage::Format format) { return QImage(width, height, format); }

void Check(const QImage& image, std::initializer_list<QImage::Format> formats) {
    if (image.isNull())
        return;
    for (const QImage::Format format : formats)
        if (image.format() == format)
            return;
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    Check(DecodeBmpBitfields(bytes, kBudget, Allocate), {QImage::Format_RGB32, QImage::Format_ARGB32});
    Check(DecodeTiff(bytes, kBudget, Allocate), {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied});
    return 0;
}
