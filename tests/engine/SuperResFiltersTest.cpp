#include <gtest/gtest.h>

#include <cmath>

#include "SuperResTestSupport.h"
#include "engine/KernelResample.h"
#include "engine/SuperResColour.h"
#include "engine/SuperResEnvelope.h"
#include "engine/SuperResGaussian.h"
#include "engine/SuperResLanczos.h"

namespace {

const SuperRes::AbortFlag kNeverAbort{0};

using Image = BgrImage;

Image RandomImage(int w, int h, unsigned seed) { return RandomBgrImage(w, h, seed, 5); }
Image BlankImage(int w, int h, int padding, std::uint8_t fill) { return FilledBgrImage(w, h, padding, fill); }

SuperRes::ResampleParams Lanczos(Image& dst, const Image& src) {
    SuperRes::ResampleParams p;
    p.dst = dst.bytes.data();
    p.src = src.bytes.data();
    p.srcW = src.w;
    p.srcH = src.h;
    p.srcStride = src.stride;
    p.dstW = dst.w;
    p.dstH = dst.h;
    p.dstStride = dst.stride;
    p.parallel = false;
    p.abort = &kNeverAbort;
    return p;
}

// Lanczos-4 at the resampler's sampling positions (phases in 1/256), with
// weights and sums in doubles.
double ReferenceLanczos(const Image& src, int dstW, int dstH, int x, int y, int channel) {
    auto position = [](long long i, int s, int d, long long& whole) {
        whole = i * s / d;
        return std::floor(256.0 * (i * s - whole * d) / d) / 256.0;
    };
    long long sx0, sy0;
    const double fx = position(x, src.w, dstW, sx0), fy = position(y, src.h, dstH, sy0);
    double sum = 0;
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u) {
            const int row = std::clamp<long long>(sy0 - 3 + v, 0, src.h - 1);
            const int col = std::clamp<long long>(sx0 - 3 + u, 0, src.w - 1);
            sum += KernelValue((u - 3) - fx, 4, 1, 3) * KernelValue((v - 3) - fy, 4, 1, 3) * src.at(col, row)[channel];
        }
    return std::clamp(sum, 0.0, 255.0);
}

// The fixed-point arithmetic written out per pixel: 12-bit weights at 256
// phases, (wh * wv) >> 8 per tap pair, sum >> 16 limited to a byte.
std::uint8_t FixedPointLanczos(const Image& src, int dstW, int dstH, int x, int y, int channel) {
    auto weight = [](int tap, int phase) {
        return static_cast<int>(KernelValue((tap - 3) - phase / 256.0, 4, 1, 3) * 4096 + 0.5);
    };
    const long long sx0 = 1LL * x * src.w / dstW, sy0 = 1LL * y * src.h / dstH;
    const int px = static_cast<int>(256LL * x * src.w / dstW - 256 * sx0);
    const int py = static_cast<int>(256LL * y * src.h / dstH - 256 * sy0);
    int sum = 0;
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u) {
            const int row = std::clamp<long long>(sy0 - 3 + v, 0, src.h - 1);
            const int col = std::clamp<long long>(sx0 - 3 + u, 0, src.w - 1);
            sum += ((weight(u, px) * weight(v, py)) >> 8) * src.at(col, row)[channel];
        }
    return static_cast<std::uint8_t>(std::clamp(sum >> 16, 0, 255));
}

TEST(SuperResLanczos, MatchesTheFixedPointDefinitionExactly) {
    EngineFlagsGuard flags;
    const Image src = RandomImage(26, 19, 14);
    // Both the processor-specific and the portable code.
    for (bool portable : {false, true})
        for (auto [w, h] :
             {std::pair{52, 38}, std::pair{61, 47}, std::pair{104, 19}, std::pair{13, 40}, std::pair{104, 76}}) {
            Image dst = BlankImage(w, h, 1, 0);
            SuperRes::ResampleParams p = Lanczos(dst, src);
            p.portable = portable;
            ASSERT_TRUE(SuperRes::ResampleLanczos(p));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    for (int c = 0; c < 3; ++c)
                        ASSERT_EQ(dst.at(x, y)[c], FixedPointLanczos(src, w, h, x, y, c))
                            << w << "x" << h << " at " << x << "," << y << (portable ? " portable" : "");
        }
}

TEST(SuperResLanczos, EqualSizeCopiesExactly) {
    EngineFlagsGuard flags;
    const Image src = RandomImage(37, 23, 1);
    Image dst = BlankImage(37, 23, 2, 0);
    ASSERT_TRUE(SuperRes::ResampleLanczos(Lanczos(dst, src)));
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(dst.at(x, y)[c], src.at(x, y)[c]) << x << "," << y;
}

TEST(SuperResLanczos, EnlargingStaysWithinOneOfADoubleReference) {
    EngineFlagsGuard flags;
    const Image src = RandomImage(29, 17, 2);
    for (auto [w, h] : {std::pair{58, 34}, std::pair{87, 51}, std::pair{50, 29}}) {
        Image dst = BlankImage(w, h, 3, 0);
        ASSERT_TRUE(SuperRes::ResampleLanczos(Lanczos(dst, src)));
        double worst = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c)
                    worst = std::max(worst,
                                     std::fabs(dst.at(x, y)[c] - std::nearbyint(ReferenceLanczos(src, w, h, x, y, c))));
        EXPECT_LE(worst, 1.0) << w << "x" << h;
    }
}

TEST(SuperResLanczos, OneChannelAndRowPadding) {
    EngineFlagsGuard flags;
    const Plane src = RandomPlane(11, 7, 3);
    Plane dst(40 * 20, 0xEE);  // 33 x 20 pixels in rows of 40
    SuperRes::ResampleParams p;
    p.colour = 0;
    p.dst = dst.data();
    p.src = src.data();
    p.srcW = 11;
    p.srcH = 7;
    p.srcStride = 11;
    p.dstW = 33;
    p.dstH = 20;
    p.dstStride = 40;
    ASSERT_TRUE(SuperRes::ResampleLanczos(p));
    for (int y = 0; y < 20; ++y) {
        for (int x = 33; x < 40; ++x)
            EXPECT_EQ(dst[y * 40 + x], 0xEE);
    }
    // Output 0 and every third column fall on source pixels (phase 0).
    for (int x = 0; x < 11; ++x)
        EXPECT_EQ(dst[3 * x], src[x]);
}

TEST(SuperResLanczos, RefusesTypeZeroAndStopsOnAbort) {
    EngineFlagsGuard flags;
    const Image src = RandomImage(8, 8, 4);
    Image dst = BlankImage(16, 16, 0, 0xEE);
    SuperRes::ResampleParams p = Lanczos(dst, src);
    p.type = 0;
    EXPECT_FALSE(SuperRes::ResampleLanczos(p));
    p = Lanczos(dst, src);
    const SuperRes::AbortFlag abort{1};
    p.abort = &abort;
    EXPECT_FALSE(SuperRes::ResampleLanczos(p));
    EXPECT_EQ(dst.bytes, Plane(dst.bytes.size(), 0xEE));
    p.abort = &kNeverAbort;
    p.dstW = 0;
    EXPECT_FALSE(SuperRes::ResampleLanczos(p));
    // A cubic with absurd B and C would overflow the fixed-point sums.
    p = Lanczos(dst, src);
    p.type = 2;
    p.support = 2;
    p.window = 1e6;
    EXPECT_FALSE(SuperRes::ResampleLanczos(p));
    EXPECT_EQ(dst.bytes, Plane(dst.bytes.size(), 0xEE));
}

TEST(SuperResColour, SplitValuesAndPadding) {
    EngineFlagsGuard flags;
    // 19 x 18 pixels: white, grey 128 and a colour, padded to 32 x 32.
    Image im = RandomImage(19, 18, 5);
    im.at(0, 0)[0] = im.at(0, 0)[1] = im.at(0, 0)[2] = 255;
    im.at(1, 0)[0] = im.at(1, 0)[1] = im.at(1, 0)[2] = 128;
    im.at(2, 0)[0] = 10, im.at(2, 0)[1] = 20, im.at(2, 0)[2] = 200;
    const int pw = 32, ph = 32;
    Plane planes(3 * pw * ph, 0);
    const SuperRes::ColourPlanes cp{planes.data(), planes.data() + pw * ph, planes.data() + 2 * pw * ph, pw, ph};
    const SuperRes::PlaneSplitJob job{cp, im.bytes.data(), im.stride, im.w, im.h, &kNeverAbort};
    for (int b = 0; b < ph / 16; ++b)
        SuperRes::SplitPlanesChunk(job, b);
    EXPECT_EQ(cp.y[0], 255);
    EXPECT_EQ(cp.y[1], 128);
    EXPECT_EQ(cp.cb[1], 127);
    EXPECT_EQ(cp.cr[1], 127);
    EXPECT_EQ(cp.y[2], (1224 * 200 + 2403 * 20 + 469 * 10 + 2048) >> 12);
    EXPECT_EQ(cp.cb[2], (2048 * 10 - 1357 * 20 - 691 * 200 + 522240) >> 12);
    EXPECT_EQ(cp.cr[2], (2048 * 200 - 1713 * 20 - 335 * 10 + 522240) >> 12);
    // The padding repeats the last column and the last row.
    for (const std::uint8_t* plane : {cp.y, cp.cb, cp.cr})
        for (int y = 0; y < ph; ++y)
            for (int x = 0; x < pw; ++x)
                ASSERT_EQ(plane[y * pw + x], plane[std::min(y, 17) * pw + std::min(x, 18)]) << x << "," << y;
}

TEST(SuperResColour, GreyComesBackGreyAndPaddingIsNotWritten) {
    EngineFlagsGuard flags;
    const int w = 21, h = 17, pw = 32, ph = 32;
    Image grey = BlankImage(w, h, 4, 0);
    const Plane values = RandomPlane(w, h, 6);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            grey.at(x, y)[0] = grey.at(x, y)[1] = grey.at(x, y)[2] = values[y * w + x];
    Plane planes(3 * pw * ph, 0);
    const SuperRes::ColourPlanes cp{planes.data(), planes.data() + pw * ph, planes.data() + 2 * pw * ph, pw, ph};
    for (int b = 0; b < 2; ++b)
        SuperRes::SplitPlanesChunk({cp, grey.bytes.data(), grey.stride, w, h, &kNeverAbort}, b);
    Image back = BlankImage(w, h, 4, 0xEE);
    for (int b = 0; b < 2; ++b)
        SuperRes::MergePlanesChunk({cp, back.bytes.data(), back.stride, w, h}, b);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(back.at(x, y)[c], values[y * w + x]);
        for (int i = 3 * w; i < back.stride; ++i)
            EXPECT_EQ(back.bytes[y * back.stride + i], 0xEE);
    }
}

TEST(SuperResGaussian, ConstantLinesStayConstant) {
    EngineFlagsGuard flags;
    for (double sigma : {0.0, 0.05, 0.8, 1.5, 3.0, 12.0})
        for (auto [w, h] : {std::pair{1, 1}, std::pair{1, 9}, std::pair{9, 1}, std::pair{70, 33}}) {
            Plane p(static_cast<std::size_t>(w) * h, 201);
            ASSERT_TRUE(SuperRes::RecursiveGaussian(w, h, w, p.data(), sigma, &kNeverAbort));
            EXPECT_EQ(p, Plane(p.size(), 201)) << sigma << " " << w << "x" << h;
        }
}

TEST(SuperResGaussian, KernelSpreadIsCloseToSigma) {
    // h[n] = F r^n (1 - cos n theta) forward and backward: the standard
    // deviation of the pair is sqrt(2) times that of h.
    const std::pair<double, double> cases[] = {{0.8, 0.72}, {1.5, 1.55}, {3.0, 3.15}};
    for (auto [sigma, spread] : cases) {
        const SuperRes::GaussianPoles poles = SuperRes::GaussianPolesFor(sigma);
        double mass = 0, first = 0, second = 0;
        for (int n = 0; n < 5000; ++n) {
            const double h = poles.gain * std::pow(poles.r, n) * (1 - std::cos(n * poles.theta));
            mass += h;
            first += n * h;
            second += double(n) * n * h;
        }
        EXPECT_NEAR(mass, 1.0, 1e-9) << sigma;
        EXPECT_NEAR(std::sqrt(2 * (second - first * first)), spread, 0.01) << sigma;
    }
}

// The same filter as a direct convolution in doubles: the line continued by
// its end samples far enough for the kernel to vanish, forward with h[n],
// then backward with h[n], rounded to nearest.
Plane ReferenceGaussianLine(const Plane& line, double sigma) {
    const SuperRes::GaussianPoles poles = SuperRes::GaussianPolesFor(sigma);
    const int taps = 400, n = static_cast<int>(line.size()), margin = 2 * taps;
    std::vector<double> h(taps);
    for (int k = 0; k < taps; ++k)
        h[k] = poles.gain * std::pow(poles.r, k) * (1 - std::cos(k * poles.theta));
    auto x = [&](int i) { return double(line[std::clamp(i, 0, n - 1)]); };
    std::vector<double> forward(n + margin);
    for (int i = 0; i < n + margin; ++i)
        for (int k = 0; k < taps; ++k)
            forward[i] += h[k] * x(i - k);
    Plane out(n);
    for (int i = 0; i < n; ++i) {
        double b = 0;
        for (int k = 0; k < taps; ++k)
            b += h[k] * forward[i + k];
        out[i] = static_cast<std::uint8_t>(std::clamp(std::nearbyint(b), 0.0, 255.0));
    }
    return out;
}

TEST(SuperResGaussian, MatchesADirectConvolution) {
    EngineFlagsGuard flags;
    for (double sigma : {0.8, 1.5, 3.0, 7.0}) {
        const Plane original = RandomPlane(60, 1, 12);
        Plane p = original;
        ASSERT_TRUE(SuperRes::RecursiveGaussian(60, 1, 60, p.data(), sigma, &kNeverAbort));
        EXPECT_EQ(p, ReferenceGaussianLine(original, sigma)) << sigma;
    }
}

TEST(SuperResGaussian, PlaneIsFilteredByColumnsThenRows) {
    EngineFlagsGuard flags;
    // 70 x 67 with a pitch of 75: more columns and rows than are filtered side
    // by side, and bytes beyond the width that must stay.
    const int w = 70, h = 67, pitch = 75;
    const Plane original = RandomPlane(pitch, h, 15);
    Plane expected = original;
    for (int x = 0; x < w; ++x) {
        Plane column(h);
        for (int y = 0; y < h; ++y)
            column[y] = expected[y * pitch + x];
        column = ReferenceGaussianLine(column, 1.5);
        for (int y = 0; y < h; ++y)
            expected[y * pitch + x] = column[y];
    }
    for (int y = 0; y < h; ++y) {
        const Plane row =
            ReferenceGaussianLine(Plane(expected.begin() + y * pitch, expected.begin() + y * pitch + w), 1.5);
        std::copy(row.begin(), row.end(), expected.begin() + y * pitch);
    }
    Plane p = original;
    ASSERT_TRUE(SuperRes::RecursiveGaussian(w, h, pitch, p.data(), 1.5, &kNeverAbort));
    EXPECT_EQ(p, expected);
}

TEST(SuperResGaussian, TinySigmaLeavesThePlane) {
    EngineFlagsGuard flags;
    // Below sigma' = 0.5 the kernel would be concentrated in one sample (and
    // at theta = 2 pi vanish altogether); such sigmas blur as 0.5 does, which
    // moves a pixel by at most a level per direction even on noise.
    const Plane original = RandomPlane(30, 20, 13);
    for (double sigma : {0.0, 0.01, 0.05, 0.107, 0.2, 0.3}) {
        Plane p = original;
        ASSERT_TRUE(SuperRes::RecursiveGaussian(30, 20, 30, p.data(), sigma, &kNeverAbort));
        for (std::size_t i = 0; i < p.size(); ++i)
            ASSERT_NEAR(p[i], original[i], 2) << sigma << " at " << i;
    }
}

TEST(SuperResGaussian, ColumnsThenRowsAndStops) {
    EngineFlagsGuard flags;
    // A vertical impulse line is blurred only across columns: every row equal.
    const int w = 40, h = 30;
    Plane p(w * h, 10);
    for (int y = 0; y < h; ++y)
        p[y * w + 20] = 250;
    ASSERT_TRUE(SuperRes::RecursiveGaussian(w, h, w, p.data(), 1.5, &kNeverAbort));
    for (int y = 1; y < h; ++y)
        ASSERT_TRUE(std::equal(p.begin(), p.begin() + w, p.begin() + y * w)) << y;
    EXPECT_GT(p[21], 10);
    EXPECT_LT(p[20], 250);

    const SuperRes::AbortFlag abort{1};
    Plane q = RandomPlane(w, h, 7);
    EXPECT_FALSE(SuperRes::RecursiveGaussian(w, h, w, q.data(), 1.5, &abort));
    EXPECT_FALSE(SuperRes::RecursiveGaussian(0, h, w, q.data(), 1.5, &kNeverAbort));
}

TEST(SuperResGaussian, UnsharpMaskFollowsItsFormula) {
    EngineFlagsGuard flags;
    const int w = 33, h = 21;
    const Plane original = RandomPlane(w, h, 8);
    Plane blurred = original;
    ASSERT_TRUE(SuperRes::RecursiveGaussian(w, h, w, blurred.data(), 2.0, &kNeverAbort));
    for (auto [amount, threshold] : {std::pair{128, 0}, std::pair{76, 12}, std::pair{300, 3}}) {
        Plane p = original;
        SuperRes::UnsharpMask(p.data(), w, h, amount, 2.0, threshold, true, &kNeverAbort);
        for (std::size_t i = 0; i < p.size(); ++i) {
            const int v = original[i], b = blurred[i];
            const int expected =
                std::abs(v - b) > threshold ? std::clamp((v * (amount + 256) - amount * b) >> 8, 0, 255) : v;
            ASSERT_EQ(p[i], expected) << i;
        }
    }
    // The worked case: 100 over a blur of 90 with amount 128 gives 105.
    EXPECT_EQ((100 * 384 - 128 * 90) >> 8, 105);
    const SuperRes::AbortFlag abort{1};
    Plane p = original;
    SuperRes::UnsharpMask(p.data(), w, h, 128, 2.0, 0, true, &abort);
    EXPECT_EQ(p, original);
}

// Brute-force window of every pixel, clipped to the plane.
void ReferenceMinMax(const Plane& p, int w, int h, int rx, int ry, Plane& lo, Plane& hi) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int mn = 255, mx = 0;
            for (int yy = std::max(0, y - ry); yy <= std::min(h - 1, y + ry); ++yy)
                for (int xx = std::max(0, x - rx); xx <= std::min(w - 1, x + rx); ++xx) {
                    mn = std::min<int>(mn, p[yy * w + xx]);
                    mx = std::max<int>(mx, p[yy * w + xx]);
                }
            lo[y * w + x] = static_cast<std::uint8_t>(mn);
            hi[y * w + x] = static_cast<std::uint8_t>(mx);
        }
}

TEST(SuperResEnvelope, MinMaxMatchesBruteForceWindows) {
    EngineFlagsGuard flags;
    const int w = 37, h = 45;
    const Plane p = RandomPlane(w, h, 9);
    for (auto [rx, ry] : {std::pair{0, 0}, std::pair{1, 1}, std::pair{2, 3}, std::pair{5, 0}, std::pair{40, 50}}) {
        Plane lo(p.size()), hi(p.size()), refLo(p.size()), refHi(p.size());
        SuperRes::MinMaxFilter(lo.data(), hi.data(), p.data(), w, h, rx, ry, 16, &kNeverAbort);
        ReferenceMinMax(p, w, h, rx, ry, refLo, refHi);
        EXPECT_EQ(lo, refLo) << rx << "," << ry;
        EXPECT_EQ(hi, refHi) << rx << "," << ry;
    }
}

// Brute-force mean with mirrored edges and the edge rows' plain division.
Plane ReferenceBoxMean(const Plane& p, int w, int h, int c) {
    auto mirror = [](int i, int n) { return i < 0 ? -1 - i : (i >= n ? 2 * n - 1 - i : i); };
    const long long f = (2LL * c + 1) * (2 * c + 1);
    Plane out(p.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            long long sum = 0;
            for (int dy = -c; dy <= c; ++dy)
                for (int dx = -c; dx <= c; ++dx)
                    sum += p[mirror(y + dy, h) * w + mirror(x + dx, w)];
            const bool edgeRow = y < c + 1 || y >= h - (c + 1);
            out[y * w + x] = static_cast<std::uint8_t>((sum + (edgeRow ? 0 : (f + 1) / 2)) / f);
        }
    return out;
}

TEST(SuperResEnvelope, BoxMeanMatchesBruteForceWithMirroredEdges) {
    EngineFlagsGuard flags;
    struct Case {
        int w, h, window, c;
    } cases[] = {{23, 41, 3, 1}, {23, 41, 5, 2}, {40, 35, 9, 4}, {9, 6, 11, 2}, {6, 30, 4, 2}};
    for (const auto& k : cases) {
        const Plane original = RandomPlane(k.w, k.h, 10 + k.window);
        Plane p = original;
        ASSERT_TRUE(SuperRes::BoxMean(p.data(), k.w, k.h, k.window, &kNeverAbort));
        EXPECT_EQ(p, ReferenceBoxMean(original, k.w, k.h, k.c)) << k.w << "x" << k.h << " window " << k.window;
    }
}

TEST(SuperResEnvelope, BoxMeanOfOnePixelOrStoppedChangesNothing) {
    EngineFlagsGuard flags;
    const Plane original = RandomPlane(12, 10, 11);
    Plane p = original;
    EXPECT_FALSE(SuperRes::BoxMean(p.data(), 12, 10, 1, &kNeverAbort));
    EXPECT_FALSE(SuperRes::BoxMean(p.data(), 12, 2, 5, &kNeverAbort));  // limited to height - 1 = 1
    const SuperRes::AbortFlag abort{1};
    EXPECT_FALSE(SuperRes::BoxMean(p.data(), 12, 10, 5, &abort));
    EXPECT_EQ(p, original);
}

TEST(SuperResEnvelope, BoxMeanOfAFullWhitePlaneDoesNotOverflow) {
    EngineFlagsGuard flags;
    // 255 everywhere over a window of 101 x 101: sums far beyond 16 bits.
    Plane p(300 * 200, 255);
    ASSERT_TRUE(SuperRes::BoxMean(p.data(), 300, 200, 101, &kNeverAbort));
    EXPECT_EQ(p, Plane(p.size(), 255));
}

TEST(SuperResEnvelope, StretchAwayFromTheMean) {
    struct Case {
        int v, lo, hi, mean;
        double threshold;
        int expected;
    } cases[] = {
        {100, 50, 150, 90, 20, 140},  // gain 100 / 20 = 5
        {120, 50, 150, 90, 20, 150},  // limited to hi
        {60, 50, 150, 90, 20, 50},    // limited to lo
        {95, 80, 100, 90, 40, 95},    // gain 0.5 raised to 1
        {91, 60, 90, 90, 20, 90},     // gain 1.5: 91.5 -> 91, then limited to hi
        {89, 70, 100, 90, 20, 88},    // gain 1.5: 88.5 truncated to 88
        {77, 77, 77, 77, 20, 77},     // lo = hi
        {30, 77, 77, 77, 20, 77},     // lo = hi: clamped to that value
    };
    for (const auto& k : cases) {
        std::uint8_t v = static_cast<std::uint8_t>(k.v), lo = static_cast<std::uint8_t>(k.lo),
                     hi = static_cast<std::uint8_t>(k.hi), mean = static_cast<std::uint8_t>(k.mean);
        const SuperRes::StretchJob job{&v, &lo, &hi, &mean, 1, 1, k.threshold, &kNeverAbort};
        SuperRes::StretchContrastChunk(job, 0);
        EXPECT_EQ(v, k.expected) << k.v << " in " << k.lo << ".." << k.hi << " mean " << k.mean;
    }
}

TEST(SuperResEnvelope, FusedStretchEqualsTheThreeSteps) {
    EngineFlagsGuard flags;
    struct Case {
        int w, h, radius;
        double threshold;
    } cases[] = {{48, 32, 2, 28.28}, {37, 45, 3, 34.6}, {20, 9, 0, 20}, {16, 16, 9, 60}, {53, 18, 1, 24.5}};
    for (const auto& k : cases) {
        const Plane plane = RandomPlane(k.w, k.h, static_cast<unsigned>(k.w + k.radius));
        Plane lo(plane.size()), hi(plane.size()), mean = plane;
        SuperRes::MinMaxFilter(lo.data(), hi.data(), plane.data(), k.w, k.h, k.radius, k.radius, 16, &kNeverAbort);
        SuperRes::BoxMean(mean.data(), k.w, k.h, 2 * k.radius + 1, &kNeverAbort);
        Plane expected = plane;
        const SuperRes::StretchJob job{expected.data(), lo.data(),   hi.data(), mean.data(), k.w, k.h,
                                       k.threshold,     &kNeverAbort};
        for (int b = 0; b < (k.h + 15) / 16; ++b)
            SuperRes::StretchContrastChunk(job, b);

        Plane out(plane.size(), 0);
        ASSERT_TRUE(
            SuperRes::StretchToEnvelopes(out.data(), plane.data(), k.w, k.h, k.radius, k.threshold, &kNeverAbort));
        EXPECT_EQ(out, expected) << k.w << "x" << k.h << " radius " << k.radius;
        if (k.radius > 0) {
            EXPECT_NE(out, plane);
        }
    }
    const SuperRes::AbortFlag abort{1};
    Plane out(64, 0);
    const Plane plane = RandomPlane(8, 8, 3);
    EXPECT_FALSE(SuperRes::StretchToEnvelopes(out.data(), plane.data(), 8, 8, 1, 20, &abort));
}

}  // namespace
