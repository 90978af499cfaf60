// Enter in the real program: outside batch mode, Enter in the Width field
// takes the typed width and runs nothing, though the basket holds pictures.

#include "tests/e2e/E2eSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

namespace {

// The Width field's text, copied; waits until it reads `expected`.
bool WidthReads(const QString& expected) {
    return E2eSession::WaitFor(
        [&] {
            return E2eSession::PressKeys(
                       {QStringLiteral("alt+w"), QStringLiteral("ctrl+a"), QStringLiteral("ctrl+c")}) &&
                   E2eSession::ClipboardText() == expected;
        },
        10000);
}

void WritePicture(const QString& path, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 200));
    ASSERT_TRUE(image.save(path, nullptr, 90)) << path.toStdString();
}

TEST(EnterKey, EnterInWidthOutsideBatchModeSetsTheWidthAndWritesNothing) {
    E2eSession session;
    const QString photos = session.Home() + QStringLiteral("/photos/");
    const QString out = session.Home() + QStringLiteral("/resized/");
    ASSERT_TRUE(QDir().mkpath(photos));
    ASSERT_TRUE(QDir().mkpath(out));
    QStringList basket;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
        WritePicture(photos + QLatin1String(name), 300, 200);
        basket << photos + QLatin1String(name);
    }
    const QString other = session.Home() + QStringLiteral("/other.jpg");
    WritePicture(other, 600, 400);
    QDir().mkpath(QFileInfo(session.SettingsFile()).path());
    QFile settings(session.SettingsFile());
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(
        "[MAIN]\nCORRECTPROP=0\nINTERPOLMODE=3\nAPPLYTOALL=1\nLOCKSETTINGS=0\n[BATCH]\nOUTFORMAT=1\n"
        "OVERWRITEMETHOD=1\nNEWNAME=0\nSAMEFOLDER=0\nOUTFOLDER=" +
        out.toUtf8() + "\n");
    settings.close();

    // Three pictures start a basket of three in batch mode.
    ASSERT_TRUE(session.Start(basket));
    const unsigned long window = session.FindWindow(QStringLiteral("^ORVEK Vespera 3"));
    ASSERT_NE(window, 0u) << session.ErrorOutput().toStdString();
    ASSERT_TRUE(
        E2eSession::Xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(window)}));

    // Batch mode off, another picture opened.
    ASSERT_TRUE(session.SendKeysEach(window, {QStringLiteral("alt+b"), QStringLiteral("Return")}));
    ASSERT_TRUE(session.SendKeys(window, QStringLiteral("ctrl+o")));
    const unsigned long open = session.FindWindow(QStringLiteral("^Open$"));
    ASSERT_NE(open, 0u) << "no file dialog after Ctrl+O";
    ASSERT_TRUE(E2eSession::Xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(open)}));
    ASSERT_TRUE(E2eSession::PressKeys({QStringLiteral("ctrl+a")}));
    ASSERT_TRUE(E2eSession::TypeText(other));
    ASSERT_TRUE(E2eSession::PressKeys({QStringLiteral("Return")}));
    ASSERT_TRUE(session.WaitForWindowGone(QStringLiteral("^Open$")));
    ASSERT_NE(session.FindWindow(QStringLiteral("^ORVEK Vespera 3 - other\\.jpg$")), 0u);
    ASSERT_TRUE(
        E2eSession::Xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(window)}));
    ASSERT_TRUE(WidthReads(QStringLiteral("600")));

    // 1000 and Enter in Width: the width is taken; no Batch Settings, no run.
    ASSERT_TRUE(E2eSession::PressKeys({QStringLiteral("alt+w"), QStringLiteral("ctrl+a")}));
    ASSERT_TRUE(E2eSession::TypeText(QStringLiteral("1000")));
    ASSERT_TRUE(E2eSession::PressKeys({QStringLiteral("Return")}));
    // The keys after Enter reach the field, so no dialog took them.
    EXPECT_TRUE(WidthReads(QStringLiteral("1000")));
    EXPECT_EQ(session.FindWindow(QStringLiteral("^Batch Settings$"), 0), 0u);
    EXPECT_EQ(session.FindWindow(QStringLiteral("^Batch processing$"), 0), 0u);
    EXPECT_TRUE(QDir(out).entryList(QDir::Files).isEmpty())
        << QDir(out).entryList(QDir::Files).join(u' ').toStdString();

    ASSERT_TRUE(session.CloseWindow(window));
    const std::optional<int> code = session.WaitForExit(15000);
    ASSERT_TRUE(code.has_value()) << session.ErrorOutput().toStdString();
    QFile written(session.SettingsFile());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray text = written.readAll();
    EXPECT_TRUE(text.contains("WIDTH=1000")) << text.constData();
    EXPECT_TRUE(QDir(out).entryList(QDir::Files).isEmpty());
}

}  // namespace
