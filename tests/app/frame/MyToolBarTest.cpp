#include "app/frame/CommandActions.h"
#include "app/frame/MyToolBar.h"
#include "tests/app/frame/FrameTestSupport.h"

#include <QAction>

namespace {

class MyToolBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        owner_ = std::make_unique<QWidget>();
        actions_ = new CommandActions(target_, owner_.get());
    }

    platform::CmdTarget target_;
    std::unique_ptr<QWidget> owner_;
    CommandActions* actions_ = nullptr;  // owned by owner_
};

TEST_F(MyToolBarTest, ButtonsTakeImagesAndTextsInOrder) {
    CMyToolBar toolbar(*actions_);
    QStringList pool;
    for (int i = 0; i < 8; ++i)
        pool << QStringLiteral("text %1").arg(i);
    toolbar.SetButtonTexts(pool);
    const int ids[] = {57601, 0, 32861};
    ASSERT_TRUE(toolbar.SetButtons(ids, 3, 5));
    const auto& buttons = toolbar.Buttons();
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(buttons[0].iBitmap, 0);
    EXPECT_EQ(buttons[0].iString, 5);
    EXPECT_TRUE(buttons[1].separator);
    EXPECT_EQ(buttons[1].iBitmap, -1);
    EXPECT_EQ(buttons[1].iString, -1);
    EXPECT_EQ(buttons[1].separatorWidth, 6);
    EXPECT_EQ(buttons[2].iBitmap, 1);
    EXPECT_EQ(buttons[2].iString, 6);
    EXPECT_EQ(actions_->Find(32861)->iconText(), QStringLiteral("text 6"));

    toolbar.SetFlat(false);
    ASSERT_TRUE(toolbar.SetButtons(ids, 3, 0));
    EXPECT_EQ(toolbar.Buttons()[1].separatorWidth, 8);
    // A new set replaces the old one whole.
    EXPECT_EQ(toolbar.actions().size(), 3);
}

TEST_F(MyToolBarTest, TextPoolGrowsInOrder) {
    CMyToolBar toolbar(*actions_);
    toolbar.SetButtonTexts({QStringLiteral("Open"), QStringLiteral("Save")});
    toolbar.SetButtonTexts({QStringLiteral("Run ")});
    EXPECT_EQ(toolbar.TextPool(), (QStringList{"Open", "Save", "Run "}));
}

TEST_F(MyToolBarTest, ButtonBeyondThePoolStopsTheSet) {
    CMyToolBar toolbar(*actions_);
    toolbar.SetButtonTexts({QStringLiteral("Open")});
    const int ids[] = {57601, 57603, 32861};
    EXPECT_FALSE(toolbar.SetButtons(ids, 3, 0));
    // The buttons added before the failure stay.
    ASSERT_EQ(toolbar.Buttons().size(), 1u);
    EXPECT_EQ(toolbar.Buttons()[0].idCommand, 57601);
}

TEST_F(MyToolBarTest, ChoosingAButtonRunsOnlyAnEnabledCommand) {
    struct Target : platform::CmdTarget {
        Target() {
            OnCommand(1001, [this] { ++runs; });
            OnUpdate(1001, [this](platform::CCmdUI& ui) { ui.Enable(allowed); });
        }
        int runs = 0;
        bool allowed = false;
    } target;
    CommandActions actions(target, owner_.get());
    QAction* action = actions.Action(1001);
    action->setEnabled(true);  // a stale state
    action->trigger();
    EXPECT_EQ(target.runs, 0);
    EXPECT_FALSE(action->isEnabled());
    target.allowed = true;
    actions.Update(action);
    action->trigger();
    EXPECT_EQ(target.runs, 1);
}

}  // namespace
