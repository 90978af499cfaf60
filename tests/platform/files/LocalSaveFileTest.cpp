// Files written whole or not at all, under names whose bytes need not be
// UTF-8.
#include "platform/files/LocalSaveFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/FolderEntries.h"
#include "platform/files/LocalFileName.h"
#include "platform/files/RegularFile.h"

namespace {

using platform::LocalSaveFile;

class LocalSaveFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        ASSERT_EQ(::mkdir(folder_.constData(), 0700), 0);
    }
    void TearDown() override {
        for (const QString& name : platform::NonFolderEntryNames(platform::FileNameFromLocal(folder_)))
            ::unlink((folder_ + '/' + platform::LocalFileName(name)).constData());
        ::rmdir(folder_.constData());
    }
    QStringList Names() const {
        QStringList names = platform::NonFolderEntryNames(platform::FileNameFromLocal(folder_));
        names.sort();
        return names;
    }
    std::string Bytes(const std::string& path) const {
        const auto bytes = platform::ReadRegularFile(path, 1 << 20);
        return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<none>");
    }

    QTemporaryDir root_;
    const QByteArray folder_ = QFile::encodeName(root_.path()) + "/caf\xE9";
    const std::string path_ = (folder_ + "/n\xE9.jpg").toStdString();
};

TEST_F(LocalSaveFileTest, TheFileTakesItsNameOnlyWhenCommitted) {
    LocalSaveFile file(path_);
    ASSERT_TRUE(file.Open()) << file.ErrorString().toStdString();
    ASSERT_TRUE(file.Write("new", 3));
    // Not under its name while it is written (at most a hidden temporary).
    EXPECT_FALSE(Names().contains(platform::FileNameFromLocal("n\xE9.jpg")));
    ASSERT_TRUE(file.Commit()) << file.ErrorString().toStdString();
    EXPECT_EQ(Bytes(path_), "new");
    EXPECT_EQ(Names(), QStringList{platform::FileNameFromLocal("n\xE9.jpg")});
}

TEST_F(LocalSaveFileTest, AReplacedFileKeepsItsPermissionsAndAnAbandonedOneIsLeftAsItWas) {
    {
        LocalSaveFile file(path_);
        ASSERT_TRUE(file.Open() && file.Write("old", 3) && file.Commit());
    }
    ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
    {
        LocalSaveFile file(path_);
        ASSERT_TRUE(file.Open() && file.Write("abandoned", 9));
        file.Cancel();
    }
    {
        LocalSaveFile file(path_);
        ASSERT_TRUE(file.Open() && file.Write("dropped", 7));
    }  // dropped without a commit
    EXPECT_EQ(Bytes(path_), "old");
    LocalSaveFile file(path_);
    ASSERT_TRUE(file.Open() && file.Write("new", 3) && file.Commit());
    EXPECT_EQ(Bytes(path_), "new");
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Names().size(), 1);
}

TEST_F(LocalSaveFileTest, AMissingFolderSaysWhy) {
    LocalSaveFile file((folder_ + "/gone/n.jpg").toStdString());
    EXPECT_FALSE(file.Open());
    EXPECT_EQ(file.ErrorString(), QStringLiteral("No such file or directory"));
}

}  // namespace
