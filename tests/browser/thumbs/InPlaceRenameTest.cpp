#include "browser/thumbs/InPlaceRename.h"
#include "browser/thumbs/PopupEdit.h"

#include "support/FileFixtures.h"
#include "support/PrivateHome.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

namespace {

class Rename : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        folder_ = dir_.path();
    }
    QString Path(const QString& name) const { return folder_ + u'/' + name; }

    QTemporaryDir dir_;
    QString folder_;
};

TEST_F(Rename, GoodNamesRenameThePictureKeepingItsExtension) {
    const QStringList names{QStringLiteral("b"),       QStringLiteral("Summer holiday 2023"), QStringLiteral("Ärger é"),
                            QStringLiteral(".hidden"), QStringLiteral("two.dots.here"),       QString(251, u'x')};
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        ScriptedAnswers answers;
        ASSERT_TRUE(WriteFile(Path(QStringLiteral("a.jpg")), "picture"));
        const RenameResult result = RenameWithSoundNote(Path(QStringLiteral("a.jpg")), name);
        EXPECT_TRUE(result.renamed);
        EXPECT_EQ(result.newPath, Path(name + QStringLiteral(".jpg")));
        EXPECT_EQ(Entries(folder_), QStringList{name + QStringLiteral(".jpg")});
        EXPECT_EQ(result.oldPaths, QStringList{Path(QStringLiteral("a.jpg"))});
        EXPECT_TRUE(answers.Questions().empty());
        QFile::remove(result.newPath);
    }
}

TEST_F(Rename, EachRefusedNameGivesAMessageAndRenamesNothing) {
    const QStringList refused{QStringLiteral("a/b"),
                              QString(),
                              QStringLiteral("."),
                              QStringLiteral(".."),
                              QStringLiteral("x") + QChar(0) + QStringLiteral("y"),
                              QString(252, u'x'),
                              QString(128, QChar(0x00e9))};
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("a.jpg")), "picture"));
    for (const QString& name : refused) {
        SCOPED_TRACE(name.size());
        ScriptedAnswers answers;
        EXPECT_TRUE(RefusedNameReason(name, QStringLiteral(".jpg")));
        const RenameResult result = RenameWithSoundNote(Path(QStringLiteral("a.jpg")), name);
        EXPECT_FALSE(result.renamed);
        EXPECT_EQ(Entries(folder_), QStringList{QStringLiteral("a.jpg")});
        ASSERT_EQ(answers.Questions().size(), 1u);
        EXPECT_EQ(answers.Questions().front().icon, platform::PromptIcon::Error);
    }
    // 251 + ".jpg" is 255 bytes: the longest name that fits.
    EXPECT_FALSE(RefusedNameReason(QString(251, u'x'), QStringLiteral(".jpg")));
}

TEST_F(Rename, AnExistingFileIsNeverReplaced) {
    ScriptedAnswers answers;
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("a.jpg")), "picture a"));
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("b.jpg")), "picture b"));
    const RenameResult result = RenameWithSoundNote(Path(QStringLiteral("a.jpg")), QStringLiteral("b"));
    EXPECT_FALSE(result.renamed);
    EXPECT_EQ(ReadFile(Path(QStringLiteral("a.jpg"))), QByteArray("picture a"));
    EXPECT_EQ(ReadFile(Path(QStringLiteral("b.jpg"))), QByteArray("picture b"));
    EXPECT_EQ(answers.Questions().size(), 1u);
}

TEST_F(Rename, TheSoundNoteFollowsThePicture) {
    ScriptedAnswers answers;
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("a.jpg")), "picture"));
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("a.WAV")), "note"));
    const RenameResult result = RenameWithSoundNote(Path(QStringLiteral("a.jpg")), QStringLiteral("b"));
    ASSERT_TRUE(result.renamed);
    EXPECT_EQ(Entries(folder_), (QStringList{"b.WAV", "b.jpg"}));
    EXPECT_EQ(result.oldPaths, (QStringList{Path("a.jpg"), Path("a.WAV")}));
    EXPECT_EQ(result.newPaths, (QStringList{Path("b.jpg"), Path("b.WAV")}));
    EXPECT_TRUE(answers.Questions().empty());
}

TEST_F(Rename, ANoteThatCannotFollowKeepsItsNameAndIsLeftOutOfTheRecord) {
    ScriptedAnswers answers;
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("a.jpg")), "picture"));
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("a.wav")), "note a"));
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("b.wav")), "note of another"));
    const RenameResult result = RenameWithSoundNote(Path(QStringLiteral("a.jpg")), QStringLiteral("b"));
    ASSERT_TRUE(result.renamed);
    EXPECT_EQ(Entries(folder_), (QStringList{"a.wav", "b.jpg", "b.wav"}));
    EXPECT_EQ(ReadFile(Path(QStringLiteral("b.wav"))), QByteArray("note of another"));
    EXPECT_EQ(result.newPaths, QStringList{Path("b.jpg")});
}

TEST_F(Rename, LetterCaseAloneIsARenameAndTheSameNameIsNone) {
    ScriptedAnswers answers;
    ASSERT_TRUE(WriteFile(Path(QStringLiteral("a.jpg")), "picture"));
    EXPECT_FALSE(RenameWithSoundNote(Path(QStringLiteral("a.jpg")), QStringLiteral("a")).renamed);
    EXPECT_TRUE(answers.Questions().empty());
    const RenameResult result = RenameWithSoundNote(Path(QStringLiteral("a.jpg")), QStringLiteral("A"));
    EXPECT_TRUE(result.renamed);
    EXPECT_EQ(Entries(folder_), QStringList{QStringLiteral("A.jpg")});
}

// The editor, offscreen with real keys.
class Editor : public Rename {
protected:
    CPopupEdit* Open(const QString& path) {
        commits_.clear();
        CPopupEdit* edit = CPopupEdit::Open(
            path, QRect(100, 100, 160, 20), nullptr,
            [this](const QString& oldPath, const QString& typed) {
                commits_.append({oldPath, typed});
            },
            &editing_);
        host_ = edit->Host();
        return edit;
    }
    // Lets the closed box delete itself.
    void Settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QList<std::pair<QString, QString>> commits_;
    bool editing_ = false;
    QPointer<QWidget> host_;
};

TEST_F(Editor, StartsWithTheNameSelectedAndEnterCommitsOnce) {
    CPopupEdit* edit = Open(Path(QStringLiteral("Holiday.jpg")));
    EXPECT_EQ(edit->text(), QStringLiteral("Holiday"));
    EXPECT_EQ(edit->selectedText(), QStringLiteral("Holiday"));
    EXPECT_TRUE(editing_);
    EXPECT_EQ(host_->windowTitle(), QStringLiteral("Popup"));
    QTest::keyClicks(edit, QStringLiteral("Beach"));
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_EQ(commits_.size(), 1);
    EXPECT_EQ(commits_.front().first, Path(QStringLiteral("Holiday.jpg")));
    EXPECT_EQ(commits_.front().second, QStringLiteral("Beach"));
    Settle();
    EXPECT_TRUE(host_.isNull());
    EXPECT_FALSE(editing_);
    EXPECT_EQ(commits_.size(), 1);
}

TEST_F(Editor, EscClosesWithoutRenamingAndTheLaterFocusLossDoesNothing) {
    CPopupEdit* edit = Open(Path(QStringLiteral("a.jpg")));
    QTest::keyClicks(edit, QStringLiteral("zzz"));
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_TRUE(edit->IsDone());
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(edit, &out);
    Settle();
    EXPECT_TRUE(commits_.isEmpty());
    EXPECT_TRUE(host_.isNull());
    EXPECT_FALSE(editing_);
}

TEST_F(Editor, LosingTheFocusCommitsTheTypedName) {
    CPopupEdit* edit = Open(Path(QStringLiteral("a.jpg")));
    QTest::keyClicks(edit, QStringLiteral("b"));
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QApplication::sendEvent(edit, &out);
    ASSERT_EQ(commits_.size(), 1);
    EXPECT_EQ(commits_.front().second, QStringLiteral("b"));
    Settle();
    EXPECT_TRUE(host_.isNull());
}

TEST_F(Editor, ItsOwnContextMenuDoesNotCommit) {
    CPopupEdit* edit = Open(Path(QStringLiteral("a.jpg")));
    QFocusEvent out(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(edit, &out);
    EXPECT_TRUE(commits_.isEmpty());
    EXPECT_FALSE(edit->IsDone());
    edit->Cancel();
    Settle();
}

}  // namespace
