// The preview worker and its region cache: cache hits without a job, jobs
// stopped and superseded, mode switches, opening and destroying during a job,
// batch runs, failing engines. Run under ThreadSanitizer too.

#include <chrono>
#include <stdexcept>
#include <thread>

#include "DocumentFixtures.h"
#include "core/resize/ResizeBitmap.h"
#include "core/resize/ResizeEngine.h"
#include "platform/commands/PostedCommand.h"
#include "platform/imaging/BitmapLock.h"
#include "platform/resources/CommandIds.h"

using namespace doctests;
using imaging::Rect;

namespace {

template <typename Pred>
bool WaitUntil(Pred pred, int timeoutMs = 60000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// An engine stand-in: each output pixel holds its own coordinates (B = x,
// G = y) and the mode that made it (R); it can be held inside a job, made to
// ignore stop requests, or to throw.
class StandInEngine {
public:
    StandInEngine() {
        table.resizeImageV1 = [this](const EngineCall& c) { return Run(c, c.sharpness == 50 ? 5 : 7); };
        table.resizeImageV2 = [this](const EngineCall& c) { return Run(c, 6); };
        table.superResolutionEnlarge = [this](const EngineCall& c) { return Run(c, c.envelopeContrast ? 8 : 9); };
    }

    ResizeEngine table;
    std::atomic<int> calls{0};
    std::atomic<bool> inside{false};
    std::atomic<bool> hold{false};
    std::atomic<bool> ignoreStop{false};
    std::atomic<bool> throwNext{false};
    std::atomic<bool> badAllocNext{false};

private:
    int Run(const EngineCall& c, int mode) {
        ++calls;
        inside = true;
        struct Leave {
            std::atomic<bool>& flag;
            ~Leave() { flag = false; }
        } leave{inside};
        if (throwNext.exchange(false))
            throw std::runtime_error("engine failure");
        if (badAllocNext.exchange(false))
            throw std::bad_alloc();
        const bool deaf = ignoreStop;
        while (hold) {
            if (!deaf && !c.progress->Progress(50))
                return 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (!deaf && !c.progress->Progress(100))
            return 0;
        for (int y = 0; y < c.dstH; ++y)
            for (int x = 0; x < c.dstW; ++x) {
                std::uint8_t* p = c.dst + static_cast<std::ptrdiff_t>(y) * c.dstStride + 3 * x;
                p[0] = static_cast<std::uint8_t>(x);
                p[1] = static_cast<std::uint8_t>(y);
                p[2] = static_cast<std::uint8_t>(mode);
            }
        return 1;
    }
};

struct Pixel {
    int b, g, r;
    friend bool operator==(const Pixel&, const Pixel&) = default;
};

Pixel PixelAt(const imaging::Bitmap& bitmap, int x, int y) {
    const QImage image = bitmap.Image().convertToFormat(QImage::Format_BGR888);
    const uchar* p = image.constScanLine(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

class ReadyRecorder : public platform::CommandReceiver {
public:
    void OnPostedCommand(const platform::Command& command) override {
        if (command.id == ID_PREVIEW_READY)
            ++ready;
    }
    int ready = 0;
};

// A 64 x 48 image shown at twice its size.
class Preview : public DocumentTest {
protected:
    void SetUp() override {
        doc = std::make_unique<CQVVesperaDoc>(settings, engine.table);
        doc->SetListener(&listener);
        doc->SetPreviewPort(port);
        ASSERT_TRUE(doc->OnOpenDocument(WriteImage("image.png", Gradient(64, 48), "png")));
        settings.m_nWidth = 128;
        settings.m_nHeight = 96;
        settings.m_nInterpolMode = 6;
    }
    void TearDown() override {
        engine.hold = false;
        doc.reset();
        port->Close();
    }

    void RequestAndWait(const Rect& src, const Rect& dst) {
        doc->RequestPreviewRegion(src, dst);
        doc->WaitForPreviewIdle();
        platform::DeliverPostedCommands();
    }
    std::shared_ptr<const PreviewRegion> Result() const { return doc->GetPreviewResult(); }

    const Rect kSrc{0, 0, 32, 24};
    const Rect kDst{0, 0, 64, 48};
    StandInEngine engine;
    ReadyRecorder recorder;
    std::shared_ptr<platform::CommandPort> port = platform::CommandPort::Create(&recorder);
    std::unique_ptr<CQVVesperaDoc> doc;
};

TEST_F(Preview, AJobPublishesItsRegionAndPostsReady) {
    RequestAndWait(kSrc, kDst);
    EXPECT_EQ(engine.calls, 1);
    EXPECT_EQ(recorder.ready, 1);
    auto result = Result();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->src, kSrc);
    EXPECT_EQ(result->dst, kDst);
    EXPECT_EQ(result->mode, 6);
    EXPECT_EQ(result->outputWidth, 128);
    EXPECT_EQ(result->bitmap->Width(), 64);
    EXPECT_EQ(result->bitmap->Height(), 48);
    EXPECT_EQ(PixelAt(*result->bitmap, 5, 7), (Pixel{5, 7, 6}));
    EXPECT_EQ(doc->CachedRegion(6), result);
    // The frame's handler: the views redraw.
    const int before = listener.viewUpdates;
    doc->RunCommand(ID_PREVIEW_READY);
    EXPECT_EQ(listener.viewUpdates, before + 1);
}

TEST_F(Preview, AnExactHitIsServedWithoutAJob) {
    RequestAndWait(kSrc, kDst);
    doc->DropPreviewResult();
    const int views = listener.viewUpdates;
    doc->RequestPreviewRegion(kSrc, kDst);
    EXPECT_EQ(engine.calls, 1);
    EXPECT_EQ(listener.viewUpdates, views + 1);
    ASSERT_TRUE(Result());
    EXPECT_EQ(Result()->bitmap, doc->CachedRegion(6)->bitmap);
}

TEST_F(Preview, APartialHitCutsTheCachedRegionAtItsOffset) {
    RequestAndWait(kSrc, kDst);
    const Rect inner{4, 6, 10, 8};
    const Rect innerDst{8, 12, 20, 16};
    doc->RequestPreviewRegion(inner, innerDst);
    EXPECT_EQ(engine.calls, 1);
    auto result = Result();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->src, inner);
    EXPECT_EQ(result->bitmap->Width(), 20);
    EXPECT_EQ(result->bitmap->Height(), 16);
    EXPECT_EQ(PixelAt(*result->bitmap, 0, 0), (Pixel{8, 12, 6}));
    EXPECT_EQ(PixelAt(*result->bitmap, 19, 15), (Pixel{27, 27, 6}));
}

TEST_F(Preview, AnotherScaleOrOutputSizeIsAMissThatDropsTheCaches) {
    RequestAndWait(kSrc, kDst);
    // The same source at 3x: another output size.
    settings.m_nWidth = 192;
    settings.m_nHeight = 144;
    RequestAndWait({4, 6, 10, 8}, {12, 18, 30, 24});
    EXPECT_EQ(engine.calls, 2);
    ASSERT_TRUE(Result());
    EXPECT_EQ(Result()->outputWidth, 192);
    EXPECT_EQ(Result()->bitmap->Width(), 30);
}

TEST_F(Preview, AnEqualSizeRegionIsTheImagesOwnPixelsWithoutAJob) {
    settings.m_nWidth = 64;
    settings.m_nHeight = 48;
    const Rect region{10, 5, 20, 12};
    doc->RequestPreviewRegion(region, region);
    EXPECT_EQ(engine.calls, 0);
    auto result = Result();
    ASSERT_TRUE(result);
    ASSERT_EQ(result->bitmap->Width(), 20);
    const QImage whole = Gradient(64, 48);
    const QRgb expected = whole.pixel(10, 5);
    const QRgb got = result->bitmap->Image().pixel(0, 0);
    EXPECT_EQ(qRed(got), qRed(expected));
    EXPECT_EQ(qGreen(got), qGreen(expected));
}

TEST_F(Preview, TinyRegionsAreNeverComputed) {
    RequestAndWait({3, 3, 2, 2}, {6, 6, 4, 4});
    EXPECT_EQ(engine.calls, 0);
    EXPECT_FALSE(Result());
    RequestAndWait({3, 3, 3, 2}, {6, 6, 6, 4});
    EXPECT_EQ(engine.calls, 1);
}

TEST_F(Preview, ANewRequestStopsTheRunningJobWhoseResultIsNeverShown) {
    engine.hold = true;
    doc->RequestPreviewRegion(kSrc, kDst);
    ASSERT_TRUE(WaitUntil([&] { return engine.inside.load(); }));
    // The request stops the held job (it sees the stop at its next report,
    // through the job's own abort byte); the next job starts after it.
    const Rect other{16, 12, 32, 24};
    const Rect otherDst{32, 24, 64, 48};
    doc->RequestPreviewRegion(other, otherDst);
    EXPECT_EQ(g_bAbortResize, 0);
    engine.hold = false;
    doc->WaitForPreviewIdle();
    platform::DeliverPostedCommands();
    EXPECT_EQ(engine.calls, 2);
    EXPECT_EQ(recorder.ready, 1);
    ASSERT_TRUE(Result());
    EXPECT_EQ(Result()->src, other);
    EXPECT_EQ(doc->CachedRegion(6)->src, other);
}

TEST_F(Preview, ALateJobThatFinishesAnywayIsDropped) {
    // The job ignores the stop and finishes after the next request was made.
    engine.hold = true;
    engine.ignoreStop = true;
    doc->RequestPreviewRegion(kSrc, kDst);
    ASSERT_TRUE(WaitUntil([&] { return engine.inside.load(); }));
    // The next request does not wait for the job: it returns with the job
    // still held. (Should it wait, the job is let go after a while, so the
    // test fails instead of hanging.)
    std::atomic<bool> returned{false};
    std::thread release([&] {
        WaitUntil([&] { return returned.load(); }, 20000);
        engine.hold = false;
    });
    const Rect other{16, 12, 32, 24};
    const Rect otherDst{32, 24, 64, 48};
    doc->RequestPreviewRegion(other, otherDst);
    const bool stillHeld = engine.hold.load();
    returned = true;
    release.join();
    EXPECT_TRUE(stillHeld);
    EXPECT_EQ(g_bAbortResize, 0);
    doc->WaitForPreviewIdle();
    platform::DeliverPostedCommands();
    ASSERT_TRUE(Result());
    EXPECT_EQ(Result()->src, other);
    EXPECT_EQ(PixelAt(*Result()->bitmap, 0, 0), (Pixel{0, 0, 6}));
    EXPECT_EQ(recorder.ready, 1);
}

TEST_F(Preview, ALateJobNeverOverwritesACacheHitServedMeanwhile) {
    settings.m_nInterpolMode = 5;
    RequestAndWait(kSrc, kDst);
    // Mode 6 for the same region: a job, held and deaf to stops.
    settings.m_nInterpolMode = 6;
    engine.hold = true;
    engine.ignoreStop = true;
    doc->RequestPreviewRegion(kSrc, kDst);
    ASSERT_TRUE(WaitUntil([&] { return engine.inside.load(); }));
    // Back to mode 5: its cache answers at once.
    settings.m_nInterpolMode = 5;
    doc->RequestPreviewRegion(kSrc, kDst);
    ASSERT_TRUE(Result());
    EXPECT_EQ(Result()->mode, 5);
    engine.hold = false;
    doc->WaitForPreviewIdle();
    platform::DeliverPostedCommands();
    EXPECT_EQ(Result()->mode, 5);
    EXPECT_EQ(PixelAt(*Result()->bitmap, 1, 1).r, 5);
    EXPECT_FALSE(doc->CachedRegion(6));
    EXPECT_EQ(recorder.ready, 1);
}

TEST_F(Preview, SwitchingModeAndBackServesEachModesOwnRegion) {
    settings.m_nInterpolMode = 5;
    RequestAndWait(kSrc, kDst);
    settings.m_nInterpolMode = 6;
    RequestAndWait(kSrc, kDst);
    EXPECT_EQ(engine.calls, 2);
    settings.m_nInterpolMode = 5;
    doc->RequestPreviewRegion(kSrc, kDst);
    EXPECT_EQ(engine.calls, 2);
    EXPECT_EQ(PixelAt(*Result()->bitmap, 2, 3), (Pixel{2, 3, 5}));
    settings.m_nInterpolMode = 6;
    doc->RequestPreviewRegion(kSrc, kDst);
    EXPECT_EQ(engine.calls, 2);
    EXPECT_EQ(PixelAt(*Result()->bitmap, 2, 3), (Pixel{2, 3, 6}));
    // A region outside the cached one drops every mode's cache.
    RequestAndWait({20, 20, 30, 20}, {40, 40, 60, 40});
    EXPECT_FALSE(doc->CachedRegion(5));
    EXPECT_TRUE(doc->CachedRegion(6));
}

TEST_F(Preview, EveryEngineModeHasItsOwnCache) {
    for (int mode : {5, 6, 7, 8, 9}) {
        settings.m_nInterpolMode = mode;
        RequestAndWait(kSrc, kDst);
    }
    EXPECT_EQ(engine.calls, 5);
    for (int mode : {5, 6, 7, 8, 9}) {
        auto cached = doc->CachedRegion(mode);
        ASSERT_TRUE(cached) << mode;
        EXPECT_EQ(cached->mode, mode);
        EXPECT_EQ(PixelAt(*cached->bitmap, 0, 0).r, mode);
    }
    EXPECT_FALSE(doc->CachedRegion(4));
    settings.m_nInterpolMode = 4;
    doc->RequestPreviewRegion(kSrc, kDst);  // not an engine mode: nothing
    doc->WaitForPreviewIdle();
    EXPECT_EQ(engine.calls, 5);
}

TEST_F(Preview, OpeningAnotherFileDuringAJobDropsEverything) {
    engine.hold = true;
    doc->RequestPreviewRegion(kSrc, kDst);
    ASSERT_TRUE(WaitUntil([&] { return engine.inside.load(); }));
    ASSERT_TRUE(doc->OnOpenDocument(WriteImage("other.png", Gradient(20, 10), "png")));
    EXPECT_FALSE(engine.inside);
    EXPECT_EQ(g_bAbortResize, 0);
    engine.hold = false;
    doc->WaitForPreviewIdle();
    platform::DeliverPostedCommands();
    EXPECT_FALSE(Result());
    EXPECT_FALSE(doc->CachedRegion(6));
    EXPECT_EQ(recorder.ready, 0);
    EXPECT_EQ(doc->ImageWidth(), 20);
}

TEST_F(Preview, DestroyingTheDocumentDuringAJobJoinsTheWorker) {
    engine.hold = true;
    doc->RequestPreviewRegion(kSrc, kDst);
    ASSERT_TRUE(WaitUntil([&] { return engine.inside.load(); }));
    doc.reset();
    EXPECT_FALSE(engine.inside);
    EXPECT_EQ(g_bAbortResize, 0);
    EXPECT_EQ(platform::DeliverPostedCommands(), 0);
    EXPECT_EQ(recorder.ready, 0);
}

TEST_F(Preview, NoJobWhileABatchRunsAndTheAbortFlagIsLeftAlone) {
    for (std::uint8_t abort : {0, 1}) {
        g_bBatchRunning = 1;
        g_bAbortResize = abort;  // 1: the batch's Cancel, which must not be swallowed
        doc->RequestPreviewRegion(kSrc, kDst);
        doc->WaitForPreviewIdle();
        EXPECT_EQ(engine.calls, 0);
        EXPECT_EQ(g_bAbortResize, abort);
        EXPECT_FALSE(Result());
    }
    g_bAbortResize = 0;
    g_bBatchRunning = 0;
    const int views = listener.viewUpdates;
    doc->OnBatchEnded();
    EXPECT_EQ(listener.viewUpdates, views + 1);  // the views ask again
    RequestAndWait(kSrc, kDst);
    EXPECT_EQ(engine.calls, 1);
    EXPECT_TRUE(Result());
}

TEST_F(Preview, AJobRunningWhenABatchStartsStopsWithoutTouchingTheAbortFlag) {
    engine.hold = true;
    doc->RequestPreviewRegion(kSrc, kDst);
    ASSERT_TRUE(WaitUntil([&] { return engine.inside.load(); }));
    g_bBatchRunning = 1;
    ASSERT_TRUE(WaitUntil([&] { return !engine.inside.load(); }));
    doc->WaitForPreviewIdle();
    EXPECT_EQ(g_bAbortResize, 0);
    EXPECT_FALSE(Result());
    // Opening during the batch stops jobs without the abort flag as well.
    ASSERT_TRUE(doc->OnOpenDocument(WriteImage("during.png", Gradient(16, 16), "png")));
    EXPECT_EQ(g_bAbortResize, 0);
}

TEST_F(Preview, AFailingEngineLeavesNoResultAndTheWorkerServesOn) {
    engine.throwNext = true;
    RequestAndWait(kSrc, kDst);
    EXPECT_FALSE(Result());
    engine.badAllocNext = true;
    RequestAndWait(kSrc, kDst);
    EXPECT_FALSE(Result());
    EXPECT_EQ(recorder.ready, 0);
    RequestAndWait(kSrc, kDst);
    EXPECT_TRUE(Result());
    EXPECT_EQ(engine.calls, 3);
}

TEST_F(Preview, RequestsOutsideTheImageOrOutputAreIgnored) {
    RequestAndWait({60, 40, 10, 10}, {120, 80, 20, 20});
    RequestAndWait(kSrc, {100, 80, 64, 48});
    RequestAndWait({0, 0, 0, 0}, {0, 0, 0, 0});
    EXPECT_EQ(engine.calls, 0);
    EXPECT_FALSE(Result());
}

// Many requests in a row while jobs run: the last one's region is what shows.
TEST_F(Preview, AStormOfRequestsEndsWithTheLastRegion) {
    for (int i = 0; i < 40; ++i)
        doc->RequestPreviewRegion({i % 16, i % 12, 32, 24}, {2 * (i % 16), 2 * (i % 12), 64, 48});
    doc->WaitForPreviewIdle();
    platform::DeliverPostedCommands();
    ASSERT_TRUE(Result());
    EXPECT_EQ(Result()->src, (Rect{39 % 16, 39 % 12, 32, 24}));
    EXPECT_GE(recorder.ready, 1);
}

// The real engine: a preview region is the region resized as Resize and Save
// would resize a crop of it.
class RealEnginePreview : public DocumentTest {};

TEST_F(RealEnginePreview, TheRegionEqualsTheCropResized) {
    CQVVesperaDoc doc(settings);
    ASSERT_TRUE(doc.OnOpenDocument(WriteImage("real.png", Gradient(80, 60), "png")));
    settings.m_nWidth = 160;
    settings.m_nHeight = 120;
    settings.m_nInterpolMode = 6;
    const Rect src{10, 8, 40, 30};
    const Rect dst{20, 16, 80, 60};
    doc.RequestPreviewRegion(src, dst);
    doc.WaitForPreviewIdle();
    auto result = doc.GetPreviewResult();
    ASSERT_TRUE(result);

    auto crop = doc.GetSource()->Clone(src, imaging::PixelFormat24bppRGB);
    auto expected = imaging::Bitmap::Create(80, 60, imaging::PixelFormat24bppRGB);
    ASSERT_EQ(ResizeBitmap(crop.get(), expected.get(), 6, 0, nullptr), 1);
    EXPECT_EQ(result->bitmap->Image(), expected->Image());
}

struct LockedCase {
    const char* name;
    int imageW, imageH;
    double percent;
    int outW, outH;
    Rect src, dst;
};

class LockedPercentagePreview : public DocumentTest, public ::testing::WithParamInterface<LockedCase> {};

// A locked percentage never gives the engine a size it cannot take.
TEST_P(LockedPercentagePreview, OpensAndPreviews) {
    const LockedCase& c = GetParam();
    settings.m_nLockSettings = 1;
    settings.m_nInPercents = 1;
    settings.m_dPercentW = c.percent;
    settings.m_dPercentH = c.percent;
    settings.m_nInterpolMode = 6;
    CQVVesperaDoc doc(settings);
    ASSERT_TRUE(doc.OnOpenDocument(WriteImage("locked.png", Gradient(c.imageW, c.imageH), "png")));
    EXPECT_EQ(settings.m_nWidth, c.outW);
    EXPECT_EQ(settings.m_nHeight, c.outH);
    for (int mode : {5, 6, 7, 8, 9}) {
        settings.m_nInterpolMode = mode;
        doc.RequestPreviewRegion(c.src, c.dst);
        doc.WaitForPreviewIdle();
        auto result = doc.GetPreviewResult();
        if (mode >= 8 && c.dst.width < c.src.width)
            continue;  // super-resolution only enlarges
        ASSERT_TRUE(result) << mode;
        EXPECT_EQ(result->bitmap->Width(), c.dst.width);
        EXPECT_EQ(result->bitmap->Height(), c.dst.height);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, LockedPercentagePreview,
    ::testing::Values(LockedCase{"Small", 100, 100, 0.3, 3, 3, {0, 0, 100, 100}, {0, 0, 3, 3}},
                      LockedCase{"Large", 50000, 2, 10000, 100000, 200, {100, 0, 16, 2}, {200, 0, 32, 200}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
