#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "platform/archive/ArchiveFile.h"

namespace {

class ArchiveFiles : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return (m_dir.path() + '/' + name).toStdString(); }
    QTemporaryDir m_dir;
};

}  // namespace

TEST_F(ArchiveFiles, WriteThenRead) {
    const std::vector<std::uint8_t> bytes = {1, 2, 3, 4};
    ASSERT_TRUE(platform::WriteArchiveFile(Path("a"), bytes));
    EXPECT_EQ(platform::ReadArchiveFile(Path("a"), 100), bytes);
    // Shorter contents replace the longer ones whole.
    ASSERT_TRUE(platform::WriteArchiveFile(Path("a"), std::vector<std::uint8_t>{9}));
    EXPECT_EQ(platform::ReadArchiveFile(Path("a"), 100), std::vector<std::uint8_t>{9});
    struct stat st {};
    ASSERT_EQ(::stat(Path("a").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(ArchiveFiles, RefusesLinksFoldersAndLargeFiles) {
    const std::vector<std::uint8_t> secret = {7, 7, 7};
    ASSERT_TRUE(platform::WriteArchiveFile(Path("secret"), secret));
    ASSERT_EQ(::symlink(Path("secret").c_str(), Path("link").c_str()), 0);
    ASSERT_EQ(::link(Path("secret").c_str(), Path("hard").c_str()), 0);
    EXPECT_FALSE(platform::ReadArchiveFile(Path("link"), 100));
    EXPECT_FALSE(platform::WriteArchiveFile(Path("link"), std::vector<std::uint8_t>{0}));
    EXPECT_FALSE(platform::WriteArchiveFile(Path("hard"), std::vector<std::uint8_t>{0}));
    EXPECT_EQ(platform::ReadArchiveFile(Path("secret"), 100), secret);
    EXPECT_FALSE(platform::ReadArchiveFile(Path("secret"), 2));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder"));
    EXPECT_FALSE(platform::ReadArchiveFile(Path("folder"), 100));
    EXPECT_FALSE(platform::DeleteArchiveFile(Path("folder")));
    // Deleting the link leaves its target.
    EXPECT_TRUE(platform::DeleteArchiveFile(Path("link")));
    EXPECT_EQ(platform::ReadArchiveFile(Path("secret"), 100), secret);
}

TEST_F(ArchiveFiles, APipeAtAnArchivesNameIsNeitherReadWrittenNorDeleted) {
    ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
    EXPECT_FALSE(platform::ReadArchiveFile(Path("pipe"), 100));
    EXPECT_FALSE(platform::WriteArchiveFile(Path("pipe"), std::vector<std::uint8_t>{1}));
    EXPECT_FALSE(platform::DeleteArchiveFile(Path("pipe")));
    struct stat st {};
    ASSERT_EQ(::lstat(Path("pipe").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(ArchiveFiles, ExclusiveCreationTakesANameOnce) {
    EXPECT_TRUE(platform::CreateEmptyFileExclusive(Path("n")));
    EXPECT_FALSE(platform::CreateEmptyFileExclusive(Path("n")));
    EXPECT_EQ(platform::ReadArchiveFile(Path("n"), 10), std::vector<std::uint8_t>{});
}
