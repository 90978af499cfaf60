#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BitmapLock.h"
#include "platform/imaging/DrawImage.h"

using namespace imaging;

namespace {

constexpr InterpolationMode kModes[] = {InterpolationMode::NearestNeighbor, InterpolationMode::Bilinear,
                                        InterpolationMode::HighQualityBilinear, InterpolationMode::Bicubic,
                                        InterpolationMode::HighQualityBicubic};

// A 24-bit bitmap with one grey value per column.
std::unique_ptr<Bitmap> Columns(const std::vector<int>& values, int h) {
    const int w = static_cast<int>(values.size());
    auto bitmap = Bitmap::Create(w, h, PixelFormat24bppRGB);
    auto lock = bitmap->LockBits({0, 0, w, h}, LockMode::Write);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                lock->Scan0()[y * lock->Stride() + 3 * x + c] = static_cast<std::uint8_t>(values[x]);
    return bitmap;
}

std::vector<int> RowOf(Bitmap& bitmap, int y, int channel = 0) {
    auto lock = bitmap.LockBits({0, 0, bitmap.Width(), bitmap.Height()}, LockMode::Read);
    std::vector<int> row(bitmap.Width());
    for (int x = 0; x < bitmap.Width(); ++x)
        row[x] = lock->Scan0()[y * lock->Stride() + 3 * x + channel];
    return row;
}

std::vector<std::uint8_t> AllBytes(Bitmap& bitmap) {
    auto lock = bitmap.LockBits({0, 0, bitmap.Width(), bitmap.Height()}, LockMode::Read);
    std::vector<std::uint8_t> out;
    for (int y = 0; y < bitmap.Height(); ++y)
        out.insert(out.end(), lock->Scan0() + y * lock->Stride(),
                   lock->Scan0() + y * lock->Stride() + 3 * bitmap.Width());
    return out;
}

std::unique_ptr<Bitmap> Drawn(const Bitmap& src, int w, int h, InterpolationMode mode) {
    auto dst = Bitmap::Create(w, h, PixelFormat24bppRGB);
    EXPECT_TRUE(DrawImage(*dst, {0, 0, w, h}, src, {0, 0, src.Width(), src.Height()}, mode));
    return dst;
}

TEST(DrawImage, SameSizeIsExactInEveryMode) {
    auto src = Columns({0, 255, 3, 77, 200, 9, 128}, 5);
    for (InterpolationMode mode : kModes) {
        auto dst = Drawn(*src, 7, 5, mode);
        EXPECT_EQ(AllBytes(*dst), AllBytes(*src));
    }
}

TEST(DrawImage, BilinearEnlargementIsCentreAlignedWithMirroredEdges) {
    // Output centres of a 2x enlargement fall at -0.25, 0.25, 0.75, 1.25; the
    // mirrored edge repeats the border pixel.
    auto src = Columns({0, 200}, 1);
    EXPECT_EQ(RowOf(*Drawn(*src, 4, 1, InterpolationMode::Bilinear), 0), (std::vector<int>{0, 50, 150, 200}));
    EXPECT_EQ(RowOf(*Drawn(*src, 4, 1, InterpolationMode::NearestNeighbor), 0), (std::vector<int>{0, 0, 200, 200}));
}

TEST(DrawImage, BicubicIsCatmullRom) {
    // At centre 1.25 of (0, 0, 100, 100): the Catmull-Rom weights of taps 0..3
    // are -0.0703, 0.8672, 0.2266, -0.0234, giving 20.3.
    auto src = Columns({0, 0, 100, 100}, 1);
    const auto row = RowOf(*Drawn(*src, 8, 1, InterpolationMode::Bicubic), 0);
    EXPECT_EQ(row[3], 20);
    EXPECT_EQ(row[4], 80);
}

TEST(DrawImage, NearestNeighbourReductionTakesThePixelUnderEachCentre) {
    auto src = Columns({10, 20, 30, 40}, 1);
    EXPECT_EQ(RowOf(*Drawn(*src, 2, 1, InterpolationMode::NearestNeighbor), 0), (std::vector<int>{20, 40}));
}

TEST(DrawImage, HighQualityModesAverageWhereThePlainModesAlias) {
    std::vector<int> stripes(300);
    for (int x = 0; x < 300; ++x)
        stripes[x] = x % 2 ? 255 : 0;
    auto src = Columns(stripes, 2);
    auto maxDeviation = [&](InterpolationMode mode) {
        int worst = 0;
        for (int v : RowOf(*Drawn(*src, 100, 2, mode), 0))
            worst = std::max(worst, std::abs(v - 127));
        return worst;
    };
    EXPECT_GT(maxDeviation(InterpolationMode::Bilinear), 100);
    EXPECT_GT(maxDeviation(InterpolationMode::Bicubic), 100);
    EXPECT_LT(maxDeviation(InterpolationMode::HighQualityBilinear), 45);
    EXPECT_LT(maxDeviation(InterpolationMode::HighQualityBicubic), 45);
}

TEST(DrawImage, ATargetRectanglePartlyOutsideDrawsTheVisiblePartOfTheWhole) {
    std::vector<int> ramp(37);
    for (int x = 0; x < 37; ++x)
        ramp[x] = (x * 53) % 256;
    auto src = Columns(ramp, 23);
    for (InterpolationMode mode : kModes) {
        auto whole = Drawn(*src, 50, 30, mode);
        auto part = Bitmap::Create(20, 10, PixelFormat24bppRGB);
        ASSERT_TRUE(DrawImage(*part, {-25, -12, 50, 30}, *src, {0, 0, 37, 23}, mode));
        auto expected = whole->Clone({25, 12, 20, 10}, PixelFormat24bppRGB);
        EXPECT_EQ(AllBytes(*part), AllBytes(*expected));
    }
}

TEST(DrawImage, SourceRectangleMustLieInsideTheSource) {
    auto src = Columns({1, 2, 3}, 3);
    auto dst = Bitmap::Create(4, 4, PixelFormat24bppRGB);
    EXPECT_FALSE(DrawImage(*dst, {0, 0, 4, 4}, *src, {1, 0, 3, 3}, InterpolationMode::Bilinear));
    EXPECT_FALSE(DrawImage(*dst, {0, 0, 4, 4}, *src, {0, 0, 0, 3}, InterpolationMode::Bilinear));
    EXPECT_FALSE(DrawImage(*dst, {0, 0, 0, 4}, *src, {0, 0, 3, 3}, InterpolationMode::Bilinear));
    EXPECT_TRUE(DrawImage(*dst, {10, 10, 4, 4}, *src, {0, 0, 3, 3}, InterpolationMode::Bilinear));  // nothing visible
    auto lock = dst->LockBits({0, 0, 1, 1}, LockMode::Read);
    EXPECT_FALSE(DrawImage(*dst, {0, 0, 4, 4}, *src, {0, 0, 3, 3}, InterpolationMode::Bilinear));
}

TEST(DrawImage, TransparentSourceIsComposedOverTheTarget) {
    QImage argb(4, 4, QImage::Format_ARGB32);
    argb.fill(qRgba(255, 0, 0, 128));
    auto src = Bitmap::FromImage(argb, PixelFormat32bppARGB);
    auto dst = Columns({0, 0, 0, 0, 0, 0, 0, 0}, 8);
    {
        auto lock = dst->LockBits({0, 0, 8, 8}, LockMode::ReadWrite);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                lock->Scan0()[y * lock->Stride() + 3 * x] = 200;  // blue background
    }
    ASSERT_TRUE(DrawImage(*dst, {0, 0, 8, 8}, *src, {0, 0, 4, 4}, InterpolationMode::HighQualityBicubic));
    const QRgb p = dst->Image().pixel(3, 3);
    EXPECT_NEAR(qRed(p), 128, 2);
    EXPECT_NEAR(qBlue(p), 100, 2);
    EXPECT_EQ(qGreen(p), 0);
}

TEST(DrawImage, IndexedAndWideSourcesAreDrawnAsTheirColours) {
    QImage indexed(3, 3, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 50)});
    indexed.fill(1);
    QImage wide(3, 3, QImage::Format_RGBX64);
    wide.fill(qRgb(200, 100, 50));
    for (const QImage& image : {indexed, wide}) {
        auto src = Bitmap::FromImage(
            image, image.format() == QImage::Format_Indexed8 ? PixelFormat8bppIndexed : PixelFormat48bppRGB);
        ASSERT_NE(src, nullptr);
        auto dst = Drawn(*src, 5, 5, InterpolationMode::HighQualityBicubic);
        EXPECT_EQ(dst->Image().pixel(4, 4), qRgb(200, 100, 50));
        EXPECT_EQ(dst->Image().pixel(0, 2), qRgb(200, 100, 50));
    }
}

TEST(DrawImage, DrawingABitmapIntoItselfReadsTheOriginal) {
    auto bitmap = Columns({0, 100, 200, 250}, 2);
    ASSERT_TRUE(DrawImage(*bitmap, {0, 0, 2, 2}, *bitmap, {0, 0, 4, 2}, InterpolationMode::NearestNeighbor));
    EXPECT_EQ(RowOf(*bitmap, 0), (std::vector<int>{100, 250, 200, 250}));
}

TEST(DrawImage, ScaledCopyIsA24BitBitmapAtTheSourcesResolution) {
    QImage argb(40, 30, QImage::Format_ARGB32);
    argb.fill(qRgb(30, 60, 90));
    auto src = Bitmap::FromImage(argb, PixelFormat32bppARGB);
    ASSERT_TRUE(src->SetResolution(300, 240));
    auto thumb = ScaledCopy(*src, 4, 3);
    ASSERT_NE(thumb, nullptr);
    EXPECT_EQ(thumb->Width(), 4);
    EXPECT_EQ(thumb->Height(), 3);
    EXPECT_EQ(thumb->GetPixelFormat(), PixelFormat24bppRGB);
    EXPECT_EQ(thumb->HorizontalResolution(), 300);
    EXPECT_EQ(thumb->VerticalResolution(), 240);
    EXPECT_EQ(thumb->Image().pixel(3, 2), qRgb(30, 60, 90));
    EXPECT_EQ(ScaledCopy(*src, 0, 3), nullptr);
}

}  // namespace
