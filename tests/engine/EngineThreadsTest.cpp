// Engine behaviour across threads; run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <tbb/global_control.h>

#include "engine/KernelResample.h"
#include "platform/resources/CommandIds.h"
#include "support/EngineTestSupport.h"
#include "support/RecordingProgressSink.h"

namespace {

constexpr std::uint8_t kUntouched = 0;

// At the report of `abortAtPercent` it asks another thread to set the abort
// flag and waits until that thread has done so, then answers as CRSProgress
// does. Counts the reports answered "go on" and "stop".
class HandshakeProgress : public CRSProgress {
public:
    explicit HandshakeProgress(int abortAtPercent) : abortAt_(abortAtPercent) {}
    int Progress(int percent) override {
        if (percent >= abortAt_ && !requested.exchange(true))
            while (!abortSet.load())
                std::this_thread::yield();
        const int answer = CRSProgress::Progress(percent);
        (answer ? goOn : stops).fetch_add(1);
        return answer;
    }
    std::atomic<bool> requested{false};
    std::atomic<bool> abortSet{false};
    std::atomic<int> goOn{0};
    std::atomic<int> stops{0};

private:
    int abortAt_;
};

TEST(EngineThreads, AbortFromAnotherThreadStopsWithinOneRow) {
    EngineFlagsGuard flags;
    RecordingProgressSink sink;
    const int sw = 600, sh = 400, dw = 1800, dh = 1200;
    const Plane src = RandomPlane(sw, sh, 1, 10, 200);  // tent output stays in 10..200
    Plane dst(static_cast<std::size_t>(dw) * dh, kUntouched);

    HandshakeProgress progress(5);
    std::atomic<bool> finished{false};
    std::thread aborter([&] {
        while (!progress.requested.load() && !finished.load())
            std::this_thread::yield();
        g_bAbortResize.store(1);
        progress.abortSet.store(true);
    });
    const int result = KernelResample(dst.data(), src.data(), sw, sh, dw, dh, 1, 0, 1, &progress);
    finished.store(true);
    aborter.join();

    ASSERT_EQ(result, 0);
    EXPECT_EQ(progress.stops.load(), 1);
    // Rows 0 .. goOn-1 were answered "go on", and the row whose report saw the
    // abort was written before its report: nothing past it.
    const int written = progress.goOn.load() + 1;
    EXPECT_EQ(written, dh * 5 / 100 + 1);
    for (int y = 0; y < dh; ++y) {
        const auto row = dst.begin() + static_cast<std::ptrdiff_t>(y) * dw;
        const bool anyWritten = std::any_of(row, row + dw, [](auto v) { return v != kUntouched; });
        EXPECT_EQ(anyWritten, y < written) << "row " << y;
    }
}

TEST(EngineThreads, OutputDoesNotDependOnThreadCount) {
    EngineFlagsGuard flags;
    const int sw = 123, sh = 77, dw = 301, dh = 199;
    const Plane src = RandomPlane(sw, sh, 4);
    auto run = [&](int threads) {
        tbb::global_control limit(tbb::global_control::max_allowed_parallelism, threads);
        Plane dst(static_cast<std::size_t>(dw) * dh, 0);
        EXPECT_EQ(KernelResample(dst.data(), src.data(), sw, sh, dw, dh, 3, 1, 3, nullptr), 1);
        return dst;
    };
    EXPECT_EQ(run(1), run(8));
}

TEST(EngineThreads, OutOfMemoryFlagBelongsToTheCallingThread) {
    EngineFlagsGuard flags;
    g_bResizeOutOfMemory = 1;
    std::uint8_t other = 0xFF;
    std::thread([&] { other = g_bResizeOutOfMemory; }).join();
    EXPECT_EQ(other, 0);
    EXPECT_EQ(g_bResizeOutOfMemory, 1);
}

TEST(EngineThreads, TwoEngineCallsOnTwoThreadsAgree) {
    EngineFlagsGuard flags;
    RecordingProgressSink sink;
    const Plane src = RandomPlane(64, 48, 9);
    Plane a(200 * 150), b(200 * 150);
    std::thread t1([&] {
        CRSProgress p;
        EXPECT_EQ(KernelResample(a.data(), src.data(), 64, 48, 200, 150, 2, 1, 3, &p), 1);
    });
    std::thread t2([&] {
        CRSProgress p;
        EXPECT_EQ(KernelResample(b.data(), src.data(), 64, 48, 200, 150, 2, 1, 3, &p), 1);
    });
    t1.join();
    t2.join();
    EXPECT_EQ(a, b);
    const auto commands = sink.Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), ID_START_PROGRESS), 2);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), ID_END_PROGRESS), 2);
}

}  // namespace
