// The clipboard of the Browse window in the real program: two of three
// pictures selected with the keys in the thumbnail view and copied with
// Ctrl+C are read back by xclip as the desktops read them, and a file list
// that xclip serves is pasted with Ctrl+V into another folder chosen in the
// tree, where the copy shows as a thumbnail.

#include "tests/e2e/E2eSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

constexpr QRgb kRed = qRgb(230, 20, 20);
constexpr QRgb kGreen = qRgb(20, 200, 20);
constexpr QRgb kBlue = qRgb(20, 20, 230);

QByteArray Url(const QString& path) { return QUrl::fromLocalFile(path).toEncoded(); }

QStringList Entries(const QString& folder) { return QDir(folder).entryList(QDir::Files, QDir::Name); }

// xclip serving a file list on the clipboard, in the foreground so that the
// test ends it; taking the clipboard from it ends it as well.
class ServedUriList {
public:
    explicit ServedUriList(const QByteArray& uris) {
        xclip_.start(QStringLiteral("xclip"),
                     {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                      QStringLiteral("-t"), QStringLiteral("text/uri-list"), QStringLiteral("-i")});
        if (xclip_.waitForStarted(5000)) {
            xclip_.write(uris);
            xclip_.closeWriteChannel();
        }
    }
    ~ServedUriList() {
        if (xclip_.state() != QProcess::NotRunning) {
            xclip_.kill();
            xclip_.waitForFinished(5000);
        }
    }
    ServedUriList(const ServedUriList&) = delete;
    ServedUriList& operator=(const ServedUriList&) = delete;

private:
    QProcess xclip_;
};

TEST(BrowseClipboard, CopyTwoPicturesThenPasteAListFromXclipIntoAnotherFolder) {
    E2eSession session;
    const QString pictures = session.Home() + QStringLiteral("/Pictures");
    const QString shots = pictures + QStringLiteral("/Shots");
    const QString target = pictures + QStringLiteral("/Aaa");
    const QString elsewhere = session.Home() + QStringLiteral("/elsewhere");
    for (const QString& folder : {shots, target, elsewhere})
        ASSERT_TRUE(QDir().mkpath(folder));
    for (const char* name : {"a.png", "b.png", "c.png"})
        ASSERT_TRUE(SaveSolidPicture(shots + u'/' + QLatin1String(name), kRed));
    const QString outside = elsewhere + QStringLiteral("/green.png");
    ASSERT_TRUE(SaveSolidPicture(outside, kGreen));
    const QString document = session.Home() + QStringLiteral("/blue.png");
    ASSERT_TRUE(SaveSolidPicture(document, kBlue));
    QDir().mkpath(QFileInfo(session.SettingsFile()).path());
    {
        QFile settings(session.SettingsFile());
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("[BROWSER]\nDEFAULT=" + QFile::encodeName(shots) + "\n");
    }

    ASSERT_TRUE(session.Start({document}));
    const unsigned long window = session.FindWindow(QStringLiteral("^ORVEK Vespera 3 - blue\\.png$"));
    ASSERT_NE(window, 0u) << session.ErrorOutput().toStdString();
    ASSERT_TRUE(E2eSession::WaitFor([&] { return session.FractionNearIn(window, kBlue) > 0.02; }, 15000));

    // Batch mode, then Browse: the start folder's three thumbnails.
    ASSERT_TRUE(session.OpenBrowseWindow(window)) << session.WindowName(window).toStdString();
    ASSERT_TRUE(E2eSession::WaitFor([&] { return session.FractionNearIn(window, kRed) > 0.004; }, 15000))
        << session.FractionNearIn(window, kRed);

    // Tab from the tree passes the basket to the thumbnails; the first two
    // selected and copied.
    ASSERT_TRUE(session.SendKeysEach(window, {"Tab", "Tab", "Home", "shift+Right", "ctrl+c"}));
    const QByteArray expected = Url(shots + "/a.png") + "\r\n" + Url(shots + "/b.png") + "\r\n";
    std::optional<QByteArray> uris;
    EXPECT_TRUE(E2eSession::WaitFor(
        [&] {
            uris = E2eSession::ClipboardAs(QStringLiteral("text/uri-list"));
            return uris == expected;
        },
        10000));
    EXPECT_EQ(uris.value_or("<none>"), expected);
    EXPECT_EQ(E2eSession::ClipboardAs(QStringLiteral("x-special/gnome-copied-files")).value_or("<none>"),
              "copy\n" + Url(shots + "/a.png") + "\n" + Url(shots + "/b.png"));

    // A list of one picture of another folder, served by xclip.
    ServedUriList served(Url(outside) + "\r\n");
    ASSERT_TRUE(E2eSession::WaitFor(
        [&] { return E2eSession::ClipboardAs(QStringLiteral("text/uri-list")) == Url(outside) + "\r\n"; }, 10000));

    // Back past the basket to the tree, the folder above, whose view is
    // empty; then the view again and Ctrl+V.
    ASSERT_TRUE(session.SendKeysEach(window, {"shift+Tab", "shift+Tab", "Up"}));
    ASSERT_TRUE(E2eSession::WaitFor([&] { return session.FractionNearIn(window, kRed) < 0.0005; }, 10000))
        << session.FractionNearIn(window, kRed);
    EXPECT_LT(session.FractionNearIn(window, kGreen), 0.0005);
    ASSERT_TRUE(session.SendKeysEach(window, {"Tab", "Tab", "ctrl+v"}));
    EXPECT_TRUE(E2eSession::WaitFor([&] { return Entries(target) == QStringList{"green.png"}; }, 10000))
        << Entries(target).join(u',').toStdString();
    EXPECT_TRUE(E2eSession::WaitFor([&] { return session.FractionNearIn(window, kGreen) > 0.0015; }, 15000))
        << session.FractionNearIn(window, kGreen);
    // Copied, not moved; the copy is the picture.
    EXPECT_TRUE(QFileInfo::exists(outside));
    EXPECT_EQ(QImage(target + QStringLiteral("/green.png")).pixel(10, 10), kGreen);
    EXPECT_EQ(Entries(shots), (QStringList{"a.png", "b.png", "c.png"}));

    ASSERT_TRUE(session.CloseWindow(window));
    EXPECT_EQ(session.WaitForExit(), std::optional<int>(0));
}

}  // namespace
