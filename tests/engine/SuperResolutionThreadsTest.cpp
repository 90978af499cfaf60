// The super-resolution path across threads; run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <tbb/global_control.h>

#include "SuperResTestSupport.h"
#include "engine/DirectionalSmooth.h"
#include "engine/SuperResLanczos.h"

namespace {

const SuperRes::AbortFlag kNeverAbort{0};

using Image = BgrImage;

Image MakeImage(int w, int h, unsigned seed) { return RandomBgrImage(w, h, seed, 1); }

SuperResolutionParams Request(Image& dst, const Image& src, int mode, CRSProgress* progress = nullptr) {
    return SuperResRequest(dst, src, mode, progress);
}

TEST(SuperResolutionThreads, ParallelSmoothingEqualsSerialAtOddHeights) {
    EngineFlagsGuard flags;
    for (int h : {17, 33, 1009}) {
        const int w = 45;
        // Blocks of a few grey levels: edges in every direction.
        Plane original = RandomPlane(w, h, static_cast<unsigned>(h), 0, 3);
        for (auto& v : original)
            v = static_cast<std::uint8_t>(v * 60);
        Plane serial = original, parallel = original;
        DirectionalSmooth(serial.data(), w, h, 55, 15, 3, false, &kNeverAbort);
        DirectionalSmooth(parallel.data(), w, h, 55, 15, 3, true, &kNeverAbort);
        EXPECT_NE(serial, original) << h;
        EXPECT_EQ(parallel, serial) << h;
    }
}

TEST(SuperResolutionThreads, ParallelLanczosEqualsSerialAtOddHeights) {
    EngineFlagsGuard flags;
    Image src = MakeImage(23, 9, 1);
    for (int h : {17, 33, 1009}) {
        Image serial{41, h, 3 * 41 + 2, Plane(static_cast<std::size_t>(3 * 41 + 2) * h, 0)};
        Image parallel = serial;
        SuperRes::ResampleParams p;
        p.src = src.bytes.data();
        p.srcW = src.w;
        p.srcH = src.h;
        p.srcStride = src.stride;
        p.dstW = serial.w;
        p.dstH = h;
        p.dstStride = serial.stride;
        p.abort = &kNeverAbort;
        p.dst = serial.bytes.data();
        p.parallel = false;
        ASSERT_TRUE(SuperRes::ResampleLanczos(p));
        p.dst = parallel.bytes.data();
        p.parallel = true;
        ASSERT_TRUE(SuperRes::ResampleLanczos(p));
        EXPECT_EQ(parallel.bytes, serial.bytes) << h;
    }
}

TEST(SuperResolutionThreads, OutputDoesNotDependOnThreadCount) {
    EngineFlagsGuard flags;
    Image src = MakeImage(61, 37, 2);
    for (int mode : {8, 9}) {
        auto run = [&](int threads) {
            tbb::global_control limit(tbb::global_control::max_allowed_parallelism, threads);
            Image dst{151, 97, 3 * 151 + 3, Plane(static_cast<std::size_t>(3 * 151 + 3) * 97, 0)};
            EXPECT_EQ(SuperResolutionEnlarge(Request(dst, src, mode)), 1);
            return dst.bytes;
        };
        EXPECT_EQ(run(1), run(8)) << mode;
    }
}

TEST(SuperResolutionThreads, TwoCallsAtOnceGiveTheResultOfOne) {
    EngineFlagsGuard flags;
    Image src = MakeImage(50, 30, 3);
    Image alone{120, 75, 360, Plane(360 * 75, 0)};
    ASSERT_EQ(SuperResolutionEnlarge(Request(alone, src, 8)), 1);
    Image first = alone, second = alone;
    std::fill(first.bytes.begin(), first.bytes.end(), 0);
    std::fill(second.bytes.begin(), second.bytes.end(), 0);
    int r1 = 0, r2 = 0;
    std::thread t1([&] { r1 = SuperResolutionEnlarge(Request(first, src, 8)); });
    std::thread t2([&] { r2 = SuperResolutionEnlarge(Request(second, src, 8)); });
    t1.join();
    t2.join();
    EXPECT_EQ(r1, 1);
    EXPECT_EQ(r2, 1);
    EXPECT_EQ(first.bytes, alone.bytes);
    EXPECT_EQ(second.bytes, alone.bytes);
}

// At the milestone 40 asks another thread to set the abort byte, waits until
// it is set and answers "go on": the smoothing that follows has to see the
// byte in its parallel bands.
class AbortAfterForty : public CRSProgress {
public:
    int Progress(int percent) override {
        reports.push_back(percent);
        if (percent != 40)
            return CRSProgress::Progress(percent);
        request.store(true);
        while (!g_bAbortResize.load())
            std::this_thread::yield();
        return 1;
    }
    std::vector<int> reports;
    std::atomic<bool> request{false};
};

TEST(SuperResolutionThreads, AbortFromAnotherThreadStopsTheFilters) {
    EngineFlagsGuard flags;
    Image src = MakeImage(120, 80, 4);
    Image dst{240, 160, 720, Plane(720 * 160, 0)};
    AbortAfterForty progress;
    std::thread aborter([&] {
        while (!progress.request.load())
            std::this_thread::yield();
        g_bAbortResize.store(1);
    });
    const int result = SuperResolutionEnlarge(Request(dst, src, 8, &progress));
    aborter.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(progress.reports, (std::vector<int>{0, 10, 20, 30, 40}));
}

}  // namespace
