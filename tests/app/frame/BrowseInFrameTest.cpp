// The Browse window in the main window, over a folder of pictures of
// distinct colours. View > Small Icons and Large Icons: the thumbnails on
// the screen, the scroll range and the hit tests all take the new cell size
// at once, and the basket row shows one row of cells (the screen is read
// back from the window's backing store, what the user sees, not rendered
// anew). The rename box on a caption keeps its keys from the main window's
// accelerators.
#include "app/frame/CommandActions.h"
#include "app/frame/FrameIds.h"
#include "app/frame/IconZoom.h"
#include "app/frame/IconZoomAnimation.h"
#include "browser/browse/BrowseWnd.h"
#include "browser/builder/Thumbnails.h"
#include "browser/cells/PaletteItem.h"
#include "browser/thumbs/ImgThumbsBrowser.h"
#include "browser/thumbs/PopupEdit.h"
#include "browser/thumbs/ThumbsBrowser.h"
#include "browser/thumbs/ThumbsView.h"
#include "core/settings/AppSettings.h"
#include "platform/resources/CommandIds.h"
#include "tests/app/frame/FrameTestSupport.h"

#include <QAction>
#include <QClipboard>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>

#include <cstdlib>
#include <map>
#include <vector>

namespace {

constexpr int kPictures = 14;

QColor PictureColour(int index) { return QColor::fromHsv(index * 360 / kPictures, 255, 230); }

bool Near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 28 && std::abs(a.green() - b.green()) < 28 &&
           std::abs(a.blue() - b.blue()) < 28;
}

// One row of cells in the basket view: a cell and one pixel of content, the
// horizontal scroll bar and the view's frame.
int BasketRowHeight(const CThumbsView& basket, QSize cell) {
    return cell.height() + 1 + basket.style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * basket.frameWidth();
}

class BrowseInFrame : public ::testing::Test {
protected:
    void SetUp() override {
        const QString folder = home_.Home() + QStringLiteral("/Pictures");
        ASSERT_TRUE(QDir().mkpath(folder));
        for (int i = 0; i < kPictures; ++i) {
            QImage image(320, 240, QImage::Format_RGB32);
            image.fill(PictureColour(i));
            ASSERT_TRUE(image.save(folder + QStringLiteral("/p%1.jpg").arg(i, 2, 10, QChar(u'0')), "JPEG", 95));
        }
        app_ = MakeApp();
        ASSERT_TRUE(app_->InitInstance({}));
        frame_ = app_->m_pMainWnd;
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame_));
        app_->m_strBrowseFolder = folder;
        Choose(ID_BATCH_MODE);
        Choose(ID_BATCH_BROWSE);
        ASSERT_TRUE(frame_->IsBrowsing());
        view_ = frame_->BrowseWindow()->ThumbsView();
        browser_ = frame_->BrowseWindow()->Browser();
        ASSERT_TRUE(WaitUntil([&] { return browser_->GetItemCount() == kPictures; }));
        ASSERT_TRUE(g_ThumbsBuilder.WaitUntilIdle(60000));
        // The thumbnails are on the screen.
        ASSERT_TRUE(WaitUntil([&] { return Near(ShownAt(ImageCentre(0)), PictureColour(0)); }));
    }
    void TearDown() override {
        if (app_ && app_->m_pMainWnd != nullptr)
            app_->ExitInstance();
    }

    void Choose(int id) {
        QAction* action = frame_->Actions().Action(id);
        frame_->Actions().Update(action);
        action->trigger();
        // An icon-size switch is shown in steps on a timer.
        EXPECT_TRUE(WaitUntil([&] { return !frame_->ZoomAnimation().IsRunning(); }));
        Settle();
    }
    // The middle of item `index`'s picture, in the view's client coordinates.
    QPoint ImageCentre(int index) const {
        const QRect cell = browser_->GetItemRect(view_, index).translated(-view_->ScrollPosition());
        return {cell.left() + cell.width() / 2, cell.top() + (cell.height() - kCaptionHeight) / 2};
    }
    // The colour the window shows at a client point of the view.
    QColor ShownAt(QPoint client) const {
        const QImage shot = frame_->screen()->grabWindow(frame_->winId()).toImage();
        return shot.pixelColor(view_->viewport()->mapTo(frame_, client));
    }
    std::vector<int> Selected() const {
        std::vector<int> selected;
        for (int i = 0; i < browser_->GetItemCount(); ++i)
            if (browser_->GetItem(i)->m_bSelected)
                selected.push_back(i);
        return selected;
    }

    PrivateHome home_;
    std::unique_ptr<CQVVesperaApp> app_;
    CMainFrame* frame_ = nullptr;
    CThumbsView* view_ = nullptr;
    CImgThumbsBrowser* browser_ = nullptr;
};

TEST_F(BrowseInFrame, EveryIconSizeSwitchShowsHitsAndScrollsTheNewLayout) {
    const struct {
        int command, zoom, clicked;
    } switches[] = {
        {ID_VIEW_SMALL_ICONS, kSmallIconsZoom, 4},
        {ID_VIEW_LARGE_ICONS, kLargeIconsZoom, 5},
    };
    for (const auto& s : switches) {
        SCOPED_TRACE(s.zoom);
        Choose(s.command);
        const QSize cell = GetCellSizeForZoom(s.zoom);
        EXPECT_EQ(browser_->GetItemRect(view_, 0).size(), cell);
        // What the screen shows, without waiting for anything to repaint.
        for (int index : {0, s.clicked, kPictures - 1}) {
            if (view_->viewport()->rect().contains(ImageCentre(index))) {
                EXPECT_TRUE(Near(ShownAt(ImageCentre(index)), PictureColour(index))) << index;
            }
        }
        // The scroll range is the new content's.
        const QSize content = browser_->GetContentSize(view_);
        EXPECT_EQ(view_->verticalScrollBar()->maximum(), std::max(0, content.height() - view_->viewport()->height()));
        // A click selects the picture drawn under the pointer.
        const QPoint point = ImageCentre(s.clicked);
        ASSERT_TRUE(Near(ShownAt(point), PictureColour(s.clicked)));
        QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, point);
        Settle();
        EXPECT_EQ(Selected(), std::vector<int>{s.clicked});
        // The basket row holds one row of cells and its scroll bar.
        auto* basket = dynamic_cast<CThumbsView*>(frame_->GetBasketView());
        ASSERT_TRUE(basket->isVisible());
        EXPECT_EQ(basket->height(), BasketRowHeight(*basket, cell));
        EXPECT_FALSE(basket->verticalScrollBar()->isVisible());
    }
}

// Records the cell size each thumbnail view paints with.
class PaintedCellSizes : public QObject {
public:
    explicit PaintedCellSizes(std::vector<CThumbsView*> views) : views_(std::move(views)) {
        for (CThumbsView* view : views_)
            view->viewport()->installEventFilter(this);
    }
    ~PaintedCellSizes() override {
        for (CThumbsView* view : views_)
            view->viewport()->removeEventFilter(this);
    }
    // The sizes one view painted with, each change once.
    std::vector<QSize> Of(const CThumbsView* view) const {
        return sizes_.count(view) ? sizes_.at(view) : std::vector<QSize>{};
    }
    void Clear() { sizes_.clear(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            for (CThumbsView* view : views_) {
                if (view->viewport() != watched || view->Browser() == nullptr)
                    continue;
                std::vector<QSize>& sizes = sizes_[view];
                const QSize size = view->Browser()->GetCellSize();
                if (sizes.empty() || sizes.back() != size)
                    sizes.push_back(size);
            }
        }
        return false;
    }

private:
    std::vector<CThumbsView*> views_;
    std::map<const CThumbsView*, std::vector<QSize>> sizes_;
};

TEST_F(BrowseInFrame, IconSizeSwitchesGrowAndShrinkTheThumbnailsThroughTheirSteps) {
    auto* basket = dynamic_cast<CThumbsView*>(frame_->GetBasketView());
    ASSERT_NE(basket, nullptr);
    ASSERT_TRUE(basket->isVisible());
    const int mhz = basket->Browser()->m_nCpuMHz;
    PaintedCellSizes painted({view_, basket});
    const struct {
        int command, zoom;
    } switches[] = {{ID_VIEW_SMALL_ICONS, kSmallIconsZoom}, {ID_VIEW_LARGE_ICONS, kLargeIconsZoom}};
    for (const auto& s : switches) {
        SCOPED_TRACE(s.zoom);
        painted.Clear();
        QAction* action = frame_->Actions().Action(s.command);
        frame_->Actions().Update(action);
        action->trigger();
        // The animation's ticks, driven here one by one instead of by its timer.
        IconZoomAnimation& animation = frame_->ZoomAnimation();
        int ticks = 0;
        while (animation.IsRunning() && ticks < 20) {
            animation.Advance();
            ++ticks;
        }
        ASSERT_FALSE(animation.IsRunning());
        std::vector<QSize> expected;
        for (int zoom : IconZoomAnimation::StepsTo(s.zoom, mhz))
            expected.push_back(GetCellSizeForZoom(zoom));
        expected.push_back(GetCellSizeForZoom(s.zoom));
        EXPECT_EQ(static_cast<int>(expected.size()), mhz > 0 && mhz < 500 ? 4 : 6);
        EXPECT_EQ(ticks, static_cast<int>(expected.size()) - 1);
        EXPECT_EQ(painted.Of(view_), expected);
        EXPECT_EQ(painted.Of(basket), expected);
        // The end is the layout of the new size: a row of cells in the basket.
        EXPECT_EQ(g_nIconsZoom, s.zoom);
        EXPECT_EQ(browser_->GetItemRect(view_, 0).size(), GetCellSizeForZoom(s.zoom));
        EXPECT_EQ(basket->height(), BasketRowHeight(*basket, GetCellSizeForZoom(s.zoom)));
    }
}

TEST_F(BrowseInFrame, WithoutAnimationTheNewSizeComesAtOnce) {
    app_->m_bAnimateThumbs = 0;
    QAction* action = frame_->Actions().Action(ID_VIEW_SMALL_ICONS);
    frame_->Actions().Update(action);
    action->trigger();
    EXPECT_FALSE(frame_->ZoomAnimation().IsRunning());
    EXPECT_EQ(g_nIconsZoom, kSmallIconsZoom);
    EXPECT_EQ(browser_->GetItemRect(view_, 0).size(), GetCellSizeForZoom(kSmallIconsZoom));
}

TEST(IconZoomSteps, ThreeBelow500MHzFiveOtherwise) {
    const struct {
        int zoom, mhz;
        std::vector<int> steps;
    } cases[] = {
        {kLargeIconsZoom, 400, {67, 78, 89}},
        {kSmallIconsZoom, 499, {100, 89, 78}},
        {kLargeIconsZoom, 500, {68, 74, 80, 86, 92}},
        {kSmallIconsZoom, 2400, {100, 94, 88, 82, 76}},
        // Not measured, or a negative difference of the two counts: slow.
        {kLargeIconsZoom, 0, {67, 78, 89}},
        {kSmallIconsZoom, -1, {100, 89, 78}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IconZoomAnimation::StepsTo(c.zoom, c.mhz), c.steps) << c.zoom << " at " << c.mhz;
}

TEST(IconZoomSteps, ANewStartOrFinishEndsTheRunningAnimationOnce) {
    EnsureApplication();
    std::vector<int> shown;
    std::vector<int> finished;
    IconZoomAnimation animation([&](int zoom) { shown.push_back(zoom); });
    animation.Start({1, 2, 3}, [&] { finished.push_back(10); });
    EXPECT_EQ(shown, (std::vector<int>{1}));
    animation.Advance();
    // A second switch: the first finishes at once, the second starts.
    animation.Start({4}, [&] { finished.push_back(20); });
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(finished, (std::vector<int>{10}));
    animation.Finish();
    animation.Finish();
    EXPECT_EQ(finished, (std::vector<int>{10, 20}));
    EXPECT_FALSE(animation.IsRunning());
    // Without steps the new size comes at once.
    animation.Start({}, [&] { finished.push_back(30); });
    EXPECT_FALSE(animation.IsRunning());
    EXPECT_EQ(finished.back(), 30);
    // Left alone, the timer runs it to its end.
    animation.Start({5, 6}, [&] { finished.push_back(40); });
    EXPECT_TRUE(WaitUntil([&] { return !animation.IsRunning(); }, 10000));
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 4, 5, 6}));
    EXPECT_EQ(finished.back(), 40);
}

TEST_F(BrowseInFrame, TheRenameBoxKeepsItsKeysFromTheMainWindowsAccelerators) {
    QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, ImageCentre(2));
    Settle();
    const QRect caption = browser_->GetLabelRect(view_, 2).translated(-view_->ScrollPosition());
    QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, caption.center());
    CPopupEdit* edit = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (edit = qobject_cast<CPopupEdit*>(QApplication::focusWidget())) != nullptr; }));
    EXPECT_TRUE(app_->m_bLabelEditing) << "the application knows a caption is being edited";
    EXPECT_EQ(edit->text(), QStringLiteral("p02"));
    // Ctrl+C copies the selected text, not the selected picture.
    QApplication::clipboard()->clear();
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("p02"));
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_TRUE(edit->text().isEmpty());
    QTest::keyClicks(edit, QStringLiteral("harbour"));
    // Enter commits the name (it is also the main window's accelerator).
    QTest::keyClick(edit, Qt::Key_Return);
    const QString folder = home_.Home() + QStringLiteral("/Pictures");
    EXPECT_TRUE(WaitUntil([&] { return QFileInfo::exists(folder + QStringLiteral("/harbour.jpg")); }));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/p02.jpg")));
    EXPECT_TRUE(WaitUntil([&] { return !app_->m_bLabelEditing; }));
}

TEST_F(BrowseInFrame, TheContextMenuGoesThroughTheMainWindowsRouting) {
    // The right button gives the view the focus, so the Browse window offers
    // the menu's commands to it.
    view_->setFocus();
    Settle();
    const auto menu = browser_->BuildContextMenu(154, view_);
    std::map<QString, QAction*> entries;
    for (QAction* action : menu->actions())
        entries[action->text()] = action;
    ASSERT_EQ(entries.count(QStringLiteral("Sort")), 1u);
    for (QAction* sort : entries[QStringLiteral("Sort")]->menu()->actions())
        EXPECT_TRUE(sort->isEnabled()) << sort->text().toStdString();
    ASSERT_TRUE(entries[QStringLiteral("Select all")]->isEnabled());
    entries[QStringLiteral("Select all")]->trigger();
    EXPECT_EQ(Selected().size(), static_cast<std::size_t>(kPictures));
}

}  // namespace
