// The detail resamplers give the same bytes whatever the number of threads,
// and report from the calling thread only; run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <thread>

#include <tbb/global_control.h>

#include "engine/DetailResampleV1.h"
#include "engine/DetailResampleV2.h"
#include "support/EngineTestSupport.h"

namespace {

// Records the reports and whether each came from the thread that made it.
class ThreadCheckingProgress : public CRSProgress {
public:
    int Progress(int percent) override {
        reports.push_back(percent);
        if (std::this_thread::get_id() != caller_)
            ++foreign;
        return CRSProgress::Progress(percent);
    }
    std::vector<int> reports;
    int foreign = 0;

private:
    std::thread::id caller_ = std::this_thread::get_id();
};

struct Case {
    int mode, dstW, dstH;
};

Plane Resize(const Case& c, const Plane& src, int sw, int sh, int threads, ThreadCheckingProgress* progress) {
    tbb::global_control limit(tbb::global_control::max_allowed_parallelism, threads);
    const int stride = c.dstW * 3 + 1;
    Plane dst(static_cast<std::size_t>(stride) * c.dstH, 0);
    const double wf = WholeFactorFlag(c.dstW, c.dstH, sw, sh);
    int ok = 0;
    if (c.mode == 6)
        ok = ResizeImageV2(dst.data(), stride, src.data(), sw * 3, 1, c.dstW, c.dstH, sw, sh, 40, wf, 0, 3, progress);
    else if (c.mode == 5)
        ok = ResizeImageV1(dst.data(), stride, src.data(), sw * 3, 1, c.dstW, c.dstH, sw, sh, 50, wf, 0, 3, progress);
    else
        ok = ResizeImageV1(dst.data(), stride, src.data(), sw * 3, 1, c.dstW, c.dstH, sw, sh, 25, 2, 0, 4, progress);
    EXPECT_EQ(ok, 1);
    return dst;
}

TEST(DetailResampleThreads, SameBytesWithOneAndEightThreads) {
    EngineFlagsGuard flags;
    const int sw = 61, sh = 40;
    const Plane src = RandomPlane(sw * 3, sh, 21);
    const Case cases[] = {{5, 122, 80}, {6, 122, 80}, {7, 122, 80}, {5, 190, 49}, {6, 250, 48},
                          {7, 30, 20},  {5, 43, 52},  {6, 30, 20},  {6, 185, 121}};
    for (const auto& c : cases) {
        ThreadCheckingProgress one, eight;
        const Plane a = Resize(c, src, sw, sh, 1, &one);
        const Plane b = Resize(c, src, sw, sh, 8, &eight);
        EXPECT_EQ(a, b) << "mode " << c.mode << " " << c.dstW << "x" << c.dstH;
        EXPECT_EQ(one.reports, eight.reports);
        EXPECT_EQ(eight.foreign, 0);
        EXPECT_EQ(eight.m_nWraps + 1, eight.m_nPhases);
    }
}

}  // namespace
