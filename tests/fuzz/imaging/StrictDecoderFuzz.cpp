// The JPEG and GIF decoders on arbitrary bytes, each read also behind the
// other's magic, within a small memory budget. A picture they give must be
// of a format they promise.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/imaging/GifDecoder.h"
#include "platform/imaging/JpegDecoder.h"

using namespace imaging;

namespace {

constexpr std::int64_t kBudget = std::int64_t{64} << 20;

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
    Check(DecodeJpeg(bytes, kBudget), {QImage::Format_Grayscale8, QImage::Format_RGB32});
    Check(DecodeGif(bytes, kBudget), {QImage::Format_RGB32, QImage::Format_ARGB32});
    Check(DecodeJpegReduced(bytes, kBudget, QSize(3, 2)), {QImage::Format_Grayscale8, QImage::Format_RGB32});
    if (size > 0 && data[0] != 0xFF) {
        std::vector<std::uint8_t> jpeg = {0xFF, 0xD8};
        jpeg.insert(jpeg.end(), data, data + size);
        Check(DecodeJpeg(jpeg, kBudget), {QImage::Format_Grayscale8, QImage::Format_RGB32});
    }
    if (size > 0 && data[0] != 'G') {
        std::vector<std::uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a'};
        gif.insert(gif.end(), data, data + size);
        Check(DecodeGif(gif, kBudget), {QImage::Format_RGB32, QImage::Format_ARGB32});
    }
    return 0;
}
