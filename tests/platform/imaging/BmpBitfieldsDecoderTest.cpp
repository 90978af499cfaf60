// BMP pictures laid out by colour masks of any width decode as ImageMagick
// reads them; masks that cannot be decoded, rows the file does not hold and
// pictures beyond the memory budget are refused.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <limits>

#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BmpBitfieldsDecoder.h"
#include "platform/imaging/ImageMagickReference.h"
#include "tests/support/BitfieldsBmp.h"

using namespace imaging;

namespace {

constexpr std::int64_t kPlenty = std::int64_t{1} << 30;

struct MaskCase {
    const char* name;
    bitfields::Layout layout;
};

// Fields of 8 bits or more, where ImageMagick's reading keeps the field's
// top bits: within one level of a reading in proportion.
const MaskCase kReadAsImageMagick[] = {
    {"11-11-10", {64, 16, 32, {0xFFE00000, 0x001FFC00, 0x000003FF, 0}}},
    {"10-10-10 top-down", {40, 12, 32, {0x3FF00000, 0x000FFC00, 0x000003FF, 0}, true}},
    {"8-8-8 as BGR", {33, 9, 32, {0x000000FF, 0x0000FF00, 0x00FF0000, 0}}},
    {"16-8-8", {48, 10, 32, {0xFFFF0000, 0x0000FF00, 0x000000FF, 0}}},
    {"5-6-5", {32, 8, 16, {0xF800, 0x07E0, 0x001F, 0}}},
};

TEST(BmpBitfields, DecodesAsImageMagickReadsIt) {
    if (reference::ConvertTool().isEmpty())
        GTEST_SKIP() << "needs ImageMagick (tools/deps installs it)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const MaskCase& c : kReadAsImageMagick) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> file = bitfields::File(c.layout, bitfields::Ramps(c.layout));
        const QString path = dir.filePath(QStringLiteral("masks.bmp"));
        std::ofstream(path.toStdString(), std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
        const std::optional<reference::Rgb8> theirs = reference::ImageMagickReads(path, dir);
        ASSERT_TRUE(theirs);
        const std::unique_ptr<Bitmap> ours = Bitmap::FromMemory(file);
        ASSERT_NE(ours, nullptr);
        EXPECT_LE(reference::LargestDifference(ours->Image(), *theirs), 1);
        EXPECT_GE(reference::LargestDifference(ours->Image(), *theirs), 0);
        // A field's largest value is full intensity: the top-right pixel is
        // red at its largest.
        EXPECT_EQ(qRed(ours->Image().pixel(c.layout.width - 1, 0)), 255);
    }
}

TEST(BmpBitfields, NarrowFieldsAndAlphaCoverTheWholeRange) {
    const bitfields::Layout layout{4, 1, 32, {0x00000001, 0x0000003E, 0x00000FC0, 0xFF000000}};
    const std::vector<std::uint32_t> pixels = {0xFF000FFF, 0x80000000, 0x00000001 | 0x7F000000, 0xFF000802};
    const QImage image = DecodeBmpBitfields(bitfields::File(layout, pixels), kPlenty);
    ASSERT_EQ(image.format(), QImage::Format_ARGB32);
    EXPECT_EQ(image.pixel(0, 0), qRgba(255, 255, 255, 255));
    EXPECT_EQ(image.pixel(1, 0), qRgba(0, 0, 0, 128));
    EXPECT_EQ(image.pixel(2, 0), qRgba(255, 0, 0, 127));
    EXPECT_EQ(image.pixel(3, 0), qRgba(0, 8, 130, 255));  // 1 of 31, 32 of 63
}

TEST(BmpBitfields, MasksThatCannotBeDecodedAreRefused) {
    const struct {
        const char* name;
        bitfields::Layout layout;
    } refused[] = {
        {"red not contiguous", {8, 4, 32, {0xF0F00000, 0x0000FF00, 0x000000FF, 0}}},
        {"red and green overlap", {8, 4, 32, {0xFF000000, 0x0FF00000, 0x000000FF, 0}}},
        {"alpha overlaps blue", {8, 4, 32, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF0000FF}}},
        {"past a 16-bit pixel", {8, 4, 16, {0x001F0000, 0x07E0, 0x001F, 0}}},
        {"no colour at all", {8, 4, 32, {0, 0, 0, 0xFF000000}}},
        {"24 bits a pixel", {8, 4, 24, {0xFF0000, 0x00FF00, 0x0000FF, 0}}},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(c.layout.width) * c.layout.height, 0x12345678);
        const std::vector<std::uint8_t> file = bitfields::File(c.layout, pixels);
        EXPECT_TRUE(IsBitfieldsBmp(file));
        EXPECT_TRUE(DecodeBmpBitfields(file, kPlenty).isNull());
        EXPECT_EQ(Bitmap::FromMemory(file), nullptr);
    }
}

TEST(BmpBitfields, RowsTheFileLacksOrTheBudgetRefusesTakeNoMemory) {
    const bitfields::Layout layout{100, 40, 32, {0xFFE00000, 0x001FFC00, 0x000003FF, 0}};
    std::vector<std::uint8_t> file = bitfields::File(layout, bitfields::Ramps(layout));
    int allocations = 0;
    const ImageAllocator counting = [&](int w, int h, QImage::Format f) {
        ++allocations;
        return AllocateImage(w, h, f);
    };
    EXPECT_TRUE(DecodeBmpBitfields(file, 100 * 40 * 4 - 1, counting).isNull());
    EXPECT_FALSE(DecodeBmpBitfields(file, 100 * 40 * 4, counting).isNull());
    EXPECT_EQ(allocations, 1);
    std::vector<std::uint8_t> early = file;
    early[10] = 54;  // the pixels said to start at the masks
    EXPECT_TRUE(DecodeBmpBitfields(early, kPlenty, counting).isNull());
    file.resize(file.size() - 1);
    EXPECT_TRUE(DecodeBmpBitfields(file, kPlenty, counting).isNull());
    // 30000 x 30000 claimed by a file of one row.
    std::vector<std::uint8_t> claim = bitfields::File({30000, 1, 32, layout.masks}, std::vector<std::uint32_t>(30000));
    claim[22] = 0x30, claim[23] = 0x75;  // height 30000
    EXPECT_TRUE(DecodeBmpBitfields(claim, std::numeric_limits<std::int64_t>::max(), counting).isNull());
    EXPECT_EQ(allocations, 1);
}

}  // namespace
