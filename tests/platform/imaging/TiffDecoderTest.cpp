// TIFF files in the layouts libtiff reads (tiles larger than the picture,
// planar samples, 16 bits a sample) decode as ImageMagick reads them;
// pictures that claim more than their strips hold or than the budget allows
// are refused before their memory is taken.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <tiffio.h>

#include <cstdio>
#include <fstream>
#include <limits>

#include "platform/imaging/Bitmap.h"
#include "platform/imaging/ImageMagickReference.h"
#include "platform/imaging/TiffDecoder.h"

using namespace imaging;

namespace {

constexpr std::int64_t kPlenty = std::int64_t{1} << 30;

std::vector<std::uint8_t> ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return {bytes.begin(), bytes.end()};
}

// A 100 x 40 picture of 16-bit samples, every pixel its own colour, as a
// binary PPM.
QByteArray SixteenBitPicture() {
    constexpr int kWidth = 100, kHeight = 40;
    QByteArray ppm = QByteArray("P6\n") + QByteArray::number(kWidth) + " " + QByteArray::number(kHeight) + "\n65535\n";
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (const unsigned sample : {x * 661u + 37, y * 1637u + 11, (x * 97u + y * 389u) * 13})
                ppm.append(static_cast<char>(sample >> 8 & 0xFF)).append(static_cast<char>(sample & 0xFF));
    return ppm;
}

bool RunConvert(const QStringList& arguments) {
    QProcess process;
    process.start(reference::ConvertTool(), arguments);
    return process.waitForFinished(60000) && process.exitCode() == 0;
}

TEST(TiffDecoder, LayoutsLibtiffReadsDecodeAsImageMagickReadsThem) {
    if (reference::ConvertTool().isEmpty())
        GTEST_SKIP() << "needs ImageMagick (tools/deps installs it)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString source = dir.filePath(QStringLiteral("source.ppm"));
    {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(SixteenBitPicture());
    }
    const struct {
        const char* name;
        QStringList options;
    } cases[] = {
        {"8 bits, a tile larger than the picture", {"-depth", "8", "-define", "tiff:tile-geometry=256x256"}},
        {"16 bits, a tile larger than the picture", {"-depth", "16", "-define", "tiff:tile-geometry=256x256"}},
        {"16 bits, tiled and planar", {"-depth", "16", "-interlace", "plane", "-define", "tiff:tile-geometry=32x32"}},
        {"16 bits, planar strips", {"-depth", "16", "-interlace", "plane"}},
        {"8 bits, tiled and planar", {"-depth", "8", "-interlace", "plane", "-define", "tiff:tile-geometry=32x32"}},
        {"16 bits, Deflate tiles", {"-depth", "16", "-compress", "zip", "-define", "tiff:tile-geometry=64x64"}},
        {"8 bits, LZW strips", {"-depth", "8", "-compress", "lzw"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString tiff = dir.filePath(QStringLiteral("picture.tif"));
        QFile::remove(tiff);
        ASSERT_TRUE(RunConvert(QStringList{source} + c.options + QStringList{tiff}));
        const std::optional<reference::Rgb8> theirs = reference::ImageMagickReads(tiff, dir);
        ASSERT_TRUE(theirs);
        const std::unique_ptr<Bitmap> ours = Bitmap::FromMemory(ReadAll(tiff));
        ASSERT_NE(ours, nullptr);
        EXPECT_EQ(reference::LargestDifference(ours->Image(), *theirs), 0);
    }
}

// Samples that libtiff's RGBA reader does not take go to Qt's reader, which
// read them before.
TEST(TiffDecoder, FloatingPointSamplesAreStillRead) {
    if (reference::ConvertTool().isEmpty())
        GTEST_SKIP() << "needs ImageMagick (tools/deps installs it)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString tiff = dir.filePath(QStringLiteral("float.tif"));
    ASSERT_TRUE(RunConvert({QStringLiteral("-size"), QStringLiteral("60x30"), QStringLiteral("gradient:red-blue"),
                            QStringLiteral("-define"), QStringLiteral("quantum:format=floating-point"),
                            QStringLiteral("-depth"), QStringLiteral("32"), QStringLiteral("-compress"),
                            QStringLiteral("zip"), tiff}));
    bool otherSamples = false;
    EXPECT_TRUE(DecodeTiff(ReadAll(tiff), kPlenty, AllocateImage, &otherSamples).isNull());
    EXPECT_TRUE(otherSamples);
    const std::optional<reference::Rgb8> theirs =
        reference::ImageMagickReads(tiff, dir, {QStringLiteral("-depth"), QStringLiteral("16")});
    ASSERT_TRUE(theirs);
    const std::unique_ptr<Bitmap> ours = Bitmap::FromMemory(ReadAll(tiff));
    ASSERT_NE(ours, nullptr);
    EXPECT_LE(reference::LargestDifference(ours->Image(), *theirs), 1);
    EXPECT_GE(reference::LargestDifference(ours->Image(), *theirs), 0);
}

// A chunky 8-bit RGB TIFF of `width` x `height` in one strip, of which only
// `stripBytes` bytes are written, through libtiff.
std::vector<std::uint8_t> ClaimingTiff(const QString& path, std::uint32_t width, std::uint32_t height,
                                       std::size_t stripBytes) {
    TIFF* tiff = TIFFOpen(path.toLocal8Bit().constData(), "w");
    if (tiff == nullptr)
        return {};
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);
    std::vector<std::uint8_t> strip(stripBytes, 0x80);
    TIFFWriteRawStrip(tiff, 0, strip.data(), static_cast<tmsize_t>(strip.size()));
    TIFFClose(tiff);
    return ReadAll(path);
}

TEST(TiffDecoder, ClaimsBeyondTheStripsOrTheBudgetTakeNoMemory) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int allocations = 0;
    const ImageAllocator counting = [&](int w, int h, QImage::Format f) {
        ++allocations;
        return AllocateImage(w, h, f);
    };
    const std::vector<std::uint8_t> whole = ClaimingTiff(dir.filePath(QStringLiteral("whole.tif")), 100, 40, 12000);
    ASSERT_FALSE(whole.empty());
    EXPECT_FALSE(DecodeTiff(whole, kPlenty, counting).isNull());
    EXPECT_EQ(allocations, 1);
    EXPECT_TRUE(DecodeTiff(whole, 100 * 40 * 4 - 1, counting).isNull());
    // Half a strip (libtiff takes a strip of a single-strip file for as
    // long as the picture needs, so it would run past the file's end), and
    // 30000 x 30000 pixels from 300 bytes.
    EXPECT_TRUE(
        DecodeTiff(ClaimingTiff(dir.filePath(QStringLiteral("short.tif")), 100, 40, 6000), kPlenty, counting).isNull());
    EXPECT_TRUE(DecodeTiff(ClaimingTiff(dir.filePath(QStringLiteral("claim.tif")), 30000, 30000, 300),
                           std::numeric_limits<std::int64_t>::max(), counting)
                    .isNull());
    EXPECT_EQ(allocations, 1);
}

}  // namespace
