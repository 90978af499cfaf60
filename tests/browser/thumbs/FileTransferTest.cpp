#include "browser/thumbs/FileTransfer.h"

#include "support/FileFixtures.h"
#include "support/PrivateHome.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

class Transfer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        source_ = dir_.path() + QStringLiteral("/source");
        target_ = dir_.path() + QStringLiteral("/target");
        ASSERT_TRUE(QDir().mkpath(source_));
        ASSERT_TRUE(QDir().mkpath(target_));
        ASSERT_TRUE(WriteFile(source_ + QStringLiteral("/a.jpg"), "picture a"));
        ASSERT_TRUE(WriteFile(source_ + QStringLiteral("/a.wav"), "note a"));
        ASSERT_TRUE(WriteFile(source_ + QStringLiteral("/b.jpg"), "picture b"));
    }
    void TearDown() override { QApplication::clipboard()->clear(); }

    QStringList Files(std::initializer_list<const char*> names) const {
        QStringList files;
        for (const char* name : names)
            files.append(source_ + u'/' + QLatin1String(name));
        return files;
    }
    void PutOnClipboard(const QStringList& files, bool cut) {
        QApplication::clipboard()->setMimeData(NewFileListMimeData(files, cut).release());
    }

    PrivateHome home_;
    QTemporaryDir dir_;
    QString source_;
    QString target_;
};

TEST_F(Transfer, PasteOfCopiedFilesCopiesThemAndLeavesTheClipboard) {
    ScriptedAnswers answers;
    PutOnClipboard(Files({"a.jpg", "a.wav", "b.jpg"}), false);
    ASSERT_TRUE(CanPasteInto(QApplication::clipboard(), target_));
    QStringList pasted;
    EXPECT_TRUE(PasteFilesInto(QApplication::clipboard(), target_, &pasted));
    EXPECT_EQ(pasted, Files({"a.jpg", "a.wav", "b.jpg"}));
    EXPECT_EQ(Entries(target_), (QStringList{"a.jpg", "a.wav", "b.jpg"}));
    EXPECT_EQ(Entries(source_), (QStringList{"a.jpg", "a.wav", "b.jpg"}));
    EXPECT_TRUE(ReadFileListMimeData(QApplication::clipboard()->mimeData()));
    EXPECT_TRUE(answers.Questions().empty());
}

TEST_F(Transfer, ANameCollisionGivesThePastedFileANewName) {
    ScriptedAnswers answers;
    ASSERT_TRUE(WriteFile(target_ + QStringLiteral("/a.jpg"), "already here"));
    PutOnClipboard(Files({"a.jpg"}), false);
    EXPECT_TRUE(PasteFilesInto(QApplication::clipboard(), target_));
    EXPECT_EQ(Entries(target_), (QStringList{"a (2).jpg", "a.jpg"}));
    EXPECT_EQ(ReadFile(target_ + QStringLiteral("/a.jpg")), QByteArray("already here"));
    EXPECT_EQ(ReadFile(target_ + QStringLiteral("/a (2).jpg")), QByteArray("picture a"));
    // Pasted into its own folder, a copy gets a new name too.
    EXPECT_TRUE(PasteFilesInto(QApplication::clipboard(), source_));
    EXPECT_TRUE(Entries(source_).contains(QStringLiteral("a (2).jpg")));
}

TEST_F(Transfer, PasteOfCutFilesMovesThemOnceAndEmptiesTheClipboard) {
    ScriptedAnswers answers;
    PutOnClipboard(Files({"a.jpg", "a.wav"}), true);
    EXPECT_TRUE(PasteFilesInto(QApplication::clipboard(), target_));
    EXPECT_EQ(Entries(target_), (QStringList{"a.jpg", "a.wav"}));
    EXPECT_EQ(Entries(source_), (QStringList{"b.jpg"}));
    EXPECT_FALSE(ReadFileListMimeData(QApplication::clipboard()->mimeData()));
    EXPECT_FALSE(CanPasteInto(QApplication::clipboard(), target_));
}

TEST_F(Transfer, PasteIntoAReadOnlyFolderShowsAMessageAndLosesNothing) {
    ScriptedAnswers answers;
    // Root writes into any folder of its own; /proc takes no new file from anyone.
    const bool root = ::geteuid() == 0;
    const QString readOnly = root ? QStringLiteral("/proc") : target_;
    if (!root) {
        ASSERT_TRUE(QFile::setPermissions(target_, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }
    PutOnClipboard(Files({"a.jpg", "b.jpg"}), true);
    EXPECT_FALSE(PasteFilesInto(QApplication::clipboard(), readOnly));
    QFile::setPermissions(target_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(Entries(target_).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/proc/a.jpg")));
    EXPECT_EQ(Entries(source_), (QStringList{"a.jpg", "a.wav", "b.jpg"}));
    EXPECT_EQ(ReadFile(source_ + QStringLiteral("/a.jpg")), QByteArray("picture a"));
    ASSERT_FALSE(answers.Questions().empty());
    EXPECT_EQ(answers.Questions().front().icon, platform::PromptIcon::Error);
    // The cut files stay on the clipboard for another try.
    const std::optional<FileListData> still = ReadFileListMimeData(QApplication::clipboard()->mimeData());
    ASSERT_TRUE(still);
    EXPECT_TRUE(still->cut);
}

TEST_F(Transfer, NothingIsPastedWithoutAFolder) {
    ScriptedAnswers answers;
    PutOnClipboard(Files({"a.jpg"}), true);
    EXPECT_FALSE(CanPasteInto(QApplication::clipboard(), QString()));
    EXPECT_FALSE(PasteFilesInto(QApplication::clipboard(), QString()));
    EXPECT_EQ(Entries(source_), (QStringList{"a.jpg", "a.wav", "b.jpg"}));
    EXPECT_TRUE(ReadFileListMimeData(QApplication::clipboard()->mimeData()));
    EXPECT_TRUE(answers.Questions().empty());
}

TEST_F(Transfer, AMoveIntoTheFilesOwnFolderDoesNothing) {
    ScriptedAnswers answers;
    EXPECT_TRUE(TransferFilesInto(Files({"a.jpg", "b.jpg"}), true, source_));
    EXPECT_EQ(Entries(source_), (QStringList{"a.jpg", "a.wav", "b.jpg"}));
    EXPECT_EQ(ReadFile(source_ + QStringLiteral("/a.jpg")), QByteArray("picture a"));
    EXPECT_TRUE(answers.Questions().empty());
}

TEST_F(Transfer, ADropFromOutsideWithALongPathIsCopied) {
    ScriptedAnswers answers;
    QString deep = source_;
    for (int i = 0; i < 12; ++i)
        deep += QStringLiteral("/a folder name of some forty characters %1").arg(i, 2);
    ASSERT_TRUE(QDir().mkpath(deep));
    ASSERT_GT(deep.size(), 500);
    const QString file = deep + QStringLiteral("/picture with a long name, 100% & #1.jpg");
    ASSERT_TRUE(WriteFile(file, "deep picture"));
    // As a file manager drags it: a uri list.
    QMimeData dragged;
    dragged.setData(QStringLiteral("text/uri-list"), EncodeUriList({file}));
    const std::optional<FileListData> list = ReadFileListMimeData(&dragged);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->paths, QStringList{file});
    EXPECT_TRUE(TransferFilesInto(list->paths, false, target_));
    EXPECT_EQ(ReadFile(target_ + QStringLiteral("/picture with a long name, 100% & #1.jpg")),
              QByteArray("deep picture"));
}

TEST_F(Transfer, TheDropActionFollowsTheKeysAndTheFileSystem) {
    const QStringList files = Files({"a.jpg"});
    struct Case {
        const char* name;
        QString folder;
        Qt::KeyboardModifiers keys;
        Qt::DropActions possible;
        Qt::DropAction expected;
    };
    const Qt::DropActions both = Qt::CopyAction | Qt::MoveAction;
    const std::vector<Case> cases{
        {"Ctrl copies", target_, Qt::ControlModifier, both, Qt::CopyAction},
        {"Shift moves", target_, Qt::ShiftModifier, both, Qt::MoveAction},
        {"Ctrl and Shift copy", target_, Qt::ControlModifier | Qt::ShiftModifier, both, Qt::CopyAction},
        {"no keys on one file system move", target_, Qt::NoModifier, both, Qt::MoveAction},
        {"a source that only copies", target_, Qt::ShiftModifier, Qt::CopyAction, Qt::CopyAction},
        {"a library (no folder) takes nothing", QString(), Qt::NoModifier, both, Qt::IgnoreAction},
        {"a folder that is gone takes nothing", target_ + QStringLiteral("/gone"), Qt::NoModifier, both,
         Qt::IgnoreAction},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ChooseDropAction(c.folder, files, c.keys, c.possible), c.expected);
    }
    EXPECT_EQ(ChooseDropAction(target_, {}, Qt::NoModifier), Qt::IgnoreAction);
    // Another file system: /proc never holds the temporary folder.
    EXPECT_EQ(ChooseDropAction(target_, {QStringLiteral("/proc/self/status")}, Qt::NoModifier), Qt::CopyAction);
}

}  // namespace
