// Browsers of both kinds (the Browse window's image browser and the basket)
// made and destroyed over and over while the builder threads report finished
// thumbnails to every registered browser: a report that arrives while a
// browser's derived part is still being built, or is already gone, must not
// touch the browser's dispatch. Runs under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "batch/basket/BasketBrowser.h"
#include "browser/thumbs/ImgThumbsBrowser.h"
#include "tests/browser/thumbs/ThumbsTestEnv.h"

using namespace thumbstest;

namespace {

// Counts the builder's reports, to know that they overlapped the browsers.
class HeardReports final : public IThumbUpdate {
public:
    void OnThumbUpdate(const QString&, int) override { count.fetch_add(1); }
    std::atomic<int> count{0};
};

TEST(BrowserLifetimeUnderTheBuilder, BrowsersOfBothKindsComeAndGoWhileThumbnailsAreReported) {
    ThumbsEnv env;
    for (int i = 0; i < 120; ++i)
        // Small enough that Qt scales them on the calling thread: its pooled
        // scaling threads are not instrumented.
        env.AddJpeg(QStringLiteral("p%1.jpg").arg(i, 3, 10, QChar(u'0')), 240, 180);
    HeardReports heard;
    AddThumbnailListener(&heard);

    // The keeper holds the cache open, so that the others neither load nor
    // save it, and gives the builder a folder of work.
    {
        CImgThumbsBrowser keeper(env.settings);
        keeper.m_strFolder = env.Folder();
        const int before = heard.count.load();
        keeper.Refresh();

        int rounds = 0;
        int heardWhileChurning = 0;
        // Until enough reports came during the churn, or the builder ran out
        // of work.
        while (heardWhileChurning < 40 && !g_ThumbsBuilder.WaitUntilIdle(0)) {
            { CImgThumbsBrowser image(env.settings); }
            { CBasketBrowser basket(env.settings); }
            auto image = std::make_unique<CImgThumbsBrowser>(env.settings);
            auto basket = std::make_unique<CBasketBrowser>(env.settings);
            basket.reset();
            image.reset();
            ++rounds;
            heardWhileChurning = heard.count.load() - before;
        }
        EXPECT_GT(rounds, 0);
        EXPECT_GT(heardWhileChurning, 0) << "the reports must overlap the browsers' lifetimes";
        EXPECT_EQ(g_nBrowserInstances, 1);
        ASSERT_TRUE(g_ThumbsBuilder.WaitUntilIdle(kIdleMs));
    }
    RemoveThumbnailListener(&heard);
    EXPECT_EQ(g_nBrowserInstances, 0);
}

}  // namespace
