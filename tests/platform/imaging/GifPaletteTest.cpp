// The colours of saved GIF files: a picture of at most 256 colours keeps
// them exactly, a photograph gets a palette as good as ImageMagick's.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <set>

#include "platform/imaging/Bitmap.h"
#include "platform/imaging/ImageEncoder.h"
#include "platform/imaging/PaletteQuantizer.h"

using namespace imaging;

namespace {

QImage SavedAsGif(const QImage& picture) {
    auto bitmap = Bitmap::FromImage(picture.convertToFormat(QImage::Format_BGR888), PixelFormat24bppRGB);
    std::vector<std::uint8_t> bytes;
    if (!bitmap || !EncodeBitmap(*bitmap, "image/gif", {}, bytes))
        return {};
    return QImage::fromData(bytes.data(), static_cast<int>(bytes.size()), "GIF");
}

double Psnr(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB888), y = b.convertToFormat(QImage::Format_RGB888);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const uchar* p = x.constScanLine(row);
        const uchar* q = y.constScanLine(row);
        for (int i = 0; i < 3 * x.width(); ++i)
            sum += (p[i] - q[i]) * (p[i] - q[i]);
    }
    const double mse = sum / (3.0 * x.width() * x.height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// Flat pictures of a few up to 256 colours, each colour a block of pixels.
QImage FlatPicture(const std::vector<QRgb>& colours) {
    const int blocks = static_cast<int>(colours.size());
    QImage image(8 * 16, 8 * ((blocks + 15) / 16), QImage::Format_RGB32);
    image.fill(colours.front());
    for (int i = 0; i < blocks; ++i)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                image.setPixel(8 * (i % 16) + x, 8 * (i / 16) + y, colours[static_cast<std::size_t>(i)]);
    return image;
}

std::vector<QRgb> Spread(int count) {
    std::vector<QRgb> colours;
    for (int i = 0; i < count; ++i)
        colours.push_back(qRgb((i * 37) & 0xFF, (i * 101 + 7) & 0xFF, (i * 13 + i / 7) & 0xFF));
    return colours;
}

}  // namespace

TEST(GifPalette, APictureOfAtMost256ColoursKeepsThemExactly) {
    const std::vector<std::vector<QRgb>> cases = {
        {qRgb(255, 0, 0)},
        {qRgb(255, 0, 0), qRgb(0x33, 0x66, 0x99), qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(1, 2, 3)},
        Spread(200),
        Spread(256),
    };
    for (const auto& colours : cases) {
        ASSERT_EQ(std::set<QRgb>(colours.begin(), colours.end()).size(), colours.size());
        SCOPED_TRACE(colours.size());
        const QImage picture = FlatPicture(colours);
        const QImage back = SavedAsGif(picture);
        ASSERT_EQ(back.size(), picture.size());
        int wrong = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                wrong += (back.pixel(x, y) & 0xFFFFFF) != (picture.pixel(x, y) & 0xFFFFFF);
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(back.pixel(0, 0) & 0xFFFFFF, colours.front() & 0xFFFFFF);
    }
}

TEST(GifPalette, QuantizerFindsEachColourOfAFlatPicture) {
    const QImage picture = FlatPicture(Spread(256));
    IndexedPixels out;
    ASSERT_TRUE(QuantizeToPalette(picture, 256, out));
    ASSERT_EQ(out.palette.size(), 256u);
    ASSERT_EQ(out.indices.size(), static_cast<std::size_t>(picture.width() * picture.height()));
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const PaletteColour c = out.palette[out.indices[static_cast<std::size_t>(y * picture.width() + x)]];
            ASSERT_EQ(qRgb(c[0], c[1], c[2]), picture.pixel(x, y) | 0xFF000000u);
        }
    // 257 colours are too many to keep: a palette of 256 is built instead.
    std::vector<QRgb> more = Spread(256);
    more.push_back(qRgb(250, 250, 251));
    ASSERT_TRUE(QuantizeToPalette(FlatPicture(more), 256, out));
    EXPECT_LE(out.palette.size(), 256u);
    EXPECT_FALSE(QuantizeToPalette(QImage(), 256, out));
}

// Photographs shipped with scikit-image (Debian's python3-skimage), each
// saved by us and by ImageMagick's `convert x.png x.gif`, both measured
// against the photograph.
TEST(GifPalette, PhotographsComeWithinOneDecibelOfImageMagick) {
    const QString data = QStringLiteral("/usr/lib/python3/dist-packages/skimage/data/");
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (convert.isEmpty() || !QFile::exists(data + QStringLiteral("astronaut.png")))
        GTEST_SKIP() << "needs ImageMagick and python3-skimage's photographs (tools/deps installs both)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::printf("%-10s %12s %12s %8s\n", "photograph", "ours dB", "convert dB", "ratio");
    for (const char* name : {"astronaut", "coffee", "chelsea"}) {
        SCOPED_TRACE(name);
        const QString png = data + QString::fromLatin1(name) + QStringLiteral(".png");
        const QImage photo(png);
        ASSERT_FALSE(photo.isNull());
        const QImage ours = SavedAsGif(photo);
        ASSERT_EQ(ours.size(), photo.size());

        const QString gif = dir.filePath(QString::fromLatin1(name) + QStringLiteral(".gif"));
        QProcess process;
        process.start(convert, {png, gif});
        ASSERT_TRUE(process.waitForFinished(60000));
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        const QImage theirs(gif);
        ASSERT_EQ(theirs.size(), photo.size());

        const double ourPsnr = Psnr(photo, ours), theirPsnr = Psnr(photo, theirs);
        std::printf("%-10s %12.2f %12.2f %8.3f\n", name, ourPsnr, theirPsnr, ourPsnr / theirPsnr);
        RecordProperty(std::string(name) + "_ours_db", std::to_string(ourPsnr));
        RecordProperty(std::string(name) + "_convert_db", std::to_string(theirPsnr));
        EXPECT_GE(ourPsnr, theirPsnr - 1.0);
    }
}

// Flat squares on a picture of thousands of colours (a white checker square
// on a photograph) keep their exact colours.
TEST(GifPalette, FlatSquaresOnAPictureOfManyColoursKeepTheirColours) {
    QImage picture(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(
                x, y, qRgb(x * 255 / 320, y * 255 / 240, static_cast<int>(128 + 100 * std::sin(x * 0.1 + y * 0.07))));
    const QRgb squares[] = {qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0x33, 0x66, 0x99), qRgb(0, 0, 0)};
    for (int i = 0; i < 4; ++i)
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x)
                picture.setPixel(20 + 70 * i + x, 100 + y, squares[i]);
    const QImage back = SavedAsGif(picture);
    ASSERT_EQ(back.size(), picture.size());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(back.pixel(20 + 70 * i + 12, 112) | 0xFF000000u, squares[i]) << i;
}
