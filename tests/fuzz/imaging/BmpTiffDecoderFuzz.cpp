// The BMP colour-mask and TIFF decoders on arbitrary bytes, within a small
// memory budget. A picture they give must be of a format they promise.

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/imaging/BmpBitfieldsDecoder.h"
#include "platform/imaging/TiffDecoder.h"
#include "tests/fuzz/imaging/DecodedFormat.h"

using namespace imaging;
using fuzzcheck::kBudget;

namespace {

QImage Allocate(int width, int height, QImage::Format format) { return QImage(width, height, format); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    fuzzcheck::RequireFormat(DecodeBmpBitfields(bytes, kBudget, Allocate),
                             {QImage::Format_RGB32, QImage::Format_ARGB32});
    fuzzcheck::RequireFormat(DecodeTiff(bytes, kBudget, Allocate),
                             {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied});
    return 0;
}
