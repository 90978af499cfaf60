#include <gtest/gtest.h>

#include <cmath>

#include "SuperResTestSupport.h"
#include "support/RecordingProgressSink.h"

namespace {

constexpr std::uint8_t kPadding = 0xEE;

using Image = BgrImage;

Image RandomImage(int w, int h, unsigned seed) { return RandomBgrImage(w, h, seed); }
Image PaddedImage(int w, int h, int padding) { return FilledBgrImage(w, h, padding, kPadding); }

SuperResolutionParams Request(Image& dst, const Image& src, int mode, CRSProgress* progress = nullptr) {
    return SuperResRequest(dst, src, mode, progress);
}

TEST(SuperResolutionEnlarge, DerivedParameters) {
    struct Case {
        int srcW, srcH, dstW, dstH, mode;
        int passes;
        double gaussian;
        int amount;
        double unsharpSigma;
        int radius;
        double scale;
    } cases[] = {
        {100, 80, 200, 160, 9, 1, 0.8, 128, 2.0, 2, 2.0}, {100, 80, 200, 160, 8, 1, 0.8, 64, 2.0, 2, 2.0},
        {100, 80, 150, 120, 9, 0, 0.0, 76, 1.5, 1, 1.5},  {100, 80, 150, 120, 8, 0, 0.0, 38, 1.5, 1, 1.5},
        {100, 80, 50, 40, 9, 0, 0.0, 76, 0.5, 0, 0.5},    {100, 80, 50, 40, 8, 0, 0.0, 38, 0.5, 0, 0.5},
        {100, 80, 300, 160, 9, 1, 0.8, 128, 2.5, 2, 2.5},  // the mean of 3 and 2
        {10, 10, 80, 80, 9, 4, 0.8, 128, 8.0, 8, 8.0},     // passes limited to 4
        {10, 10, 80, 6, 8, 3, 0.8, 64, 4.3, 3, 4.3},       // radius limited by min(dstW, dstH) / 2
    };
    for (const auto& c : cases) {
        const SuperResolutionPlan plan = PlanSuperResolution(c.srcW, c.srcH, c.dstW, c.dstH, c.mode == 8);
        const std::string name =
            std::to_string(c.dstW) + "x" + std::to_string(c.dstH) + " mode " + std::to_string(c.mode);
        EXPECT_DOUBLE_EQ(plan.scale, c.scale) << name;
        EXPECT_EQ(plan.smoothingPasses, c.passes) << name;
        EXPECT_DOUBLE_EQ(plan.gaussianSigma, c.gaussian) << name;
        EXPECT_EQ(plan.unsharpAmount, c.amount) << name;
        EXPECT_NEAR(plan.unsharpSigma, c.unsharpSigma, 1e-12) << name;
        EXPECT_EQ(plan.envelopeRadius, c.radius) << name;
        EXPECT_NEAR(plan.contrastThreshold, 20 * std::sqrt(c.scale), 1e-9) << name;
    }
    EXPECT_NEAR(PlanSuperResolution(100, 100, 200, 200, 0).contrastThreshold, 28.28, 0.01);
    // The unsharp sigma is truncated to hundredths: 1.2345 -> 1.23.
    EXPECT_NEAR(PlanSuperResolution(10000, 10000, 12345, 12345, 0).unsharpSigma, 1.23, 1e-12);
}

TEST(SuperResolutionEnlarge, ReportsItsMilestones) {
    EngineFlagsGuard flags;
    RecordingProgressSink sink;
    for (int mode : {8, 9}) {
        Image src = RandomImage(20, 15, 1);
        Image dst = PaddedImage(40, 30, 0);
        ScriptedProgress progress;
        ASSERT_EQ(SuperResolutionEnlarge(Request(dst, src, mode, &progress)), 1) << mode;
        EXPECT_EQ(progress.reports, (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 90, 100})) << mode;
        EXPECT_EQ(progress.m_nPhases, 1);
        EXPECT_EQ(g_nProgressPercent.load(), 100);
    }
}

TEST(SuperResolutionEnlarge, StopsAtTheReportThatAnswersStop) {
    EngineFlagsGuard flags;
    for (int stopAt : {0, 2, 5, 8, 9}) {
        Image src = RandomImage(20, 15, 2);
        Image dst = PaddedImage(40, 30, 0);
        ScriptedProgress progress(stopAt);
        EXPECT_EQ(SuperResolutionEnlarge(Request(dst, src, 8, &progress)), 0) << stopAt;
        EXPECT_EQ(progress.reports.size(), static_cast<std::size_t>(stopAt + 1));
    }
}

TEST(SuperResolutionEnlarge, AbortFlagSetBeforeTheCallStopsAtTheFirstReport) {
    EngineFlagsGuard flags;
    g_bAbortResize = 1;
    Image src = RandomImage(20, 15, 3);
    Image dst = PaddedImage(40, 30, 0);
    const Plane before = dst.bytes;
    ScriptedProgress progress;
    EXPECT_EQ(SuperResolutionEnlarge(Request(dst, src, 9, &progress)), 0);
    EXPECT_EQ(progress.reports, std::vector<int>{0});
    EXPECT_EQ(dst.bytes, before);
    // Without a progress object the abort byte is not consulted.
    EXPECT_EQ(SuperResolutionEnlarge(Request(dst, src, 9)), 1);
}

TEST(SuperResolutionEnlarge, GreyStaysGrey) {
    EngineFlagsGuard flags;
    for (int mode : {8, 9})
        for (auto [w, h] : {std::pair{62, 45}, std::pair{93, 70}, std::pair{20, 12}}) {
            Image src = PaddedImage(31, 23, 1);
            const Plane values = RandomPlane(31, 23, 4);
            for (int y = 0; y < src.h; ++y)
                for (int x = 0; x < src.w; ++x)
                    src.at(x, y)[0] = src.at(x, y)[1] = src.at(x, y)[2] = values[y * 31 + x];
            Image dst = PaddedImage(w, h, 2);
            ASSERT_EQ(SuperResolutionEnlarge(Request(dst, src, mode)), 1);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const std::uint8_t* px = dst.at(x, y);
                    ASSERT_TRUE(px[0] == px[1] && px[1] == px[2]) << mode << " " << x << "," << y;
                }
        }
}

TEST(SuperResolutionEnlarge, RowPaddingIsNotWritten) {
    EngineFlagsGuard flags;
    // 1001 x 601 uses 1008 x 608 planes; only the image's own bytes come back.
    for (int mode : {8, 9}) {
        Image src = RandomImage(500, 300, 5);
        Image dst = PaddedImage(1001, 601, 9);
        ASSERT_EQ(SuperResolutionEnlarge(Request(dst, src, mode)), 1);
        bool anyWritten = false;
        for (int y = 0; y < dst.h; ++y)
            for (int i = 3 * dst.w; i < dst.stride; ++i)
                ASSERT_EQ(dst.bytes[static_cast<std::size_t>(y) * dst.stride + i], kPadding) << y;
        for (int y = 0; y < dst.h && !anyWritten; ++y)
            for (int i = 0; i < 3 * dst.w; ++i)
                anyWritten |= dst.bytes[static_cast<std::size_t>(y) * dst.stride + i] != kPadding;
        EXPECT_TRUE(anyWritten);
    }
}

TEST(SuperResolutionEnlarge, EqualSizesCopyRowByRowAndStillEnhance) {
    EngineFlagsGuard flags;
    // A flat grey image goes through every luminance stage unchanged, so a
    // copy that mixed up the two strides would show.
    Image src = PaddedImage(40, 30, 7);
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x)
            src.at(x, y)[0] = src.at(x, y)[1] = src.at(x, y)[2] = 128;
    for (int mode : {8, 9}) {
        Image dst = PaddedImage(40, 30, 1);
        ASSERT_EQ(SuperResolutionEnlarge(Request(dst, src, mode)), 1);
        for (int y = 0; y < dst.h; ++y)
            for (int x = 0; x < dst.w; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(dst.at(x, y)[c], 128) << x << "," << y;
    }
    // A detailed image is sharpened by the unsharp mask even at equal size.
    Image detailed = RandomImage(40, 30, 6);
    Image out = PaddedImage(40, 30, 3);
    ASSERT_EQ(SuperResolutionEnlarge(Request(out, detailed, 9)), 1);
    int differing = 0;
    for (int y = 0; y < out.h; ++y)
        for (int x = 0; x < out.w; ++x)
            differing += out.at(x, y)[1] != detailed.at(x, y)[1];
    EXPECT_GT(differing, out.w * out.h / 2);
}

TEST(SuperResolutionEnlarge, ModesEightAndNineDiffer) {
    EngineFlagsGuard flags;
    Image src = RandomImage(40, 30, 7);
    Image eight = PaddedImage(80, 60, 0), nine = PaddedImage(80, 60, 0);
    ASSERT_EQ(SuperResolutionEnlarge(Request(eight, src, 8)), 1);
    ASSERT_EQ(SuperResolutionEnlarge(Request(nine, src, 9)), 1);
    EXPECT_NE(eight.bytes, nine.bytes);
}

TEST(SuperResolutionEnlarge, RefusesBadRequests) {
    EngineFlagsGuard flags;
    Image src = RandomImage(10, 10, 8);
    Image dst = PaddedImage(20, 20, 0);
    const Plane before = dst.bytes;
    auto with = [&](auto change) {
        SuperResolutionParams p = Request(dst, src, 9);
        change(p);
        return SuperResolutionEnlarge(p);
    };
    EXPECT_EQ(with([](auto& p) { p.dstW = 0; }), 0);
    EXPECT_EQ(with([](auto& p) { p.dstH = -4; }), 0);
    EXPECT_EQ(with([](auto& p) { p.srcW = 0; }), 0);
    EXPECT_EQ(with([](auto& p) { p.src = nullptr; }), 0);
    EXPECT_EQ(with([](auto& p) { p.dst = nullptr; }), 0);
    EXPECT_EQ(with([](auto& p) { p.dstStride = 59; }), 0);  // shorter than a row
    EXPECT_EQ(dst.bytes, before);
}

TEST(SuperResolutionEnlarge, ClearsAnEarlierOutOfMemoryFlag) {
    EngineFlagsGuard flags;
    g_bResizeOutOfMemory = 1;
    Image src = RandomImage(10, 10, 9);
    Image dst = PaddedImage(20, 20, 0);
    EXPECT_EQ(SuperResolutionEnlarge(Request(dst, src, 8)), 1);
    EXPECT_EQ(g_bResizeOutOfMemory, 0);
}

}  // namespace
