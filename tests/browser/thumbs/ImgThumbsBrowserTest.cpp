// The image browser keeps a renamed file's thumbnail in the cache.
#include <gtest/gtest.h>

#include <QFile>

#include <sys/stat.h>

#include "browser/cells/PaletteItemImg.h"
#include "browser/thumbs/ImgThumbsBrowser.h"
#include "tests/browser/thumbs/ThumbsTestEnv.h"

using namespace thumbstest;
using namespace thumbfixtures;

namespace {

class ImgBrowserRename : public ::testing::Test {
protected:
    // A cached cell with a thumbnail for `path`.
    CellRef Cache(const QString& path) {
        auto cell = std::make_shared<CPaletteItemImg>();
        GiveThumbnail(*cell, 160, 120, kRed);
        cell->m_nImageWidth = 3200;
        cell->m_nImageHeight = 2400;
        cell->m_strMarkS = u"mark";
        g_ThumbCache.Insert(path, cell);
        return cell;
    }
    static std::int64_t ModifiedTime(const QString& path) {
        struct stat st {};
        ::stat(QFile::encodeName(path).constData(), &st);
        return st.st_mtime;
    }

    ThumbsEnv env{false};
    CImgThumbsBrowser browser{env.settings};
};

TEST_F(ImgBrowserRename, TheThumbnailMovesToTheNewName) {
    const QString oldPath = env.AddJpeg(QStringLiteral("IMG_1.JPG"));
    const CellRef old = Cache(oldPath);
    const QString newPath = env.Path(QStringLiteral("Holiday.JPG"));
    ASSERT_TRUE(QFile::rename(oldPath, newPath));
    SetAge(newPath, 100);
    browser.OnFileRenamed(oldPath, newPath);

    CellRef moved;
    ASSERT_TRUE(g_ThumbCache.LookupInMemory(newPath, moved));
    EXPECT_NE(moved, old);
    EXPECT_EQ(moved->m_timeFile, ModifiedTime(newPath));
    EXPECT_EQ(moved->m_nImageWidth, 3200);
    EXPECT_EQ(moved->m_nImageHeight, 2400);
    EXPECT_EQ(moved->m_strMarkS, u"mark");
    EXPECT_EQ(moved->Jpeg(), old->Jpeg());
    EXPECT_FALSE(moved->IsComplete());
    ASSERT_NE(moved->GetDib(), nullptr);
    EXPECT_TRUE(Near(CentreOf(*moved->GetDib()), kRed));
    CellRef none;
    EXPECT_FALSE(g_ThumbCache.LookupInMemory(oldPath, none));
}

TEST_F(ImgBrowserRename, AFileWithoutACachedThumbnailChangesNothing) {
    const QString oldPath = env.AddJpeg(QStringLiteral("a.jpg"));
    const QString newPath = env.Path(QStringLiteral("b.jpg"));
    ASSERT_TRUE(QFile::rename(oldPath, newPath));
    const std::size_t before = g_ThumbCache.GetCount();
    browser.OnFileRenamed(oldPath, newPath);
    EXPECT_EQ(g_ThumbCache.GetCount(), before);
}

TEST_F(ImgBrowserRename, AMissingNewFileKeepsTheOldEntry) {
    const QString oldPath = env.AddJpeg(QStringLiteral("a.jpg"));
    const CellRef old = Cache(oldPath);
    browser.OnFileRenamed(oldPath, env.Path(QStringLiteral("never.jpg")));
    CellRef kept;
    ASSERT_TRUE(g_ThumbCache.LookupInMemory(oldPath, kept));
    EXPECT_EQ(kept, old);
    EXPECT_FALSE(g_ThumbCache.LookupInMemory(env.Path(QStringLiteral("never.jpg")), kept));
}

TEST_F(ImgBrowserRename, WhenTheOldFileStillExistsItsCellStays) {
    const QString oldPath = env.AddJpeg(QStringLiteral("a.jpg"));
    const QString newPath = env.AddJpeg(QStringLiteral("copy.jpg"));
    const CellRef old = Cache(oldPath);
    browser.OnFileRenamed(oldPath, newPath);
    CellRef kept, copied;
    ASSERT_TRUE(g_ThumbCache.LookupInMemory(oldPath, kept));
    EXPECT_EQ(kept, old);
    ASSERT_NE(kept->GetDib(), nullptr);  // still a whole cell
    ASSERT_TRUE(g_ThumbCache.LookupInMemory(newPath, copied));
    EXPECT_NE(copied, old);
    EXPECT_EQ(copied->Jpeg(), old->Jpeg());
}

TEST_F(ImgBrowserRename, MovedFilesFollowIntoTheirFolder) {
    const QString oldPath = env.AddJpeg(QStringLiteral("a.jpg"));
    Cache(oldPath);
    const QString dest = env.Folder() + QStringLiteral("/moved");
    QDir().mkpath(dest);
    ASSERT_TRUE(QFile::rename(oldPath, dest + QStringLiteral("/a.jpg")));
    browser.OnFilesMoved({oldPath}, dest);
    CellRef moved;
    EXPECT_TRUE(g_ThumbCache.LookupInMemory(dest + QStringLiteral("/a.jpg"), moved));
    EXPECT_FALSE(g_ThumbCache.LookupInMemory(oldPath, moved));
}

TEST_F(ImgBrowserRename, CellsAreImageCells) {
    EXPECT_STREQ(browser.CreateItem()->GetRuntimeClass(), "CPaletteItemImg");
    EXPECT_STREQ(browser.GetRuntimeClass(), "CThumbsBrowser");
    CThumbsBrowser plain(env.settings);
    EXPECT_STREQ(plain.CreateItem()->GetRuntimeClass(), "CPaletteItem");
}

}  // namespace
