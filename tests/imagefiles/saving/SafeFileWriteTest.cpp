#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "imagefiles/SafeFileWrite.h"

namespace fs = std::filesystem;

namespace {

std::string Contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Put(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

class SafeFileWrite : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("safe-write-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    // Nothing but the expected files remains in the folder.
    std::size_t FilesInFolder() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));
    }
    fs::path m_dir;
};

TEST_F(SafeFileWrite, WritesBesideAndRenamesOver) {
    const fs::path target = m_dir / "photo.jpg";
    Put(target, "old");
    ::chmod(target.c_str(), 0640);
    fs::path seen;
    ASSERT_TRUE(WriteFileSafely(target, [&](const fs::path& temporary) {
        seen = temporary;
        EXPECT_EQ(temporary.parent_path(), target.parent_path());
        EXPECT_TRUE(fs::exists(temporary));
        EXPECT_EQ(Contents(target), "old");  // untouched while the new one is written
        Put(temporary, "new");
        return true;
    }));
    EXPECT_EQ(Contents(target), "new");
    EXPECT_FALSE(fs::exists(seen));
    EXPECT_EQ(FilesInFolder(), 1u);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(SafeFileWrite, FailureOrExceptionLeavesTheTarget) {
    const fs::path target = m_dir / "photo.png";
    Put(target, "old");
    EXPECT_FALSE(WriteFileSafely(target, [](const fs::path& temporary) {
        Put(temporary, "half");
        return false;
    }));
    EXPECT_EQ(Contents(target), "old");
    EXPECT_EQ(FilesInFolder(), 1u);
    EXPECT_THROW(WriteFileSafely(target,
                                 [](const fs::path& temporary) -> bool {
                                     Put(temporary, "half");
                                     throw std::runtime_error("encoder died");
                                 }),
                 std::runtime_error);
    EXPECT_EQ(Contents(target), "old");
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(SafeFileWrite, NewFileAndUnwritableFolder) {
    const fs::path target = m_dir / "new.bmp";
    ASSERT_TRUE(WriteFileSafely(target, [](const fs::path& t) {
        Put(t, "x");
        return true;
    }));
    EXPECT_EQ(Contents(target), "x");
    bool called = false;
    EXPECT_FALSE(WriteFileSafely(m_dir / "no-such-folder" / "a.bmp", [&](const fs::path&) {
        called = true;
        return true;
    }));
    EXPECT_FALSE(called);
}

TEST_F(SafeFileWrite, LinkIsFollowed) {
    const fs::path real = m_dir / "real.tif";
    const fs::path link = m_dir / "link.tif";
    Put(real, "old");
    fs::create_symlink(real, link);
    ASSERT_TRUE(WriteFileSafely(link, [](const fs::path& t) {
        Put(t, "new");
        return true;
    }));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Contents(real), "new");
}

TEST_F(SafeFileWrite, TargetThatIsAFolderSurvives) {
    const fs::path target = m_dir / "folder.gif";
    fs::create_directory(target);
    EXPECT_FALSE(WriteFileSafely(target, [](const fs::path& t) {
        Put(t, "x");
        return true;
    }));
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(FilesInFolder(), 1u);
}

}  // namespace
