// A large JPEG is decoded into pixels whose pages a second thread faults in
// meanwhile: the picture is the image reader's own, in colour and in grey,
// and the bitmap made over that memory is copied, written and dropped like
// any other. Threaded: also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <vector>

#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BitmapLock.h"

using namespace imaging;

namespace {

std::vector<std::uint8_t> Jpeg(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    EXPECT_TRUE(writer.write(image));
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

QImage Pattern(int w, int h, QImage::Format format) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = qRgb((x * 7) & 255, (y * 3) & 255, ((x ^ y) * 5) & 255);
    }
    return image.convertToFormat(format);
}

QImage ReadersOwn(const std::vector<std::uint8_t>& file) {
    return QImage::fromData(file.data(), static_cast<int>(file.size()), "JPEG");
}

TEST(BitmapDecodeThreads, ALargeJpegIsTheReadersOwnPicture) {
    // 17 and 17 megabytes of decoded pixels: both above the size from which
    // the pages are faulted in ahead.
    for (const auto& [w, h, format] :
         {std::tuple{2401, 1801, QImage::Format_RGB32}, std::tuple{4203, 4001, QImage::Format_Grayscale8}}) {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        const std::vector<std::uint8_t> file = Jpeg(Pattern(w, h, format));
        const std::unique_ptr<Bitmap> bitmap = Bitmap::FromMemory(file);
        ASSERT_NE(bitmap, nullptr);
        const QImage expected = ReadersOwn(file);
        ASSERT_FALSE(expected.isNull());
        EXPECT_EQ(bitmap->Width(), w);
        EXPECT_EQ(bitmap->Height(), h);
        EXPECT_EQ(bitmap->Image(), expected);

        // A clone shares the pixels until one of them is written.
        const std::unique_ptr<Bitmap> clone = bitmap->Clone();
        ASSERT_NE(clone, nullptr);
        {
            auto lock = bitmap->LockBits({0, 0, 4, 4}, LockMode::Write);
            ASSERT_TRUE(lock);
            std::memset(lock->Scan0(), 0x55, 4);
            ASSERT_TRUE(lock->Unlock());
        }
        EXPECT_EQ(clone->Image(), expected);
        EXPECT_NE(bitmap->Image(), expected);
    }
}

TEST(BitmapDecodeThreads, TwoLargePicturesDecodeAtOnce) {
    const std::vector<std::uint8_t> file = Jpeg(Pattern(2401, 1801, QImage::Format_RGB32));
    const QImage expected = ReadersOwn(file);
    std::unique_ptr<Bitmap> other;
    std::thread worker([&] { other = Bitmap::FromMemory(file); });
    const std::unique_ptr<Bitmap> mine = Bitmap::FromMemory(file);
    worker.join();
    ASSERT_NE(mine, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(mine->Image(), expected);
    EXPECT_EQ(other->Image(), expected);
}

}  // namespace
