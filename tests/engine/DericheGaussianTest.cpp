#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

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

// The blur written out from its definition, apart from the code: Deriche's
// coefficients for sigma, and the two recursions of every line, whose terms
// before the line's start (after its end) take the end sample and, for the
// earlier outputs, `boundaryOutput` times that sample. The steady state of a
// constant line is the gain G = sum(n) / (1 + sum(d)) of each pass; the
// other rule, (1 - G), is kept to show what it would do.
struct Reference {
    std::array<double, 5> nPlus{}, nMinus{}, d{};
    double gainPlus = 0, gainMinus = 0;

    explicit Reference(double sigma) {
        const double A = std::sqrt(2 * 3.14159265358979323846) * sigma;
        const double a0 = 1.6803 / A, a1 = 3.735 / A, c0 = -0.6803 / A, c1 = -0.2598 / A;
        const double b0 = 1.783 / sigma, b1 = 1.723 / sigma, w0 = 0.6318 / sigma, w1 = 1.997 / sigma;
        using std::cos, std::exp, std::sin;
        nPlus = {
            a0 + c0,
            exp(-b1) * (c1 * sin(w1) - (2 * a0 + c0) * cos(w1)) + exp(-b0) * (a1 * sin(w0) - (a0 + 2 * c0) * cos(w0)),
            2 * exp(-b0 - b1) * ((a0 + c0) * cos(w1) * cos(w0) - a1 * cos(w1) * sin(w0) - c1 * cos(w0) * sin(w1)) +
                c0 * exp(-2 * b0) + a0 * exp(-2 * b1),
            exp(-b1 - 2 * b0) * (c1 * sin(w1) - c0 * cos(w1)) + exp(-b0 - 2 * b1) * (a1 * sin(w0) - a0 * cos(w0)), 0};
        d = {0, -2 * exp(-b1) * cos(w1) - 2 * exp(-b0) * cos(w0),
             4 * cos(w1) * cos(w0) * exp(-b0 - b1) + exp(-2 * b1) + exp(-2 * b0),
             -2 * cos(w0) * exp(-b0 - 2 * b1) - 2 * cos(w1) * exp(-b1 - 2 * b0), exp(-2 * b0 - 2 * b1)};
        for (int i = 1; i <= 4; ++i)
            nMinus[i] = nPlus[i] - d[i] * nPlus[0];
        double sumPlus = 0, sumMinus = 0, sumD = 0;
        for (int i = 0; i <= 4; ++i) {
            sumPlus += nPlus[i];
            sumMinus += nMinus[i];
            sumD += d[i];
        }
        gainPlus = sumPlus / (1 + sumD);
        gainMinus = sumMinus / (1 + sumD);
    }

    // One line, in place; steadyState false takes (1 - G) for the outputs
    // before the line.
    void Filter(std::vector<int>& x, bool steadyState = true) const {
        const int n = static_cast<int>(x.size());
        const double before = steadyState ? gainPlus : 1 - gainPlus;
        const double after = steadyState ? gainMinus : 1 - gainMinus;
        std::vector<double> causal(n), anticausal(n);
        for (int k = 0; k < n; ++k)
            for (int i = 0; i <= 4; ++i)
                causal[k] +=
                    k - i >= 0 ? nPlus[i] * x[k - i] - d[i] * causal[k - i] : nPlus[i] * x[0] - d[i] * before * x[0];
        for (int k = n - 1; k >= 0; --k)
            for (int i = 0; i <= 4; ++i)
                anticausal[k] += k + i < n ? nMinus[i] * x[k + i] - d[i] * anticausal[k + i]
                                           : nMinus[i] * x[n - 1] - d[i] * after * x[n - 1];
        for (int k = 0; k < n; ++k)
            x[k] = std::clamp<int>(static_cast<int>(std::nearbyint(static_cast<float>(causal[k] + anticausal[k]))), 0,
                                   255);
    }
};

// Each column, then each row.
Plane ReferenceBlur(Plane plane, int w, int h, int hParam, int vParam, bool steadyState = true) {
    const auto sigma = [](int v) { return std::sqrt(std::pow(std::fabs(v / 10.0f) + 1, 2) / (2 * std::log(255.0))); };
    const Reference vertical(sigma(vParam)), horizontal(sigma(hParam));
    for (int x = 0; x < w; ++x) {
        std::vector<int> line(h);
        for (int y = 0; y < h; ++y)
            line[y] = plane[static_cast<std::size_t>(y) * w + x];
        vertical.Filter(line, steadyState);
        for (int y = 0; y < h; ++y)
            plane[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint8_t>(line[y]);
    }
    for (int y = 0; y < h; ++y) {
        std::vector<int> line(plane.begin() + static_cast<std::ptrdiff_t>(y) * w,
                              plane.begin() + static_cast<std::ptrdiff_t>(y + 1) * w);
        horizontal.Filter(line, steadyState);
        std::copy(line.begin(), line.end(), plane.begin() + static_cast<std::ptrdiff_t>(y) * w);
    }
    return plane;
}

TEST(DericheGaussian, CoefficientsAreDerichesForSigma) {
    for (double sigma : {0.541, 0.601, 2.0, 6.5}) {
        const DericheCoeffs c = DericheCoefficients(sigma);
        const Reference r(sigma);
        for (int i = 0; i <= 4; ++i) {
            EXPECT_NEAR(c.nPlus[i], r.nPlus[i], 1e-12) << sigma << " " << i;
            EXPECT_NEAR(c.nMinus[i], r.nMinus[i], 1e-12) << sigma << " " << i;
            EXPECT_NEAR(c.d[i], r.d[i], 1e-12) << sigma << " " << i;
            // The boundary terms make the outputs before the line the steady
            // state G times the end sample: (n - e) x = n x - d G x.
            EXPECT_NEAR(c.ePlus[i], r.gainPlus * r.d[i], 1e-12) << sigma << " " << i;
            EXPECT_NEAR(c.eMinus[i], r.gainMinus * r.d[i], 1e-12) << sigma << " " << i;
        }
    }
}

// With the outputs before the line counted as (1 - G) times the end sample,
// a flat plane of 100 would come out 108 in one corner and 92 in the other;
// the steady state G keeps it flat.
TEST(DericheGaussian, TheSteadyStateAtTheEndsKeepsAFlatPlaneFlat) {
    EngineFlagsGuard flags;
    const Plane flat(20 * 20, 100);
    const Plane other = ReferenceBlur(flat, 20, 20, 10, 10, false);
    EXPECT_EQ(other[0], 108);
    EXPECT_EQ(other[20 * 20 - 1], 92);
    Plane plane = flat;
    ASSERT_TRUE(Blur(plane, 20, 20, 10, 10));
    EXPECT_EQ(plane, flat);
    EXPECT_EQ(ReferenceBlur(flat, 20, 20, 10, 10), flat);
}

TEST(DericheGaussian, PlaneEqualsTheReference) {
    EngineFlagsGuard flags;
    for (auto [w, h] : {std::pair{37, 29}, std::pair{8, 8}, std::pair{9, 17}, std::pair{1, 20}, std::pair{20, 1},
                        std::pair{130, 70}, std::pair{300, 133}}) {
        for (auto [hp, vp] : {std::pair{10, 10}, std::pair{8, 8}, std::pair{30, 10}}) {
            const Plane src = RandomPlane(w, h, w * 100 + h);
            Plane plane = src;
            ASSERT_TRUE(Blur(plane, w, h, hp, vp));
            EXPECT_EQ(plane, ReferenceBlur(src, w, h, hp, vp)) << w << "x" << h << " " << hp << "," << vp;
        }
    }
    // Black and white only: the sums overshoot both ends and are limited.
    Plane binary = RandomPlane(67, 45, 3, 0, 1);
    for (auto& v : binary)
        v = v ? 255 : 0;
    Plane plane = binary;
    ASSERT_TRUE(Blur(plane, 67, 45, 8, 8));
    EXPECT_EQ(plane, ReferenceBlur(binary, 67, 45, 8, 8));
    Plane white(40 * 33, 255);
    ASSERT_TRUE(Blur(white, 40, 33, 8, 8));
    EXPECT_EQ(white, ReferenceBlur(Plane(40 * 33, 255), 40, 33, 8, 8));
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

TEST(DericheGaussian, RefusesNullPointers) {
    EngineFlagsGuard flags;
    Plane plane = RandomPlane(5, 5, 3);
    const Plane before = plane;
    EXPECT_FALSE(DericheGaussian(EngineRect{0, 0, 5, 5}, plane.data(), nullptr, 10, 10, nullptr));
    EXPECT_FALSE(DericheGaussian(EngineRect{0, 0, 5, 5}, nullptr, &kNeverAbort, 10, 10, nullptr));
    EXPECT_EQ(plane, before);
}

// A plane without rows or columns is blurred at once; without rows the
// vertical pass still reports each column, and may be stopped there.
TEST(DericheGaussian, EmptyPlanesAreDoneAtOnce) {
    EngineFlagsGuard flags;
    Plane plane = RandomPlane(5, 5, 3);
    const Plane before = plane;
    ScriptedProgress noColumns;
    EXPECT_TRUE(DericheGaussian(EngineRect{0, 0, 0, 5}, plane.data(), &kNeverAbort, 10, 10, &noColumns));
    EXPECT_TRUE(noColumns.reports.empty());
    ScriptedProgress noRows;
    EXPECT_TRUE(DericheGaussian(EngineRect{0, 0, 5, 0}, plane.data(), &kNeverAbort, 10, 10, &noRows));
    EXPECT_EQ(noRows.reports, (std::vector<int>{0, 10, 20, 30, 40}));
    EXPECT_EQ(plane, before);
    ScriptedProgress stop(0);
    EXPECT_FALSE(DericheGaussian(EngineRect{0, 0, 5, 0}, plane.data(), &kNeverAbort, 10, 10, &stop));
    EXPECT_EQ(stop.reports.size(), 1u);
}

}  // namespace
