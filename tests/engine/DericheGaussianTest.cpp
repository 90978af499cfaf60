#include <gtest/gtest.h>

#include <cmath>

#include "engine/DericheGaussian.h"
#include "support/EngineTestSupport.h"

namespace {

const std::atomic<std::uint8_t> kNeverAbort{0};

bool Blur(Plane& plane, int w, int h, int hParam, int vParam, CRSProgress* progress = nullptr) {
    return DericheGaussian(EngineRect{0, 0, w, h}, plane.data(), &kNeverAbort, hParam, vParam, progress);
}

TEST(DericheGaussian, SigmaFromBlurParameter) {
    EXPECT_NEAR(DericheSigma(8), 0.541, 0.001);
    EXPECT_NEAR(DericheSigma(10), 0.601, 0.001);
    EXPECT_DOUBLE_EQ(DericheSigma(-10), DericheSigma(10));
}

TEST(DericheGaussian, GainsOfBothPassesSumToOne) {
    for (double sigma : {0.541, 0.601, 2.0, 6.5}) {
        const DericheCoeffs c = DericheCoefficients(sigma);
        double n = 0, d = 0;
        for (int i = 0; i <= 4; ++i) {
            n += c.nPlus[i] + c.nMinus[i];
            d += c.d[i];
        }
        EXPECT_NEAR(n / (1 + d), 1.0, 0.01) << sigma;
    }
}

TEST(DericheGaussian, ConstantPlaneStaysConstantBordersIncluded) {
    EngineFlagsGuard flags;
    // Deriche's approximation gains slightly more than 1 at very small sigma
    // (1.006 per pass at parameter 8), so the check starts at parameter 10.
    for (int param : {10, 20, 60, 250}) {
        Plane plane(20 * 20, 100);
        ASSERT_TRUE(Blur(plane, 20, 20, param, param));
        EXPECT_EQ(plane, Plane(20 * 20, 100)) << "parameter " << param;
    }
    for (auto [w, h] : {std::pair{1, 1}, std::pair{1, 9}, std::pair{9, 1}}) {
        Plane plane(static_cast<std::size_t>(w) * h, 37);
        ASSERT_TRUE(Blur(plane, w, h, 10, 10));
        EXPECT_EQ(plane, Plane(plane.size(), 37)) << w << "x" << h;
    }
}

TEST(DericheGaussian, ImpulseSpreadsWithSigma) {
    EngineFlagsGuard flags;
    const int n = 101, centre = 50;
    for (int param : {60, 120}) {
        Plane line(n, 0);
        line[centre] = 255;
        ASSERT_TRUE(Blur(line, n, 1, param, param));
        double mass = 0, moment = 0;
        for (int x = 0; x < n; ++x) {
            mass += line[x];
            moment += line[x] * double(x - centre) * (x - centre);
        }
        const double sigma = DericheSigma(param);
        EXPECT_NEAR(mass, 255, 255 * 0.06) << param;
        EXPECT_NEAR(std::sqrt(moment / mass), sigma, sigma * 0.1) << param;
        // Symmetric about the impulse.
        for (int d = 1; d < 10; ++d)
            EXPECT_NEAR(line[centre - d], line[centre + d], 1) << d;
    }
}

// Each column, then each row, through DericheFilterLine on its own.
Plane BlurLineByLine(Plane plane, int w, int h, int hParam, int vParam) {
    const DericheCoeffs v = DericheCoefficients(DericheSigma(vParam));
    const DericheCoeffs hc = DericheCoefficients(DericheSigma(hParam));
    const int n = std::max(w, h);
    std::vector<int> samples(n);
    std::vector<double> causal(n), anticausal(n);
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h; ++y)
            samples[y] = plane[static_cast<std::size_t>(y) * w + x];
        DericheFilterLine(samples.data(), h, v, causal.data(), anticausal.data(), &plane[x], w);
    }
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = &plane[static_cast<std::size_t>(y) * w];
        for (int x = 0; x < w; ++x)
            samples[x] = row[x];
        DericheFilterLine(samples.data(), w, hc, causal.data(), anticausal.data(), row, 1);
    }
    return plane;
}

TEST(DericheGaussian, PlaneIsItsLinesFilteredOneByOne) {
    EngineFlagsGuard flags;
    for (auto [w, h] : {std::pair{37, 29}, std::pair{8, 8}, std::pair{9, 17}, std::pair{1, 20}, std::pair{20, 1},
                        std::pair{130, 70}}) {
        for (auto [hp, vp] : {std::pair{10, 10}, std::pair{8, 8}, std::pair{30, 10}}) {
            const Plane src = RandomPlane(w, h, w * 100 + h);
            Plane plane = src;
            ASSERT_TRUE(Blur(plane, w, h, hp, vp));
            EXPECT_EQ(plane, BlurLineByLine(src, w, h, hp, vp)) << w << "x" << h << " " << hp << "," << vp;
        }
    }
    // Black and white only: the sums overshoot both ends and are limited.
    Plane binary = RandomPlane(67, 45, 3, 0, 1);
    for (auto& v : binary)
        v = v ? 255 : 0;
    Plane plane = binary;
    ASSERT_TRUE(Blur(plane, 67, 45, 8, 8));
    EXPECT_EQ(plane, BlurLineByLine(binary, 67, 45, 8, 8));
    Plane white(40 * 33, 255);
    ASSERT_TRUE(Blur(white, 40, 33, 8, 8));
    EXPECT_EQ(white, BlurLineByLine(Plane(40 * 33, 255), 40, 33, 8, 8));
}

TEST(DericheGaussian, LineResultIsRoundedToEvenAndLimited) {
    // One sample: both passes are boundary terms, their sum is the gain times x.
    const DericheCoeffs c = DericheCoefficients(DericheSigma(10));
    for (int x : {0, 1, 2, 3, 100, 254, 255}) {
        int sample = x;
        double causal = 0, anticausal = 0;
        std::uint8_t out = 0;
        DericheFilterLine(&sample, 1, c, &causal, &anticausal, &out, 1);
        const float sum = static_cast<float>(causal + anticausal);
        EXPECT_EQ(out, std::clamp<long>(std::lrintf(sum), 0, 255)) << x;
    }
}

TEST(DericheGaussian, ReportsBothPasses) {
    EngineFlagsGuard flags;
    Plane plane = RandomPlane(4, 5, 1);
    ScriptedProgress progress;
    ASSERT_TRUE(Blur(plane, 4, 5, 10, 10, &progress));
    EXPECT_EQ(progress.reports, (std::vector<int>{0, 12, 25, 37, 50, 60, 70, 80, 90}));
}

TEST(DericheGaussian, StopsOnProgressOrAbortByte) {
    EngineFlagsGuard flags;
    const Plane src = RandomPlane(6, 6, 2);
    Plane plane = src;
    ScriptedProgress stop(0);
    EXPECT_FALSE(Blur(plane, 6, 6, 10, 10, &stop));
    EXPECT_EQ(stop.reports.size(), 1u);

    std::atomic<std::uint8_t> abort{1};
    plane = src;
    ScriptedProgress progress;
    EXPECT_FALSE(DericheGaussian(EngineRect{0, 0, 6, 6}, plane.data(), &abort, 10, 10, &progress));
    EXPECT_EQ(progress.reports.size(), 6u);  // the vertical pass ran; the first row stopped
}

TEST(DericheGaussian, RefusesNullPointersAndEmptyPlanes) {
    EngineFlagsGuard flags;
    Plane plane = RandomPlane(5, 5, 3);
    const Plane before = plane;
    EXPECT_FALSE(DericheGaussian(EngineRect{0, 0, 5, 5}, plane.data(), nullptr, 10, 10, nullptr));
    EXPECT_FALSE(DericheGaussian(EngineRect{0, 0, 5, 5}, nullptr, &kNeverAbort, 10, 10, nullptr));
    ScriptedProgress progress;
    EXPECT_FALSE(DericheGaussian(EngineRect{0, 0, 5, 0}, plane.data(), &kNeverAbort, 10, 10, &progress));
    EXPECT_FALSE(DericheGaussian(EngineRect{0, 0, 0, 5}, plane.data(), &kNeverAbort, 10, 10, &progress));
    EXPECT_TRUE(progress.reports.empty());
    EXPECT_EQ(plane, before);
}

}  // namespace
