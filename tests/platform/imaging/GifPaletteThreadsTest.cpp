// GIF palettes made on several threads at once (the batch saves in
// parallel): each file is the one a single thread writes.

#include <gtest/gtest.h>

#include <QImage>

#include <cmath>
#include <thread>
#include <vector>

#include "platform/imaging/Bitmap.h"
#include "platform/imaging/ImageEncoder.h"

using namespace imaging;

namespace {

// Thousands of colours, so that a palette is built, not kept.
std::unique_ptr<Bitmap> ManyColours(int seed) {
    QImage image(160, 120, QImage::Format_BGR888);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y,
                           qRgb((x * 255 / 160 + seed) & 0xFF, y * 255 / 120,
                                static_cast<int>(128 + 100 * std::sin(x * 0.1 + y * 0.07 + seed))));
    return Bitmap::FromImage(image, PixelFormat24bppRGB);
}

}  // namespace

TEST(GifPaletteThreads, ConcurrentEncodesWriteWhatOneThreadWrites) {
    constexpr int kThreads = 4;
    std::vector<std::unique_ptr<Bitmap>> pictures;
    std::vector<std::vector<std::uint8_t>> alone(kThreads), together(kThreads);
    for (int i = 0; i < kThreads; ++i) {
        pictures.push_back(ManyColours(i));
        ASSERT_TRUE(EncodeBitmap(*pictures.back(), "image/gif", {}, alone[static_cast<std::size_t>(i)]));
    }
    std::vector<std::thread> threads;
    std::vector<int> ok(kThreads, 0);
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            const auto n = static_cast<std::size_t>(i);
            ok[n] = EncodeBitmap(*pictures[n], "image/gif", {}, together[n]) ? 1 : 0;
        });
    for (std::thread& t : threads)
        t.join();
    for (int i = 0; i < kThreads; ++i) {
        EXPECT_EQ(ok[static_cast<std::size_t>(i)], 1) << i;
        EXPECT_EQ(together[static_cast<std::size_t>(i)], alone[static_cast<std::size_t>(i)]) << i;
    }
}
