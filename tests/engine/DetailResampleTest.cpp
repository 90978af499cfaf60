#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <tuple>

#include "engine/AreaResample.h"
#include "engine/DericheGaussian.h"
#include "engine/DetailResampleV1.h"
#include "engine/DetailResampleV2.h"
#include "engine/KernelResample.h"
#include "engine/LocalRangeClamp.h"
#include "engine/Unsharp3x3.h"
#include "support/EngineTestSupport.h"

namespace {

constexpr std::uint8_t kPadding = 0xEE;

// A BGR image with rows padded past their pixels.
struct Bgr {
    int width = 0, height = 0, stride = 0;
    Plane bits;
};

Bgr RandomBgr(int w, int h, unsigned seed) {
    Bgr img{w, h, w * 3 + 5, {}};
    img.bits = Plane(static_cast<std::size_t>(img.stride) * h, kPadding);
    const Plane values = RandomPlane(w * 3, h, seed);
    for (int y = 0; y < h; ++y)
        std::copy_n(&values[static_cast<std::size_t>(y) * w * 3], w * 3,
                    &img.bits[static_cast<std::size_t>(y) * img.stride]);
    return img;
}

Bgr BlankBgr(int w, int h) { return Bgr{w, h, w * 3 + 5, Plane(static_cast<std::size_t>(w * 3 + 5) * h, kPadding)}; }

Plane Channel(const Bgr& img, int c) {
    Plane p(static_cast<std::size_t>(img.width) * img.height);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            p[static_cast<std::size_t>(y) * img.width + x] =
                img.bits[static_cast<std::size_t>(y) * img.stride + x * 3 + c];
    return p;
}

bool PaddingUntouched(const Bgr& img) {
    for (int y = 0; y < img.height; ++y)
        for (int i = img.width * 3; i < img.stride; ++i)
            if (img.bits[static_cast<std::size_t>(y) * img.stride + i] != kPadding)
                return false;
    return true;
}

// The three engine modes with the arguments the whole-image resize passes.
enum class Mode { Artificial = 5, Natural = 6, Advanced = 7 };

int RunMode(Mode mode, const Bgr& src, Bgr& dst, CRSProgress* progress = nullptr) {
    const double wf = WholeFactorFlag(dst.width, dst.height, src.width, src.height);
    switch (mode) {
    case Mode::Artificial:
        return ResizeImageV1(dst.bits.data(), dst.stride, src.bits.data(), src.stride, 1, dst.width, dst.height,
                             src.width, src.height, 50, wf, 0, 3, progress);
    case Mode::Natural:
        return ResizeImageV2(dst.bits.data(), dst.stride, src.bits.data(), src.stride, 1, dst.width, dst.height,
                             src.width, src.height, 40, wf, 0, 3, progress);
    case Mode::Advanced:
        return ResizeImageV1(dst.bits.data(), dst.stride, src.bits.data(), src.stride, 1, dst.width, dst.height,
                             src.width, src.height, 25, 2, 0, 4, progress);
    }
    return 0;
}

// Stages seen by a recording progress object: a report lower than the one
// before starts a new stage.
int CountStages(const std::vector<int>& reports) {
    if (reports.empty())
        return 0;
    int stages = 1;
    for (std::size_t i = 1; i < reports.size(); ++i)
        stages += reports[i] < reports[i - 1];
    return stages;
}

TEST(DetailResample, ContrastFactorAndWholeFactorFlag) {
    EXPECT_NEAR(ContrastFactor(50), 3.679, 0.001);
    EXPECT_NEAR(ContrastFactor(40), 5.421, 0.001);
    EXPECT_NEAR(ContrastFactor(25), 11.135, 0.001);
    EXPECT_EQ(WholeFactorFlag(200, 100, 100, 50), 1);
    EXPECT_EQ(WholeFactorFlag(100, 50, 100, 50), 1);
    EXPECT_EQ(WholeFactorFlag(1000, 750, 640, 480), 2);
    EXPECT_EQ(WholeFactorFlag(300, 100, 100, 50), 1);
    EXPECT_EQ(WholeFactorFlag(50, 25, 100, 50), 2);  // a half is not a whole factor
}

struct StageCase {
    int dstW, dstH;  // from a 40 x 30 source
    int stagesV1;    // per channel, modes 5 and 7
    int stagesV2;    // per channel, mode 6
};

TEST(DetailResample, StagesPerChannelAsCounted) {
    const StageCase cases[] = {
        {20, 15, 6, 6},   // 0.5 x 0.5
        {40, 30, 4, 4},   // 1 x 1
        {28, 36, 4, 4},   // 0.7 x 1.2
        {80, 60, 7, 4},   // 2 x 2
        {100, 75, 7, 4},  // 2.5 x 2.5
        {120, 90, 7, 5},  // 3 x 3
        {120, 36, 9, 7},  // 3 x 1.2
        {60, 60, 8, 5},   // 1.5 x 2
        {160, 36, 9, 7},  // 4 x 1.2
    };
    const Bgr src = RandomBgr(40, 30, 3);
    for (const auto& c : cases) {
        const double sx = c.dstW / 40.0, sy = c.dstH / 30.0;
        const std::pair<double, double> f{std::min(sx, sy), std::max(sx, sy)};
        EXPECT_EQ(ProgressPhaseCount(f.first, f.second), c.stagesV1) << c.dstW << "x" << c.dstH;
        EXPECT_EQ(ProgressPhaseCount2(f.first, f.second), c.stagesV2) << c.dstW << "x" << c.dstH;
        for (Mode mode : {Mode::Artificial, Mode::Natural, Mode::Advanced}) {
            EngineFlagsGuard flags;
            const int expected = 3 * (mode == Mode::Natural ? c.stagesV2 : c.stagesV1);
            ScriptedProgress progress;
            Bgr dst = BlankBgr(c.dstW, c.dstH);
            ASSERT_EQ(RunMode(mode, src, dst, &progress), 1);
            EXPECT_EQ(progress.m_nPhases, expected) << int(mode) << " " << c.dstW << "x" << c.dstH;
            EXPECT_EQ(CountStages(progress.reports), expected) << int(mode) << " " << c.dstW << "x" << c.dstH;
            EXPECT_TRUE(PaddingUntouched(dst));
        }
    }
}

TEST(DetailResample, EqualSizeIsTheSharpenedSource) {
    EngineFlagsGuard flags;
    const Bgr src = RandomBgr(31, 23, 5);
    struct {
        Mode mode;
        int presharpen, amount;
    } cases[] = {{Mode::Artificial, 0, 26}, {Mode::Natural, 0, 21}, {Mode::Advanced, 25, 14}};
    for (const auto& c : cases) {
        Bgr dst = BlankBgr(31, 23);
        ASSERT_EQ(RunMode(c.mode, src, dst), 1);
        for (int ch = 0; ch < 3; ++ch) {
            Plane expected = Channel(src, ch);
            if (c.presharpen) {
                ASSERT_EQ(Unsharp3x3(expected.data(), 31, 23, c.presharpen, nullptr), 1);
            }
            ASSERT_EQ(Unsharp3x3(expected.data(), 31, 23, c.amount, nullptr), 1);
            EXPECT_EQ(Channel(dst, ch), expected) << int(c.mode) << " channel " << ch;
        }
    }
}

TEST(DetailResample, ExactHalfIsAreaThenTwoUnsharpPasses) {
    EngineFlagsGuard flags;
    const int sw = 64, sh = 42, dw = 32, dh = 21;
    const Bgr src = RandomBgr(sw, sh, 6);
    struct {
        Mode mode;
        int finish;
    } cases[] = {{Mode::Artificial, 13}, {Mode::Natural, 9}};
    for (const auto& c : cases) {
        Bgr dst = BlankBgr(dw, dh);
        ASSERT_EQ(RunMode(c.mode, src, dst), 1);
        for (int ch = 0; ch < 3; ++ch) {
            const Plane in = Channel(src, ch);
            Plane temp(static_cast<std::size_t>(dw) * sh), expected(static_cast<std::size_t>(dw) * dh);
            ASSERT_EQ(AreaResampleHorizontal(temp.data(), in.data(), sw, sh, dw, nullptr), 1);
            ASSERT_EQ(AreaResampleVertical(expected.data(), temp.data(), dw, sh, dh, nullptr), 1);
            ASSERT_EQ(Unsharp3x3(expected.data(), dw, dh, 25, nullptr), 1);
            ASSERT_EQ(Unsharp3x3(expected.data(), dw, dh, c.finish, nullptr), 1);
            EXPECT_EQ(Channel(dst, ch), expected) << int(c.mode) << " channel " << ch;
        }
    }
}

const std::atomic<std::uint8_t> kNeverAbort{0};

// The first-generation core written out from its stages.
Plane ComposedCoreV1(const Plane& src, int sw, int sh, int dw, int dh, double cf, double wf) {
    const double sx = double(dw) / sw, sy = double(dh) / sh;
    Plane out(static_cast<std::size_t>(dw) * dh), ref(out.size());
    EXPECT_EQ(KernelResample(out.data(), src.data(), sw, sh, dw, dh, wf + 1, 1, 3, nullptr), 1);
    EXPECT_EQ(KernelResample(ref.data(), src.data(), sw, sh, dw, dh, 0, 0.5, 2, nullptr), 1);
    EXPECT_TRUE(DericheGaussian({0, 0, dw, dh}, out.data(), &kNeverAbort, std::max(10, int(sx)), std::max(10, int(sy)),
                                nullptr));
    const int winW = std::min(dw / 2, std::max(2, int(2 * sx)));
    const int winH = std::min(dh / 2, std::max(2, int(2 * sy)));
    EXPECT_EQ(LocalRangeClamp(out.data(), ref.data(), dw, dh, dw, winW, winH, sx, sy, cf, nullptr), 1);
    EXPECT_TRUE(DericheGaussian({0, 0, dw, dh}, out.data(), &kNeverAbort, 10, 10, nullptr));
    return out;
}

Plane ComposedCoreV2(const Plane& src, int sw, int sh, int dw, int dh, double cf) {
    const double sx = double(dw) / sw, sy = double(dh) / sh;
    Plane out(static_cast<std::size_t>(dw) * dh);
    EXPECT_EQ(KernelResample(out.data(), src.data(), sw, sh, dw, dh, 0, 0.5, 2, nullptr), 1);
    EXPECT_EQ(LocalRangeClampNoise(out.data(), out.data(), dw, dh, dw, std::max(2, int((sx - 0.5) * 2)),
                                   std::max(2, int((sy - 0.5) * 2)), sx, sy, cf, 0, nullptr),
              1);
    if (std::max(sx, sy) >= 3) {
        EXPECT_TRUE(DericheGaussian({0, 0, dw, dh}, out.data(), &kNeverAbort, 8, 8, nullptr));
    }
    return out;
}

TEST(DetailResample, CoresAreTheirStagesInOrder) {
    EngineFlagsGuard flags;
    const int sw = 23, sh = 17;
    const Plane src = RandomPlane(sw, sh, 8);
    const double cf = ContrastFactor(50);
    // 2 x 2 with Lanczos-2, 2.5 x 2.5 with Lanczos-3, an uneven 3.1 x 1.6.
    for (auto [dw, dh, wf] : {std::tuple{46, 34, 1.0}, std::tuple{57, 42, 2.0}, std::tuple{71, 27, 2.0}}) {
        Plane out(static_cast<std::size_t>(dw) * dh);
        ASSERT_EQ(DetailResampleV1(out.data(), src.data(), dw, dh, sw, sh, cf, wf, 3, nullptr), 1);
        EXPECT_EQ(out, ComposedCoreV1(src, sw, sh, dw, dh, cf, wf)) << dw << "x" << dh;
        Plane out2(out.size());
        ASSERT_EQ(DetailResampleV2(out2.data(), src.data(), dw, dh, sw, sh, cf, wf, 3, 0, nullptr), 1);
        EXPECT_EQ(out2, ComposedCoreV2(src, sw, sh, dw, dh, cf)) << dw << "x" << dh;
    }
    // 3 x 3 adds the final Gaussian of the second generation.
    Plane out(69 * 51);
    ASSERT_EQ(DetailResampleV2(out.data(), src.data(), 69, 51, sw, sh, cf, 1, 3, 0, nullptr), 1);
    EXPECT_EQ(out, ComposedCoreV2(src, sw, sh, 69, 51, cf));
    // Up to 1.5 the core is the kernel pass alone.
    Plane small(30 * 20), kernel(30 * 20);
    ASSERT_EQ(DetailResampleV1(small.data(), src.data(), 30, 20, sw, sh, cf, 2, 3, nullptr), 1);
    ASSERT_EQ(KernelResample(kernel.data(), src.data(), sw, sh, 30, 20, 3, 1, 3, nullptr), 1);
    EXPECT_EQ(small, kernel);
    ASSERT_EQ(DetailResampleV2(small.data(), src.data(), 30, 20, sw, sh, cf, 2, 3, 0, nullptr), 1);
    ASSERT_EQ(KernelResample(kernel.data(), src.data(), sw, sh, 30, 20, 0, 0.5, 2, nullptr), 1);
    EXPECT_EQ(small, kernel);
}

TEST(DetailResample, OneAxisEnlargedALotPassesThroughOneAndAHalf) {
    EngineFlagsGuard flags;
    const double cf5 = ContrastFactor(50), cf6 = ContrastFactor(40);
    const int sw = 1000, sh = 100, dw = 3000, dh = 120;
    const Plane src = RandomPlane(sw, sh, 10);
    Plane inter(static_cast<std::size_t>(dw) * 150), expected(static_cast<std::size_t>(dw) * dh);

    ASSERT_EQ(DetailResampleV1(inter.data(), src.data(), dw, 150, sw, sh, cf5, 2, 3, nullptr), 1);
    ASSERT_EQ(AreaResampleVertical(expected.data(), inter.data(), dw, 150, dh, nullptr), 1);
    ASSERT_EQ(Unsharp3x3(expected.data(), dw, dh, 28, nullptr), 1);
    Plane out(expected.size());
    ASSERT_EQ(ResizePlaneV1(out.data(), src.data(), dw, dh, sw, sh, cf5, 2, 0, 3, nullptr), 1);
    EXPECT_EQ(out, expected);

    // The horizontal axis the smaller: 4 x 1.2 the other way round, amount 23.
    const int tw = 12, th = 40;
    const Plane tall = RandomPlane(10, 10, 11);
    Plane inter2(15 * th), expected2(tw * th), out2(tw * th);
    ASSERT_EQ(DetailResampleV2(inter2.data(), tall.data(), 15, th, 10, 10, cf6, 2, 3, 0, nullptr), 1);
    ASSERT_EQ(AreaResampleHorizontal(expected2.data(), inter2.data(), 15, th, tw, nullptr), 1);
    ASSERT_EQ(Unsharp3x3(expected2.data(), tw, th, 23, nullptr), 1);
    ASSERT_EQ(ResizePlaneV2(out2.data(), tall.data(), tw, th, 10, 10, cf6, 2, 0, 3, nullptr), 1);
    EXPECT_EQ(out2, expected2);
}

TEST(DetailResample, GreyImageIsThePlaneResized) {
    EngineFlagsGuard flags;
    const int sw = 20, sh = 15, dw = 50, dh = 33;
    const Plane src = RandomPlane(sw, sh, 12);
    Plane dst(static_cast<std::size_t>(dw) * dh), plane(dst.size());
    ASSERT_EQ(ResizeImageV1(dst.data(), dw, src.data(), sw, 0, dw, dh, sw, sh, 50, 2, 0, 3, nullptr), 1);
    ASSERT_EQ(ResizePlaneV1(plane.data(), src.data(), dw, dh, sw, sh, ContrastFactor(50), 2, 0, 3, nullptr), 1);
    EXPECT_EQ(dst, plane);
    ASSERT_EQ(ResizeImageV2(dst.data(), dw, src.data(), sw, 0, dw, dh, sw, sh, 40, 2, 0, 3, nullptr), 1);
    ASSERT_EQ(ResizePlaneV2(plane.data(), src.data(), dw, dh, sw, sh, ContrastFactor(40), 2, 0, 3, nullptr), 1);
    EXPECT_EQ(dst, plane);
}

// Answers "stop" once the given number of stages has begun.
class StopAtStage : public CRSProgress {
public:
    explicit StopAtStage(int stage) : stage_(stage) {}
    int Progress(int percent) override {
        if (CRSProgress::Progress(percent) == 0 || m_nWraps + 1 >= stage_)
            return 0;
        return 1;
    }

private:
    int stage_;
};

TEST(DetailResample, StopInTheSecondChannelKeepsTheFirst) {
    const Bgr src = RandomBgr(30, 20, 13);
    for (Mode mode : {Mode::Artificial, Mode::Natural, Mode::Advanced}) {
        EngineFlagsGuard flags;
        Bgr full = BlankBgr(60, 40);
        ASSERT_EQ(RunMode(mode, src, full), 1);
        const int perChannel = mode == Mode::Natural ? ProgressPhaseCount2(2, 2) : ProgressPhaseCount(2, 2);
        // Stop in the second stage of the second channel.
        StopAtStage progress(perChannel + 2);
        Bgr stopped = BlankBgr(60, 40);
        EXPECT_EQ(RunMode(mode, src, stopped, &progress), 0);
        EXPECT_EQ(Channel(stopped, 0), Channel(full, 0)) << int(mode);
        EXPECT_EQ(Channel(stopped, 1), Plane(60 * 40, kPadding)) << int(mode);
        EXPECT_EQ(Channel(stopped, 2), Plane(60 * 40, kPadding)) << int(mode);
    }
}

TEST(DetailResample, AbortSetBeforehandStopsAtOnce) {
    EngineFlagsGuard flags;
    const Bgr src = RandomBgr(10, 10, 14);
    g_bAbortResize = 1;
    CRSProgress progress;
    for (Mode mode : {Mode::Artificial, Mode::Natural, Mode::Advanced}) {
        Bgr dst = BlankBgr(20, 20);
        EXPECT_EQ(RunMode(mode, src, dst, &progress), 0);
        EXPECT_EQ(dst.bits, BlankBgr(20, 20).bits);
    }
}

TEST(DetailResample, ArtificialAndAdvancedModesDiffer) {
    EngineFlagsGuard flags;
    const Bgr src = RandomBgr(24, 18, 15);
    for (auto [dw, dh] : {std::pair{48, 36}, std::pair{24, 18}, std::pair{15, 11}}) {
        Bgr five = BlankBgr(dw, dh), seven = BlankBgr(dw, dh);
        ASSERT_EQ(RunMode(Mode::Artificial, src, five), 1);
        ASSERT_EQ(RunMode(Mode::Advanced, src, seven), 1);
        EXPECT_NE(five.bits, seven.bits) << dw << "x" << dh;
    }
}

TEST(DetailResample, TinySourcesAtAnyFactor) {
    EngineFlagsGuard flags;
    const std::pair<int, int> sources[] = {{1, 1}, {1, 2}, {2, 1}, {2, 2}, {1, 9}, {9, 2}};
    const std::pair<int, int> targets[] = {{1, 1},  {2, 2},  {3, 1},   {1, 5},   {7, 7},
                                           {40, 3}, {3, 40}, {64, 64}, {4000, 2}};
    for (auto [sw, sh] : sources) {
        const Bgr src = RandomBgr(sw, sh, sw * 10 + sh);
        for (auto [dw, dh] : targets)
            for (Mode mode : {Mode::Artificial, Mode::Natural, Mode::Advanced}) {
                Bgr dst = BlankBgr(dw, dh);
                EXPECT_EQ(RunMode(mode, src, dst), 1)
                    << int(mode) << " " << sw << "x" << sh << " to " << dw << "x" << dh;
                EXPECT_TRUE(PaddingUntouched(dst));
            }
    }
    // And down to one pixel.
    const Bgr big = RandomBgr(9, 7, 1);
    for (Mode mode : {Mode::Artificial, Mode::Natural, Mode::Advanced}) {
        Bgr dst = BlankBgr(1, 1);
        EXPECT_EQ(RunMode(mode, big, dst), 1);
    }
}

TEST(DetailResample, RefusesBadArguments) {
    EngineFlagsGuard flags;
    const Bgr src = RandomBgr(8, 8, 2);
    Bgr dst = BlankBgr(16, 16);
    auto v1 = [&](int dw, int dh, int sw, int sh, int dstStride, int srcStride) {
        return ResizeImageV1(dst.bits.data(), dstStride, src.bits.data(), srcStride, 1, dw, dh, sw, sh, 50, 2, 0, 3,
                             nullptr);
    };
    auto v2 = [&](int dw, int dh, int sw, int sh, int dstStride, int srcStride) {
        return ResizeImageV2(dst.bits.data(), dstStride, src.bits.data(), srcStride, 1, dw, dh, sw, sh, 40, 2, 0, 3,
                             nullptr);
    };
    for (auto run :
         {std::function<int(int, int, int, int, int, int)>(v1), std::function<int(int, int, int, int, int, int)>(v2)}) {
        EXPECT_EQ(run(0, 16, 8, 8, dst.stride, src.stride), 0);
        EXPECT_EQ(run(16, -1, 8, 8, dst.stride, src.stride), 0);
        EXPECT_EQ(run(16, 16, 0, 8, dst.stride, src.stride), 0);
        EXPECT_EQ(run(16, 16, 8, 0, dst.stride, src.stride), 0);
        EXPECT_EQ(run(16, 16, 8, 8, 16 * 3 - 1, src.stride), 0);  // stride shorter than a row
        EXPECT_EQ(run(16, 16, 8, 8, dst.stride, 8 * 3 - 1), 0);
    }
    EXPECT_EQ(dst.bits, BlankBgr(16, 16).bits);
    EXPECT_EQ(ResizeImageV1(nullptr, 48, src.bits.data(), src.stride, 1, 16, 16, 8, 8, 50, 2, 0, 3, nullptr), 0);
    // A sharpness so high that the unsharp amount would pass 100.
    EXPECT_EQ(
        ResizeImageV1(dst.bits.data(), dst.stride, src.bits.data(), src.stride, 1, 8, 8, 8, 8, 1e7, 2, 0, 3, nullptr),
        0);
    Plane plane(16 * 16);
    // Core 0 has no kernel.
    EXPECT_EQ(ResizePlaneV2(plane.data(), Channel(src, 0).data(), 16, 16, 8, 8, 5.4, 2, 0, 0, nullptr), 0);
}

}  // namespace
