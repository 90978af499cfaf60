// Two browsers opened and closed in every order while the builder threads
// make thumbnails: the cache is loaded by the first, kept while any lives,
// saved and emptied by the last; views that go while thumbnails are being
// posted are never reached. Runs under ThreadSanitizer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>

#include <memory>

#include "browser/thumbs/ImgThumbsBrowser.h"
#include "browser/thumbs/ThumbsView.h"
#include "platform/commands/PostedCommand.h"
#include "tests/browser/thumbs/ThumbsTestEnv.h"

using namespace thumbstest;

namespace {

class BrowserLifetime : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 24; ++i)
            // Small enough that Qt scales them on the calling thread: its
            // pooled scaling threads are not instrumented.
            env.AddJpeg(QStringLiteral("p%1.jpg").arg(i, 2, 10, QChar(u'0')), 240, 180);
    }
    QString IndexFile() const { return DefaultThumbCacheFolder() + QStringLiteral("/QVIMGBRWS.IND"); }
    std::unique_ptr<CImgThumbsBrowser> Open() {
        auto browser = std::make_unique<CImgThumbsBrowser>(env.settings);
        browser->m_strFolder = env.Folder();
        browser->Refresh();  // the builder starts on the folder
        return browser;
    }

    ThumbsEnv env;
};

TEST_F(BrowserLifetime, EveryOrderOfTwoBrowsers) {
    // first opened, first closed; first opened, last closed; one after the other
    for (int order = 0; order < 3; ++order) {
        SCOPED_TRACE(order);
        QFile::remove(IndexFile());
        ASSERT_EQ(g_nBrowserInstances, 0);
        auto a = Open();
        std::unique_ptr<CImgThumbsBrowser> b;
        if (order < 2)
            b = Open();
        EXPECT_EQ(g_nBrowserInstances, order < 2 ? 2 : 1);
        if (order == 0) {
            a.reset();
            EXPECT_FALSE(QFile::exists(IndexFile())) << "the cache is saved only by the last browser";
            // The other browser's listing goes on filling the cache.
            ASSERT_TRUE(g_ThumbsBuilder.WaitUntilIdle(kIdleMs));
            EXPECT_EQ(g_ThumbCache.GetCount(), 24u);
            b.reset();
        } else if (order == 1) {
            b.reset();
            EXPECT_FALSE(QFile::exists(IndexFile()));
            a.reset();
        } else {
            a.reset();
            EXPECT_TRUE(QFile::exists(IndexFile()));
            QFile::remove(IndexFile());
            b = Open();
            b.reset();
        }
        EXPECT_EQ(g_nBrowserInstances, 0);
        EXPECT_TRUE(QFile::exists(IndexFile()));
        EXPECT_EQ(g_ThumbCache.GetCount(), 0u) << "the last browser empties the cache";
        EXPECT_TRUE(g_ThumbsBuilder.WaitUntilIdle(kIdleMs));
        EXPECT_EQ(g_ThumbCache.GetCount(), 0u) << "nothing is built after the last browser";
    }
}

TEST_F(BrowserLifetime, TheNextFirstBrowserLoadsWhatTheLastSaved) {
    {
        auto a = Open();
        ASSERT_TRUE(g_ThumbsBuilder.WaitUntilIdle(kIdleMs));
        EXPECT_EQ(g_ThumbCache.GetCount(), 24u);
    }
    EXPECT_EQ(g_ThumbCache.GetCount(), 0u);
    CImgThumbsBrowser again(env.settings);
    CellRef cell;
    EXPECT_TRUE(again.LookupThumb(env.Path(QStringLiteral("p05.jpg")), cell));
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->m_nImageWidth, 240);
}

TEST_F(BrowserLifetime, ViewsClosedWhileThumbnailsArePosted) {
    for (int round = 0; round < 4; ++round) {
        auto browser = std::make_unique<CImgThumbsBrowser>(env.settings);
        browser->m_strFolder = env.Folder();
        QPointer<CThumbsView> view = new CThumbsView;
        view->resize(700, 500);
        view->SetBrowser(browser.get());
        view->OnInitialUpdate();
        QApplication::processEvents();
        // Close the view (or, in odd rounds, the browser first) while the
        // builder is still posting.
        if (round % 2 == 0) {
            view->DestroyWindow();
            EXPECT_EQ(browser->View(), nullptr);
            EXPECT_EQ(view->Browser(), nullptr);
            QApplication::processEvents();
            browser.reset();
        } else {
            browser.reset();
            ASSERT_FALSE(view.isNull());
            EXPECT_EQ(view->Browser(), nullptr);
            view->DestroyWindow();
        }
        for (int i = 0; i < 20 && !view.isNull(); ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QApplication::processEvents();
        }
        EXPECT_TRUE(view.isNull());
        platform::DeliverPostedCommands();
    }
    EXPECT_EQ(g_nBrowserInstances, 0);
}

}  // namespace
