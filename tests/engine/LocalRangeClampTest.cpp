#include <gtest/gtest.h>

#include <cmath>

#include "engine/LocalRangeClamp.h"
#include "platform/crt/CrtRandom.h"
#include "support/EngineTestSupport.h"

namespace {

// The rule for one pixel, written out from its description.
int ExpectedPixel(int p, int ref, int lo, int hi, double cf, double q) {
    const int mid = (lo + hi + 1) >> 1;
    const int half = hi - mid == 0 ? 1 : hi - mid;
    const double k = std::max(1.0, half / cf / q * 0.5);
    if (k == 1)
        return ref;
    const double t = double(p - mid) / half;
    if (std::fabs(t) > 1 / k)
        return t > 0 ? hi : lo;
    return std::clamp(static_cast<int>((p - mid) * k + mid), 0, 255);
}

// Brute-force window range: the window centred on the pixel moved inside the
// plane, clipped where it is larger than the plane.
std::pair<int, int> BruteRange(const Plane& ref, int w, int h, int stride, int x, int y, int hw, int hh) {
    auto span = [](int i, int half, int size) {
        const int c = size >= 2 * half + 1 ? std::clamp(i, half, size - half - 1) : i;
        return std::pair{std::max(0, c - half), std::min(size - 1, c + half)};
    };
    auto [x0, x1] = span(x, hw, w);
    auto [y0, y1] = span(y, hh, h);
    int lo = 255, hi = 0;
    for (int yy = y0; yy <= y1; ++yy)
        for (int xx = x0; xx <= x1; ++xx) {
            lo = std::min<int>(lo, ref[yy * stride + xx]);
            hi = std::max<int>(hi, ref[yy * stride + xx]);
        }
    return {lo, hi};
}

struct ClampCase {
    int w, h, stride, winW, winH;
};

void PrintTo(const ClampCase& c, std::ostream* os) {
    *os << c.w << "x" << c.h << " stride " << c.stride << " window " << c.winW << "x" << c.winH;
}

class ClampAgainstBruteForce : public ::testing::TestWithParam<ClampCase> {};

TEST_P(ClampAgainstBruteForce, MatchesWindowMinMax) {
    EngineFlagsGuard flags;
    const auto [w, h, stride, winW, winH] = GetParam();
    const double sx = 2.5, sy = 1.7, cf = 1.2;
    const double q = std::sqrt(std::sqrt(sx * sy));
    const Plane ref = RandomPlane(stride, h, 21);
    Plane image = RandomPlane(stride, h, 22);
    const Plane before = image;
    ASSERT_EQ(LocalRangeClamp(image.data(), ref.data(), w, h, stride, winW, winH, sx, sy, cf, nullptr), 1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            auto [lo, hi] = BruteRange(ref, w, h, stride, x, y, winW / 2, winH / 2);
            const int i = y * stride + x;
            ASSERT_EQ(image[i], ExpectedPixel(before[i], ref[i], lo, hi, cf, q)) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ClampAgainstBruteForce,
                         ::testing::Values(ClampCase{17, 11, 17, 5, 3}, ClampCase{16, 9, 20, 7, 7},
                                           ClampCase{9, 9, 9, 9, 9},
                                           // Planes smaller than the window: clipped, never read outside.
                                           ClampCase{1, 1, 1, 5, 5}, ClampCase{2, 2, 2, 9, 9},
                                           ClampCase{1, 12, 1, 7, 3}, ClampCase{12, 2, 12, 3, 7},
                                           // Taller than a strip of rows: windows reach across strips.
                                           ClampCase{23, 600, 25, 5, 9}, ClampCase{31, 530, 31, 3, 101}));

TEST(LocalRangeClamp, WorkedValues) {
    EngineFlagsGuard flags;
    // A 3 x 3 reference holding 0 and 255 gives lo 0 and hi 255 everywhere.
    Plane ref{0, 0, 0, 0, 255, 0, 0, 0, 0};
    Plane image{150, 140, 129, 0, 128, 0, 0, 0, 0};
    ASSERT_EQ(LocalRangeClamp(image.data(), ref.data(), 3, 3, 3, 3, 3, 4, 4, 3.679, nullptr), 1);
    EXPECT_EQ(image[0], 255);
    EXPECT_EQ(image[1], 231);
    EXPECT_EQ(image[2], 136);
    EXPECT_EQ(image[4], 128);
}

TEST(LocalRangeClamp, FlatReferenceIsCopied) {
    EngineFlagsGuard flags;
    const Plane ref(8 * 8, 90);
    Plane image = RandomPlane(8, 8, 5);
    ASSERT_EQ(LocalRangeClamp(image.data(), ref.data(), 8, 8, 8, 3, 3, 2, 2, 0.5, nullptr), 1);
    EXPECT_EQ(image, ref);
}

TEST(LocalRangeClamp, NoiseOfZeroEqualsThePlainClamp) {
    EngineFlagsGuard flags;
    const Plane src = RandomPlane(15, 10, 6);
    Plane plain = src, noisy = src;
    ASSERT_EQ(LocalRangeClamp(plain.data(), plain.data(), 15, 10, 15, 5, 5, 3, 3, 0.8, nullptr), 1);
    ASSERT_EQ(LocalRangeClampNoise(noisy.data(), noisy.data(), 15, 10, 15, 5, 5, 3, 3, 0.8, 0.0, nullptr), 1);
    EXPECT_EQ(plain, noisy);
}

// A plane that is its own reference: the windows of every row come from the
// plane as it was, also across the row strips the clamp works in.
TEST(LocalRangeClamp, APlaneAsItsOwnReferenceIsReadAsItWas) {
    EngineFlagsGuard flags;
    const int w = 40, h = 700;
    const Plane src = RandomPlane(w, h, 8);
    Plane own = src, separate = src;
    for (int noisy = 0; noisy < 2; ++noisy) {
        own = src;
        const int done = noisy ? LocalRangeClampNoise(own.data(), own.data(), w, h, w, 5, 21, 3, 3, 0.8, 0.0, nullptr)
                               : LocalRangeClamp(own.data(), own.data(), w, h, w, 5, 21, 3, 3, 0.8, nullptr);
        ASSERT_EQ(done, 1);
        separate = src;
        ASSERT_EQ(LocalRangeClamp(separate.data(), src.data(), w, h, w, 5, 21, 3, 3, 0.8, nullptr), 1);
        EXPECT_EQ(own, separate) << (noisy ? "with noise 0" : "plain");
    }
}

TEST(LocalRangeClamp, NoiseAddsScaledSixDrawSum) {
    EngineFlagsGuard flags;
    // Every pixel sees lo 0 and hi 255 and none saturates, so each draws six
    // numbers in turn: the first pixel gets the first six.
    Plane ref{0, 128, 255};
    Plane image{128, 128, 128};
    platform::CrtSrand(77);
    int s = 0;
    for (int i = 0; i < 6; ++i)
        s += platform::CrtRand() - 16383;
    platform::CrtSrand(77);
    ASSERT_EQ(LocalRangeClampNoise(image.data(), ref.data(), 3, 1, 3, 3, 1, 1, 1, 10, 40.0, nullptr), 1);
    const double k = 127 / 10.0 / 1 * 0.5;  // 6.35
    EXPECT_EQ(image[0], std::clamp(128 + static_cast<int>(static_cast<int>(k * 40) * s / 163830), 0, 255));
}

TEST(LocalRangeClamp, NoiseOfZeroStillMovesTheGeneratorOnAsDrawing) {
    EngineFlagsGuard flags;
    // A tiny amplitude adds nothing (trunc(k * noise) is 0) but draws for
    // every pixel that takes noise, one after the other; amplitude 0 must
    // leave the generator at the same place.
    const int w = 301, h = 157;
    const Plane src = RandomPlane(w, h, 16);
    Plane zero = src, tiny = src;
    platform::CrtSrand(5);
    ASSERT_EQ(LocalRangeClampNoise(zero.data(), zero.data(), w, h, w, 5, 5, 2.5, 2.5, 1.2, 0.0, nullptr), 1);
    const int afterZero = platform::CrtRand();
    platform::CrtSrand(5);
    ASSERT_EQ(LocalRangeClampNoise(tiny.data(), tiny.data(), w, h, w, 5, 5, 2.5, 2.5, 1.2, 1e-9, nullptr), 1);
    const int afterTiny = platform::CrtRand();
    EXPECT_EQ(zero, tiny);
    EXPECT_EQ(afterZero, afterTiny);
    platform::CrtSrand(5);
    EXPECT_NE(platform::CrtRand(), afterZero);
}

TEST(LocalRangeClamp, StopOrBadArgumentsLeaveImageUnchanged) {
    EngineFlagsGuard flags;
    const Plane ref = RandomPlane(10, 10, 7);
    const Plane src = RandomPlane(10, 10, 8);
    Plane image = src;
    ScriptedProgress stop(0);
    EXPECT_EQ(LocalRangeClamp(image.data(), ref.data(), 10, 10, 10, 3, 3, 2, 2, 1, &stop), 0);
    EXPECT_EQ(image, src);
    EXPECT_EQ(LocalRangeClamp(image.data(), ref.data(), 10, 10, 10, 3, 3, 2, 2, 0, nullptr), 0);
    EXPECT_EQ(LocalRangeClamp(image.data(), ref.data(), 10, 10, 10, 3, 3, 0, 2, 1, nullptr), 0);
    EXPECT_EQ(LocalRangeClamp(image.data(), ref.data(), 10, 0, 10, 3, 3, 2, 2, 1, nullptr), 0);
    EXPECT_EQ(LocalRangeClamp(image.data(), ref.data(), 10, 10, 9, 3, 3, 2, 2, 1, nullptr), 0);
    EXPECT_EQ(image, src);

    ScriptedProgress all;
    ASSERT_EQ(LocalRangeClamp(image.data(), ref.data(), 10, 10, 10, 3, 3, 2, 2, 1, &all), 1);
    EXPECT_EQ(all.reports.size(), 10u);
    EXPECT_EQ(all.reports.back(), 90);
}

}  // namespace
