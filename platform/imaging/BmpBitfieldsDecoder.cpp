#include "platform/imaging/BmpBitfieldsDecoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <optional>
#include <vector>

#include "platform/imaging/ByteReader.h"

namespace imaging {

namespace {

constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;
// An OS/2 2.x info header, where compression 3 means Huffman 1-D coding.
constexpr std::uint32_t kOs2InfoSize = 64;
constexpr std::uint64_t kFileHeaderSize = 14;
constexpr std::uint64_t kMasksAt = kFileHeaderSize + 40;

struct BitfieldsLayout {
    std::uint64_t pixelOffset = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    std::uint32_t bits = 0;
    std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha
    std::uint64_t headerEnd = 0;           // past the info header and the masks
};

// The headers of a mask-laid-out BMP, or nothing for any other file.
std::optional<BitfieldsLayout> ReadLayout(std::span<const std::uint8_t> data) {
    const ByteReader r(data, false);
    if (data.size() < 2 || data[0] != 'B' || data[1] != 'M')
        return std::nullopt;
    std::uint32_t pixelOffset = 0, infoSize = 0, w = 0, h = 0, bits = 0, compression = 0;
    if (!r.U32(10, pixelOffset) || !r.U32(14, infoSize) || infoSize < 40 || infoSize == kOs2InfoSize || !r.U32(18, w) ||
        !r.U32(22, h) || !r.U16(28, bits) || !r.U32(30, compression))
        return std::nullopt;
    if (compression != kBiBitfields && compression != kBiAlphaBitfields)
        return std::nullopt;
    BitfieldsLayout layout;
    layout.pixelOffset = pixelOffset;
    layout.width = static_cast<std::int32_t>(w);
    const std::int64_t height = static_cast<std::int32_t>(h);
    layout.topDown = height < 0;
    layout.height = height < 0 ? -height : height;
    layout.bits = bits;
    // The masks follow a 40-byte header or are part of a larger one; the
    // alpha mask only in a header that holds it or with BI_ALPHABITFIELDS.
    const bool hasAlphaMask = infoSize >= 56 || compression == kBiAlphaBitfields;
    const std::size_t masks = hasAlphaMask ? 4 : 3;
    for (std::size_t i = 0; i < masks; ++i) {
        if (!r.U32(kMasksAt + 4 * i, layout.masks[i]))
            return std::nullopt;
    }
    layout.headerEnd = std::max<std::uint64_t>(kFileHeaderSize + infoSize, kMasksAt + 4 * masks);
    return layout;
}

// One colour field of a pixel: where its bits lie and the 8-bit value of
// each of its values. A field wider than 16 bits is read by its top 16,
// which decide its 8-bit value all the same.
class Field {
public:
    // Nothing for a mask that is not one contiguous run of bits.
    static std::optional<Field> OfMask(std::uint32_t mask) {
        Field field;
        if (mask == 0)
            return field;  // the channel is 0 throughout
        field.shift_ = static_cast<unsigned>(std::countr_zero(mask));
        std::uint32_t run = mask >> field.shift_;
        if ((run & (run + 1)) != 0)
            return std::nullopt;
        const int width = std::popcount(run);
        if (width > 16) {
            field.shift_ += static_cast<unsigned>(width - 16);
            run = 0xFFFF;
        }
        field.run_ = run;
        field.levels_.resize(std::size_t{run} + 1);
        for (std::uint32_t v = 0; v <= run; ++v)
            field.levels_[v] = static_cast<std::uint8_t>((std::uint64_t{v} * 255 + run / 2) / run);
        return field;
    }

    bool Empty() const { return run_ == 0; }
    std::uint32_t Of(std::uint32_t pixel) const { return run_ == 0 ? 0 : levels_[(pixel >> shift_) & run_]; }

private:
    unsigned shift_ = 0;
    std::uint32_t run_ = 0;
    std::vector<std::uint8_t> levels_;
};

bool MasksOverlap(const std::array<std::uint32_t, 4>& masks) {
    for (std::size_t i = 0; i < masks.size(); ++i)
        for (std::size_t j = i + 1; j < masks.size(); ++j)
            if ((masks[i] & masks[j]) != 0)
                return true;
    return false;
}

std::uint32_t PixelAt(const std::uint8_t* p, std::uint32_t bytes) {
    std::uint32_t pixel = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8;
    if (bytes == 4)
        pixel |= std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
    return pixel;
}

}  // namespace

bool IsBitfieldsBmp(std::span<const std::uint8_t> data) { return ReadLayout(data).has_value(); }

QImage DecodeBmpBitfields(std::span<const std::uint8_t> data, std::int64_t memoryBudget,
                          const ImageAllocator& allocate) {
    const std::optional<BitfieldsLayout> layout = ReadLayout(data);
    if (!layout || (layout->bits != 16 && layout->bits != 32))
        return {};
    const std::int64_t width = layout->width, height = layout->height;
    constexpr std::int64_t kMaxSide = std::numeric_limits<int>::max();
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || width > memoryBudget / 4 / height)
        return {};

    const std::array<std::uint32_t, 4>& masks = layout->masks;
    const std::uint64_t pixelBits = layout->bits == 32 ? 0xFFFFFFFFu : 0xFFFFu;
    if (MasksOverlap(masks) || (masks[0] | masks[1] | masks[2]) == 0)
        return {};
    std::array<Field, 4> fields;
    for (std::size_t i = 0; i < masks.size(); ++i) {
        const std::optional<Field> field = Field::OfMask(masks[i]);
        if (!field || (masks[i] & ~pixelBits) != 0)
            return {};
        fields[i] = *field;
    }

    // Every row there, checked before the picture is allocated; in 64 bits
    // and divided, so that no size a header states can overflow.
    const std::uint32_t pixelBytes = layout->bits / 8;
    const std::uint64_t rowBytes = static_cast<std::uint64_t>(width) * pixelBytes;
    const std::uint64_t stride = (rowBytes + 3) / 4 * 4;
    const std::uint64_t start = layout->pixelOffset;
    const auto rowsBefore = static_cast<std::uint64_t>(height - 1);
    if (start < layout->headerEnd || start > data.size() || rowsBefore > (data.size() - start) / stride ||
        data.size() - start - rowsBefore * stride < rowBytes)
        return {};

    const bool alpha = !fields[3].Empty();
    QImage image = allocate(static_cast<int>(width), static_cast<int>(height),
                            alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint64_t fileRow = layout->topDown ? static_cast<std::uint64_t>(y) : rowsBefore - y;
        const std::uint8_t* in = data.data() + start + fileRow * stride;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
        for (std::int64_t x = 0; x < width; ++x, in += pixelBytes) {
            const std::uint32_t pixel = PixelAt(in, pixelBytes);
            out[x] = qRgba(static_cast<int>(fields[0].Of(pixel)), static_cast<int>(fields[1].Of(pixel)),
                           static_cast<int>(fields[2].Of(pixel)), alpha ? static_cast<int>(fields[3].Of(pixel)) : 255);
        }
    }
    return image;
}

}  // namespace imaging
