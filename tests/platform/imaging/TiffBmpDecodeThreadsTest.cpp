// TIFF and colour-mask BMP files decode on several threads at once, whole
// and damaged ones side by side: libtiff's errors are kept to the handle
// that meets them. Threaded: also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <thread>
#include <vector>

#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BmpBitfieldsDecoder.h"
#include "platform/imaging/TiffDecoder.h"
#include "tests/support/BitfieldsBmp.h"

using namespace imaging;

namespace {

constexpr std::int64_t kPlenty = std::int64_t{1} << 30;

std::vector<std::uint8_t> Tiff(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 7) & 255, (y * 3) & 255, ((x ^ y) * 5) & 255));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    writer.setCompression(1);  // LZW
    EXPECT_TRUE(writer.write(image));
    return {bytes.begin(), bytes.end()};
}

TEST(TiffBmpDecodeThreads, WholeAndDamagedFilesDecodeAtOnce) {
    const std::vector<std::uint8_t> whole = Tiff(301, 207);
    std::vector<std::uint8_t> damaged = whole;
    for (std::size_t i = 200; i < 2200 && i < damaged.size(); ++i)
        damaged[i] ^= 0x5A;  // LZW codes out of order
    const bitfields::Layout layout{97, 61, 32, {0xFFE00000, 0x001FFC00, 0x000003FF, 0}};
    const std::vector<std::uint8_t> bmp = bitfields::File(layout, bitfields::Ramps(layout));
    const QImage expectedTiff = DecodeTiff(whole, kPlenty);
    const QImage expectedBmp = DecodeBmpBitfields(bmp, kPlenty);
    ASSERT_FALSE(expectedTiff.isNull());
    ASSERT_FALSE(expectedBmp.isNull());

    constexpr int kThreads = 4, kRounds = 8;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                const std::unique_ptr<Bitmap> tiff = Bitmap::FromMemory(whole);
                mismatches[t] += !tiff || tiff->Image() != expectedTiff;
                mismatches[t] += !DecodeTiff(damaged, kPlenty).isNull();
                mismatches[t] += DecodeBmpBitfields(bmp, kPlenty) != expectedBmp;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

}  // namespace
