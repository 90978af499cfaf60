#include "imagefiles/ShellFileOps.h"

#include "support/FileFixtures.h"
#include "support/PrivateHome.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using platform::PromptAnswer;

class ShellFileOps : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(Dir(QStringLiteral("from"))));
        ASSERT_TRUE(QDir().mkpath(Dir(QStringLiteral("to"))));
    }
    QString Dir(const QString& name) const { return home_.Home() + u'/' + name; }

    PrivateHome home_;
};

TEST_F(ShellFileOps, MissingFilesAreLeftOutSilently) {
    ScriptedAnswers answers;
    const QString a = Dir(QStringLiteral("from/a.jpg"));
    const QString c = Dir(QStringLiteral("from/c.jpg"));
    ASSERT_TRUE(WriteFile(a, "a"));
    ASSERT_TRUE(WriteFile(c, "c"));
    EXPECT_TRUE(
        ShellFileOperation(FO_COPY, {a, Dir(QStringLiteral("from/b.jpg")), c}, Dir(QStringLiteral("to")), false));
    EXPECT_EQ(Entries(Dir(QStringLiteral("to"))), (QStringList{QStringLiteral("a.jpg"), QStringLiteral("c.jpg")}));
    EXPECT_TRUE(answers.Questions().empty());
    EXPECT_TRUE(ShellFileOperation(FO_MOVE, {Dir(QStringLiteral("from/none.jpg"))}, Dir(QStringLiteral("to")), false));
}

TEST_F(ShellFileOps, CopyRenamesUnlessRefused) {
    const QString a = Dir(QStringLiteral("from/a.jpg"));
    ASSERT_TRUE(WriteFile(a, "new"));
    ASSERT_TRUE(WriteFile(Dir(QStringLiteral("to/a.jpg")), "old"));
    {
        ScriptedAnswers answers;
        EXPECT_TRUE(ShellFileOperation(FO_COPY, {a}, Dir(QStringLiteral("to")), false));
        EXPECT_EQ(ReadFile(Dir(QStringLiteral("to/a (2).jpg"))), "new");
    }
    ScriptedAnswers answers({PromptAnswer::No});
    EXPECT_FALSE(ShellFileOperation(FO_COPY, {a}, Dir(QStringLiteral("to")), true));  // declined replacing
    EXPECT_EQ(ReadFile(Dir(QStringLiteral("to/a.jpg"))), "old");
}

TEST_F(ShellFileOps, DeleteGoesToTheTrashAndUnknownOperationsFail) {
    const QString a = Dir(QStringLiteral("from/a.jpg"));
    ASSERT_TRUE(WriteFile(a, "a"));
    EXPECT_FALSE(ShellFileOperation(4, {a}, Dir(QStringLiteral("to")), false));
    EXPECT_TRUE(QFileInfo::exists(a));
    ScriptedAnswers answers({PromptAnswer::Yes});
    EXPECT_TRUE(ShellFileOperation(FO_DELETE, {a}, QString(), true));
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_TRUE(QFileInfo::exists(home_.DataHome() + QStringLiteral("/Trash/info/a.jpg.trashinfo")));
}

TEST_F(ShellFileOps, RenameKeepsTheExtension) {
    ScriptedAnswers answers;
    const QString old = Dir(QStringLiteral("from/old.jpg"));
    ASSERT_TRUE(WriteFile(old, "o"));
    QString name = QStringLiteral("new");
    EXPECT_TRUE(RenameFileKeepExtension(old, name));
    EXPECT_EQ(name, Dir(QStringLiteral("from/new.jpg")));
    EXPECT_EQ(ReadFile(name), "o");
    EXPECT_FALSE(QFileInfo::exists(old));
    EXPECT_TRUE(answers.Questions().empty());
}

TEST_F(ShellFileOps, RenameRefusesTakenAndInvalidNames) {
    ScriptedAnswers answers;
    const QString old = Dir(QStringLiteral("from/old.jpg"));
    const QString taken = Dir(QStringLiteral("from/taken.jpg"));
    ASSERT_TRUE(WriteFile(old, "o"));
    ASSERT_TRUE(WriteFile(taken, "t"));
    for (const char* bad : {"taken", "", ".", "..", "sub/name"}) {
        QString name = QString::fromUtf8(bad);
        EXPECT_FALSE(RenameFileKeepExtension(old, name)) << bad;
    }
    EXPECT_EQ(ReadFile(old), "o");
    EXPECT_EQ(ReadFile(taken), "t");
    EXPECT_EQ(Entries(Dir(QStringLiteral("from"))),
              (QStringList{QStringLiteral("old.jpg"), QStringLiteral("taken.jpg")}));
    EXPECT_EQ(answers.Questions().size(), 5u);  // one message each
}

}  // namespace
