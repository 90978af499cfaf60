#include <gtest/gtest.h>

#include <QImage>

#include "ImagingFixtures.h"
#include "platform/imaging/TiffByteOrder.h"

using namespace imaging;

namespace {

QImage Pattern(QImage::Format format) {
    QImage image(23, 17, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 11, y * 15, (x * y) & 0xFF));
    image.setDotsPerMeterX(11811);
    image.setDotsPerMeterY(5906);
    return image.convertToFormat(format);
}

// An encoder's TIFF, turned into the other byte order and back: Qt reads the
// same pixels and resolution from it either way, and twice turned is the
// file it was.
TEST(TiffByteOrder, AnEncodedFileTurnsAroundAndBack) {
    for (const QImage::Format format : {QImage::Format_RGB888, QImage::Format_Grayscale8, QImage::Format_Indexed8,
                                        QImage::Format_Mono, QImage::Format_ARGB32}) {
        SCOPED_TRACE(format);
        const QImage image = Pattern(format);
        const Bytes tiff = QtEncode(image, "tiff");
        ASSERT_EQ(TiffIsBigEndian(tiff), false);
        const auto turned = TiffInOtherByteOrder(tiff);
        ASSERT_TRUE(turned);
        EXPECT_EQ(TiffIsBigEndian(*turned), true);
        const QImage read = QImage::fromData(turned->data(), static_cast<int>(turned->size()), "TIFF");
        const QImage original = QImage::fromData(tiff.data(), static_cast<int>(tiff.size()), "TIFF");
        ASSERT_FALSE(read.isNull());
        EXPECT_EQ(read.convertToFormat(QImage::Format_ARGB32), original.convertToFormat(QImage::Format_ARGB32));
        EXPECT_EQ(read.dotsPerMeterX(), original.dotsPerMeterX());
        EXPECT_EQ(read.dotsPerMeterY(), original.dotsPerMeterY());
        EXPECT_EQ(TiffInOtherByteOrder(*turned), tiff);
    }
}

// Samples wider than a byte are stored in the file's order, and directories
// hanging off others are not walked: such files, and malformed ones, are
// refused rather than half turned.
TEST(TiffByteOrder, RefusesWhatItCannotTurnWhole) {
    EXPECT_FALSE(TiffInOtherByteOrder(QtEncode(Pattern(QImage::Format_RGBA64), "tiff")));
    EXPECT_FALSE(TiffInOtherByteOrder(TiffBlock({{0x8769, 4, 1, Le(8, 4)}})));
    Bytes tiff = QtEncode(Pattern(QImage::Format_RGB888), "tiff");
    EXPECT_FALSE(TiffInOtherByteOrder(Bytes(tiff.begin(), tiff.begin() + 12)));
    for (std::size_t at = 4; at < 8; ++at)
        tiff[at] = 0xFF;  // IFD0 far beyond the end
    EXPECT_FALSE(TiffInOtherByteOrder(tiff));
    EXPECT_FALSE(TiffInOtherByteOrder(Bytes{'I', 'I', 43, 0, 8, 0, 0, 0}));
    EXPECT_FALSE(TiffIsBigEndian(Bytes{'P', 'K', 3, 4, 0, 0, 0, 0}));
}

// Each byte is turned once: a value that lies over the header or a
// directory, or over another entry's value, would be turned twice and leave
// a file that says one order and holds the other.
TEST(TiffByteOrder, RefusesRangesThatOverlap) {
    // Found by the header fuzz target: a ColorMap of four SHORTs at offset 0.
    const Bytes overHeader = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x40, 0x01, 3, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const Bytes sharedValue = TiffBlock({{0x011A, 5, 1, Rational(300, 1)}, {0x011B, 5, 1, Rational(300, 1)}});
    // The block with the 4-byte field at `at` set to `value`.
    auto with = [](Bytes block, std::size_t at, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i)
            block.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
        return block;
    };
    const std::size_t xValue = 8 + 2 + 2 * 12 + 4;
    const Bytes shared = with(sharedValue, 10 + 12 + 8, xValue);  // YResolution at XResolution's value
    const Bytes overDirectory = with(sharedValue, 10 + 8, 8);     // XResolution over the directory
    const Bytes looped = with(TiffBlock({{0x0100, 3, 1, Le(5, 2)}}), 8 + 2 + 12, 8);  // the chain comes back
    ASSERT_TRUE(TiffInOtherByteOrder(sharedValue));
    for (const Bytes& tiff : {overHeader, shared, overDirectory, looped})
        EXPECT_FALSE(TiffInOtherByteOrder(tiff));
}

}  // namespace
