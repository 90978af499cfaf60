// The JPEG and GIF decoders on arbitrary bytes, each read also behind the
// other's magic, within a small memory budget. A picture they give must be
// of a format they promise.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/imaging/GifDecoder.h"
#include "platform/imaging/JpegDecoder.h"
#include "tests/fuzz/imaging/DecodedFormat.h"

using namespace imaging;
using fuzzcheck::kBudget;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    fuzzcheck::RequireFormat(DecodeJpeg(bytes, kBudget), {QImage::Format_Grayscale8, QImage::Format_RGB32});
    fuzzcheck::RequireFormat(DecodeGif(bytes, kBudget), {QImage::Format_RGB32, QImage::Format_ARGB32});
    fuzzcheck::RequireFormat(DecodeJpegReduced(bytes, kBudget, QSize(3, 2)),
                             {QImage::Format_Grayscale8, QImage::Format_RGB32});
    if (size > 0 && data[0] != 0xFF) {
        std::vector<std::uint8_t> jpeg = {0xFF, 0xD8};
        jpeg.insert(jpeg.end(), data, data + size);
        fuzzcheck::RequireFormat(DecodeJpeg(jpeg, kBudget), {QImage::Format_Grayscale8, QImage::Format_RGB32});
    }
    if (size > 0 && data[0] != 'G') {
        std::vector<std::uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a'};
        gif.insert(gif.end(), data, data + size);
        fuzzcheck::RequireFormat(DecodeGif(gif, kBudget), {QImage::Format_RGB32, QImage::Format_ARGB32});
    }
    return 0;
}
