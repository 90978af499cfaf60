// The Browse window of the real program: batch mode on, Browse opened over
// the preview, a folder selected in the tree with the keys shows its
// thumbnails, a picture copied into it from outside appears, the folder is
// renamed in the tree, and closing Browse brings the preview back.

#include "tests/e2e/E2eSession.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

namespace {

constexpr QRgb kRed = qRgb(230, 20, 20);
constexpr QRgb kGreen = qRgb(20, 200, 20);
constexpr QRgb kBlue = qRgb(20, 20, 230);

}  // namespace

TEST(Browse, TreeSelectionThumbnailsOutsideChangeRenameAndBackToThePreview) {
    E2eSession session;
    const QString pictures = session.Home() + QStringLiteral("/Pictures");
    ASSERT_TRUE(QDir().mkpath(pictures + QStringLiteral("/Aaa")));
    ASSERT_TRUE(QDir().mkpath(pictures + QStringLiteral("/Shots")));
    ASSERT_TRUE(SaveSolidPicture(pictures + QStringLiteral("/Shots/one.png"), kRed));
    ASSERT_TRUE(SaveSolidPicture(pictures + QStringLiteral("/Shots/two.png"), kRed));
    const QString document = session.Home() + QStringLiteral("/blue.png");
    ASSERT_TRUE(SaveSolidPicture(document, kBlue));
    QDir().mkpath(QFileInfo(session.SettingsFile()).path());
    {
        QFile settings(session.SettingsFile());
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("[BROWSER]\nDEFAULT=" + QFile::encodeName(pictures + QStringLiteral("/Aaa")) + "\n");
    }

    ASSERT_TRUE(session.Start({document}));
    const unsigned long window = session.FindWindow(QStringLiteral("^ORVEK Vespera 3 - blue\\.png$"));
    ASSERT_NE(window, 0u) << session.ErrorOutput().toStdString();
    ASSERT_TRUE(E2eSession::WaitFor([&] { return session.FractionNearIn(window, kBlue) > 0.02; }, 15000));

    // Batch mode, then Browse: the caption loses the document's name.
    ASSERT_TRUE(session.OpenBrowseWindow(window)) << session.WindowName(window).toStdString();
    // The Browse window covers the preview; the empty start folder shows no thumbnail.
    ASSERT_TRUE(E2eSession::WaitFor([&] { return session.FractionNearIn(window, kBlue) < 0.005; }, 10000));
    EXPECT_LT(session.FractionNearIn(window, kRed), 0.0005);

    // The next folder in the tree: its two thumbnails.
    ASSERT_TRUE(session.SendKeys(window, QStringLiteral("Down")));
    ASSERT_TRUE(E2eSession::WaitFor([&] { return session.FractionNearIn(window, kRed) > 0.003; }, 15000))
        << session.FractionNearIn(window, kRed);

    // A picture copied in from outside appears.
    EXPECT_LT(session.FractionNearIn(window, kGreen), 0.0005);
    ASSERT_TRUE(SaveSolidPicture(session.Root() + QStringLiteral("/green.png"), kGreen));
    ASSERT_TRUE(
        QFile::copy(session.Root() + QStringLiteral("/green.png"), pictures + QStringLiteral("/Shots/green.png")));
    EXPECT_TRUE(E2eSession::WaitFor([&] { return session.FractionNearIn(window, kGreen) > 0.0015; }, 15000))
        << session.FractionNearIn(window, kGreen);

    // Renamed in the tree: F2, the new name, Enter.
    ASSERT_TRUE(session.SendKeys(window, QStringLiteral("F2")));
    ASSERT_TRUE(E2eSession::Xdotool(
        {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), QStringLiteral("Holiday")}));
    ASSERT_TRUE(session.SendKeys(window, QStringLiteral("Return")));
    EXPECT_TRUE(E2eSession::WaitFor([&] { return QFileInfo(pictures + QStringLiteral("/Holiday")).isDir(); }, 10000));
    EXPECT_FALSE(QFileInfo::exists(pictures + QStringLiteral("/Shots")));
    EXPECT_TRUE(QFileInfo::exists(pictures + QStringLiteral("/Holiday/green.png")));

    // Browse again closes it: the preview and the caption come back.
    ASSERT_TRUE(session.SendKeysEach(window, {"alt+b", "Down", "Return"}));
    ASSERT_TRUE(E2eSession::WaitFor(
        [&] { return session.WindowName(window) == QStringLiteral("ORVEK Vespera 3 - blue.png"); }, 10000))
        << session.WindowName(window).toStdString();
    EXPECT_TRUE(E2eSession::WaitFor([&] { return session.FractionNearIn(window, kBlue) > 0.02; }, 10000));
    EXPECT_LT(session.FractionNearIn(window, kRed), 0.0005);

    ASSERT_TRUE(session.CloseWindow(window));
    EXPECT_EQ(session.WaitForExit(), std::optional<int>(0));
}
