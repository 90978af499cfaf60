// The outputs of every InterpolMode, pinned to the bytes: the resizes keep
// and reuse their working memory from one stage, channel and call to the
// next, and none of that may change a single output byte.
//
// The checksums were recorded from the outputs of commit eb79645, before
// the engine and the batch kept their buffers; those of the enlargements in
// modes 8 and 9 from commit 325b70f, whose edge-directed smoothing has a new
// border rule. Work that deliberately changes an algorithm's result records
// them anew.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/resize/ResizeBitmap.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BitmapLock.h"

using imaging::Bitmap;
using imaging::LockMode;
using imaging::PixelFormat24bppRGB;

namespace {

// A photograph-like picture: smooth gradients, hard edges, thin lines and
// noise from a fixed sequence.
std::unique_ptr<Bitmap> Picture(int w, int h) {
    auto bitmap = Bitmap::Create(w, h, PixelFormat24bppRGB);
    auto lock = bitmap->LockBits({0, 0, w, h}, LockMode::Write);
    std::uint32_t state = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = static_cast<int>(state >> 28) - 8;
            const bool inside = (x - w / 3) * (x - w / 3) + (y - h / 2) * (y - h / 2) < (h / 3) * (h / 3);
            const bool line = x % 17 == 0 || (x + y) % 29 == 0;
            std::uint8_t* px = lock->Scan0() + y * lock->Stride() + 3 * x;
            const int base = inside ? 200 : 40 + 150 * x / w;
            px[0] = static_cast<std::uint8_t>(std::clamp(base + noise, 0, 255));
            px[1] = static_cast<std::uint8_t>(std::clamp((line ? 20 : 60 + 180 * y / h) + noise, 0, 255));
            px[2] = static_cast<std::uint8_t>(std::clamp((inside ? 90 : 230) - 2 * noise, 0, 255));
        }
    lock->Unlock();
    return bitmap;
}

// FNV-1a over the pixel bytes of every row (not the row padding).
std::uint64_t Checksum(Bitmap& bitmap) {
    auto lock = bitmap.LockBits({0, 0, bitmap.Width(), bitmap.Height()}, LockMode::Read);
    std::uint64_t hash = 14695981039346656037ull;
    for (int y = 0; y < bitmap.Height(); ++y) {
        const std::uint8_t* row = lock->Scan0() + y * lock->Stride();
        for (int i = 0; i < 3 * bitmap.Width(); ++i)
            hash = (hash ^ row[i]) * 1099511628211ull;
    }
    return hash;
}

struct Expected {
    int mode;
    int srcW, srcH, dstW, dstH;
    std::uint64_t checksum;
};

// Sizes that take every strategy: strong and moderate reductions, whole and
// broken enlargements, one axis enlarged with the other reduced, a large
// factor, and a picture large enough to be split over every thread.
const Expected kExpected[] = {
#include "ResizeOutputChecksums.inc"
};

std::uint64_t Resize(const Expected& e) {
    auto source = Picture(e.srcW, e.srcH);
    auto target = Bitmap::Create(e.dstW, e.dstH, PixelFormat24bppRGB);
    EXPECT_EQ(ResizeBitmap(source.get(), target.get(), e.mode, 0, nullptr), 1);
    return Checksum(*target);
}

std::string Describe(const Expected& e, std::uint64_t actual) {
    char text[160];
    std::snprintf(text, sizeof text, "{%d, %d, %d, %d, %d, 0x%016llxull},", e.mode, e.srcW, e.srcH, e.dstW, e.dstH,
                  static_cast<unsigned long long>(actual));
    return text;
}

TEST(ResizeOutputChecksum, EveryModeGivesTheRecordedBytes) {
    for (const Expected& e : kExpected) {
        const std::uint64_t actual = Resize(e);
        EXPECT_EQ(actual, e.checksum) << Describe(e, actual);
    }
}

// The second time round the memory that the first calls kept, holding their
// bytes, is what the stages get: the outputs stay the same.
TEST(ResizeOutputChecksum, ReusedMemoryGivesTheSameBytes) {
    std::vector<std::uint64_t> first;
    for (const Expected& e : kExpected)
        first.push_back(Resize(e));
    for (std::size_t i = std::size(kExpected); i-- > 0;)
        EXPECT_EQ(Resize(kExpected[i]), first[i]) << Describe(kExpected[i], first[i]);
}

}  // namespace
