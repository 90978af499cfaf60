#include "browser/tabstops/TabstopNavigator.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

// A window like the Browse window in batch mode: the folder tree, the
// basket's view and the thumbnail view, with a plain control between them
// that Qt's own focus chain would visit.
class PanesWindow : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<QWidget>();
        auto* layout = new QHBoxLayout(window_.get());
        tree_ = new QTreeWidget;
        between_ = new QLineEdit;
        basket_ = new QListWidget;
        thumbs_ = new QListWidget;
        for (QWidget* widget : {static_cast<QWidget*>(tree_), static_cast<QWidget*>(between_),
                                static_cast<QWidget*>(basket_), static_cast<QWidget*>(thumbs_)}) {
            layout->addWidget(widget);
        }
        // The basket's view is made with the main frame, before the Browse window.
        ASSERT_TRUE(CTabstopNavigator::Register(basket_, kTabstopOrderThumbsView));
        ASSERT_TRUE(CTabstopNavigator::Register(tree_, kTabstopOrderShellTree));
        ASSERT_TRUE(CTabstopNavigator::Register(thumbs_, kTabstopOrderThumbsView));
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }
    void TearDown() override {
        window_.reset();
        EXPECT_TRUE(CTabstopNavigator::RegisteredPanes().empty());
    }

    // Presses the key in the focused widget and answers where the focus went.
    QWidget* Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        return QApplication::focusWidget();
    }

    CTabstopNavigator navigator_;  // the application object's, in the program
    std::unique_ptr<QWidget> window_;
    QTreeWidget* tree_ = nullptr;
    QLineEdit* between_ = nullptr;
    QListWidget* basket_ = nullptr;
    QListWidget* thumbs_ = nullptr;
};

TEST_F(PanesWindow, TabCyclesTreeBasketThumbsAndShiftTabRunsBackwards) {
    tree_->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), tree_);
    EXPECT_EQ(Press(Qt::Key_Tab), basket_);
    EXPECT_EQ(Press(Qt::Key_Tab), thumbs_);
    EXPECT_EQ(Press(Qt::Key_Tab), tree_);
    // Qt sends Shift+Tab as Backtab.
    EXPECT_EQ(Press(Qt::Key_Backtab, Qt::ShiftModifier), thumbs_);
    EXPECT_EQ(Press(Qt::Key_Backtab, Qt::ShiftModifier), basket_);
    EXPECT_EQ(Press(Qt::Key_Backtab, Qt::ShiftModifier), tree_);
}

TEST_F(PanesWindow, HiddenOrDisabledPanesAreSkipped) {
    basket_->hide();
    tree_->setFocus();
    EXPECT_EQ(Press(Qt::Key_Tab), thumbs_);
    EXPECT_EQ(Press(Qt::Key_Backtab, Qt::ShiftModifier), tree_);
    basket_->show();
    basket_->setEnabled(false);
    EXPECT_EQ(Press(Qt::Key_Tab), thumbs_);
}

TEST_F(PanesWindow, EqualOrdersKeepRegistrationOrderAndSmallerOrdersComeFirst) {
    const std::vector<QWidget*> panes = CTabstopNavigator::RegisteredPanes();
    const std::vector<QWidget*> expected{tree_, basket_, thumbs_};
    EXPECT_EQ(panes, expected);
    auto* early = new QListWidget(window_.get());
    early->show();
    ASSERT_TRUE(CTabstopNavigator::Register(early, 1));
    ASSERT_TRUE(CTabstopNavigator::Register(tree_, 99));  // twice: keeps its place
    const std::vector<QWidget*> withEarly{early, tree_, basket_, thumbs_};
    EXPECT_EQ(CTabstopNavigator::RegisteredPanes(), withEarly);
    thumbs_->setFocus();
    EXPECT_EQ(Press(Qt::Key_Tab), early);
    CTabstopNavigator::Unregister(early);
    CTabstopNavigator::Unregister(early);  // not registered any more: nothing
    EXPECT_EQ(CTabstopNavigator::RegisteredPanes(), expected);
}

TEST_F(PanesWindow, TabInAChildOfAPaneIsHandledForThePane) {
    auto* child = new QLineEdit(basket_);
    child->show();
    child->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), child);
    EXPECT_EQ(Press(Qt::Key_Tab), thumbs_);
}

TEST_F(PanesWindow, ADialogWindowOwnedByAPaneKeepsItsOwnTabOrder) {
    // As the Image Info dialog, opened over the thumbnail view it belongs to.
    QDialog dialog(thumbs_);
    auto* layout = new QHBoxLayout(&dialog);
    auto* edit = new QLineEdit;
    auto* list = new QListWidget;
    auto* ok = new QPushButton(QStringLiteral("OK"));
    for (QWidget* widget : {static_cast<QWidget*>(ok), static_cast<QWidget*>(edit), static_cast<QWidget*>(list)})
        layout->addWidget(widget);
    QWidget::setTabOrder(ok, edit);
    QWidget::setTabOrder(edit, list);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &dialog; }));
    ok->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), ok);
    EXPECT_EQ(Press(Qt::Key_Tab), edit);
    EXPECT_EQ(Press(Qt::Key_Tab), list);
    EXPECT_EQ(Press(Qt::Key_Tab), ok);
    EXPECT_EQ(Press(Qt::Key_Backtab, Qt::ShiftModifier), list);
}

TEST_F(PanesWindow, OtherKeysAndUnregisteredWidgetsPassThrough) {
    tree_->setFocus();
    EXPECT_EQ(Press(Qt::Key_Down), tree_);
    EXPECT_EQ(Press(Qt::Key_A), tree_);
    // A widget outside every pane keeps Qt's own focus chain.
    between_->setFocus();
    EXPECT_EQ(Press(Qt::Key_Tab), basket_);
}

TEST_F(PanesWindow, ATabWithNoOtherUsablePaneIsNotConsumed) {
    basket_->hide();
    thumbs_->hide();
    tree_->setFocus();
    // Qt's own chain moves on to the next control.
    EXPECT_EQ(Press(Qt::Key_Tab), between_);
}

TEST_F(PanesWindow, ADestroyedPaneLeavesTheRegistry) {
    delete basket_;
    const std::vector<QWidget*> expected{tree_, thumbs_};
    EXPECT_EQ(CTabstopNavigator::RegisteredPanes(), expected);
    tree_->setFocus();
    EXPECT_EQ(Press(Qt::Key_Tab), thumbs_);
}

TEST_F(PanesWindow, ADialogPaneKeepsTabAmongItsControlsUntilItsEnds) {
    // A dialog used as a pane of the window, as a form view would be.
    auto* dialog = new QDialog;
    dialog->setWindowFlags(Qt::Widget);
    auto* dialogLayout = new QHBoxLayout(dialog);
    auto* first = new QPushButton(QStringLiteral("first"));
    auto* last = new QPushButton(QStringLiteral("last"));
    dialogLayout->addWidget(first);
    dialogLayout->addWidget(last);
    window_->layout()->addWidget(dialog);
    dialog->show();
    ASSERT_TRUE(CTabstopNavigator::Register(dialog, 5));  // between the tree and the views
    first->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), first);
    EXPECT_EQ(Press(Qt::Key_Tab), last);
    EXPECT_EQ(Press(Qt::Key_Tab), basket_);
    EXPECT_EQ(Press(Qt::Key_Backtab, Qt::ShiftModifier), last);
    EXPECT_EQ(Press(Qt::Key_Backtab, Qt::ShiftModifier), first);
    EXPECT_EQ(Press(Qt::Key_Backtab, Qt::ShiftModifier), tree_);
}

}  // namespace
