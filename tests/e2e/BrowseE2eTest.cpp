// The Browse window of the real program: batch mode on, Browse opened over
// the preview, a folder selected in the tree with the keys shows its
// thumbnails, a picture copied into it from outside appears, the folder is
// renamed in the tree, and closing Browse brings the preview back; a folder
// deleted in the tree goes to the trash.

#include "tests/e2e/E2eSession.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

namespace {

constexpr QRgb kRed = qRgb(230, 20, 20);
constexpr QRgb kGreen = qRgb(20, 200, 20);
constexpr QRgb kBlue = qRgb(20, 20, 230);

// Removes what its paths' bytes name when it goes: names that are not UTF-8,
// which the session's own removal cannot reach.
struct RemovedAtEnd {
    std::vector<QByteArray> paths;
    ~RemovedAtEnd() {
        for (const QByteArray& path : paths) {
            std::error_code ignored;
            std::filesystem::remove_all(path.toStdString(), ignored);
        }
    }
};

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

// Delete on a folder of the tree whose name is not UTF-8: the folder goes to
// the trash under its own bytes after one question, and its info file names
// where it was, byte for byte.
TEST(Browse, DeleteInTheTreeMovesAFolderNamedInLatin1ToTheTrash) {
    E2eSession session;
    const QString pictures = session.Home() + QStringLiteral("/Pictures");
    ASSERT_TRUE(QDir().mkpath(pictures + QStringLiteral("/Aaa")));
    const std::unique_ptr<char, decltype(&std::free)> canonical(
        ::realpath(QFile::encodeName(pictures).constData(), nullptr), &std::free);
    ASSERT_NE(canonical, nullptr);
    const QByteArray folder = QByteArray(canonical.get()) + "/caf\xE9";
    const QByteArray trash = QFile::encodeName(session.DataHome()) + "/Trash";
    const RemovedAtEnd removed{{folder, trash}};
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    ASSERT_TRUE(SaveSolidPicture(session.Root() + QStringLiteral("/red.png"), kRed));
    ASSERT_EQ(::rename(QFile::encodeName(session.Root() + QStringLiteral("/red.png")).constData(),
                       (folder + "/r\xE9.png").constData()),
              0);
    ASSERT_TRUE(
        session.WriteSettingsFile("[BROWSER]\nDEFAULT=" + QFile::encodeName(pictures + QStringLiteral("/Aaa")) + "\n"));
    const QString document = session.Home() + QStringLiteral("/blue.png");
    ASSERT_TRUE(SaveSolidPicture(document, kBlue));

    ASSERT_TRUE(session.Start({document}));
    const unsigned long window = session.FindWindow(QStringLiteral("^ORVEK Vespera 3 - blue\\.png$"));
    ASSERT_NE(window, 0u) << session.ErrorOutput().toStdString();
    ASSERT_TRUE(session.OpenBrowseWindow(window)) << session.WindowName(window).toStdString();
    // The folder after Aaa in the tree: its thumbnail shows that it is the one selected.
    ASSERT_TRUE(session.SendKeys(window, QStringLiteral("Down")));
    ASSERT_TRUE(E2eSession::WaitFor([&] { return session.FractionNearIn(window, kRed) > 0.0015; }, 15000))
        << session.FractionNearIn(window, kRed);

    const qsizetype windows = session.VisibleWindows().size();
    ASSERT_TRUE(session.SendKeys(window, QStringLiteral("Delete")));
    ASSERT_TRUE(E2eSession::WaitFor([&] { return session.VisibleWindows().size() > windows; }, 10000));
    ASSERT_TRUE(E2eSession::PressKeys({QStringLiteral("y")}));  // "Move ... to the trash?"

    struct stat status {};
    EXPECT_TRUE(E2eSession::WaitFor(
        [&] { return ::lstat((trash + "/files/caf\xE9/r\xE9.png").constData(), &status) == 0; }, 10000));
    EXPECT_NE(::lstat(folder.constData(), &status), 0);
    const std::unique_ptr<std::FILE, decltype(&std::fclose)> infoFile(
        std::fopen((trash + "/info/caf\xE9.trashinfo").constData(), "rb"), &std::fclose);
    ASSERT_NE(infoFile, nullptr);
    char text[512] = {};
    const std::size_t got = std::fread(text, 1, sizeof text - 1, infoFile.get());
    const QList<QByteArray> lines = QByteArray(text, static_cast<qsizetype>(got)).split('\n');
    EXPECT_TRUE(lines.size() >= 2 && QByteArray::fromPercentEncoding(lines[1]) == "Path=" + folder)
        << lines.join('\n').toStdString();

    ASSERT_TRUE(session.CloseWindow(window));
    EXPECT_EQ(session.WaitForExit(), std::optional<int>(0));
}
