#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include <QImage>

#include "imagefiles/Dib.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BitmapLock.h"

namespace {

TEST(DibFromBitmap, RowsBottomUpAndResolution) {
    QImage image(5, 3, QImage::Format_RGB888);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            image.setPixel(x, y, qRgb(10 * x, 50 * y, 7));
    auto bitmap = imaging::Bitmap::FromImage(image, imaging::PixelFormat24bppRGB);
    ASSERT_TRUE(bitmap);
    ASSERT_TRUE(bitmap->SetResolution(72, 72.9));
    CDib* dib = CDib::CreateFromBitmap(bitmap.get());
    EXPECT_EQ(dib->Width(), 5);
    EXPECT_EQ(dib->Height(), 3);
    EXPECT_EQ(dib->BitCount(), 24);
    EXPECT_EQ(dib->Header()->biXPelsPerMeter, 2835);
    EXPECT_EQ(dib->Header()->biYPelsPerMeter, 2835);  // 72.9 truncated to 72
    // The DIB's bottom row is the bitmap's last row; bytes B, G, R.
    const std::uint8_t* bottom = dib->Bits();
    EXPECT_EQ(bottom[0], 7);
    EXPECT_EQ(bottom[1], 100);
    EXPECT_EQ(bottom[3 * 4 + 2], 40);
    EXPECT_EQ(dib->TopDownRow(0)[1], 0);
    dib->Release();
}

TEST(DibFromBitmap, NullBitmapAndLockedBitmapAreRefused) {
    try {
        CDib::CreateFromBitmap(nullptr);
        ADD_FAILURE();
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "invalid Bitmap");
    }
    auto bitmap = imaging::Bitmap::Create(4, 4, imaging::PixelFormat24bppRGB);
    auto lock = bitmap->LockBits({0, 0, 4, 4}, imaging::LockMode::Write);
    ASSERT_TRUE(lock);
    EXPECT_THROW(CDib::CreateFromBitmap(bitmap.get()), std::invalid_argument);
}

}  // namespace
