// The centring scroll view: centring, the scroll ranges at the edges of the
// sizes, the position following half of a size change, scrolling by steps
// and by the scroll bars with the mouse.

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include "app/preview/OrvekScrollView.h"

namespace {

class CountingScrollView : public COrvekScrollView {
public:
    int presses = 0;
    int releases = 0;
    int scrolls = 0;

protected:
    void OnScrollBarPressed() override { ++presses; }
    void OnScrollBarReleased() override { ++releases; }
    void OnScrolled() override { ++scrolls; }
};

class ScrollViewTest : public ::testing::Test {
protected:
    void Show(int width, int height) {
        view.resize(width, height);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    int HorzBar() const { return view.horizontalScrollBar()->sizeHint().height(); }
    int VertBar() const { return view.verticalScrollBar()->sizeHint().width(); }

    CountingScrollView view;
};

TEST_F(ScrollViewTest, SmallContentIsCentredWithoutBars) {
    Show(300, 200);
    view.SetScrollSizes({100, 100});
    EXPECT_FALSE(view.HasHorizontalBar());
    EXPECT_FALSE(view.HasVerticalBar());
    EXPECT_FALSE(view.horizontalScrollBar()->isVisible());
    EXPECT_EQ(view.ClientSize(), QSize(300, 200));
    EXPECT_EQ(view.GetScrollPosition(), QPoint(-100, -50));
    EXPECT_EQ(view.ViewportOrigin(), QPoint(100, 50));
    EXPECT_EQ(view.GetScrollLimit(), QPoint(0, 0));
}

TEST_F(ScrollViewTest, WithoutCentringSmallContentStaysAtTheCorner) {
    view.m_bCenter = false;
    Show(300, 200);
    view.SetScrollSizes({100, 100});
    EXPECT_EQ(view.GetScrollPosition(), QPoint(0, 0));
}

// Per axis, the other one 1 pixel: sizes of 1, the client's size - 1, the
// client's size, + 1 and 100000.
TEST_F(ScrollViewTest, ScrollRangesAtTheEdgesOfTheSizes) {
    Show(300, 200);
    struct Case {
        int total;
        bool bar;
    };
    for (const bool horizontal : {true, false}) {
        const int client = horizontal ? 300 : 200;
        for (const Case c : {Case{1, false}, Case{client - 1, false}, Case{client, false}, Case{client + 1, true},
                             Case{100000, true}}) {
            SCOPED_TRACE(testing::Message() << (horizontal ? "width " : "height ") << c.total);
            view.SetScrollSizes(horizontal ? QSize(c.total, 1) : QSize(1, c.total));
            const bool bar = horizontal ? view.HasHorizontalBar() : view.HasVerticalBar();
            ASSERT_EQ(bar, c.bar);
            EXPECT_FALSE(horizontal ? view.HasVerticalBar() : view.HasHorizontalBar());
            const int position = horizontal ? view.GetScrollPosition().x() : view.GetScrollPosition().y();
            const int limit = horizontal ? view.GetScrollLimit().x() : view.GetScrollLimit().y();
            const QScrollBar* scrollBar = horizontal ? view.horizontalScrollBar() : view.verticalScrollBar();
            if (!c.bar) {
                EXPECT_EQ(position, (c.total - client) / 2);
                EXPECT_EQ(limit, 0);
                continue;
            }
            EXPECT_EQ(limit, c.total - client);
            EXPECT_GE(position, 0);
            EXPECT_LE(position, limit);
            EXPECT_TRUE(scrollBar->isVisible());
            EXPECT_EQ(scrollBar->maximum(), limit);
            EXPECT_EQ(scrollBar->pageStep(), client);
            EXPECT_EQ(scrollBar->value(), position);
            // Scrolling stops at both ends.
            view.ScrollToPosition(QPoint(1 << 30, 1 << 30));
            EXPECT_EQ(horizontal ? view.GetScrollPosition().x() : view.GetScrollPosition().y(), limit);
            view.ScrollToPosition(QPoint(-5, -5));
            EXPECT_EQ(horizontal ? view.GetScrollPosition().x() : view.GetScrollPosition().y(), 0);
        }
    }
}

TEST_F(ScrollViewTest, OneBarCanMakeTheOtherNeeded) {
    Show(300, 200);
    // Fits in width only without the vertical bar.
    ASSERT_GT(VertBar(), 1);
    view.SetScrollSizes({299, 400});
    EXPECT_TRUE(view.HasVerticalBar());
    EXPECT_TRUE(view.HasHorizontalBar());
    EXPECT_EQ(view.ClientSize(), QSize(300 - VertBar(), 200 - HorzBar()));
    // Wide enough for both: the width alone fits.
    view.SetScrollSizes({300 - VertBar(), 400});
    EXPECT_TRUE(view.HasVerticalBar());
    EXPECT_FALSE(view.HasHorizontalBar());
    EXPECT_EQ(view.viewport()->width(), 300 - VertBar());
}

TEST_F(ScrollViewTest, GrowingContentMovesThePositionByHalfTheChange) {
    Show(800, 300);
    view.SetScrollSizes({1000, 100});
    view.ScrollToPosition({200, 0});
    ASSERT_EQ(view.GetScrollPosition().x(), 200);
    view.SetScrollSizes({2000, 100});
    EXPECT_EQ(view.GetScrollPosition().x(), 700);  // min(1200, 200) + 500
    // Shrinking: the position is first limited to the new range (200),
    // then moved by half the change.
    view.SetScrollSizes({1000, 100});
    EXPECT_EQ(view.GetScrollPosition().x(), 0);
}

TEST_F(ScrollViewTest, ContentGrowingOutOfTheClientStaysCentred) {
    Show(800, 300);
    view.SetScrollSizes({10, 10});
    ASSERT_EQ(view.GetScrollPosition().x(), -395);
    // From centred content, half the change centres the larger one.
    view.SetScrollSizes({3000, 100});
    EXPECT_EQ(view.GetScrollPosition().x(), (3000 - 800) / 2);
    view.SetScrollSizes({600, 100});
    EXPECT_EQ(view.GetScrollPosition().x(), -100);
    view.SetScrollSizes({6000, 100});
    EXPECT_EQ(view.GetScrollPosition().x(), (6000 - 800) / 2);
}

TEST_F(ScrollViewTest, ScrollByStopsAtTheLimit) {
    Show(300, 200);
    view.SetScrollSizes({1000, 100});
    view.ScrollToPosition({0, 0});
    const int limit = view.GetScrollLimit().x();
    EXPECT_TRUE(view.OnScrollBy({5000, 0}));
    EXPECT_EQ(view.GetScrollPosition().x(), limit);
    EXPECT_FALSE(view.OnScrollBy({1, 0}));
    // The axis without a bar never moves.
    EXPECT_FALSE(view.OnScrollBy({0, 50}));
    EXPECT_EQ(view.ClientSize().height(), 200 - HorzBar());
    EXPECT_EQ(view.GetScrollPosition().y(), (100 - view.ClientSize().height()) / 2);
    // Without doing it, a possible move is only reported.
    EXPECT_TRUE(view.OnScrollBy({-10, 0}, false));
    EXPECT_EQ(view.GetScrollPosition().x(), limit);
}

TEST_F(ScrollViewTest, TheBarsMoveThePositionAndReportPressAndRelease) {
    Show(300, 200);
    view.SetScrollSizes({3000, 100});
    view.ScrollToPosition({0, 0});
    QScrollBar* bar = view.horizontalScrollBar();
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = option.sliderValue = bar->value();
    option.pageStep = bar->pageStep();
    option.singleStep = bar->singleStep();
    option.subControls = QStyle::SC_All;
    const QRect handle = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
    const QRect addPage = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarAddPage, bar);

    // A click beside the thumb moves by a page: a tenth of the total.
    QTest::mouseClick(bar, Qt::LeftButton, {}, addPage.center());
    EXPECT_EQ(view.GetScrollPosition().x(), 300);
    EXPECT_EQ(view.presses, 1);
    EXPECT_EQ(view.releases, 1);

    // Dragging the thumb.
    view.ScrollToPosition({0, 0});
    const QPoint start = handle.center();
    QTest::mousePress(bar, Qt::LeftButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(40, 0)),
                     bar->mapToGlobal(QPointF(start + QPoint(40, 0))), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(bar, &move);
    EXPECT_EQ(view.presses, 2);
    EXPECT_EQ(view.releases, 1);
    EXPECT_GT(view.GetScrollPosition().x(), 0);
    EXPECT_EQ(view.GetScrollPosition().x(), bar->value());
    QTest::mouseRelease(bar, Qt::LeftButton, {}, start + QPoint(40, 0));
    EXPECT_EQ(view.releases, 2);
}

}  // namespace
