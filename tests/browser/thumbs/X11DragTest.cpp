// Dragging in the browser on a real X display (Xvfb), with the pointer and
// the keys of the X test extension (xdotool): items dropped at a gap of their
// own view are reordered there, the gap opens in 11 repaints of 2 pixels (5
// of 5 on a slow processor), Escape ends a drag with the gap closed and the
// marker gone, no drag starts before the first selected item has its
// thumbnail, a library takes no drop of its own items, and the rubber band
// scrolls the view while the pointer stays below it.
//
// A drag runs the platform's drag loop inside the mouse-move handler, so the
// gestures are scripts of steps run by a timer, which fires inside that loop
// too: each step waits for its condition, then starts its xdotool command.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QDropEvent>
#include <QProcess>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <vector>

#include "browser/ThumbFixtures.h"
#include "browser/builder/Thumbnails.h"
#include "browser/builder/ThumbsBuilder.h"
#include "browser/cache/ThumbCache.h"
#include "browser/thumbs/ImgThumbsBrowser.h"
#include "browser/thumbs/ThumbsView.h"
#include "core/settings/AppSettings.h"
#include "support/PrivateHome.h"

namespace {

constexpr int kWaitMs = 30000;

// Steps of a gesture: each waits until its condition holds, then runs its
// action; a timer moves through them, also inside a drag's own loop.
class Gesture : public QObject {
public:
    struct Step {
        std::function<bool()> ready;
        std::function<void()> action;
    };
    explicit Gesture(std::vector<Step> steps) : steps_(std::move(steps)) {
        connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
        timer_.start(10);
    }
    bool Done() const { return next_ >= steps_.size() && Idle(); }

    // Starts xdotool with `arguments` without waiting for it.
    void Xdotool(const QStringList& arguments) {
        auto& process = tools_.emplace_back();
        process.start(QStringLiteral("xdotool"), arguments);
    }

private:
    bool Idle() const {
        for (const QProcess& process : tools_)
            if (process.state() != QProcess::NotRunning)
                return false;
        return true;
    }
    void Poll() {
        // One tool at a time: the X events come in the order of the steps.
        if (next_ >= steps_.size() || !Idle() || !steps_[next_].ready())
            return;
        steps_[next_++].action();
    }

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    QTimer timer_;
    std::list<QProcess> tools_;
};

// What each painting of the view showed of the drag gap.
struct GapFrame {
    int insertIndex;
    int gap;
    bool closing;
};

class ViewRecorder : public QObject {
public:
    ViewRecorder(CThumbsView& view, CThumbsBrowser& browser) : view_(view), browser_(browser) {
        view_.viewport()->installEventFilter(this);
    }
    ~ViewRecorder() override { view_.viewport()->removeEventFilter(this); }
    std::vector<GapFrame> frames;
    int dragEvents = 0;
    int maxGap = 0;

    // The gap widths of the first opening: the paintings from the first one
    // with an insertion index until the gap reaches its widest.
    std::vector<int> FirstOpening() const {
        std::vector<int> gaps;
        for (const GapFrame& frame : frames) {
            if (frame.insertIndex < 0 || frame.closing)
                continue;
            gaps.push_back(frame.gap);
            if (frame.gap >= g_nDragGapMax)
                break;
        }
        return gaps;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Paint:
            frames.push_back({browser_.m_nInsertIndex, browser_.m_nGap, browser_.m_bClosingGap != 0});
            maxGap = std::max(maxGap, browser_.m_nGap);
            break;
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            ++dragEvents;
            break;
        default:
            break;
        }
        return false;
    }

private:
    CThumbsView& view_;
    CThumbsBrowser& browser_;
};

class X11Drag : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb"))
            GTEST_SKIP() << "needs an X display";
        g_ThumbCache.Open(DefaultThumbCacheFolder());
        folder_ = home_.Path() + QStringLiteral("/pictures");
        QDir().mkpath(folder_);
    }
    void TearDown() override {
        view_.reset();
        browser_.reset();
        ShutdownThumbnails();
        g_nDragGapStep = 2;
        // A test that ended inside a gesture leaves no key held for the next.
        QProcess keys;
        keys.start(QStringLiteral("xdotool"), {QStringLiteral("keyup"), QStringLiteral("ctrl")});
        keys.waitForFinished(10000);
    }
    // Shows `count` pictures p0.jpg ... (their thumbnails built unless told
    // otherwise) in a view of the given size, focused.
    void Show(int count, QSize size = QSize(760, 480), bool thumbnails = true) {
        for (int i = 0; i < count; ++i)
            ASSERT_TRUE(thumbfixtures::WriteBytes(Path(i), thumbfixtures::SolidJpeg(64, 48, thumbfixtures::kRed)));
        if (thumbnails) {
            g_ThumbsBuilder.Start();
        }
        browser_ = std::make_unique<CImgThumbsBrowser>(settings_);
        view_ = std::make_unique<CThumbsView>();
        view_->setWindowTitle(QStringLiteral("Browser drag test"));
        view_->resize(size);
        view_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
        view_->SetBrowser(browser_.get());
        browser_->m_strFolder = folder_;
        view_->OnInitialUpdate();
        ASSERT_EQ(browser_->GetItemCount(), count);
        if (thumbnails) {
            ASSERT_TRUE(g_ThumbsBuilder.WaitUntilIdle(60000));
        }
        QProcess focus;
        focus.start(QStringLiteral("xdotool"),
                    {QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(view_->winId())});
        ASSERT_TRUE(focus.waitForFinished(10000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return view_->isActiveWindow(); }, kWaitMs));
    }
    QString Path(int i) const { return folder_ + QStringLiteral("/p%1.jpg").arg(i); }
    // Screen coordinates of a client point of the view, for xdotool.
    QStringList At(QPoint client) const {
        const QPoint global = view_->viewport()->mapToGlobal(client);
        return {QString::number(global.x()), QString::number(global.y())};
    }
    QPoint Centre(int i) const {
        return browser_->GetItemRect(view_.get(), i).center() - view_->ScrollPosition() - QPoint(0, 12);
    }
    // A point of the gap in front of item i (its row, its left edge).
    QPoint GapBefore(int i) const {
        const QRect r = browser_->GetItemRect(view_.get(), i).translated(-view_->ScrollPosition());
        return {r.left() + 4, r.center().y()};
    }
    QStringList Order() const {
        QStringList names;
        for (const auto& item : browser_->Items())
            names.append(QFileInfo(item->m_strPath).fileName());
        return names;
    }
    // The steps that press on item `from` and move the pointer far enough
    // for a drag to start.
    std::vector<Gesture::Step> PressAndStartDrag(Gesture*& gesture, int from) {
        const QStringList at = At(Centre(from));
        const QStringList moved = At(Centre(from) + QPoint(12, 0));
        auto always = [] { return true; };
        return {
            {always, [=, &gesture] { gesture->Xdotool(QStringList{"mousemove"} + at); }},
            {always,
             [&gesture] {
                 gesture->Xdotool({"mousedown", "1"});
             }},
            {[this] { return browser_->m_bButtonDown != 0; },
             [=, &gesture] { gesture->Xdotool(QStringList{"mousemove"} + moved); }},
        };
    }
    // PressAndStartDrag, then the move to the gap in front of item `to` once
    // the drag shows its first gap.
    std::vector<Gesture::Step> DragToGap(Gesture*& gesture, int from, int to) {
        std::vector<Gesture::Step> steps = PressAndStartDrag(gesture, from);
        const QStringList gap = At(GapBefore(to));
        steps.push_back({[this] { return browser_->m_pDragCell != nullptr && browser_->m_nInsertIndex >= 0; },
                         [=, &gesture] { gesture->Xdotool(QStringList{"mousemove"} + gap); }});
        return steps;
    }
    // The gap in front of item `index` is open to its full width.
    bool GapOpenAt(int index) const { return browser_->m_nInsertIndex == index && browser_->m_nGap == g_nDragGapMax; }
    // Runs the steps to their end.
    static bool Run(Gesture& gesture) {
        return QTest::qWaitFor([&] { return gesture.Done(); }, kWaitMs);
    }

    PrivateHome home_;
    AppSettings settings_;
    QString folder_;
    std::unique_ptr<CImgThumbsBrowser> browser_;
    std::unique_ptr<CThumbsView> view_;
};

TEST_F(X11Drag, AnItemDroppedAtAGapOfItsViewMovesThereAfterTheGapOpenedIn11Repaints) {
    Show(5);
    ViewRecorder recorder(*view_, *browser_);
    Gesture* gesture = nullptr;
    std::vector<Gesture::Step> steps = DragToGap(gesture, 0, 2);
    steps.push_back({[this] { return GapOpenAt(2); }, [&] { gesture->Xdotool({"mouseup", "1"}); }});
    Gesture run(std::move(steps));
    gesture = &run;
    ASSERT_TRUE(Run(run));
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser_->m_pDragCell == nullptr; }, kWaitMs));

    EXPECT_EQ(Order(), (QStringList{"p1.jpg", "p0.jpg", "p2.jpg", "p3.jpg", "p4.jpg"}));
    EXPECT_EQ(recorder.FirstOpening(), (std::vector<int>{0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20}));
    // The drag left no gap behind.
    EXPECT_EQ(browser_->m_nInsertIndex, -1);
    EXPECT_EQ(browser_->m_nGap, 0);
    EXPECT_EQ(browser_->m_bInternalDrag, 0);
}

TEST_F(X11Drag, CtrlDuringADragOfItsOwnItemsShowsTheCopyCursorAndTheDropStillReorders) {
    Show(5);
    Gesture* gesture = nullptr;
    std::vector<Gesture::Step> steps = PressAndStartDrag(gesture, 0);
    const QStringList gap = At(GapBefore(3));
    std::optional<Qt::CursorShape> cursor;
    steps.push_back({[this] { return browser_->m_pDragCell != nullptr && browser_->m_nInsertIndex >= 0; },
                     [&] {
                         gesture->Xdotool({"keydown", "ctrl"});
                     }});
    // The drag learns of the key with the next move of the pointer.
    steps.push_back({[] { return true; }, [&] { gesture->Xdotool(QStringList{"mousemove"} + gap); }});
    steps.push_back({[this] { return GapOpenAt(3); },
                     [&] {
                         if (const QCursor* shown = QGuiApplication::overrideCursor())
                             cursor = shown->shape();
                         gesture->Xdotool({"mouseup", "1"});
                     }});
    steps.push_back({[this] { return browser_->m_pDragCell == nullptr; },
                     [&] {
                         gesture->Xdotool({"keyup", "ctrl"});
                     }});
    Gesture run(std::move(steps));
    gesture = &run;
    ASSERT_TRUE(Run(run));

    ASSERT_TRUE(cursor.has_value());
    EXPECT_EQ(*cursor, Qt::DragCopyCursor);
    // The drop reorders the items as any drop of the view's own items does;
    // no file is copied.
    EXPECT_EQ(Order(), (QStringList{"p1.jpg", "p2.jpg", "p0.jpg", "p3.jpg", "p4.jpg"}));
    EXPECT_EQ(QDir(folder_).entryList(QDir::Files).size(), 5);
    EXPECT_EQ(browser_->m_nInsertIndex, -1);
    EXPECT_EQ(browser_->m_nGap, 0);
}

TEST_F(X11Drag, EscapeEndsTheDragWithTheGapClosedAfterItOpenedIn5RepaintsOnASlowProcessor) {
    Show(5);
    g_nDragGapStep = 5;
    ViewRecorder recorder(*view_, *browser_);
    Gesture* gesture = nullptr;
    std::vector<Gesture::Step> steps = DragToGap(gesture, 0, 3);
    steps.push_back({[this] { return GapOpenAt(3); }, [&] { gesture->Xdotool({"key", "Escape"}); }});
    steps.push_back({[this] { return browser_->m_pDragCell == nullptr; }, [&] { gesture->Xdotool({"mouseup", "1"}); }});
    Gesture run(std::move(steps));
    gesture = &run;
    ASSERT_TRUE(Run(run));

    EXPECT_EQ(recorder.FirstOpening(), (std::vector<int>{0, 5, 10, 15, 20}));
    // Nothing moved; the gap closed, every offset is back to 0 and the
    // last painting shows no marker.
    EXPECT_EQ(Order(), (QStringList{"p0.jpg", "p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg"}));
    EXPECT_EQ(browser_->m_nInsertIndex, -1);
    EXPECT_EQ(browser_->m_nGap, 0);
    for (std::int16_t offset : browser_->m_arrOffsets)
        EXPECT_EQ(offset, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder.frames.empty() && recorder.frames.back().insertIndex == -1; }));
}

TEST_F(X11Drag, NoDragStartsBeforeTheFirstSelectedItemHasItsThumbnail) {
    Show(3, QSize(760, 480), /*thumbnails=*/false);
    ViewRecorder recorder(*view_, *browser_);
    Gesture* gesture = nullptr;
    std::vector<Gesture::Step> steps = PressAndStartDrag(gesture, 1);
    const QStringList gap = At(GapBefore(0));
    // The press chose the drag and the move tried it.
    steps.push_back({[this] { return browser_->m_strContextPath == Path(1); },
                     [&] { gesture->Xdotool(QStringList{"mousemove"} + gap); }});
    steps.push_back({[] { return true; }, [&] { gesture->Xdotool({"mouseup", "1"}); }});
    Gesture run(std::move(steps));
    gesture = &run;
    ASSERT_TRUE(Run(run));
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser_->m_bButtonDown == 0; }, kWaitMs));

    EXPECT_EQ(recorder.dragEvents, 0);
    EXPECT_EQ(recorder.maxGap, 0);
    EXPECT_FALSE(browser_->m_pDragCell);
    EXPECT_EQ(Order(), (QStringList{"p0.jpg", "p1.jpg", "p2.jpg"}));
}

TEST_F(X11Drag, ALibraryTakesNoDropOfItsOwnItems) {
    Show(4);
    browser_->SetLocation(QStringLiteral("2,Pictures;icon;") + folder_);
    ASSERT_TRUE(browser_->m_strFolder.isEmpty());
    ASSERT_EQ(browser_->GetItemCount(), 4);
    ViewRecorder recorder(*view_, *browser_);
    Gesture* gesture = nullptr;
    std::vector<Gesture::Step> steps = PressAndStartDrag(gesture, 0);
    const QStringList gap = At(GapBefore(2));
    steps.push_back({[&] { return browser_->m_pDragCell != nullptr && recorder.dragEvents > 0; },
                     [&] { gesture->Xdotool(QStringList{"mousemove"} + gap); }});
    // The move reached the view: its answer came.
    steps.push_back({[&] { return recorder.dragEvents > 2; }, [&] { gesture->Xdotool({"mouseup", "1"}); }});
    Gesture run(std::move(steps));
    gesture = &run;
    ASSERT_TRUE(Run(run));
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser_->m_pDragCell == nullptr; }, kWaitMs));

    EXPECT_GT(recorder.dragEvents, 0);  // the drag went over the view
    EXPECT_EQ(recorder.maxGap, 0);      // and no gap opened
    EXPECT_EQ(Order(), (QStringList{"p0.jpg", "p1.jpg", "p2.jpg", "p3.jpg"}));
    EXPECT_EQ(browser_->m_nInsertIndex, -1);
}

TEST_F(X11Drag, TheRubberBandScrollsTheViewWhileThePointerStaysBelowIt) {
    Show(12, QSize(760, 300));
    QScrollBar* bar = view_->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 2 * bar->singleStep());
    Gesture* gesture = nullptr;
    const QStringList empty = At(QPoint(3, 5));  // left of the first cell
    const QStringList below = At(QPoint(300, view_->ClientSize().height() + 40));
    auto always = [] { return true; };
    Gesture run({
        {always, [&] { gesture->Xdotool(QStringList{"mousemove"} + empty); }},
        {always,
         [&] {
             gesture->Xdotool({"mousedown", "1"});
         }},
        {[this] { return browser_->m_bRubberBand != 0; }, [&] { gesture->Xdotool(QStringList{"mousemove"} + below); }},
        // The pointer stays there: the view scrolls line after line to its end.
        {[&] { return bar->value() == bar->maximum(); },
         [&] {
             gesture->Xdotool({"mouseup", "1"});
         }},
    });
    gesture = &run;
    ASSERT_TRUE(Run(run));
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser_->m_bButtonDown == 0; }, kWaitMs));
    // The band reached from the first row to the last, across the first two
    // columns (the pointer stayed at x = 300).
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(browser_->GetItem(i)->m_bSelected, i % 3 < 2 ? 1 : 0) << i;
}

}  // namespace
