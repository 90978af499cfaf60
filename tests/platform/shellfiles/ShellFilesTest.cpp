#include "platform/shellfiles/ShellFiles.h"

#include "platform/files/LocalFileName.h"
#include "support/FileFixtures.h"
#include "support/FileSizeLimit.h"
#include "support/HonourFileModes.h"
#include "support/PrivateHome.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <memory>

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

// A file that fails on its own (here one that cannot be read) lets the user
// skip it, skip every later failure too, or stop; the last file has nothing
// left to skip to.
TEST_F(ShellFiles, AnErrorOfOneFileLetsTheUserSkipItOrStop) {
    const HonourFileModes modes;
    if (!modes.Active())
        GTEST_SKIP() << "root without the capabilities to drop";
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"})
        ASSERT_TRUE(WriteFile(Source(QString::fromUtf8(name)), name));
    for (const char* name : {"b.jpg", "d.jpg"})
        ASSERT_EQ(::chmod(QFile::encodeName(Source(QString::fromUtf8(name))).constData(), 0), 0);
    const QStringList all = {Source(QStringLiteral("a.jpg")), Source(QStringLiteral("b.jpg")),
                             Source(QStringLiteral("c.jpg")), Source(QStringLiteral("d.jpg")),
                             Source(QStringLiteral("e.jpg"))};
    const QStringList lastFails = {Source(QStringLiteral("a.jpg")), Source(QStringLiteral("b.jpg"))};
    using Buttons = platform::PromptButtons;
    struct Case {
        const char* name;
        QStringList items;
        std::vector<PromptAnswer> answers;
        std::vector<Buttons> asked;
        QStringList copied;
        bool aborted;
    };
    const QStringList ace = {QStringLiteral("a.jpg"), QStringLiteral("c.jpg"), QStringLiteral("e.jpg")};
    for (const Case& c : {
             Case{"skip each",
                  all,
                  {PromptAnswer::Skip, PromptAnswer::Skip},
                  {Buttons::SkipSkipAllCancel, Buttons::SkipSkipAllCancel},
                  ace,
                  false},
             Case{"skip all", all, {PromptAnswer::SkipAll}, {Buttons::SkipSkipAllCancel}, ace, false},
             Case{"stop", all, {PromptAnswer::Cancel}, {Buttons::SkipSkipAllCancel}, {QStringLiteral("a.jpg")}, true},
             Case{"the last file", lastFails, {}, {Buttons::Ok}, {QStringLiteral("a.jpg")}, false},
         }) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(QDir(dest_).removeRecursively() && QDir().mkpath(dest_));
        ScriptedAnswers answers(c.answers);
        const platform::FileOpOutcome outcome = platform::CopyOrMoveItems(FileOpKind::Copy, c.items, dest_, true);
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_EQ(outcome.aborted, c.aborted);
        std::vector<Buttons> asked;
        for (const auto& question : answers.Questions())
            asked.push_back(question.buttons);
        EXPECT_EQ(asked, c.asked);
        ASSERT_FALSE(answers.Questions().empty());
        EXPECT_EQ(answers.Questions()[0].text,
                  QStringLiteral("Can't copy \"%1\": Permission denied").arg(Source(QStringLiteral("b.jpg"))));
        EXPECT_EQ(Entries(dest_), c.copied);
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

// An item whose name is not UTF-8 goes to the trash under its very bytes, and
// its info file tells where it came from, byte for byte; a second item of the
// same name takes the next free name there.
TEST(ShellFilesTrash, ItemsGoToTheTrashUnderTheirBytesAndTakeAFreeName) {
    struct Case {
        const char* what;
        QByteArray name;
        bool folder;
        QByteArray second;  // the trash's name for the second item of that name
    };
    for (const Case& c : {
             Case{"a file", "gone.jpg", false, "gone (2).jpg"},
             Case{"a file not named in UTF-8", "caf\xE9.jpg", false, "caf\xE9 (2).jpg"},
             Case{"a folder not named in UTF-8", "caf\xE9", true, "caf\xE9 (2)"},
         }) {
        SCOPED_TRACE(c.what);
        PrivateHome home;
        const std::unique_ptr<char, decltype(&std::free)> folder(
            ::realpath(QFile::encodeName(home.Home()).constData(), nullptr), &std::free);
        ASSERT_NE(folder, nullptr);
        const QByteArray original = QByteArray(folder.get()) + '/' + c.name;
        const QByteArray trash = QFile::encodeName(home.DataHome()) + "/Trash";
        const QByteArray inner = c.folder ? "/n\xE9.jpg" : "";
        for (const QByteArray& inTrash : {c.name, c.second}) {
            const QByteArray content = "bytes of " + inTrash;
            if (c.folder) {
                ASSERT_EQ(::mkdir(original.constData(), 0755), 0);
            }
            ASSERT_TRUE(WriteFileByBytes(home.Home(), c.name + inner, content));
            ScriptedAnswers answers({PromptAnswer::Yes});
            const auto outcome = platform::DeleteItems({platform::FileNameFromLocal(original)});
            EXPECT_TRUE(outcome.succeeded);
            EXPECT_FALSE(outcome.aborted);
            EXPECT_EQ(answers.Questions().size(), 1u);  // nothing asked about deleting for good
            struct stat status {};
            EXPECT_NE(::lstat(original.constData(), &status), 0);
            EXPECT_EQ(ReadFileByBytes(trash + "/files/" + inTrash + inner), content);
            const QList<QByteArray> info = ReadFileByBytes(trash + "/info/" + inTrash + ".trashinfo").split('\n');
            ASSERT_EQ(info.size(), 4) << info.join('\n').toStdString();
            EXPECT_EQ(info[0], "[Trash Info]");
            EXPECT_TRUE(info[1].startsWith("Path="));
            EXPECT_EQ(QByteArray::fromPercentEncoding(info[1].mid(5)), original);
            EXPECT_TRUE(QRegularExpression(QStringLiteral("^DeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$"))
                            .match(QString::fromLatin1(info[2]))
                            .hasMatch())
                << info[2].toStdString();
            EXPECT_EQ(info[3], "");
        }
        RemoveByBytes(trash);
    }
}

// A move the kernel refuses (here: the folder that holds the trash, into its
// own trash) says why, leaves the item where it was and no info file behind.
TEST(ShellFilesTrash, AFailedMoveToTheTrashSaysWhyAndLeavesNoInfoFile) {
    PrivateHome home;
    ASSERT_TRUE(WriteFile(home.DataHome() + QStringLiteral("/kept.jpg"), "k"));
    ScriptedAnswers answers({PromptAnswer::Yes, PromptAnswer::No});
    EXPECT_TRUE(platform::DeleteItems({home.DataHome()}).aborted);
    EXPECT_EQ(ReadFile(home.DataHome() + QStringLiteral("/kept.jpg")), "k");
    EXPECT_EQ(Entries(home.DataHome() + QStringLiteral("/Trash/info")), QStringList());
    ASSERT_EQ(answers.Questions().size(), 2u);
    EXPECT_EQ(answers.Questions()[1].text,
              QStringLiteral("\"%1\" can't be moved to the trash: Invalid argument. Delete it for good?")
                  .arg(home.DataHome()));
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

// The real message boxes of a copy of several files, answered with one key
// each: on a destination that refuses every later file one box comes and
// Return ends the copy; a file that fails on its own gets Skip, Skip All and
// Cancel, Return skipping it and Escape stopping the copy.
TEST(ShellFilesMessages, OneKeyPerBoxSkipsAFileOrEndsTheCopy) {
    int argc = 1;
    char name[] = "shellfiles-test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    const HonourFileModes modes;
    if (!modes.Active())
        GTEST_SKIP() << "root without the capabilities to drop";
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString source = root.filePath(QStringLiteral("source"));
    ASSERT_TRUE(QDir().mkpath(source));
    QStringList items;
    for (const char* file : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}) {
        items.append(source + u'/' + QString::fromUtf8(file));
        ASSERT_TRUE(WriteFile(items.back(), file));
    }
    struct Case {
        const char* name;
        bool full;  // the files after a.jpg are too big for the file-size limit; else b.jpg and d.jpg cannot be read
        Qt::Key key;
        int boxes;
        QStringList copied;
    };
    for (const Case& c : {Case{"full", true, Qt::Key_Return, 1, {QStringLiteral("a.jpg")}},
                          Case{"unreadable, Return",
                               false,
                               Qt::Key_Return,
                               2,
                               {QStringLiteral("a.jpg"), QStringLiteral("c.jpg"), QStringLiteral("e.jpg")}},
                          Case{"unreadable, Escape", false, Qt::Key_Escape, 1, {QStringLiteral("a.jpg")}}}) {
        SCOPED_TRACE(c.name);
        const QString dest = root.filePath(QString::fromUtf8(c.name));
        ASSERT_TRUE(QDir().mkpath(dest));
        for (const int i : {1, 3})
            ASSERT_EQ(::chmod(QFile::encodeName(items[i]).constData(), 0644), 0);
        for (qsizetype i = 1; i < items.size(); ++i)
            ASSERT_TRUE(WriteFile(items[i], c.full ? QByteArray(256 * 1024, 'x') : QByteArray("small")));
        for (const int i : {1, 3})
            ASSERT_EQ(::chmod(QFile::encodeName(items[i]).constData(), c.full ? 0644 : 0), 0);

        int boxes = 0;
        QString firstText;
        QStringList buttons;
        QPointer<QMessageBox> answered;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || box == answered || !box->isVisible() || box->windowHandle() == nullptr)
                return;
            answered = box;
            if (++boxes == 1)
                firstText = box->text();
            buttons.clear();
            for (QAbstractButton* button : box->buttons())
                buttons.append(button->text().remove(u'&'));
            QTest::keyClick(box->windowHandle(), c.key);
        });
        poll.start(10);
        // Should a key not reach its box, the test fails instead of hanging.
        QTimer stuck;
        stuck.setSingleShot(true);
        QObject::connect(&stuck, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->done(QMessageBox::Cancel);
        });
        stuck.start(30000);
        platform::FileOpOutcome outcome;
        {
            const FileSizeLimit limit(64 * 1024);
            outcome = platform::CopyOrMoveItems(FileOpKind::Copy, items, dest, true);
        }
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_EQ(boxes, c.boxes);
        const QString why = c.full ? QStringLiteral("File too large") : QStringLiteral("Permission denied");
        EXPECT_EQ(firstText, QStringLiteral("Can't copy \"%1\": %2").arg(items[1], why));
        buttons.sort();
        EXPECT_EQ(buttons,
                  c.full ? QStringList({QStringLiteral("OK")})
                         : QStringList({QStringLiteral("Cancel"), QStringLiteral("Skip"), QStringLiteral("Skip All")}));
        EXPECT_EQ(Entries(dest), c.copied);
        // What was copied is whole.
        EXPECT_EQ(ReadFile(dest + QStringLiteral("/a.jpg")), QByteArray("a.jpg"));
    }
}

}  // namespace
