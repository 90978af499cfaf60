#include "app/frame/FrameIds.h"
#include "app/frame/SplitterWnd.h"
#include "tests/app/frame/FrameTestSupport.h"

#include <QFrame>

namespace {

class SplitterWndTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        owner_ = std::make_unique<QWidget>();
        owner_->resize(400, 600);
    }

    // A splitter with two line edits as its panes, shown in the owner.
    QV_SplitterWnd* Make(bool sideBySide) {
        auto* splitter = new QV_SplitterWnd(0);
        const auto pane = [](QWidget* parent) -> QWidget* {
            auto* frame = new QFrame(parent);
            frame->setFocusPolicy(Qt::StrongFocus);
            return frame;
        };
        EXPECT_TRUE(splitter->CreateWithViews(owner_.get(), pane, pane, sideBySide, AFX_IDW_PANE_FIRST));
        splitter->setGeometry(0, 0, 400, 600);
        owner_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(owner_.get()));
        return splitter;
    }

    PrivateHome home_;
    std::unique_ptr<QWidget> owner_;
};

TEST_F(SplitterWndTest, TogglingARowHidesAndRestoresItsPane) {
    QV_SplitterWnd* splitter = Make(false);
    QWidget* top = splitter->GetPane(0, 0);
    QWidget* bottom = splitter->GetPane(1, 0);
    ASSERT_NE(top, nullptr);
    ASSERT_NE(bottom, nullptr);
    EXPECT_EQ(QV_SplitterWnd::PaneId(top), AFX_IDW_PANE_FIRST);
    EXPECT_EQ(QV_SplitterWnd::PaneId(bottom), AFX_IDW_PANE_FIRST + 16);

    splitter->TogglePane(1);
    EXPECT_EQ(splitter->m_nHiddenRow, 1);
    EXPECT_EQ(splitter->GetRowCount(), 1);
    EXPECT_FALSE(bottom->isVisible());
    EXPECT_EQ(splitter->GetPane(0, 0), top);
    // Stashed past the last row, where no row finds it.
    EXPECT_EQ(QV_SplitterWnd::PaneId(bottom), AFX_IDW_PANE_FIRST + 32);
    EXPECT_EQ(splitter->GetPane(1, 0), nullptr);
    Settle();
    EXPECT_EQ(top->height(), splitter->height());

    splitter->TogglePane(0);  // not the hidden row: nothing
    EXPECT_EQ(splitter->GetRowCount(), 1);

    splitter->TogglePane(1);
    EXPECT_EQ(splitter->m_nHiddenRow, -1);
    EXPECT_EQ(splitter->GetRowCount(), 2);
    EXPECT_TRUE(bottom->isVisible());
    EXPECT_EQ(splitter->GetPane(0, 0), top);
    EXPECT_EQ(splitter->GetPane(1, 0), bottom);
}

TEST_F(SplitterWndTest, HidingTheFirstRowMovesTheOtherUp) {
    QV_SplitterWnd* splitter = Make(false);
    QWidget* top = splitter->GetPane(0, 0);
    QWidget* bottom = splitter->GetPane(1, 0);
    splitter->TogglePane(0);
    EXPECT_EQ(splitter->GetPane(0, 0), bottom);
    EXPECT_EQ(QV_SplitterWnd::PaneId(top), AFX_IDW_PANE_FIRST + 32);
    EXPECT_EQ(QV_SplitterWnd::PaneId(bottom), AFX_IDW_PANE_FIRST);
    EXPECT_FALSE(top->isVisible());
    splitter->TogglePane(0);
    EXPECT_EQ(splitter->GetPane(0, 0), top);
    EXPECT_EQ(splitter->GetPane(1, 0), bottom);
    EXPECT_LT(top->geometry().top(), bottom->geometry().top());
}

TEST_F(SplitterWndTest, HidingTheActiveRowActivatesTheOther) {
    QV_SplitterWnd* splitter = Make(false);
    owner_->activateWindow();
    splitter->SetActivePane(1, 0);
    QWidget* bottom = splitter->GetPane(1, 0);
    EXPECT_EQ(splitter->GetActivePane(), bottom);
    splitter->TogglePane(1);
    EXPECT_EQ(splitter->GetActivePane(), splitter->GetPane(0, 0));
}

TEST_F(SplitterWndTest, ColumnsSideBySide) {
    QV_SplitterWnd* splitter = Make(true);
    QWidget* left = splitter->GetPane(0, 0);
    QWidget* right = splitter->GetPane(0, 1);
    EXPECT_EQ(QV_SplitterWnd::PaneId(right), AFX_IDW_PANE_FIRST + 1);
    splitter->SetColumnInfo(0, 120, 0);
    splitter->RecalcLayout();
    int current = 0, minimum = 0;
    splitter->GetColumnInfo(0, current, minimum);
    EXPECT_EQ(current, 120);
    splitter->HideRow(1);  // a side-by-side splitter has one row
    EXPECT_EQ(splitter->m_nHiddenRow, -1);
    splitter->TogglePane(0);
    EXPECT_EQ(splitter->m_nHiddenCol, 0);
    EXPECT_EQ(splitter->GetPane(0, 0), right);
    splitter->TogglePane(0);
    EXPECT_EQ(splitter->GetPane(0, 0), left);
    splitter->GetColumnInfo(0, current, minimum);
    EXPECT_EQ(current, 120);
}

TEST_F(SplitterWndTest, StateIsWrittenWhenTheSplitterGoes) {
    QV_SplitterWnd* splitter = Make(false);
    splitter->SetRowInfo(0, 200, 0);
    splitter->RecalcLayout();
    const int second = splitter->height() - 200 - splitter->handleWidth();
    splitter->TogglePane(1);
    delete splitter;
    platform::ProfileStore store;
    EXPECT_EQ(store.GetString(QStringLiteral("SplitterWnd"), QStringLiteral("Panes_0"), QString()),
              QStringLiteral("-1 200 1 %1").arg(second));
}

TEST_F(SplitterWndTest, CreationFailsWhenAPaneCannotBeMade) {
    auto splitter = std::make_unique<QV_SplitterWnd>(0);
    const auto pane = [](QWidget* parent) -> QWidget* { return new QWidget(parent); };
    const auto none = [](QWidget*) -> QWidget* { return nullptr; };
    EXPECT_FALSE(splitter->CreateWithViews(owner_.get(), pane, none, false, AFX_IDW_PANE_FIRST));
    EXPECT_EQ(splitter->count(), 0);
    EXPECT_FALSE(splitter->CreateWithViews(owner_.get(), pane, {}, false, AFX_IDW_PANE_FIRST));
    splitter.reset();
    // Nothing is stored for a splitter without panes.
    platform::ProfileStore store;
    EXPECT_EQ(store.GetString(QStringLiteral("SplitterWnd"), QStringLiteral("Panes_0"), QStringLiteral("absent")),
              QStringLiteral("absent"));
}

}  // namespace
