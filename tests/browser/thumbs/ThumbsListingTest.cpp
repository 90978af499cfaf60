// Listing folders, libraries and file lists; the stored sort order; the
// selection kept by Reload and cleared by Refresh.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>

#include <string>
#include <vector>

#include <unistd.h>

#include "browser/thumbs/FolderListing.h"
#include "browser/thumbs/ImgThumbsBrowser.h"
#include "platform/imaging/ExifProperties.h"
#include "tests/browser/thumbs/ThumbsTestEnv.h"

using namespace thumbstest;

namespace {

QStringList Sorted(QStringList names) {
    names.sort();
    return names;
}

QStringList FileNames(const QStringList& paths) {
    QStringList out;
    for (const QString& path : paths)
        out.append(QFileInfo(path).fileName());
    return out;
}

TEST(FolderListing, ListsOnlyImagesLongerThanFifteenBytes) {
    ThumbsEnv env(false);
    env.AddBytes(QStringLiteral("small.jpg"), 10);
    env.AddBytes(QStringLiteral("edge.jpg"), 15);
    env.AddBytes(QStringLiteral("b.BMP"), 20);
    env.AddBytes(QStringLiteral("sixteen.png"), 16);
    env.AddBytes(QStringLiteral("notes.txt"), 100);
    env.AddBytes(QStringLiteral("IMG_1.JPG"), 100);
    env.AddBytes(QStringLiteral("IMG_1.WAV"), 100);  // its sound note
    env.AddBytes(QStringLiteral(".hidden.jpg"), 100);
    env.AddBytes(QStringLiteral("noext"), 100);
    QDir().mkpath(env.Path(QStringLiteral("sub.jpg")));
    EXPECT_EQ(Sorted(FileNames(ListImageFiles(env.Folder()))),
              (QStringList{QStringLiteral("IMG_1.JPG"), QStringLiteral("b.BMP"), QStringLiteral("sixteen.png")}));
}

TEST(FolderListing, ListsNamesOfEveryScriptAndPatternCharacters) {
    ThumbsEnv env(false);
    const QStringList names = {QStringLiteral("Ωμέγα.jpg"), QStringLiteral("東京.png"), QStringLiteral("Привет.tif"),
                               QStringLiteral("star*?.gif"), QStringLiteral("with space.jpg")};
    for (const QString& name : names)
        env.AddBytes(name, 64);
    EXPECT_EQ(Sorted(FileNames(ListImageFiles(env.Folder()))), Sorted(names));
}

TEST(FolderListing, ListsUnreadableFilesAndFollowsLinks) {
    ThumbsEnv env(false);
    const QString locked = env.AddBytes(QStringLiteral("locked.jpg"), 64);
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0), 0);
    const QString target = env.AddBytes(QStringLiteral("target.jpg"), 64);
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(env.Path("link.jpg")).constData()), 0);
    ASSERT_EQ(::symlink("nowhere.jpg", QFile::encodeName(env.Path("broken.jpg")).constData()), 0);
    EXPECT_EQ(Sorted(FileNames(ListImageFiles(env.Folder()))),
              (QStringList{QStringLiteral("link.jpg"), QStringLiteral("locked.jpg"), QStringLiteral("target.jpg")}));
    ::chmod(QFile::encodeName(locked).constData(), 0600);
}

TEST(FolderListing, AFolderThatCannotBeReadListsNothing) {
    EXPECT_TRUE(ListImageFiles(QStringLiteral("/nonexistent/folder")).isEmpty());
    EXPECT_TRUE(ListImageFiles(QString()).isEmpty());
}

TEST(FolderListing, LibraryTextNamesItsFolders) {
    ThumbsEnv env(false);
    const QString a = env.Folder() + QStringLiteral("/a"), b = env.Folder() + QStringLiteral("/b");
    QDir().mkpath(a);
    QDir().mkpath(b);
    WriteFile(a + QStringLiteral("/one.jpg"), QByteArray(64, 'x'));
    WriteFile(b + QStringLiteral("/two.png"), QByteArray(64, 'x'));
    WriteFile(b + QStringLiteral("/three.txt"), QByteArray(64, 'x'));
    QStringList out;
    ListLibraryFiles(QStringLiteral("2,Pictures;icon;") + a + u';' + b, out);
    EXPECT_EQ(out, (QStringList{a + QStringLiteral("/one.jpg"), b + QStringLiteral("/two.png")}));
    // Without the icon field's ';' nothing is listed.
    out.clear();
    ListLibraryFiles(QStringLiteral("2,Pictures;icon"), out);
    EXPECT_TRUE(out.isEmpty());
    ListLibraryFiles(QStringLiteral("2,Pictures"), out);
    EXPECT_TRUE(out.isEmpty());
    // An empty folder field is skipped.
    ListLibraryFiles(QStringLiteral("2,P;i;;") + b, out);
    EXPECT_EQ(out, QStringList{b + QStringLiteral("/two.png")});
}

class BrowserListing : public ::testing::Test {
protected:
    ThumbsEnv env{false};
};

TEST_F(BrowserListing, ReloadKeepsTheSelectionRefreshClearsIt) {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"})
        env.AddBytes(QString::fromLatin1(name), 64);
    CImgThumbsBrowser browser(env.settings);
    browser.m_strFolder = env.Folder();
    browser.Reload();
    ASSERT_EQ(Names(browser), (QStringList{"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}));
    for (int i : {0, 2, 4})
        browser.GetItem(i)->m_bSelected = 1;
    env.AddBytes(QStringLiteral("bb.jpg"), 64);
    browser.Reload();
    ASSERT_EQ(Names(browser), (QStringList{"a.jpg", "b.jpg", "bb.jpg", "c.jpg", "d.jpg", "e.jpg"}));
    std::vector<int> selected;
    for (int i = 0; i < browser.GetItemCount(); ++i)
        selected.push_back(browser.GetItem(i)->m_bSelected);
    EXPECT_EQ(selected, (std::vector<int>{1, 0, 0, 1, 0, 1}));
    EXPECT_EQ(browser.m_arrOffsets.size(), 6u);
    EXPECT_EQ(browser.m_lstPaths.size(), 6);
    EXPECT_EQ(browser.m_bManyItems, 0);
    // The builder got the listing.
    EXPECT_EQ(g_ThumbsBuilder.QueuedPaths(0), browser.m_lstPaths);

    browser.Refresh();
    EXPECT_EQ(browser.GetItemCount(), 6);
    for (const auto& item : browser.Items())
        EXPECT_EQ(item->m_bSelected, 0);
}

TEST_F(BrowserListing, ManyItemsAreMarkedByReload) {
    for (int i = 0; i < 41; ++i)
        env.AddBytes(QStringLiteral("f%1.jpg").arg(i), 64);
    CImgThumbsBrowser browser(env.settings);
    browser.m_strFolder = env.Folder();
    browser.Reload();
    EXPECT_EQ(browser.GetItemCount(), 41);
    EXPECT_EQ(browser.m_bManyItems, 1);
}

TEST_F(BrowserListing, AnEmptyFolderPathEmptiesTheListAndTheQueues) {
    env.AddBytes(QStringLiteral("a.jpg"), 64);
    CImgThumbsBrowser browser(env.settings);
    browser.m_strFolder = env.Folder();
    browser.Reload();
    ASSERT_EQ(browser.GetItemCount(), 1);
    browser.m_strFolder.clear();
    browser.Reload();
    EXPECT_EQ(browser.GetItemCount(), 0);
    EXPECT_TRUE(browser.m_arrOffsets.empty());
    EXPECT_TRUE(g_ThumbsBuilder.QueuedPaths(0).isEmpty());
}

TEST_F(BrowserListing, StoredSortTypeOrdersEveryListing) {
    env.AddBytes(QStringLiteral("a.jpg"), 300);
    env.AddBytes(QStringLiteral("b.jpg"), 100);
    env.AddBytes(QStringLiteral("c.jpg"), 200);
    {
        CImgThumbsBrowser byName(env.settings);
        EXPECT_EQ(byName.m_nSortType, 0);
        byName.m_strFolder = env.Folder();
        byName.Refresh();
        EXPECT_EQ(Names(byName), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
    }
    env.WriteWinIni("[browser]\nsort = 8\n");
    CImgThumbsBrowser bySize(env.settings);
    EXPECT_EQ(bySize.m_nSortType, 8);
    bySize.m_strFolder = env.Folder();
    bySize.Refresh();
    EXPECT_EQ(Names(bySize), (QStringList{"b.jpg", "c.jpg", "a.jpg"}));
    // The view's sort commands change the order of the current list.
    bySize.SetSortOrder(0);
    EXPECT_EQ(Names(bySize), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
    bySize.SetSortOrder(8);
    EXPECT_EQ(Names(bySize), (QStringList{"b.jpg", "c.jpg", "a.jpg"}));
}

TEST_F(BrowserListing, ShotDateTypeSortsListingsAndItsCommandSortsByName) {
    const QString old = env.AddBytes(QStringLiteral("z.jpg"), 64);
    const QString young = env.AddBytes(QStringLiteral("a.jpg"), 64);
    SetAge(old, 7200);
    SetAge(young, 60);
    env.WriteWinIni("[BROWSER]\nSORT=3\n");
    CImgThumbsBrowser browser(env.settings);
    browser.m_strFolder = env.Folder();
    browser.Refresh();
    // Without EXIF dates the modification times decide.
    EXPECT_EQ(Names(browser), (QStringList{"z.jpg", "a.jpg"}));
    browser.SetSortOrder(3);
    EXPECT_EQ(Names(browser), (QStringList{"a.jpg", "z.jpg"}));
    EXPECT_EQ(browser.m_nSortType, 3);
}

// A photograph whose name ends in ".jpeg" is placed by the date it was taken,
// not by the time its file was last written.
TEST_F(BrowserListing, AJpegSortsByTheDateItWasTakenUnderEitherSpelling) {
    QImage image(16, 12, QImage::Format_RGB888);
    image.fill(Qt::darkGreen);
    QByteArray encoded;
    QBuffer buffer(&encoded);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "JPEG"));
    std::vector<std::uint8_t> bytes(encoded.begin(), encoded.end());
    const std::string taken = "2003:03:03 03:03:03";
    std::vector<std::uint8_t> date(taken.begin(), taken.end());
    date.push_back(0);
    ASSERT_TRUE(imaging::WriteExifProperties(
        bytes, {{36867, imaging::PropertyTypeASCII, static_cast<std::uint32_t>(date.size()), date}}));
    for (const char* name : {"taken.jpeg", "taken.JPG"}) {
        const QString photo = env.Path(name);
        ASSERT_TRUE(WriteFile(photo, QByteArray(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
        SetAge(photo, 60);  // copied a minute ago
        const QString undated = env.AddBytes(QStringLiteral("undated.jpg"), 64);
        SetAge(undated, 7200);
        env.WriteWinIni("[BROWSER]\nSORT=3\n");
        CImgThumbsBrowser browser(env.settings);
        browser.m_strFolder = env.Folder();
        browser.Refresh();
        EXPECT_EQ(Names(browser), (QStringList{QString::fromLatin1(name), QStringLiteral("undated.jpg")})) << name;
        ASSERT_TRUE(QFile::remove(photo));
    }
}

TEST_F(BrowserListing, AnUnknownStoredTypeKeepsTheFolderOrder) {
    for (const char* name : {"m.jpg", "b.jpg", "x.jpg", "a.jpg"})
        env.AddBytes(QString::fromLatin1(name), 64);
    env.WriteWinIni("[BROWSER]\nSORT=12\n");
    CImgThumbsBrowser browser(env.settings);
    browser.m_strFolder = env.Folder();
    browser.Refresh();
    EXPECT_EQ(browser.m_lstPaths, ListImageFiles(env.Folder()));
}

TEST_F(BrowserListing, LibrariesListTheirFoldersAndRefreshAgain) {
    const QString a = env.Folder() + QStringLiteral("/a"), b = env.Folder() + QStringLiteral("/b");
    QDir().mkpath(a);
    QDir().mkpath(b);
    WriteFile(a + QStringLiteral("/one.jpg"), QByteArray(64, 'x'));
    WriteFile(b + QStringLiteral("/two.png"), QByteArray(64, 'x'));
    CImgThumbsBrowser browser(env.settings);
    browser.m_strFolder = a;
    browser.SetLocation(QStringLiteral("2,Pictures;icon;") + a + u';' + b);
    EXPECT_EQ(Names(browser), (QStringList{"one.jpg", "two.png"}));
    EXPECT_EQ(browser.m_nLocationType, kLocationLibrary);
    EXPECT_TRUE(browser.m_strFolder.isEmpty());
    // A new file of the library shows after a refresh.
    WriteFile(b + QStringLiteral("/three.bmp"), QByteArray(64, 'x'));
    browser.Refresh();
    EXPECT_EQ(Names(browser), (QStringList{"one.jpg", "three.bmp", "two.png"}));
    // Reload does nothing while a library is shown.
    browser.Reload();
    EXPECT_EQ(browser.GetItemCount(), 3);
    // Another type of location changes nothing.
    browser.SetLocation(QStringLiteral("1,") + a);
    EXPECT_EQ(browser.GetItemCount(), 3);
    // A library without folders shows nothing.
    browser.SetLocation(QStringLiteral("2,Empty;icon"));
    EXPECT_EQ(browser.GetItemCount(), 0);
}

TEST_F(BrowserListing, FileListsDropNonImagesAndVanishedLibraryFiles) {
    const QString one = env.AddBytes(QStringLiteral("one.jpg"), 64);
    const QString text = env.AddBytes(QStringLiteral("read.txt"), 64);
    CImgThumbsBrowser browser(env.settings);
    browser.FillFromFiles({one, text, env.Path(QStringLiteral("gone.jpg"))}, kLocationList);
    EXPECT_EQ(Names(browser), (QStringList{"gone.jpg", "one.jpg"}));
    browser.FillFromFiles({one, text, env.Path(QStringLiteral("gone.jpg"))}, kLocationLibrary);
    EXPECT_EQ(Names(browser), QStringList{"one.jpg"});
}

TEST_F(BrowserListing, ItemsCarryTheSettingsOfTheirTime) {
    env.AddBytes(QStringLiteral("a.jpg"), 64);
    env.settings.m_fDpi = 150.0f;
    CImgThumbsBrowser browser(env.settings);
    browser.m_strFolder = env.Folder();
    browser.Refresh();
    EXPECT_EQ(browser.GetItem(0)->m_fTargetDpi, 150.0f);
}

TEST_F(BrowserListing, BrowsersMakeTheUndoFolders) {
    CImgThumbsBrowser browser(env.settings);
    for (const QString& dir :
         {browser.m_strUndoDir1, browser.m_strUndoDir2, browser.m_strUndoCutDir1, browser.m_strUndoCutDir2}) {
        EXPECT_TRUE(dir.startsWith(env.Home().CacheHome()));
        EXPECT_TRUE(QFileInfo(dir).isDir()) << dir.toStdString();
    }
    EXPECT_TRUE(browser.m_strUndoCutDir2.endsWith(QStringLiteral("QVIMGBRSUND2CUT")));
}

}  // namespace
