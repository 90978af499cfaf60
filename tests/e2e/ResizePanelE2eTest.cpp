// The resize panel of the real program: type a width and see the height
// follow the picture's aspect, pick a paper size, save, and find the saved
// file at the size and resolution the panel showed.

#include "tests/e2e/E2eSession.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// An 800 x 600 picture at 300 dpi.
QString MakePicture(const E2eSession& session) {
    QImage image(800, 600, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, 400, 600, QColor(220, 30, 30));
    painter.fillRect(400, 0, 400, 600, QColor(30, 60, 220));
    painter.end();
    image.setDotsPerMeterX(11811);
    image.setDotsPerMeterY(11811);
    const QString path = session.Home() + QStringLiteral("/harbour.jpg");
    EXPECT_TRUE(image.save(path, "JPEG", 95));
    return path;
}

// Pixels of the window near the picture's red half.
int RedPixels(const QImage& shot) {
    int count = 0;
    for (int y = 0; y < shot.height(); y += 2)
        for (int x = 0; x < shot.width(); x += 2) {
            const QColor c = shot.pixelColor(x, y);
            count += c.red() > 180 && c.green() < 80 && c.blue() < 80;
        }
    return count;
}

// The text of the field that `mnemonic` focuses (after `tabs` Tabs), as the
// clipboard gets it; waits until it reads `expected` when one is given.
QString FieldText(const QString& mnemonic, int tabs = 0, const QString& expected = QString()) {
    QString text;
    E2eSession::WaitFor(
        [&] {
            QStringList keys{mnemonic};
            for (int i = 0; i < tabs; ++i)
                keys << QStringLiteral("Tab");
            keys << QStringLiteral("ctrl+a") << QStringLiteral("ctrl+c");
            if (!E2eSession::PressKeys(keys))
                return false;
            text = E2eSession::ClipboardText();
            return expected.isEmpty() ? !text.isEmpty() : text == expected;
        },
        10000);
    return text;
}

TEST(ResizePanel, TypedWidthPaperPresetAndSaveGiveTheShownSizeAndResolution) {
    E2eSession session;
    const QString picture = MakePicture(session);
    ASSERT_TRUE(session.Start({picture}));
    const unsigned long window = session.FindWindow(QStringLiteral("^ORVEK Vespera 3 - harbour\\.jpg$"));
    ASSERT_NE(window, 0u) << session.ErrorOutput().toStdString();
    ASSERT_TRUE(
        E2eSession::Xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(window)}));

    // The panel shows the picture's own size and resolution.
    EXPECT_EQ(FieldText(QStringLiteral("alt+w"), 0, QStringLiteral("800")), QStringLiteral("800"));
    EXPECT_EQ(FieldText(QStringLiteral("alt+s"), 0, QStringLiteral("300")), QStringLiteral("300"));

    // A typed width: the height follows with the aspect kept, and the
    // preview shows the picture at the new size, a quarter of its area (the
    // navigator's picture stays as it is).
    int redBefore = 0;
    ASSERT_TRUE(E2eSession::WaitFor([&] { return (redBefore = RedPixels(session.Screenshot(window))) > 1000; }, 10000));
    ASSERT_TRUE(E2eSession::PressKeys({QStringLiteral("alt+w"), QStringLiteral("ctrl+a")}));
    ASSERT_TRUE(E2eSession::TypeText(QStringLiteral("400")));
    EXPECT_EQ(FieldText(QStringLiteral("alt+g"), 0, QStringLiteral("300")), QStringLiteral("300"));
    int redAfter = redBefore;
    EXPECT_TRUE(E2eSession::WaitFor(
        [&] {
            redAfter = RedPixels(session.Screenshot(window));
            return redAfter > 0 && redAfter < redBefore / 2;  // the navigator keeps its own
        },
        10000))
        << "red pixels before " << redBefore << ", after " << redAfter;

    // "Paper" is the fourth stop after the width (the print fields are not
    // being edited); A4 is its fifth entry. Across, like the picture, and
    // fitted to its aspect: 280 x 210 mm at 300 dpi.
    const qsizetype windows = session.VisibleWindows().size();
    ASSERT_TRUE(E2eSession::PressKeys({QStringLiteral("alt+w"), QStringLiteral("Tab"), QStringLiteral("Tab"),
                                       QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("space")}));
    // The menu has opened once the program shows one window more.
    ASSERT_TRUE(E2eSession::WaitFor([&] { return session.VisibleWindows().size() > windows; }, 15000))
        << "no menu after Space on Paper";
    ASSERT_TRUE(E2eSession::PressKeys({QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Down"),
                                       QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Return")}));
    const QString width = FieldText(QStringLiteral("alt+w"), 0, QStringLiteral("3307"));
    const QString height = FieldText(QStringLiteral("alt+g"));
    const QString resolution = FieldText(QStringLiteral("alt+s"));
    EXPECT_EQ(width, QStringLiteral("3307"));
    EXPECT_EQ(height, QStringLiteral("2480"));
    EXPECT_EQ(resolution, QStringLiteral("300"));

    // Resize and Save.
    const QString output = session.Home() + QStringLiteral("/harbour-a4.jpg");
    ASSERT_TRUE(session.SendKeys(window, QStringLiteral("ctrl+s")));
    const unsigned long dialog = session.FindWindow(QStringLiteral("^Save As$"), 15000);
    ASSERT_NE(dialog, 0u) << "no save dialog after Ctrl+S";
    ASSERT_TRUE(
        E2eSession::Xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(dialog)}));
    ASSERT_TRUE(E2eSession::PressKeys({QStringLiteral("ctrl+a")}));
    ASSERT_TRUE(E2eSession::TypeText(output));
    ASSERT_TRUE(E2eSession::PressKeys({QStringLiteral("Return")}));
    ASSERT_TRUE(session.WaitForWindowGone(QStringLiteral("^Save As$")));
    ASSERT_TRUE(E2eSession::WaitFor([&] { return QImageReader(output).canRead(); }, 30000))
        << session.ErrorOutput().toStdString();

    QImageReader reader(output);
    const QImage saved = reader.read();
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(QString::number(saved.width()), width);
    EXPECT_EQ(QString::number(saved.height()), height);
    EXPECT_EQ(QString::number(std::lround(saved.dotsPerMeterX() * 0.0254)), resolution);

    ASSERT_TRUE(session.CloseWindow(window));
    const std::optional<int> code = session.WaitForExit(15000);
    ASSERT_TRUE(code.has_value()) << session.ErrorOutput().toStdString();
    EXPECT_EQ(*code, 0);
}

}  // namespace
