// The message box of the desktop prompt: its caption is the program's name
// and the box is wide enough for a window manager to show that name whole.
#include "platform/prompt/Prompt.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Room a title bar takes beside its text: the window's icon and its three
// buttons, at least.
constexpr int kTitleBarButtons = 120;

TEST(MessageBoxPrompt, TheBoxIsWideEnoughForItsWholeCaption) {
    int argc = 1;
    char name[] = "prompt-test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ORVEK Vespera 3"));
    for (const QString& text : {QStringLiteral("OK"), QStringLiteral("No updates found!")}) {
        int width = 0;
        QString caption;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || !box->isVisible())
                return;
            width = box->frameGeometry().width();
            caption = box->windowTitle();
            box->done(QMessageBox::Ok);
        });
        poll.start(10);
        platform::MessageBoxPrompt prompt;
        EXPECT_EQ(prompt.Ask(platform::PromptIcon::Information, platform::PromptButtons::Ok, text),
                  platform::PromptAnswer::Ok);
        EXPECT_EQ(caption, QStringLiteral("ORVEK Vespera 3"));
        QFont bold = QApplication::font();
        bold.setBold(true);
        EXPECT_GE(width, QFontMetrics(bold).horizontalAdvance(caption) + kTitleBarButtons) << text.toStdString();
    }
}

}  // namespace
