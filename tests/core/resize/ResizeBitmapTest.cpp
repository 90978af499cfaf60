#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/resize/InterpolMode.h"
#include "core/resize/ResizeBitmap.h"
#include "core/resize/ResizeEngine.h"

#include <new>
#include "engine/RSProgress.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BitmapLock.h"
#include "support/BitmapTestSupport.h"
#include "support/EngineTestSupport.h"

using imaging::Bitmap;
using imaging::LockMode;
using imaging::PixelFormat24bppRGB;

namespace {

// Records each engine call and fills the work target with its own
// coordinates, so a centre cut shows where it was taken from.
struct RecordingEngine {
    struct Call {
        std::string entry;
        EngineCall args;
    };
    std::vector<Call> calls;
    int result = 1;

    ResizeEngine Table() {
        auto record = [this](const char* entry) {
            return [this, entry](const EngineCall& c) {
                calls.push_back({entry, c});
                for (int y = 0; y < c.dstH; ++y)
                    for (int x = 0; x < c.dstW; ++x)
                        WriteCoordinatePixel(c.dst + y * c.dstStride + 3 * x, x, y);
                return result;
            };
        };
        return {record("ResizeImageV1"), record("ResizeImageV2"), record("SuperResolutionEnlarge")};
    }
};

struct ModeCase {
    int mode;
    const char* entry;
    double sharpness;
    int core;
    int envelope;
};

class EngineModeDispatch : public ::testing::TestWithParam<ModeCase> {};

TEST_P(EngineModeDispatch, PassesTheModesArguments) {
    const ModeCase& c = GetParam();
    auto src = CoordinateBitmap(640, 480);
    RecordingEngine recorder;
    const ResizeEngine table = recorder.Table();
    CRSProgress progress;
    for (auto [w, h, wf] : {std::tuple{1280, 960, 1.0}, std::tuple{1000, 750, 2.0}}) {
        recorder.calls.clear();
        auto dst = Bitmap::Create(w, h, PixelFormat24bppRGB);
        ASSERT_EQ(ResizeBitmap(src.get(), dst.get(), c.mode, 0, &progress, table), 1);
        ASSERT_EQ(recorder.calls.size(), 1u);
        const auto& call = recorder.calls[0];
        EXPECT_EQ(call.entry, c.entry);
        EXPECT_EQ(call.args.colour, 1);
        EXPECT_EQ(call.args.dstW, w);
        EXPECT_EQ(call.args.dstH, h);
        EXPECT_EQ(call.args.srcW, 640);
        EXPECT_EQ(call.args.srcH, 480);
        EXPECT_EQ(call.args.srcStride, 640 * 3);
        EXPECT_EQ(call.args.dstStride, (w * 3 + 3) / 4 * 4);
        EXPECT_EQ(call.args.progress, &progress);
        if (c.envelope < 0) {
            EXPECT_EQ(call.args.sharpness, c.sharpness);
            EXPECT_EQ(call.args.core, c.core);
            EXPECT_EQ(call.args.noise, 0);
            EXPECT_EQ(call.args.wholeFactor, c.mode == INTERPOL_ADVANCED_NATURAL_SCENES ? 2.0 : wf);
        } else {
            EXPECT_EQ(call.args.envelopeContrast, c.envelope);
        }
        // What the engine wrote reaches the target.
        EXPECT_EQ(CoordinateAt(*dst, w - 1, h - 1).x, w - 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, EngineModeDispatch,
                         ::testing::Values(ModeCase{5, "ResizeImageV1", 50, 3, -1},
                                           ModeCase{6, "ResizeImageV2", 40, 3, -1},
                                           ModeCase{7, "ResizeImageV1", 25, 4, -1},
                                           ModeCase{8, "SuperResolutionEnlarge", 0, 0, 1},
                                           ModeCase{9, "SuperResolutionEnlarge", 0, 0, 0}));

struct CropCase {
    int srcW, srcH, tgtW, tgtH;
    int interW, interH;
    int x0, y0;
};

class CropTable : public ::testing::TestWithParam<CropCase> {};

TEST_P(CropTable, CutsTheCentreOfTheCoveringSize) {
    const CropCase& c = GetParam();
    int interW = 0, interH = 0;
    ASSERT_TRUE(CoveringSize(c.srcW, c.srcH, c.tgtW, c.tgtH, interW, interH));
    EXPECT_EQ(interW, c.interW);
    EXPECT_EQ(interH, c.interH);

    // Through the engine: the stand-in sees the intermediate size and marks
    // it with its coordinates; the target starts at the cut's corner.
    auto src = CoordinateBitmap(c.srcW, c.srcH);
    RecordingEngine recorder;
    auto dst = Bitmap::Create(c.tgtW, c.tgtH, PixelFormat24bppRGB);
    ASSERT_EQ(ResizeBitmap(src.get(), dst.get(), INTERPOL_ARTIFICIAL_SCENES, 1, nullptr, recorder.Table()), 1);
    ASSERT_EQ(recorder.calls.size(), 1u);
    EXPECT_EQ(recorder.calls[0].args.dstW, c.interW);
    EXPECT_EQ(recorder.calls[0].args.dstH, c.interH);
    EXPECT_EQ(CoordinateAt(*dst, 0, 0).x, c.x0);
    EXPECT_EQ(CoordinateAt(*dst, 0, 0).y, c.y0);
    EXPECT_EQ(CoordinateAt(*dst, c.tgtW - 1, c.tgtH - 1).x, c.x0 + c.tgtW - 1);
    EXPECT_EQ(CoordinateAt(*dst, c.tgtW - 1, c.tgtH - 1).y, c.y0 + c.tgtH - 1);

    // Through drawing (nearest neighbour): intermediate column x0 samples the
    // source at (x0 + 0.5) * srcW / interW.
    auto drawn = Bitmap::Create(c.tgtW, c.tgtH, PixelFormat24bppRGB);
    ASSERT_EQ(ResizeBitmap(src.get(), drawn.get(), INTERPOL_NEAREST_NEIGHBOR, 1, nullptr), 1);
    EXPECT_EQ(CoordinateAt(*drawn, 0, 0).x, static_cast<int>((c.x0 + 0.5) * c.srcW / c.interW));
    EXPECT_EQ(CoordinateAt(*drawn, 0, 0).y, static_cast<int>((c.y0 + 0.5) * c.srcH / c.interH));
}

INSTANTIATE_TEST_SUITE_P(Sizes, CropTable,
                         ::testing::Values(CropCase{400, 300, 200, 200, 266, 200, 33, 0},
                                           CropCase{300, 400, 200, 200, 200, 266, 0, 33},
                                           CropCase{400, 300, 200, 150, 200, 150, 0, 0},
                                           CropCase{1001, 601, 300, 300, 499, 300, 99, 0}));

TEST(ResizeBitmap, CoveringSizeUses64BitProductsAndRefusesTooLarge) {
    int w = 0, h = 0;
    // 100000 x 100000 products overflow 32 bits.
    ASSERT_TRUE(CoveringSize(100000, 50000, 50000, 50000, w, h));
    EXPECT_EQ(w, 100000);
    EXPECT_EQ(h, 50000);
    EXPECT_FALSE(CoveringSize(100000, 1, 100000, 100000, w, h));  // 10^10 wide
}

TEST(ResizeBitmap, FailingEngineSkipsTheCutAndReturnsZero) {
    auto src = CoordinateBitmap(40, 30);
    RecordingEngine recorder;
    recorder.result = 0;
    auto dst = Bitmap::Create(20, 20, PixelFormat24bppRGB);
    EXPECT_EQ(ResizeBitmap(src.get(), dst.get(), INTERPOL_NATURAL_SCENES, 1, nullptr, recorder.Table()), 0);
    EXPECT_EQ(CoordinateAt(*dst, 19, 19).x, 0);  // untouched: still black
}

TEST(ResizeBitmap, EngineOutOfMemoryIsAFailedResize) {
    auto src = CoordinateBitmap(40, 30);
    auto dst = Bitmap::Create(20, 20, PixelFormat24bppRGB);
    ResizeEngine throwing;
    const auto fail = [](const EngineCall&) -> int { throw std::bad_alloc(); };
    throwing.resizeImageV1 = throwing.resizeImageV2 = throwing.superResolutionEnlarge = fail;
    for (int mode = 5; mode <= 9; ++mode)
        EXPECT_EQ(ResizeBitmap(src.get(), dst.get(), mode, 0, nullptr, throwing), 0) << "mode " << mode;
}

TEST(ResizeBitmap, MissingEntryPointsAndBadArgumentsFail) {
    auto src = CoordinateBitmap(8, 8);
    auto dst = Bitmap::Create(16, 16, PixelFormat24bppRGB);
    const ResizeEngine none;
    for (int mode = 5; mode <= 9; ++mode)
        EXPECT_EQ(ResizeBitmap(src.get(), dst.get(), mode, 0, nullptr, none), 0);
    EXPECT_EQ(ResizeBitmap(src.get(), dst.get(), 10, 0, nullptr), 0);
    EXPECT_EQ(ResizeBitmap(src.get(), dst.get(), -1, 0, nullptr), 0);
    EXPECT_EQ(ResizeBitmap(nullptr, dst.get(), 4, 0, nullptr), 0);
    EXPECT_EQ(ResizeBitmap(src.get(), src.get(), 4, 0, nullptr), 0);
}

TEST(ResizeBitmap, ALockedSourceOrTargetFailsInEveryMode) {
    auto src = CoordinateBitmap(8, 8);
    auto dst = Bitmap::Create(16, 16, PixelFormat24bppRGB);
    RecordingEngine recorder;
    const ResizeEngine table = recorder.Table();
    {
        auto held = dst->LockBits({0, 0, 1, 1}, LockMode::Read);
        for (int mode = 0; mode < kInterpolModeCount; ++mode)
            EXPECT_EQ(ResizeBitmap(src.get(), dst.get(), mode, 0, nullptr, table), 0) << mode;
    }
    {
        auto held = src->LockBits({0, 0, 1, 1}, LockMode::Read);
        for (int mode = 5; mode < kInterpolModeCount; ++mode)
            EXPECT_EQ(ResizeBitmap(src.get(), dst.get(), mode, 0, nullptr, table), 0) << mode;
        // The centre cut's target lock fails too.
        auto cropped = Bitmap::Create(6, 6, PixelFormat24bppRGB);
        auto heldTarget = cropped->LockBits({0, 0, 1, 1}, LockMode::Read);
        EXPECT_EQ(ResizeBitmap(dst.get(), cropped.get(), INTERPOL_BILINEAR, 1, nullptr), 0);
    }
    EXPECT_TRUE(recorder.calls.empty());
}

class SolidColour : public ::testing::TestWithParam<int> {};

TEST_P(SolidColour, StaysSolidToTheEdgeAtBothFactors) {
    const int mode = GetParam();
    auto src = Bitmap::Create(101, 67, PixelFormat24bppRGB);
    {
        auto lock = src->LockBits({0, 0, 101, 67}, LockMode::Write);
        for (int y = 0; y < 67; ++y)
            for (int x = 0; x < 101; ++x) {
                std::uint8_t* p = lock->Scan0() + y * lock->Stride() + 3 * x;
                p[0] = 17, p[1] = 140, p[2] = 230;
            }
    }
    for (double factor : {0.3, 1.7}) {
        const int w = static_cast<int>(101 * factor), h = static_cast<int>(67 * factor);
        for (int crop : {0, 1}) {
            auto dst = Bitmap::Create(w, h, PixelFormat24bppRGB);
            ASSERT_EQ(ResizeBitmap(src.get(), dst.get(), mode, crop, nullptr), 1);
            auto lock = dst->LockBits({0, 0, w, h}, LockMode::Read);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const std::uint8_t* p = lock->Scan0() + y * lock->Stride() + 3 * x;
                    ASSERT_TRUE(p[0] == 17 && p[1] == 140 && p[2] == 230)
                        << "factor " << factor << " at " << x << "," << y;
                }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(DrawingModes, SolidColour, ::testing::Range(0, 5));

TEST(ResizeBitmap, AbortStopsTheEngineModesButNotTheDrawingModes) {
    EngineFlagsGuard flags;
    auto src = CoordinateBitmap(64, 48);
    g_bAbortResize = 1;
    CRSProgress progress;
    for (int mode = 0; mode < 5; ++mode) {
        auto dst = Bitmap::Create(128, 96, PixelFormat24bppRGB);
        EXPECT_EQ(ResizeBitmap(src.get(), dst.get(), mode, 0, &progress), 1) << mode;
    }
    for (int mode = 5; mode < kInterpolModeCount; ++mode) {
        auto dst = Bitmap::Create(128, 96, PixelFormat24bppRGB);
        EXPECT_EQ(ResizeBitmap(src.get(), dst.get(), mode, 0, &progress), 0) << mode;
    }
}

TEST(ResizeBitmap, EngineModesWorkOnTargetsOfOtherFormats) {
    auto src = CoordinateBitmap(40, 30);
    RecordingEngine recorder;
    auto dst = Bitmap::Create(80, 60, imaging::PixelFormat32bppRGB);
    ASSERT_EQ(ResizeBitmap(src.get(), dst.get(), INTERPOL_SUPERRESOLUTION, 0, nullptr, recorder.Table()), 1);
    EXPECT_EQ(qBlue(dst->Image().pixel(79, 0)), 79);
    EXPECT_EQ(qGreen(dst->Image().pixel(0, 59)), 59);
}

}  // namespace
