// The browser's clipboard on a real X display (Xvfb): two pictures selected
// and copied with real key presses (xdotool) are read back by xclip as the
// desktops read them, and a file list that xclip puts on the clipboard is
// pasted with Ctrl+V into the browser's folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QUrl>

#include <functional>
#include <optional>

#include "browser/ThumbFixtures.h"
#include "browser/builder/Thumbnails.h"
#include "browser/builder/ThumbsBuilder.h"
#include "browser/cache/ThumbCache.h"
#include "browser/thumbs/ImgThumbsBrowser.h"
#include "browser/thumbs/ThumbsView.h"
#include "core/settings/AppSettings.h"
#include "support/FileFixtures.h"
#include "support/PrivateHome.h"

namespace {

bool PollUntil(const std::function<bool()>& done, int timeoutMs = 15000) { return QTest::qWaitFor(done, timeoutMs); }

// Runs a tool while this process keeps serving its own clipboard; its
// output, or nothing when it failed.
std::optional<QByteArray> RunTool(const QString& program, const QStringList& arguments, const QByteArray& input = {}) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(5000))
        return std::nullopt;
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!PollUntil([&] { return process.state() == QProcess::NotRunning; }, 10000)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

class X11Clipboard : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb"))
            GTEST_SKIP() << "needs an X display";
        g_ThumbCache.Open(DefaultThumbCacheFolder());
        g_ThumbsBuilder.Start();
        folder_ = home_.Path() + QStringLiteral("/pictures");
        other_ = home_.Path() + QStringLiteral("/elsewhere");
        QDir().mkpath(folder_);
        QDir().mkpath(other_);
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
            ASSERT_TRUE(thumbfixtures::WriteBytes(folder_ + u'/' + QLatin1String(name),
                                                  thumbfixtures::SolidJpeg(64, 48, thumbfixtures::kRed)));
        browser_ = std::make_unique<CImgThumbsBrowser>(settings_);
        view_ = std::make_unique<CThumbsView>();
        view_->setWindowTitle(QStringLiteral("Browser clipboard test"));
        view_->resize(760, 400);
        view_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
        view_->SetBrowser(browser_.get());
        browser_->m_strFolder = folder_;
        view_->OnInitialUpdate();
        ASSERT_EQ(browser_->GetItemCount(), 3);
    }
    void TearDown() override {
        // Taking the clipboard back ends a serving xclip.
        if (QGuiApplication::platformName() == QStringLiteral("xcb"))
            QApplication::clipboard()->setText(QStringLiteral("done"));
        view_.reset();
        browser_.reset();
        ShutdownThumbnails();
    }
    // Real key presses into the view's window through the X test extension.
    bool Keys(const QString& keys) {
        const QString window = QString::number(view_->winId());
        return RunTool(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}) &&
               RunTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
    }
    std::optional<QByteArray> ClipboardAs(const char* target) {
        return RunTool(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                                 QStringLiteral("-o"), QStringLiteral("-t"), QLatin1String(target)});
    }
    QByteArray Url(const QString& path) const { return QUrl::fromLocalFile(path).toEncoded(); }

    PrivateHome home_;
    AppSettings settings_;
    QString folder_;
    QString other_;
    std::unique_ptr<CImgThumbsBrowser> browser_;
    std::unique_ptr<CThumbsView> view_;
};

TEST_F(X11Clipboard, CtrlCOfTwoPicturesIsReadByXclipAsAUriList) {
    ASSERT_TRUE(Keys(QStringLiteral("Home")));
    ASSERT_TRUE(Keys(QStringLiteral("shift+Right")));
    ASSERT_TRUE(PollUntil([this] { return browser_->CountSelectedFiles() == 2; }));
    ASSERT_TRUE(Keys(QStringLiteral("ctrl+c")));
    const QByteArray expected = Url(folder_ + "/a.jpg") + "\r\n" + Url(folder_ + "/b.jpg") + "\r\n";
    std::optional<QByteArray> uris;
    EXPECT_TRUE(PollUntil([&] {
        uris = ClipboardAs("text/uri-list");
        return uris && *uris == expected;
    }));
    EXPECT_EQ(uris.value_or("<none>"), expected);
    EXPECT_EQ(ClipboardAs("x-special/gnome-copied-files").value_or("<none>"),
              "copy\n" + Url(folder_ + "/a.jpg") + "\n" + Url(folder_ + "/b.jpg"));
    EXPECT_EQ(ClipboardAs("application/x-kde-cutselection").value_or("<none>"), QByteArray("0"));
}

TEST_F(X11Clipboard, AListPutThereByXclipIsPastedWithCtrlV) {
    const QString one = other_ + QStringLiteral("/one.jpg");
    const QString two = other_ + QStringLiteral("/a.jpg");  // its name is taken here
    for (const QString& path : {one, two})
        ASSERT_TRUE(thumbfixtures::WriteBytes(path, thumbfixtures::SolidJpeg(64, 48, thumbfixtures::kBlue)));
    // xclip forks and serves the selection until someone else takes it.
    ASSERT_TRUE(RunTool(QStringLiteral("xclip"),
                        {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                         QStringLiteral("text/uri-list"), QStringLiteral("-i")},
                        Url(one) + "\r\n" + Url(two) + "\r\n"));
    ASSERT_TRUE(PollUntil([this] { return browser_->CanPaste(); }));
    ScriptedAnswers answers;
    ASSERT_TRUE(Keys(QStringLiteral("ctrl+v")));
    EXPECT_TRUE(PollUntil([this] { return Entries(folder_).size() == 5; }));
    EXPECT_EQ(Entries(folder_), (QStringList{"a (2).jpg", "a.jpg", "b.jpg", "c.jpg", "one.jpg"}));
    // Copied, not moved: the sources stay.
    EXPECT_TRUE(QFileInfo::exists(one));
    EXPECT_TRUE(QFileInfo::exists(two));
    EXPECT_EQ(browser_->GetItemCount(), 5);
    EXPECT_TRUE(answers.Questions().empty());
}

}  // namespace
