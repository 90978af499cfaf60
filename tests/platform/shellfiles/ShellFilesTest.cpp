#include "platform/shellfiles/ShellFiles.h"

#include "support/FileFixtures.h"
#include "support/FileSizeLimit.h"
#include "support/PrivateHome.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using platform::FileOpKind;
using platform::PromptAnswer;

class ShellFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        source_ = root_.filePath(QStringLiteral("source"));
        dest_ = root_.filePath(QStringLiteral("dest"));
        ASSERT_TRUE(QDir().mkpath(source_));
        ASSERT_TRUE(QDir().mkpath(dest_));
    }
    QString Source(const QString& name) const { return source_ + u'/' + name; }
    QString Dest(const QString& name) const { return dest_ + u'/' + name; }

    QTemporaryDir root_;
    QString source_;
    QString dest_;
};

TEST_F(ShellFiles, CollisionFreeNames) {
    ASSERT_TRUE(WriteFile(Dest(QStringLiteral("a.jpg")), "1"));
    ASSERT_TRUE(WriteFile(Dest(QStringLiteral("b.jpg")), "1"));
    ASSERT_TRUE(WriteFile(Dest(QStringLiteral("b (2).jpg")), "1"));
    ASSERT_TRUE(WriteFile(Dest(QStringLiteral(".hidden")), "1"));
    ASSERT_TRUE(QDir().mkpath(Dest(QStringLiteral("folder"))));
    struct Case {
        const char* name;
        const char* free;
    };
    for (const Case& c : {Case{"new.jpg", "new.jpg"}, Case{"a.jpg", "a (2).jpg"}, Case{"b.jpg", "b (3).jpg"},
                          Case{".hidden", ".hidden (2)"}, Case{"folder", "folder (2)"}}) {
        EXPECT_EQ(platform::CollisionFreeName(dest_, QString::fromUtf8(c.name)), QString::fromUtf8(c.free)) << c.name;
    }
}

TEST_F(ShellFiles, CopyRenamesOnCollisionAndLeavesNoTemporaryFile) {
    ScriptedAnswers answers;
    ASSERT_TRUE(WriteFile(Source(QStringLiteral("a.jpg")), "new"));
    ASSERT_TRUE(WriteFile(Dest(QStringLiteral("a.jpg")), "old"));
    const auto outcome = platform::CopyOrMoveItems(FileOpKind::Copy, {Source(QStringLiteral("a.jpg"))}, dest_, true);
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_FALSE(outcome.aborted);
    EXPECT_EQ(ReadFile(Dest(QStringLiteral("a.jpg"))), "old");
    EXPECT_EQ(ReadFile(Dest(QStringLiteral("a (2).jpg"))), "new");
    EXPECT_EQ(ReadFile(Source(QStringLiteral("a.jpg"))), "new");
    EXPECT_EQ(Entries(dest_), (QStringList{QStringLiteral("a (2).jpg"), QStringLiteral("a.jpg")}));
    EXPECT_TRUE(answers.Questions().empty());
}

TEST_F(ShellFiles, CopyIntoItsOwnFolderMakesANumberedCopy) {
    ScriptedAnswers answers;
    ASSERT_TRUE(WriteFile(Source(QStringLiteral("a.jpg")), "x"));
    EXPECT_TRUE(
        platform::CopyOrMoveItems(FileOpKind::Copy, {Source(QStringLiteral("a.jpg"))}, source_, true).succeeded);
    EXPECT_EQ(ReadFile(Source(QStringLiteral("a (2).jpg"))), "x");
}

TEST_F(ShellFiles, CopyWithoutRenamingAsksBeforeReplacing) {
    ASSERT_TRUE(WriteFile(Source(QStringLiteral("a.jpg")), "new"));
    ASSERT_TRUE(WriteFile(Dest(QStringLiteral("a.jpg")), "old"));
    {
        ScriptedAnswers answers({PromptAnswer::No});
        const auto outcome =
            platform::CopyOrMoveItems(FileOpKind::Copy, {Source(QStringLiteral("a.jpg"))}, dest_, false);
        EXPECT_TRUE(outcome.aborted);
        EXPECT_EQ(ReadFile(Dest(QStringLiteral("a.jpg"))), "old");
        ASSERT_EQ(answers.Questions().size(), 1u);
        EXPECT_TRUE(answers.Questions()[0].text.contains(QStringLiteral("Replace")));
    }
    {
        ScriptedAnswers answers({PromptAnswer::Yes});
        const auto outcome =
            platform::CopyOrMoveItems(FileOpKind::Copy, {Source(QStringLiteral("a.jpg"))}, dest_, false);
        EXPECT_TRUE(outcome.succeeded);
        EXPECT_FALSE(outcome.aborted);
        EXPECT_EQ(ReadFile(Dest(QStringLiteral("a.jpg"))), "new");
    }
    EXPECT_EQ(Entries(dest_), QStringList{QStringLiteral("a.jpg")});
}

TEST_F(ShellFiles, CopiesFoldersWholeButNeverIntoThemselves) {
    ScriptedAnswers answers;
    const QString album = Source(QStringLiteral("album"));
    ASSERT_TRUE(QDir().mkpath(album + QStringLiteral("/inner")));
    ASSERT_TRUE(WriteFile(album + QStringLiteral("/inner/p.jpg"), "p"));
    EXPECT_TRUE(platform::CopyOrMoveItems(FileOpKind::Copy, {album}, dest_, true).succeeded);
    EXPECT_EQ(ReadFile(Dest(QStringLiteral("album/inner/p.jpg"))), "p");
    EXPECT_TRUE(platform::CopyOrMoveItems(FileOpKind::Copy, {album + u'/'}, dest_, true).succeeded);
    EXPECT_EQ(ReadFile(Dest(QStringLiteral("album (2)/inner/p.jpg"))), "p");
    EXPECT_EQ(Entries(dest_), (QStringList{QStringLiteral("album"), QStringLiteral("album (2)")}));

    const auto outcome = platform::CopyOrMoveItems(FileOpKind::Copy, {album}, album + QStringLiteral("/inner"), true);
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_EQ(Entries(album + QStringLiteral("/inner")), QStringList{QStringLiteral("p.jpg")});
    EXPECT_EQ(answers.Questions().size(), 1u);  // the error message
}

TEST_F(ShellFiles, CopyKeepsTheModificationTime) {
    ScriptedAnswers answers;
    const QString file = Source(QStringLiteral("t.jpg"));
    ASSERT_TRUE(WriteFile(file, "t"));
    const QDateTime past = QDateTime::fromSecsSinceEpoch(1000000000);
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(past, QFileDevice::FileModificationTime));
    }
    ASSERT_TRUE(platform::CopyOrMoveItems(FileOpKind::Copy, {file}, dest_, true).succeeded);
    EXPECT_EQ(QFileInfo(Dest(QStringLiteral("t.jpg"))).lastModified(), past);
}

// A copy that cannot be written whole (a full disk, a file-size limit) says
// why in the system's words and leaves nothing in the destination, for a file
// and for a file inside a folder.
TEST_F(ShellFiles, ACopyCutShortSaysWhyAndLeavesNothing) {
    const QByteArray big(256 * 1024, 'x');
    ASSERT_TRUE(WriteFile(Source(QStringLiteral("big.jpg")), big));
    ASSERT_TRUE(QDir().mkpath(Source(QStringLiteral("album/inner"))));
    ASSERT_TRUE(WriteFile(Source(QStringLiteral("album/small.jpg")), "s"));
    ASSERT_TRUE(WriteFile(Source(QStringLiteral("album/inner/big.jpg")), big));
    for (const char* name : {"big.jpg", "album"}) {
        SCOPED_TRACE(name);
        const QString item = Source(QString::fromUtf8(name));
        ScriptedAnswers answers;
        platform::FileOpOutcome outcome;
        {
            const FileSizeLimit limit(64 * 1024);
            outcome = platform::CopyOrMoveItems(FileOpKind::Copy, {item}, dest_, true);
        }
        EXPECT_FALSE(outcome.succeeded);
        ASSERT_EQ(answers.Questions().size(), 1u);
        EXPECT_EQ(answers.Questions()[0].text, QStringLiteral("Can't copy \"%1\": File too large").arg(item));
        EXPECT_EQ(Entries(dest_), QStringList());
    }
}

TEST_F(ShellFiles, MoveWithinAFileSystemRenames) {
    ScriptedAnswers answers;
    ASSERT_TRUE(WriteFile(Source(QStringLiteral("m.jpg")), "m"));
    ASSERT_TRUE(WriteFile(Dest(QStringLiteral("m.jpg")), "other"));
    EXPECT_TRUE(platform::CopyOrMoveItems(FileOpKind::Move, {Source(QStringLiteral("m.jpg"))}, dest_, true).succeeded);
    EXPECT_FALSE(QFileInfo::exists(Source(QStringLiteral("m.jpg"))));
    EXPECT_EQ(ReadFile(Dest(QStringLiteral("m (2).jpg"))), "m");
    EXPECT_EQ(ReadFile(Dest(QStringLiteral("m.jpg"))), "other");
}

TEST_F(ShellFiles, MoveAcrossFileSystemsCopiesThenDeletes) {
    QTemporaryDir other(QStringLiteral("/dev/shm/vespera-test-XXXXXX"));
    struct stat a {};
    struct stat b {};
    if (!other.isValid() || ::stat(QFile::encodeName(other.path()).constData(), &a) != 0 ||
        ::stat(QFile::encodeName(source_).constData(), &b) != 0 || a.st_dev == b.st_dev) {
        GTEST_SKIP() << "no second file system to move to";
    }
    ScriptedAnswers answers;
    const QString file = Source(QStringLiteral("x.jpg"));
    const QString album = Source(QStringLiteral("album"));
    ASSERT_TRUE(WriteFile(file, "cross"));
    ASSERT_TRUE(QDir().mkpath(album));
    ASSERT_TRUE(WriteFile(album + QStringLiteral("/y.jpg"), "y"));
    const auto outcome = platform::CopyOrMoveItems(FileOpKind::Move, {file, album}, other.path(), true);
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_EQ(ReadFile(other.filePath(QStringLiteral("x.jpg"))), "cross");
    EXPECT_EQ(ReadFile(other.filePath(QStringLiteral("album/y.jpg"))), "y");
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_FALSE(QFileInfo::exists(album));
    EXPECT_EQ(Entries(other.path()), (QStringList{QStringLiteral("album"), QStringLiteral("x.jpg")}));
}

TEST_F(ShellFiles, MoveIntoTheSameFolderChangesNothing) {
    ScriptedAnswers answers;
    ASSERT_TRUE(WriteFile(Source(QStringLiteral("s.jpg")), "s"));
    EXPECT_TRUE(
        platform::CopyOrMoveItems(FileOpKind::Move, {Source(QStringLiteral("s.jpg"))}, source_, true).succeeded);
    EXPECT_EQ(Entries(source_), QStringList{QStringLiteral("s.jpg")});
}

TEST_F(ShellFiles, MissingDestinationIsCreatedOnlyWhenTheUserAgrees) {
    ASSERT_TRUE(WriteFile(Source(QStringLiteral("a.jpg")), "a"));
    const QString missing = root_.filePath(QStringLiteral("new/folder"));
    {
        ScriptedAnswers answers({PromptAnswer::No});
        EXPECT_TRUE(
            platform::CopyOrMoveItems(FileOpKind::Copy, {Source(QStringLiteral("a.jpg"))}, missing, true).aborted);
        EXPECT_FALSE(QFileInfo::exists(missing));
    }
    ScriptedAnswers answers({PromptAnswer::Yes});
    EXPECT_TRUE(
        platform::CopyOrMoveItems(FileOpKind::Copy, {Source(QStringLiteral("a.jpg"))}, missing, true).succeeded);
    EXPECT_EQ(ReadFile(missing + QStringLiteral("/a.jpg")), "a");
}

TEST(ShellFilesTrash, DeleteMovesToThePrivateTrash) {
    PrivateHome home;
    const QString file = home.Home() + QStringLiteral("/gone.jpg");
    ASSERT_TRUE(WriteFile(file, "g"));
    {
        ScriptedAnswers answers({PromptAnswer::No});
        EXPECT_TRUE(platform::DeleteItems({file}).aborted);
        EXPECT_TRUE(QFileInfo::exists(file));
    }
    ScriptedAnswers answers({PromptAnswer::Yes});
    const auto outcome = platform::DeleteItems({file});
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_FALSE(outcome.aborted);
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_EQ(ReadFile(home.DataHome() + QStringLiteral("/Trash/files/gone.jpg")), "g");
    EXPECT_TRUE(QFileInfo::exists(home.DataHome() + QStringLiteral("/Trash/info/gone.jpg.trashinfo")));
    ASSERT_EQ(answers.Questions().size(), 1u);
    EXPECT_TRUE(answers.Questions()[0].text.contains(QStringLiteral("trash")));
}

TEST(ShellFilesTrash, WithoutATrashAsksBeforeDeletingForGood) {
    PrivateHome home;
    ASSERT_TRUE(WriteFile(home.DataHome() + QStringLiteral("/Trash"), "a file where the trash should be"));
    const QString file = home.Home() + QStringLiteral("/kept.jpg");
    ASSERT_TRUE(WriteFile(file, "k"));
    {
        ScriptedAnswers answers({PromptAnswer::Yes, PromptAnswer::No});
        EXPECT_TRUE(platform::DeleteItems({file}).aborted);
        EXPECT_EQ(ReadFile(file), "k");
        ASSERT_EQ(answers.Questions().size(), 2u);
        EXPECT_TRUE(answers.Questions()[1].text.contains(QStringLiteral("for good")));
    }
    ScriptedAnswers answers({PromptAnswer::Yes, PromptAnswer::Yes});
    const auto outcome = platform::DeleteItems({file});
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_FALSE(outcome.aborted);
    EXPECT_FALSE(QFileInfo::exists(file));
}

TEST_F(ShellFiles, RenameNeverReplaces) {
    ASSERT_TRUE(WriteFile(Source(QStringLiteral("old.jpg")), "old"));
    ASSERT_TRUE(WriteFile(Source(QStringLiteral("taken.jpg")), "taken"));
    EXPECT_EQ(platform::RenameNoReplace(Source(QStringLiteral("old.jpg")), Source(QStringLiteral("taken.jpg"))),
              platform::RenameStatus::TargetExists);
    EXPECT_EQ(ReadFile(Source(QStringLiteral("old.jpg"))), "old");
    EXPECT_EQ(ReadFile(Source(QStringLiteral("taken.jpg"))), "taken");
    for (const char* bad : {"", ".", "..", "a/"}) {
        EXPECT_EQ(platform::RenameNoReplace(Source(QStringLiteral("old.jpg")), source_ + u'/' + QString::fromUtf8(bad)),
                  platform::RenameStatus::InvalidName)
            << bad;
    }
    EXPECT_EQ(platform::RenameNoReplace(Source(QStringLiteral("old.jpg")), Source(QStringLiteral("new.jpg"))),
              platform::RenameStatus::Renamed);
    EXPECT_EQ(ReadFile(Source(QStringLiteral("new.jpg"))), "old");
    EXPECT_EQ(platform::RenameNoReplace(Source(QStringLiteral("missing.jpg")), Source(QStringLiteral("x.jpg"))),
              platform::RenameStatus::Failed);
}

TEST(ShellFilesNames, ValidNames) {
    for (const char* name : {"a", "a.jpg", ".hidden", "..x", "with space", "C:\\x"}) {
        EXPECT_TRUE(platform::IsValidFileName(QString::fromUtf8(name))) << name;
    }
    for (const char* name : {"", ".", "..", "a/b", "/"}) {
        EXPECT_FALSE(platform::IsValidFileName(QString::fromUtf8(name))) << name;
    }
    EXPECT_FALSE(platform::IsValidFileName(QString(QChar(0))));
}

}  // namespace

namespace {

// The message box of a failed copy, as the user meets it: no progress window
// of the copy is left to come up over it, and Return closes it.
TEST(ShellFilesMessages, ACopyErrorShowsWithoutItsProgressWindowAndTakesReturn) {
    int argc = 1;
    char name[] = "shellfiles-test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString source = root.filePath(QStringLiteral("big.jpg"));
    const QString dest = root.filePath(QStringLiteral("dest"));
    ASSERT_TRUE(QDir().mkpath(dest));
    ASSERT_TRUE(WriteFile(source, QByteArray(256 * 1024, 'x')));

    QString shown;
    bool progressLeft = false;
    bool answered = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (answered || box == nullptr || !box->isVisible() || box->windowHandle() == nullptr)
            return;
        shown = box->text();
        for (QWidget* widget : QApplication::topLevelWidgets())
            progressLeft = progressLeft || qobject_cast<QProgressDialog*>(widget) != nullptr;
        answered = true;
        // As the window system delivers it: a modal window above the box would swallow it.
        QTest::keyClick(box->windowHandle(), Qt::Key_Return);
    });
    poll.start(10);
    // Should the key not reach the box, the test fails instead of hanging.
    QTimer::singleShot(30000, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->done(QMessageBox::Cancel);
    });
    platform::FileOpOutcome outcome;
    {
        const FileSizeLimit limit(64 * 1024);
        outcome = platform::CopyOrMoveItems(FileOpKind::Copy, {source}, dest, true);
    }
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_TRUE(answered);
    EXPECT_EQ(shown, QStringLiteral("Can't copy \"%1\": File too large").arg(source));
    EXPECT_FALSE(progressLeft);
    EXPECT_EQ(Entries(dest), QStringList());
}

}  // namespace
