// Pictures with transparency enter laid over white: the function on each
// kind of QImage, and decoded GIF, PNG and TIFF files read back through a
// 24-bit lock.

#include <gtest/gtest.h>

#include <span>

#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BitmapLock.h"
#include "platform/imaging/FlattenOntoWhite.h"
#include "support/TransparentPictures.h"

using namespace imaging;

namespace {

QRgb Bgr(const std::uint8_t* p) { return qRgb(p[2], p[1], p[0]); }

std::span<const std::uint8_t> Span(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())};
}

}  // namespace

TEST(FlattenOntoWhite, EachAlphaLayoutIsLaidOverWhite) {
    const QImage picture = transparent::AlphaPicture(16, 3);
    for (const QImage::Format format :
         {QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied, QImage::Format_RGBA8888, QImage::Format_RGBA64,
          QImage::Format_RGBA64_Premultiplied}) {
        SCOPED_TRACE(format);
        const QImage flat = FlattenOntoWhite(picture.convertToFormat(format));
        ASSERT_FALSE(flat.isNull());
        EXPECT_FALSE(flat.hasAlphaChannel());
        for (int x = 0; x < 16; ++x) {
            const QRgb got = flat.pixel(x, 1);
            const QRgb want = transparent::ExpectedOverWhite(x, 16, true);
            // Half alpha rounds either way by one.
            EXPECT_TRUE(transparent::NearColour(got, want, 1)) << x;
            EXPECT_EQ(qAlpha(got), 255);
        }
    }
}

TEST(FlattenOntoWhite, APaletteKeepsItsIndicesWithColoursOverWhite) {
    QImage indexed(4, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgba(0, 0, 0, 0), transparent::kRed, qRgba(0, 0, 255, 128)});
    for (int x = 0; x < 4; ++x)
        indexed.setPixel(x, 0, static_cast<uint>(x % 3));
    const QImage flat = FlattenOntoWhite(indexed);
    ASSERT_EQ(flat.format(), QImage::Format_Indexed8);
    EXPECT_FALSE(flat.hasAlphaChannel());
    EXPECT_EQ(flat.pixelIndex(3, 0), 0);
    EXPECT_EQ(flat.color(0), transparent::kWhite);
    EXPECT_EQ(flat.color(1), transparent::kRed);
    EXPECT_EQ(flat.color(2), transparent::kBlueOverWhite);
}

TEST(FlattenOntoWhite, AnOpaqueImageComesBackAsItIs) {
    QImage opaque(5, 5, QImage::Format_RGB32);
    opaque.fill(qRgb(1, 2, 3));
    const QImage same = FlattenOntoWhite(opaque);
    EXPECT_EQ(same.cacheKey(), opaque.cacheKey());
    EXPECT_TRUE(FlattenOntoWhite(QImage()).isNull());
}

TEST(FlattenOntoWhite, DecodedFilesAreWhiteWhereTheyWereTransparent) {
    constexpr int kW = 24, kH = 6;
    const struct {
        const char* name;
        QByteArray bytes;
        bool band;
    } files[] = {
        {"gif", transparent::TransparentGif(kW, kH), false},
        {"png", transparent::AlphaPng(kW, kH), true},
        {"tiff", transparent::AlphaTiff(kW, kH), true},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        ASSERT_FALSE(file.bytes.isEmpty());
        auto bitmap = Bitmap::FromMemory(Span(file.bytes));
        ASSERT_NE(bitmap, nullptr);
        EXPECT_FALSE(bitmap->Image().hasAlphaChannel());
        auto lock = bitmap->LockBits({0, 0, kW, kH}, LockMode::Read);
        ASSERT_NE(lock, nullptr);
        for (int y : {0, kH - 1})
            for (int x = 0; x < kW; ++x) {
                const QRgb got = Bgr(lock->Scan0() + y * lock->Stride() + 3 * x);
                const QRgb want = transparent::ExpectedOverWhite(x, kW, file.band);
                EXPECT_TRUE(transparent::NearColour(got, want, 1)) << x;
            }
    }
}
