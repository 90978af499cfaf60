#include "platform/prompt/Prompt.h"

#include <QApplication>
#include <QProgressDialog>
#include <QTimer>

#include <memory>

#include <gtest/gtest.h>

namespace {

QProgressDialog* ShownProgressDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QProgressDialog*>(widget); dialog != nullptr && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

TEST(ProgressWindow, InertWithoutAnApplication) {
    platform::ProgressWindow window(QStringLiteral("Copying..."), 3, 0);
    EXPECT_TRUE(window.Advance(1, QStringLiteral("a")));
    EXPECT_TRUE(window.Advance(3, QStringLiteral("b")));
}

TEST(ProgressWindow, ShowsTheItemAndReportsCancel) {
    int argc = 1;
    char name[] = "progress-test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    {
        platform::ProgressWindow window(QStringLiteral("Copying..."), 3, 0);
        EXPECT_TRUE(window.Advance(1, QStringLiteral("/photos/a.jpg")));
        QProgressDialog* dialog = ShownProgressDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->labelText(), QStringLiteral("/photos/a.jpg"));
        EXPECT_EQ(dialog->value(), 1);
        EXPECT_EQ(dialog->maximum(), 3);
        dialog->cancel();
        EXPECT_FALSE(window.Advance(2, QStringLiteral("/photos/b.jpg")));
    }
    EXPECT_EQ(ShownProgressDialog(), nullptr);  // the window goes with its owner
}

// A question closes the progress windows first, so that none comes up over
// the message box; one asked from the event loop the window's own update
// runs closes it once that update is over. The next step opens it again, and
// the question is no Cancel.
TEST(ProgressWindow, AQuestionClosesItUntilTheNextStep) {
    int argc = 1;
    char name[] = "progress-test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    const auto script = std::make_shared<platform::ScriptedPrompt>();
    const auto previous = platform::InstallPrompt(script);
    {
        platform::ProgressWindow window(QStringLiteral("Copying..."), 9, 0);
        EXPECT_TRUE(window.Advance(1, QStringLiteral("/photos/a.jpg")));
        ASSERT_NE(ShownProgressDialog(), nullptr);
        platform::Ask(platform::PromptIcon::Error, platform::PromptButtons::Ok, QStringLiteral("Can't copy"));
        EXPECT_EQ(ShownProgressDialog(), nullptr);
        EXPECT_TRUE(window.Advance(2, QStringLiteral("/photos/b.jpg")));
        EXPECT_TRUE(window.Advance(3, QStringLiteral("/photos/c.jpg")));
        ASSERT_NE(ShownProgressDialog(), nullptr);

        // Asked while the shown window's own update runs the event loop.
        QTimer::singleShot(0, [] {
            platform::Ask(platform::PromptIcon::Error, platform::PromptButtons::Ok, QStringLiteral("Can't copy"));
        });
        EXPECT_TRUE(window.Advance(4, QStringLiteral("/photos/d.jpg")));
        EXPECT_EQ(ShownProgressDialog(), nullptr);
        EXPECT_TRUE(window.Advance(5, QStringLiteral("/photos/e.jpg")));
        EXPECT_TRUE(window.Advance(6, QStringLiteral("/photos/f.jpg")));
        ASSERT_NE(ShownProgressDialog(), nullptr);
        EXPECT_EQ(ShownProgressDialog()->value(), 6);
    }
    EXPECT_EQ(script->Questions().size(), 2u);
    platform::InstallPrompt(previous);
}

}  // namespace
