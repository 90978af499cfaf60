// The main window of the real program: start on a picture, see it, open and
// cancel the file dialog, close the window, find the settings written.

#include "tests/e2e/E2eSession.h"

#include <QFile>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

constexpr QRgb kRed = qRgb(220, 30, 30);
constexpr QRgb kBlue = qRgb(30, 60, 220);
constexpr int kTolerance = 40;

// A picture whose left half is red and right half blue.
QString MakePicture(const E2eSession& session, const QString& name) {
    QImage image(800, 600, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, 400, 600, QColor(kRed));
    painter.fillRect(400, 0, 400, 600, QColor(kBlue));
    painter.end();
    const QString path = session.Home() + u'/' + name;
    EXPECT_TRUE(image.save(path, "JPEG", 95));
    return path;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Opens the file dialog with Ctrl+O and cancels it with Escape.
void OpenAndCancelTheFileDialog(E2eSession& session, unsigned long window) {
    ASSERT_TRUE(session.SendKeys(window, QStringLiteral("ctrl+o")));
    const unsigned long dialog = session.FindWindow(QStringLiteral("^Open$"), 15000);
    ASSERT_NE(dialog, 0u) << "no file dialog after Ctrl+O";
    ASSERT_TRUE(session.SendKeys(dialog, QStringLiteral("Escape")));
    EXPECT_TRUE(session.WaitForWindowGone(QStringLiteral("^Open$")));
}

void CloseAndWaitForExit(E2eSession& session, unsigned long window) {
    ASSERT_TRUE(session.CloseWindow(window));
    const std::optional<int> code = session.WaitForExit(15000);
    ASSERT_TRUE(code.has_value()) << "the program did not end: " << session.ErrorOutput().toStdString();
    EXPECT_EQ(*code, 0) << session.ErrorOutput().toStdString();
}

TEST(MainWindow, ShowsThePictureOfTheCommandLine) {
    E2eSession session;
    const QString picture = MakePicture(session, QStringLiteral("harbour.jpg"));
    ASSERT_TRUE(session.Start({picture}));
    const unsigned long window = session.FindWindow(QStringLiteral("^ORVEK Vespera 3 - harbour\\.jpg$"));
    ASSERT_NE(window, 0u) << "no main window with the picture's name: " << session.ErrorOutput().toStdString();

    QImage shot;
    const bool shown = E2eSession::WaitFor(
        [&] {
            shot = session.Screenshot(window);
            return FractionNear(shot, kRed, kTolerance) > 0.05 && FractionNear(shot, kBlue, kTolerance) > 0.05;
        },
        15000);
    if (!shown)
        shot.save(session.Root() + QStringLiteral("/../vespera-e2e-failed.png"));
    ASSERT_TRUE(shown) << "the window does not show the picture";

    OpenAndCancelTheFileDialog(session, window);
    EXPECT_TRUE(session.IsRunning());
    CloseAndWaitForExit(session, window);

    const QByteArray settings = ReadAll(session.SettingsFile());
    EXPECT_TRUE(settings.contains("[MAIN]")) << settings.constData();
    EXPECT_TRUE(settings.contains("WIDTH=800")) << settings.constData();
    EXPECT_TRUE(settings.contains(("File1=" + picture).toUtf8())) << settings.constData();
    EXPECT_TRUE(settings.contains("Panes_0=")) << settings.constData();
}

TEST(MainWindow, StartsWithoutAPictureAndEndsCleanly) {
    E2eSession session;
    ASSERT_TRUE(session.Start());
    const unsigned long window = session.FindWindow(QStringLiteral("^ORVEK Vespera 3 - QVVespera$"));
    ASSERT_NE(window, 0u) << session.ErrorOutput().toStdString();
    const QImage shot = session.Screenshot(window);
    ASSERT_FALSE(shot.isNull());
    EXPECT_GT(shot.width(), 400);
    EXPECT_GT(shot.height(), 300);
    OpenAndCancelTheFileDialog(session, window);
    CloseAndWaitForExit(session, window);
    const QByteArray settings = ReadAll(session.SettingsFile());
    EXPECT_TRUE(settings.contains("INTERPOLMODE=4")) << settings.constData();
}

TEST(MainWindow, RegisterSwitchEndsAtOnceWritingNothing) {
    E2eSession session;
    ASSERT_TRUE(session.Start({QStringLiteral("-Register")}));
    const std::optional<int> code = session.WaitForExit(15000);
    ASSERT_TRUE(code.has_value());
    EXPECT_FALSE(QFile::exists(session.SettingsFile()));
}

}  // namespace
