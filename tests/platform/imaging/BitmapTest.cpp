#include <gtest/gtest.h>

#include <climits>

#include "ImagingFixtures.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BitmapLock.h"
#include "support/BitmapTestSupport.h"
#include "support/FifoFixtures.h"

#include <QTemporaryDir>

using namespace imaging;

namespace {

TEST(Bitmap, CreateRefusesBadSizesAndFormats) {
    EXPECT_EQ(Bitmap::Create(0, 5, PixelFormat24bppRGB), nullptr);
    EXPECT_EQ(Bitmap::Create(5, -1, PixelFormat24bppRGB), nullptr);
    EXPECT_EQ(Bitmap::Create(INT_MAX, INT_MAX, PixelFormat24bppRGB), nullptr);
    EXPECT_EQ(Bitmap::Create(100000, 100000, PixelFormat64bppARGB), nullptr);  // 80 GB
    EXPECT_EQ(Bitmap::Create(4, 4, PixelFormat32bppCMYK), nullptr);
    EXPECT_EQ(Bitmap::Create(4, 4, PixelFormatUndefined), nullptr);
}

TEST(Bitmap, CreatedBitmapIsBlackAtTheDefaultResolution) {
    const PixelFormat formats[] = {PixelFormat1bppIndexed, PixelFormat8bppIndexed, PixelFormat16bppGrayScale,
                                   PixelFormat24bppRGB,    PixelFormat32bppARGB,   PixelFormat48bppRGB};
    for (PixelFormat format : formats) {
        auto bitmap = Bitmap::Create(5, 3, format);
        ASSERT_NE(bitmap, nullptr) << std::hex << format;
        EXPECT_EQ(bitmap->GetPixelFormat(), format);
        EXPECT_EQ(bitmap->HorizontalResolution(), kDefaultDpi);
        auto lock = bitmap->LockBits({0, 0, 5, 3}, LockMode::Read);
        ASSERT_NE(lock, nullptr);
        EXPECT_EQ(lock->Stride(), 16);  // 15 bytes padded to 4
        for (int y = 0; y < 3; ++y)
            for (int i = 0; i < 15; ++i)
                EXPECT_EQ(lock->Scan0()[y * lock->Stride() + i], 0) << std::hex << format;
    }
}

TEST(Bitmap, CreateUninitialisedRefusesWhatCreateRefuses) {
    EXPECT_EQ(Bitmap::CreateUninitialised(0, 5, PixelFormat24bppRGB), nullptr);
    EXPECT_EQ(Bitmap::CreateUninitialised(5, -1, PixelFormat24bppRGB), nullptr);
    EXPECT_EQ(Bitmap::CreateUninitialised(INT_MAX, INT_MAX, PixelFormat24bppRGB), nullptr);
    EXPECT_EQ(Bitmap::CreateUninitialised(100000, 100000, PixelFormat64bppARGB), nullptr);
    EXPECT_EQ(Bitmap::CreateUninitialised(4, 4, PixelFormat32bppCMYK), nullptr);
    EXPECT_EQ(Bitmap::CreateUninitialised(4, 4, PixelFormatUndefined), nullptr);
}

// Only the bytes differ from Create's bitmap: the layout, the palette and the
// resolution are the same, and what is written is what is read back (small
// bitmaps and one of several megabytes).
TEST(Bitmap, CreateUninitialisedHasCreatesLayoutAndKeepsWhatIsWritten) {
    const PixelFormat formats[] = {PixelFormat1bppIndexed, PixelFormat4bppIndexed, PixelFormat8bppIndexed,
                                   PixelFormat24bppRGB,    PixelFormat32bppARGB,   PixelFormat48bppRGB};
    for (PixelFormat format : formats)
        for (auto [w, h] : {std::pair{5, 3}, std::pair{1001, 1203}}) {
            auto made = Bitmap::CreateUninitialised(w, h, format);
            auto cleared = Bitmap::Create(w, h, format);
            ASSERT_NE(made, nullptr) << std::hex << format;
            EXPECT_EQ(made->GetPixelFormat(), format);
            EXPECT_EQ(made->Width(), w);
            EXPECT_EQ(made->Height(), h);
            EXPECT_EQ(made->HorizontalResolution(), kDefaultDpi);
            EXPECT_EQ(made->Image().format(), cleared->Image().format());
            EXPECT_EQ(made->Image().bytesPerLine(), cleared->Image().bytesPerLine());
            EXPECT_EQ(made->Image().colorTable(), cleared->Image().colorTable()) << std::hex << format;
            if (format != PixelFormat24bppRGB)
                continue;  // the others go through a conversion on locking
            {
                auto lock = made->LockBits({0, 0, w, h}, LockMode::Write);
                ASSERT_NE(lock, nullptr);
                for (int y = 0; y < h; ++y)
                    for (int i = 0; i < 3 * w; ++i)
                        lock->Scan0()[y * lock->Stride() + i] = static_cast<std::uint8_t>(y * 7 + i);
            }
            auto lock = made->LockBits({0, 0, w, h}, LockMode::Read);
            ASSERT_NE(lock, nullptr);
            for (int y = 0; y < h; ++y)
                for (int i = 0; i < 3 * w; ++i)
                    ASSERT_EQ(lock->Scan0()[y * lock->Stride() + i], static_cast<std::uint8_t>(y * 7 + i));
        }
}

TEST(Bitmap, CloneOfARectangleOutsideTheImageFails) {
    auto bitmap = CoordinateBitmap(10, 8);
    const Rect outside[] = {{-1, 0, 3, 3}, {0, -1, 3, 3}, {8, 0, 3, 3},       {0, 6, 3, 3},      {0, 0, 0, 3},
                            {0, 0, 3, 0},  {0, 0, 11, 8}, {INT_MAX, 0, 2, 2}, {2, 2, INT_MAX, 1}};
    for (const Rect& r : outside)
        EXPECT_EQ(bitmap->Clone(r, PixelFormat24bppRGB), nullptr)
            << r.x << "," << r.y << " " << r.width << "x" << r.height;
}

TEST(Bitmap, CloneOfARectangleHoldsItsPixelsAndKeepsResolution) {
    auto bitmap = CoordinateBitmap(10, 8);
    ASSERT_TRUE(bitmap->SetResolution(300, 150));
    auto part = bitmap->Clone({3, 2, 4, 5}, PixelFormat24bppRGB);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->Width(), 4);
    EXPECT_EQ(part->Height(), 5);
    EXPECT_EQ(part->HorizontalResolution(), 300);
    EXPECT_EQ(part->VerticalResolution(), 150);
    auto lock = part->LockBits({0, 0, 4, 5}, LockMode::Read);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 4; ++x) {
            const std::uint8_t* p = lock->Scan0() + y * lock->Stride() + 3 * x;
            EXPECT_EQ(p[0], x + 3);
            EXPECT_EQ(p[1], y + 2);
        }
}

TEST(Bitmap, WholeCloneIsIndependentOfTheOriginal) {
    auto bitmap = CoordinateBitmap(6, 4);
    auto clone = bitmap->Clone();
    {
        auto lock = clone->LockBits({0, 0, 6, 4}, LockMode::Write);
        std::memset(lock->Scan0(), 0xEE, 6 * 3);
    }
    auto lock = bitmap->LockBits({0, 0, 6, 4}, LockMode::Read);
    EXPECT_EQ(lock->Scan0()[3], 1);  // B of pixel (1, 0)
}

TEST(Bitmap, OnlyOneLockAtATimeAndNeverOutside) {
    auto bitmap = CoordinateBitmap(6, 4);
    EXPECT_EQ(bitmap->LockBits({5, 0, 2, 1}, LockMode::Read), nullptr);
    auto first = bitmap->LockBits({0, 0, 6, 4}, LockMode::Read);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(bitmap->LockBits({0, 0, 1, 1}, LockMode::Read), nullptr);
    first->Unlock();
    EXPECT_NE(bitmap->LockBits({0, 0, 1, 1}, LockMode::Read), nullptr);
}

TEST(Bitmap, LockConvertsOtherFormatsAndWritesBack) {
    QImage rgb32(7, 3, QImage::Format_RGB32);
    rgb32.fill(qRgb(10, 20, 30));
    auto bitmap = Bitmap::FromImage(rgb32, PixelFormat32bppRGB);
    ASSERT_NE(bitmap, nullptr);
    {
        auto lock = bitmap->LockBits({2, 1, 3, 2}, LockMode::ReadWrite);
        ASSERT_NE(lock, nullptr);
        EXPECT_EQ(lock->Stride(), 12);
        const std::uint8_t* p = lock->Scan0();
        EXPECT_EQ(p[0], 30);  // B
        EXPECT_EQ(p[1], 20);  // G
        EXPECT_EQ(p[2], 10);  // R
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                std::uint8_t* q = lock->Scan0() + y * lock->Stride() + 3 * x;
                q[0] = 200, q[1] = 100, q[2] = 50;
            }
    }
    EXPECT_EQ(bitmap->Image().pixel(2, 1), qRgb(50, 100, 200));
    EXPECT_EQ(bitmap->Image().pixel(4, 2), qRgb(50, 100, 200));
    EXPECT_EQ(bitmap->Image().pixel(1, 1), qRgb(10, 20, 30));
    EXPECT_EQ(bitmap->Image().pixel(5, 2), qRgb(10, 20, 30));
    EXPECT_EQ(bitmap->GetPixelFormat(), PixelFormat32bppRGB);
}

TEST(Bitmap, ReadOnlyLockDoesNotWriteBack) {
    QImage grey(4, 4, QImage::Format_Grayscale8);
    grey.fill(77);
    auto bitmap = Bitmap::FromImage(grey, PixelFormat16bppGrayScale);
    ASSERT_NE(bitmap, nullptr);
    {
        auto lock = bitmap->LockBits({0, 0, 4, 4}, LockMode::Read);
        lock->Scan0()[0] = 0;  // a read lock's buffer, not the bitmap
    }
    EXPECT_EQ(qGray(bitmap->Image().pixel(0, 0)), 77);
}

TEST(Bitmap, DecodingRefusesGarbageAndKeepsOrientationUnapplied) {
    EXPECT_EQ(Bitmap::FromMemory(Bytes{1, 2, 3, 4, 5}), nullptr);
    EXPECT_EQ(Bitmap::FromMemory(Bytes{}), nullptr);
    EXPECT_EQ(Bitmap::FromFile("/nonexistent/file.jpg"), nullptr);
    // A 16 x 8 JPEG marked "rotated 90 degrees" stays 16 x 8.
    const Bytes jpeg = LibjpegEncode({16, 8, 3, 0, 1, 1, ExifApp1({{274, 3, 1, Le(6, 2)}})});
    auto bitmap = Bitmap::FromMemory(jpeg);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Width(), 16);
    EXPECT_EQ(bitmap->Height(), 8);
}

// Opening, Next, Image Info and the batch all read pictures through here: a
// named pipe or a device is refused without blocking.
TEST(Bitmap, FromFileReadsOnlyRegularFiles) {
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("p.jpg"));
    ASSERT_TRUE(fifotests::MakeFifo(pipe));
    bool refused = false;
    ASSERT_TRUE(fifotests::FinishesWithin({pipe}, [&] {
        refused = !imaging::Bitmap::FromFile(QFile::encodeName(pipe).toStdString()) &&
                  !imaging::Bitmap::FromFile("/dev/zero") && !imaging::Bitmap::FromFile(dir.path().toStdString());
    }));
    EXPECT_TRUE(refused);
}

TEST(Bitmap, SetResolutionRefusesNonsense) {
    auto bitmap = Bitmap::Create(2, 2, PixelFormat24bppRGB);
    EXPECT_FALSE(bitmap->SetResolution(0, 72));
    EXPECT_FALSE(bitmap->SetResolution(72, -1));
    EXPECT_FALSE(bitmap->SetResolution(72, std::numeric_limits<double>::infinity()));
    EXPECT_EQ(bitmap->HorizontalResolution(), kDefaultDpi);
    EXPECT_TRUE(bitmap->SetResolution(72.5, 300));
    EXPECT_EQ(bitmap->HorizontalResolution(), 72.5);
}

TEST(Bitmap, PropertyItemsAreReplacedById) {
    auto bitmap = Bitmap::Create(2, 2, PixelFormat24bppRGB);
    bitmap->SetPropertyItem({0x010F, PropertyTypeASCII, 4, {'A', 'B', 'C', 0}});
    bitmap->SetPropertyItem({0x0112, PropertyTypeShort, 1, {1, 0}});
    bitmap->SetPropertyItem({0x010F, PropertyTypeASCII, 3, {'X', 'Y', 0}});
    ASSERT_EQ(bitmap->PropertyItems().size(), 2u);
    EXPECT_EQ(bitmap->GetPropertyItem(0x010F)->value, (Bytes{'X', 'Y', 0}));
    EXPECT_TRUE(bitmap->RemovePropertyItem(0x0112));
    EXPECT_FALSE(bitmap->RemovePropertyItem(0x0112));
    EXPECT_EQ(bitmap->GetPropertyItem(0x0112), nullptr);
}

}  // namespace
