// The preview view with a real document and an engine stand-in whose
// regions are flat colours: centring, the region asked for at a scrolled
// position, the engine's result drawn when ID_PREVIEW_READY arrives, tiny
// regions, mode changes, crop, panning with the mouse, held updates, the
// scroll bars and the file drag of batch mode.

#include <QDrag>
#include <QMimeData>
#include <QScrollBar>
#include <QUrl>

#include "PreviewFixtures.h"

using namespace previewtests;
using imaging::Rect;

namespace {

// The gradient's colour at a source pixel, as the view shows it 1:1.
QRgb SourceRgb(const QImage& source, int x, int y) { return source.pixel(x, y) | 0xFF000000u; }

class ViewTest : public PreviewTest {
protected:
    // A 400 x 300 gradient at twice its size in a 300 x 200 view.
    void ShowAtTwiceTheSize(int mode) {
        MakeView(300, 200);
        Open(source, 800, 600);
        SetMode(mode);
    }
    // What the fast nearest-neighbour rendering shows at a client pixel.
    QRgb FastPixel(int x, int y) const {
        const QPoint s = view->GetScrollPosition();
        return SourceRgb(source, (s.x() + x) / 2, (s.y() + y) / 2);
    }

    const QImage source = doctests::Gradient(400, 300);
};

TEST_F(ViewTest, WithoutAnImageTheScrollSizeIs10By10AndNothingIsDrawn) {
    MakeView(300, 200);
    EXPECT_EQ(view->GetTotalSize(), QSize(10, 10));
    EXPECT_EQ(view->GetVisibleSourceRect(), Rect{});
    const QImage grab = Grab();
    const QRgb base = view->palette().base().color().rgb();
    for (const QPoint p : {QPoint(0, 0), QPoint(150, 100), QPoint(299, 199)})
        EXPECT_EQ(Rgb(grab, p.x(), p.y()), base);
    EXPECT_EQ(engine.calls, 0);
}

TEST_F(ViewTest, ASmallPictureIsCentredOnWhite) {
    MakeView(300, 200);
    const QImage source = doctests::Gradient(100, 60);
    Open(source, 100, 60);
    EXPECT_EQ(view->GetTotalSize(), QSize(100, 60));
    EXPECT_FALSE(view->HasHorizontalBar());
    EXPECT_EQ(view->GetScrollPosition(), QPoint(-100, -70));
    EXPECT_EQ(view->SourceToClientRect({0, 0, 100, 60}), (Rect{100, 70, 100, 60}));
    const QImage grab = Grab();
    EXPECT_EQ(Rgb(grab, 99, 69), 0xFFFFFFFFu);
    EXPECT_EQ(Rgb(grab, 200, 130), 0xFFFFFFFFu);
    EXPECT_EQ(Rgb(grab, 100, 70), SourceRgb(source, 0, 0));
    EXPECT_EQ(Rgb(grab, 199, 129), SourceRgb(source, 99, 59));
    EXPECT_EQ(Rgb(grab, 150, 100), SourceRgb(source, 50, 30));
    EXPECT_EQ(view->GetVisibleSourceRect(), (Rect{0, 0, 100, 60}));
}

TEST_F(ViewTest, ALargePictureScrollsAndShowsTheScrolledPart) {
    MakeView(300, 200);
    const QImage source = doctests::Gradient(1000, 800);
    Open(source, 1000, 800);
    ASSERT_TRUE(view->HasHorizontalBar());
    ASSERT_TRUE(view->HasVerticalBar());
    const QSize client = view->ClientSize();
    EXPECT_EQ(view->GetScrollLimit(), QPoint(1000 - client.width(), 800 - client.height()));
    // It opens on the middle.
    EXPECT_EQ(view->GetScrollPosition(), QPoint((1000 - client.width()) / 2, (800 - client.height()) / 2));
    view->ScrollToPosition({123, 45});
    const QImage grab = Grab();
    EXPECT_EQ(Rgb(grab, 0, 0), SourceRgb(source, 123, 45));
    EXPECT_EQ(Rgb(grab, 10, 20), SourceRgb(source, 133, 65));
    EXPECT_EQ(view->GetVisibleSourceRect(), (Rect{123, 45, client.width(), client.height()}));
}

TEST_F(ViewTest, ScrolledAtTwiceTheSizeItAsksForTheVisibleRegion) {
    ShowAtTwiceTheSize(6);
    view->ScrollToPosition({101, 51});
    const QSize client = view->ClientSize();
    Grab();
    FinishJobs();
    const auto result = Result();
    ASSERT_TRUE(result);
    // Left and top rounded down, right and bottom up, at two output pixels
    // a source pixel.
    const Rect src{50, 25, (101 + client.width() + 1) / 2 - 50, (51 + client.height() + 1) / 2 - 25};
    EXPECT_EQ(result->src, src);
    EXPECT_EQ(result->dst, (Rect{100, 50, 2 * src.width, 2 * src.height}));
    EXPECT_EQ(result->mode, 6);
    EXPECT_EQ(engine.calls, 1);
}

TEST_F(ViewTest, TheEngineResultReplacesTheFastPreviewWhenReady) {
    ShowAtTwiceTheSize(6);
    const QImage fast = Grab();
    EXPECT_EQ(Rgb(fast, 40, 30), FastPixel(40, 30));
    EXPECT_NE(Rgb(fast, 40, 30), EngineColour(6));
    EXPECT_FALSE(view->ShowsResult());

    doc->WaitForPreviewIdle();
    const int updates = frame.viewUpdates;
    EXPECT_EQ(platform::DeliverPostedCommands(), 1);
    EXPECT_EQ(frame.viewUpdates, updates + 1);
    const QImage shown = Grab();
    EXPECT_TRUE(view->ShowsResult());
    for (const QPoint p : {QPoint(0, 0), QPoint(40, 30), QPoint(view->ClientSize().width() - 1, 0)})
        EXPECT_EQ(Rgb(shown, p.x(), p.y()), EngineColour(6));
    // Drawing again asks nothing more.
    Grab();
    FinishJobs();
    EXPECT_EQ(engine.calls, 1);
}

TEST_F(ViewTest, ScrollingByALineDropsTheResultUntilTheNewOneArrives) {
    ShowAtTwiceTheSize(6);
    Grab();
    FinishJobs();
    ASSERT_EQ(Rgb(Grab(), 40, 30), EngineColour(6));

    view->OnScrollBy({view->GetLineSize().width(), 0});
    const QImage moved = Grab();
    EXPECT_FALSE(view->ShowsResult());
    const QPoint s = view->GetScrollPosition();
    EXPECT_EQ(Rgb(moved, 40, 30), FastPixel(40, 30));
    FinishJobs();
    EXPECT_EQ(Rgb(Grab(), 40, 30), EngineColour(6));
    EXPECT_EQ(Result()->dst.x, s.x() / 2 * 2);
}

TEST_F(ViewTest, ARepaintDoesNotAskAgainForARegionAlreadyAskedFor) {
    MakeView(300, 200);
    Open(doctests::Gradient(400, 300), 800, 600);
    settings.m_nInterpolMode = 6;
    view->OnUpdate();
    Grab();
    FinishJobs();
    doc->DropPreviewResult();
    // Exposing the window (no update of the views) asks nothing.
    Grab();
    FinishJobs();
    EXPECT_EQ(engine.calls, 1);
    // An update of the views (say, the end of a batch run) asks again; the
    // document serves its cache.
    view->OnUpdate();
    Grab();
    FinishJobs();
    EXPECT_EQ(engine.calls, 1);
    EXPECT_EQ(Rgb(Grab(), 10, 10), EngineColour(6));
}

TEST_F(ViewTest, SwitchingBetweenEngineModesKeepsTheFastRenderingAndAsksAgain) {
    ShowAtTwiceTheSize(5);
    Grab();
    FinishJobs();
    ASSERT_EQ(Rgb(Grab(), 40, 30), EngineColour(5));
    SetMode(6);
    const QImage switched = Grab();
    EXPECT_EQ(view->ShownMode(), 6);
    EXPECT_FALSE(view->ShowsResult());
    // Not the old result, and the view has not rendered anew either: the
    // nearest-neighbour pixels are those of the first fast rendering.
    EXPECT_EQ(Rgb(switched, 40, 30), FastPixel(40, 30));
    FinishJobs();
    EXPECT_EQ(Rgb(Grab(), 40, 30), EngineColour(6));
    EXPECT_EQ(engine.calls, 2);
}

TEST_F(ViewTest, ADrawingModeNeverAsksTheEngine) {
    MakeView(300, 200);
    Open(doctests::Gradient(400, 300), 800, 600);
    for (int mode = 0; mode <= 4; ++mode) {
        SetMode(mode);
        Grab();
        EXPECT_EQ(view->ShownMode(), mode);
    }
    FinishJobs();
    EXPECT_EQ(engine.calls, 0);
    EXPECT_FALSE(Result());
}

// At a huge enlargement the visible source region is a few pixels: up to
// 2 x 2 nothing is asked for; 3 x 3 and 4 x 4 are drawn bicubically and ask
// nothing either; 5 x 5 is the engine's.
TEST_F(ViewTest, TinyRegionsAreDrawnBicubicallyAndNeverAskTheEngine) {
    struct Case {
        int client;
        Rect src;
        bool asks;
    };
    const QImage source = doctests::Gradient(100, 100);
    for (const Case c : {Case{200, {10, 10, 2, 2}, false}, Case{300, {10, 10, 3, 3}, false},
                         Case{400, {10, 10, 4, 4}, false}, Case{500, {10, 10, 5, 5}, true}}) {
        SCOPED_TRACE(c.client);
        MakeView(c.client + 40, c.client + 40);
        Open(source, 10000, 10000);
        SetMode(6);
        // The client exactly c.client pixels, scrolled to the corner of
        // source pixel (10, 10).
        view->resize(view->width() + (c.client - view->ClientSize().width()),
                     view->height() + (c.client - view->ClientSize().height()));
        ASSERT_EQ(view->ClientSize(), QSize(c.client, c.client));
        view->ScrollToPosition({1000, 1000});
        // What showing the view asked for before counts for nothing.
        FinishJobs();
        engine.calls = 0;
        const QImage grab = Grab();
        EXPECT_EQ(view->ShownSource(), c.src);
        FinishJobs();
        EXPECT_EQ(engine.calls, c.asks ? 1 : 0);
        if (!c.asks) {
            // Bicubic: the colour changes inside one source pixel's square.
            EXPECT_NE(Rgb(grab, 10, 50), Rgb(grab, 90, 50));
        } else {
            EXPECT_EQ(Rgb(Grab(), 50, 50), EngineColour(6));
        }
        view.reset();
        frame.view = nullptr;
        engine.calls = 0;
    }
}

TEST_F(ViewTest, CropShowsTheCentreCut) {
    MakeView(300, 300);
    settings.m_nCorrectProp = 1;
    Open(source, 200, 200);
    Grab();
    EXPECT_EQ(view->ShownSource(), (Rect{50, 0, 300, 300}));
    EXPECT_EQ(view->ShownDestination(), (Rect{0, 0, 200, 200}));
    EXPECT_EQ(view->GetVisibleSourceRect(), (Rect{50, 0, 300, 300}));
}

TEST_F(ViewTest, PanningWithTheMouseScrollsTheOverflowingAxis) {
    MakeView(300, 200);
    // At twice its size, so that the engine works on the region.
    const QImage source = doctests::Gradient(500, 50);
    Open(source, 1000, 100);
    SetMode(6);
    ASSERT_TRUE(view->HasHorizontalBar());
    ASSERT_FALSE(view->HasVerticalBar());
    view->ScrollToPosition({300, 0});
    Grab();
    FinishJobs();
    const int calls = engine.calls;
    const QPoint start = view->GetScrollPosition();
    int changes = 0;
    QObject::connect(view.get(), &CQVVesperaView::VisiblePartChanged, [&changes] { ++changes; });

    QWidget* client = view->viewport();
    QTest::mousePress(client, Qt::LeftButton, {}, QPoint(150, 80));
    EXPECT_TRUE(view->IsPanning());
    EXPECT_EQ(client->cursor().shape(), Qt::ClosedHandCursor);
    QTest::mouseMove(client, QPoint(50, 20));
    EXPECT_EQ(view->GetScrollPosition(), QPoint(start.x() + 100, start.y()));
    EXPECT_GT(changes, 0);
    // While panning the fast rendering follows and nothing is asked for.
    const QImage panned = Grab();
    EXPECT_EQ(Rgb(panned, 10, 10 - start.y()), SourceRgb(source, (start.x() + 110) / 2, 5));
    FinishJobs();
    EXPECT_EQ(engine.calls, calls);
    // Past the end it stops at the limit.
    QTest::mouseMove(client, QPoint(-2000, 20));
    EXPECT_EQ(view->GetScrollPosition().x(), view->GetScrollLimit().x());
    QTest::mouseRelease(client, Qt::LeftButton, {}, QPoint(-2000, 20));
    EXPECT_FALSE(view->IsPanning());
    EXPECT_NE(client->cursor().shape(), Qt::ClosedHandCursor);
    // The release asks for the region now shown.
    Grab();
    FinishJobs();
    EXPECT_EQ(engine.calls, calls + 1);
    EXPECT_EQ(Rgb(Grab(), 10, 10 - start.y()), EngineColour(6));
}

TEST_F(ViewTest, WhileASpinArrowIsHeldTheLastFrameStaysAndNothingIsAsked) {
    ShowAtTwiceTheSize(6);
    Grab();
    FinishJobs();
    const QImage before = Grab();
    doc->m_bHoldUpdates = true;
    settings.m_nWidth = 900;
    settings.m_nHeight = 700;
    doc->UpdateViewsIfAllowed();
    view->viewport()->update();
    EXPECT_EQ(Grab(), before);
    FinishJobs();
    EXPECT_EQ(engine.calls, 1);
    // The release of the arrow: one request for the new size.
    doc->m_bHoldUpdates = false;
    doc->UpdateViewsIfAllowed();
    Grab();
    FinishJobs();
    EXPECT_EQ(engine.calls, 2);
    EXPECT_EQ(Result()->outputWidth, 900);
}

TEST_F(ViewTest, HoldingAScrollBarAsksNothingUntilItIsReleased) {
    ShowAtTwiceTheSize(6);
    Grab();
    FinishJobs();
    QScrollBar* bar = view->horizontalScrollBar();
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(bar->width() - 5, bar->height() / 2));
    EXPECT_TRUE(view->IsScrolling());
    Grab();
    FinishJobs();
    EXPECT_EQ(engine.calls, 1);
    EXPECT_FALSE(view->ShowsResult());
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(bar->width() - 5, bar->height() / 2));
    EXPECT_FALSE(view->IsScrolling());
    Grab();
    FinishJobs();
    EXPECT_EQ(engine.calls, 2);
}

TEST_F(ViewTest, InBatchModeALeftDragOffersTheOpenFileAsACopy) {
    MakeView(300, 200);
    Open(doctests::Gradient(400, 300), 800, 600);
    settings.m_bBatchMode = 1;
    QList<QUrl> offered;
    Qt::DropActions actions;
    view->m_execDrag = [&](QDrag& drag, Qt::DropActions allowed) {
        offered = drag.mimeData()->urls();
        actions = allowed;
        return Qt::CopyAction;
    };
    const QPoint start = view->GetScrollPosition();
    QWidget* client = view->viewport();
    QTest::mousePress(client, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_FALSE(view->IsPanning());
    QTest::mouseMove(client, QPoint(100 + 2 * QApplication::startDragDistance(), 100));
    QTest::mouseRelease(client, Qt::LeftButton, {}, QPoint(100 + 2 * QApplication::startDragDistance(), 100));
    ASSERT_EQ(offered.size(), 1);
    EXPECT_EQ(offered.front().toLocalFile(), doc->GetPathName());
    EXPECT_EQ(actions, Qt::CopyAction);
    EXPECT_EQ(view->GetScrollPosition(), start);
}

TEST_F(ViewTest, AnOutputSizeOf0ShowsNothingAndNeverDivides) {
    MakeView(300, 200);
    Open(doctests::Gradient(40, 30), 0, 30);
    SetMode(6);
    EXPECT_EQ(view->GetTotalSize(), QSize(10, 10));
    const QImage grab = Grab();
    EXPECT_EQ(Rgb(grab, 150, 100), 0xFFFFFFFFu);
    EXPECT_EQ(view->GetVisibleSourceRect(), Rect{});
    FinishJobs();
    EXPECT_EQ(engine.calls, 0);
}

}  // namespace
