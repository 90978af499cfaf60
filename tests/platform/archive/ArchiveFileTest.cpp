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

TEST_F(ArchiveFiles, AppendAddsTheTailThenTheHeadOnlyToTheFileAsExpected) {
    using platform::AppendResult;
    const std::vector<std::uint8_t> start = {2, 0, 10, 11, 12, 13};
    const std::vector<std::uint8_t> tail = {14, 15}, head = {3, 0};
    ASSERT_TRUE(platform::WriteArchiveFile(Path("a"), start));
    ASSERT_EQ(::symlink(Path("a").c_str(), Path("link").c_str()), 0);
    const struct {
        const char* name;
        std::uint64_t expectedSize;
        AppendResult result;
    } cases[] = {
        {"link", 6, AppendResult::failed},      // never through a link
        {"a", 5, AppendResult::notAsExpected},  // the file is not as the caller knows it
        {"missing", 0, AppendResult::failed},   // nothing is created
        {"a", 6, AppendResult::appended},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::AppendToArchiveFile(Path(c.name), c.expectedSize, tail, head), c.result);
    }
    EXPECT_EQ(platform::ReadArchiveFile(Path("a"), 100), (std::vector<std::uint8_t>{3, 0, 10, 11, 12, 13, 14, 15}));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Path("missing"))));
}

TEST_F(ArchiveFiles, ARangeIsReadWhenTheFileHoldsIt) {
    ASSERT_TRUE(platform::WriteArchiveFile(Path("a"), std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(platform::ReadArchiveFileRange(Path("a"), 1, 3), (std::vector<std::uint8_t>{2, 3, 4}));
    EXPECT_EQ(platform::ReadArchiveFileRange(Path("a"), 5, 0), std::vector<std::uint8_t>{});
    EXPECT_FALSE(platform::ReadArchiveFileRange(Path("a"), 3, 3));
    EXPECT_FALSE(platform::ReadArchiveFileRange(Path("a"), 6, 0));
    ASSERT_EQ(::symlink(Path("a").c_str(), Path("link").c_str()), 0);
    EXPECT_FALSE(platform::ReadArchiveFileRange(Path("link"), 0, 1));
}
