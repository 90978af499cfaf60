#include <gtest/gtest.h>

#include <random>
#include <thread>
#include <vector>

#include <tbb/task_arena.h>

#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BitmapLock.h"
#include "platform/imaging/DrawImage.h"

using namespace imaging;

namespace {

std::unique_ptr<Bitmap> Noise(int w, int h, unsigned seed) {
    auto bitmap = Bitmap::Create(w, h, PixelFormat24bppRGB);
    auto lock = bitmap->LockBits({0, 0, w, h}, LockMode::Write);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 3 * w; ++x)
            lock->Scan0()[y * lock->Stride() + x] = static_cast<std::uint8_t>(rng());
    return bitmap;
}

QImage DrawnImage(const Bitmap& src, int w, int h, InterpolationMode mode) {
    auto dst = Bitmap::Create(w, h, PixelFormat24bppRGB);
    EXPECT_TRUE(DrawImage(*dst, {0, 0, w, h}, src, {0, 0, src.Width(), src.Height()}, mode));
    return dst->Image();
}

TEST(DrawImageThreads, ParallelRowsGiveTheSerialResult) {
    auto src = Noise(301, 457, 7);
    for (auto [w, h, mode] : {std::tuple{97, 1203, InterpolationMode::HighQualityBicubic},
                              std::tuple{640, 101, InterpolationMode::HighQualityBilinear},
                              std::tuple{300, 458, InterpolationMode::Bicubic}}) {
        const QImage parallel = DrawnImage(*src, w, h, mode);
        QImage serial;
        tbb::task_arena one(1);
        one.execute([&] { serial = DrawnImage(*src, w, h, mode); });
        EXPECT_EQ(parallel, serial);
    }
}

TEST(DrawImageThreads, TwoThreadsDrawFromOneSourceAtOnce) {
    auto src = Noise(200, 150, 11);
    const QImage expected = DrawnImage(*src, 333, 77, InterpolationMode::HighQualityBicubic);
    QImage a, b;
    std::thread t1([&] { a = DrawnImage(*src, 333, 77, InterpolationMode::HighQualityBicubic); });
    std::thread t2([&] { b = DrawnImage(*src, 333, 77, InterpolationMode::HighQualityBicubic); });
    t1.join();
    t2.join();
    EXPECT_EQ(a, expected);
    EXPECT_EQ(b, expected);
}

}  // namespace
