#include <gtest/gtest.h>

#include <cmath>

#include "engine/KernelResample.h"
#include "support/EngineTestSupport.h"

namespace {

// Top-left-aligned bilinear written independently of the resampler: the
// source position of output x is x * srcW / dstW.
Plane ReferenceBilinear(const Plane& src, int sw, int sh, int dw, int dh) {
    Plane out(static_cast<std::size_t>(dw) * dh);
    auto at = [&](long long x, long long y) {
        x = std::clamp<long long>(x, 0, sw - 1);
        y = std::clamp<long long>(y, 0, sh - 1);
        return static_cast<double>(src[y * sw + x]);
    };
    for (int y = 0; y < dh; ++y) {
        const long long y0 = static_cast<long long>(y) * sh / dh;
        const double fy = std::floor(1024 * (static_cast<double>(y) * sh / dh - y0)) / 1024;
        for (int x = 0; x < dw; ++x) {
            const long long x0 = static_cast<long long>(x) * sw / dw;
            const double fx = std::floor(1024 * (static_cast<double>(x) * sw / dw - x0)) / 1024;
            const double top = at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx;
            const double bottom = at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx;
            out[static_cast<std::size_t>(y) * dw + x] =
                static_cast<std::uint8_t>(std::floor(top * (1 - fy) + bottom * fy + 0.5));
        }
    }
    return out;
}

TEST(KernelValue, FamiliesAtKnownPoints) {
    EXPECT_DOUBLE_EQ(KernelValue(0.25, 0, 0, 1), 0.75);
    EXPECT_DOUBLE_EQ(KernelValue(-1.0, 0, 0, 1), 0.0);
    // Catmull-Rom: 1 at 0, 0 at the integers, -0.0625 at 1.5.
    EXPECT_DOUBLE_EQ(KernelValue(0.0, 0, 0.5, 2), 1.0);
    EXPECT_NEAR(KernelValue(1.0, 0, 0.5, 2), 0.0, 1e-15);
    EXPECT_NEAR(KernelValue(1.5, 0, 0.5, 2), -0.0625, 1e-15);
    // Lanczos-3 at 0.5: sinc(0.5) * sinc(0.5 / 3).
    const double pi = 3.141592653589793;
    EXPECT_NEAR(KernelValue(0.5, 3, 1, 3), std::sin(pi / 2) / (pi / 2) * std::sin(pi / 6) / (pi / 6), 1e-15);
    EXPECT_DOUBLE_EQ(KernelValue(3.0, 3, 1, 3), 0.0);
    EXPECT_NEAR(KernelValue(1.0, 2, 2, 3), 0.0, 1e-15);  // Hann-windowed sinc at a zero
    EXPECT_DOUBLE_EQ(KernelValue(1.0, 2, 4, 3), 0.5);    // the Hann window alone
    EXPECT_DOUBLE_EQ(KernelValue(0.5, 2, 9, 3), 0.0);    // unknown window
    EXPECT_DOUBLE_EQ(KernelValue(0.5, 2, 9, 3 + 0) + KernelValue(0.0, 2, 9, 3), 1.0);
    EXPECT_DOUBLE_EQ(KernelValue(0.49, 0, 0, 7), 1.0);  // box
    EXPECT_DOUBLE_EQ(KernelValue(0.5, 0, 0, 7), 0.0);
}

TEST(KernelResample, TentEqualsIndependentBilinear) {
    EngineFlagsGuard flags;
    const int sw = 37, sh = 23, dw = 91, dh = 50;
    const Plane src = RandomPlane(sw, sh, 7);
    Plane dst(static_cast<std::size_t>(dw) * dh, 0);
    ASSERT_EQ(KernelResample(dst.data(), src.data(), sw, sh, dw, dh, 1, 0, 1, nullptr), 1);
    const Plane expected = ReferenceBilinear(src, sw, sh, dw, dh);
    int differing = 0;
    for (std::size_t i = 0; i < dst.size(); ++i)
        differing += std::abs(dst[i] - expected[i]) > 0;
    EXPECT_EQ(differing, 0);
}

TEST(KernelResample, EqualSizesCopyExactly) {
    EngineFlagsGuard flags;
    const Plane src = RandomPlane(40, 30, 3);
    for (int type : {1, 2, 3}) {
        Plane dst(src.size(), 0);
        // Catmull-Rom for the cubic, Lanczos-3 for the sinc.
        const double p1 = type == 2 ? 0.0 : 3.0, p2 = type == 2 ? 0.5 : 1.0;
        ASSERT_EQ(KernelResample(dst.data(), src.data(), 40, 30, 40, 30, p1, p2, type, nullptr), 1);
        EXPECT_EQ(dst, src) << "type " << type;
    }
}

TEST(KernelResample, UnnormalisedLanczosOnConstantPlane) {
    EngineFlagsGuard flags;
    const Plane src(16 * 16, 255);
    Plane dst(32 * 32, 0);
    auto at = [&](int x, int y) { return dst[y * 32 + x]; };

    ASSERT_EQ(KernelResample(dst.data(), src.data(), 16, 16, 32, 32, 2, 1, 3, nullptr), 1);
    EXPECT_EQ(at(8, 8), 255);  // phase 0 in both directions
    EXPECT_EQ(at(9, 9), 255);  // about 264.8, limited

    ASSERT_EQ(KernelResample(dst.data(), src.data(), 16, 16, 32, 32, 3, 1, 3, nullptr), 1);
    EXPECT_EQ(at(8, 8), 255);
    EXPECT_EQ(at(9, 9), 252);  // phase 512 in both directions
    EXPECT_EQ(at(9, 8), 254);  // phase 512 in one direction
    EXPECT_EQ(at(8, 9), 254);
}

TEST(KernelResample, OnePixelWideSourceScalesByWeightSum) {
    EngineFlagsGuard flags;
    const Plane src{100, 200, 50};
    Plane dst(4 * 3, 0);
    ASSERT_EQ(KernelResample(dst.data(), src.data(), 1, 3, 4, 3, 3, 1, 3, nullptr), 1);
    double weightSum = 0;
    for (int t = 0; t < 6; ++t)
        weightSum += KernelValue((t + 1 - 3) - 256 / 1024.0, 3, 1, 3);
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(dst[y * 4 + 0], src[y]);
        EXPECT_EQ(dst[y * 4 + 1], static_cast<int>(src[y] * weightSum + 0.5)) << "row " << y;
    }
}

TEST(KernelResample, RefusesInvalidArgumentsAndTouchesNothing) {
    EngineFlagsGuard flags;
    const Plane src = RandomPlane(8, 8, 1);
    struct Case {
        int sw, sh, dw, dh, type;
        double support;
    };
    for (const Case& c :
         {Case{8, 8, 8, 8, 0, 3}, Case{8, 8, 0, 8, 3, 3}, Case{8, 8, 8, 0, 3, 3}, Case{0, 8, 8, 8, 3, 3},
          Case{8, -1, 8, 8, 3, 3}, Case{8, 8, 8, 8, 3, 0}, Case{8, 8, 8, 8, 3, NAN}, Case{8, 8, 8, 8, 3, 1e9}}) {
        Plane dst(64, 77);
        ScriptedProgress progress;
        EXPECT_EQ(KernelResample(dst.data(), src.data(), c.sw, c.sh, c.dw, c.dh, c.support, 1, c.type, &progress), 0);
        EXPECT_EQ(dst, Plane(64, 77));
        EXPECT_TRUE(progress.reports.empty());
    }
}

TEST(KernelResample, ReportsEveryRowAndStopsAtFirstReport) {
    EngineFlagsGuard flags;
    const Plane src = RandomPlane(20, 20, 5, 10, 200);
    const int dw = 30, dh = 30;

    ScriptedProgress all;
    Plane full(static_cast<std::size_t>(dw) * dh, 0);
    ASSERT_EQ(KernelResample(full.data(), src.data(), 20, 20, dw, dh, 1, 0, 1, &all), 1);
    ASSERT_EQ(all.reports.size(), static_cast<std::size_t>(dh));
    for (int y = 0; y < dh; ++y)
        EXPECT_EQ(all.reports[y], y * 100 / dh);

    ScriptedProgress stopping(0);
    Plane partial(full.size(), 0);
    EXPECT_EQ(KernelResample(partial.data(), src.data(), 20, 20, dw, dh, 1, 0, 1, &stopping), 0);
    EXPECT_EQ(stopping.reports.size(), 1u);
    EXPECT_TRUE(std::equal(full.begin(), full.begin() + dw, partial.begin()));
    EXPECT_TRUE(std::all_of(partial.begin() + dw, partial.end(), [](auto v) { return v == 0; }));
}

// A stop in a later block of rows: the rows up to the stopping one are
// there, in every block, and no row after it is written.
TEST(KernelResample, AStopLaterOnLeavesTheRowsUpToItAndNoMore) {
    EngineFlagsGuard flags;
    const Plane src = RandomPlane(40, 300, 6, 10, 200);
    const int dw = 70, dh = 1000;
    Plane full(static_cast<std::size_t>(dw) * dh, 0);
    ASSERT_EQ(KernelResample(full.data(), src.data(), 40, 300, dw, dh, 2, 0.5, 2, nullptr), 1);
    for (int stopAt : {0, 129, 600, 999}) {
        ScriptedProgress stopping(stopAt);
        Plane partial(full.size(), 0);
        EXPECT_EQ(KernelResample(partial.data(), src.data(), 40, 300, dw, dh, 2, 0.5, 2, &stopping), 0);
        EXPECT_EQ(stopping.reports.size(), static_cast<std::size_t>(stopAt + 1));
        const auto end = partial.begin() + static_cast<std::ptrdiff_t>(stopAt + 1) * dw;
        EXPECT_TRUE(std::equal(partial.begin(), end, full.begin())) << "stop at " << stopAt;
        EXPECT_TRUE(std::all_of(end, partial.end(), [](auto v) { return v == 0; })) << "stop at " << stopAt;
    }
}

TEST(KernelResample, LargeCoordinateProductsDoNotOverflow) {
    EngineFlagsGuard flags;
    // x * srcW reaches 70000 * 40000, past 2^31: the last column must still
    // sample the right edge of the source.
    const int sw = 40000, sh = 1, dw = 70000, dh = 1;
    Plane src(sw);
    for (int x = 0; x < sw; ++x)
        src[x] = x < sw / 2 ? 10 : 240;
    Plane dst(dw, 0);
    ASSERT_EQ(KernelResample(dst.data(), src.data(), sw, sh, dw, dh, 1, 0, 1, nullptr), 1);
    EXPECT_EQ(dst.front(), 10);
    EXPECT_EQ(dst.back(), 240);
    EXPECT_EQ(dst[dw / 2 - 2], 10);
    EXPECT_EQ(dst[dw / 2 + 2], 240);
}

// The resampler's formula written out pixel by pixel: the 1024-phase table,
// top-left alignment, clamped taps, sum over v then u of (h[u] * wv) * src.
Plane ReferenceKernel(const Plane& src, int sw, int sh, int dw, int dh, double support, double param, int type) {
    const int r = (type == 1 || type == 2) ? type : static_cast<int>(std::ceil(support));
    const int taps = 2 * r;
    std::vector<double> table(1024 * taps);
    for (int k = 0; k < 1024; ++k)
        for (int t = 0; t < taps; ++t)
            table[k * taps + t] = KernelValue((t + 1 - r) - k / 1024.0, support, param, type);
    auto phaseOf = [](long long i, int s, int d, long long& whole) {
        whole = i * s / d;
        return static_cast<int>(1024 * std::fabs(static_cast<double>(i * s) / d - whole));
    };
    Plane out(static_cast<std::size_t>(dw) * dh);
    for (int y = 0; y < dh; ++y) {
        long long y0;
        const double* wv = &table[phaseOf(y, sh, dh, y0) * taps];
        for (int x = 0; x < dw; ++x) {
            long long x0;
            const double* hu = &table[phaseOf(x, sw, dw, x0) * taps];
            double sum = 0;
            for (int v = 0; v < taps; ++v) {
                const long long row = std::clamp<long long>(y0 - r + 1 + v, 0, sh - 1);
                for (int u = 0; u < taps; ++u) {
                    const long long col = std::clamp<long long>(x0 - r + 1 + u, 0, sw - 1);
                    sum += (hu[u] * wv[v]) * src[row * sw + col];
                }
            }
            out[static_cast<std::size_t>(y) * dw + x] =
                static_cast<std::uint8_t>(std::clamp<long long>(static_cast<long long>(sum + 0.5), 0, 255));
        }
    }
    return out;
}

TEST(KernelResample, MatchesTheFormulaAtWholeSimpleAndOddFactors) {
    EngineFlagsGuard flags;
    struct Kernel {
        double support, param;
        int type;
    };
    const Kernel kernels[] = {{2, 1, 3}, {3, 1, 3}, {0, 0.5, 2}, {0, 0, 1}};
    struct Size {
        int sw, sh, dw, dh;
    };
    const Size sizes[] = {{100, 30, 200, 60}, {100, 30, 300, 90}, {100, 30, 250, 75},
                          {200, 40, 100, 20}, {200, 40, 50, 10},  {100, 30, 140, 21},
                          {97, 31, 301, 67},  {64, 5, 64, 5},     {3, 2, 400, 7}};
    for (const auto& z : sizes) {
        const Plane src = RandomPlane(z.sw, z.sh, z.sw * 7 + z.dw);
        for (const auto& k : kernels) {
            Plane dst(static_cast<std::size_t>(z.dw) * z.dh);
            ASSERT_EQ(
                KernelResample(dst.data(), src.data(), z.sw, z.sh, z.dw, z.dh, k.support, k.param, k.type, nullptr), 1);
            EXPECT_EQ(dst, ReferenceKernel(src, z.sw, z.sh, z.dw, z.dh, k.support, k.param, k.type))
                << z.sw << "x" << z.sh << " to " << z.dw << "x" << z.dh << " type " << k.type << " support "
                << k.support;
        }
    }
}

}  // namespace
