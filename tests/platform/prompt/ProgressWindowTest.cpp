#include "platform/prompt/Prompt.h"

#include <QApplication>
#include <QProgressDialog>

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

}  // namespace
