#include "platform/paths/Paths.h"

#include "support/PrivateHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(Paths, SplitsLikeTheCRuntime) {
    struct Case {
        const char* path;
        const char* dir;
        const char* name;
        const char* ext;
    };
    for (const Case& c : {
             Case{"/photos/IMG_1.JPG", "/photos/", "IMG_1", ".JPG"},
             Case{"/photos/archive.tar.gz", "/photos/", "archive.tar", ".gz"},
             Case{"/photos.d/noext", "/photos.d/", "noext", ""},
             Case{"/photos/", "/photos/", "", ""},
             Case{"relative.png", "", "relative", ".png"},
             Case{"/", "/", "", ""},
             Case{"", "", "", ""},
             Case{"/a/.hidden", "/a/", "", ".hidden"},
             Case{"C:\\x.jpg", "", "C:\\x", ".jpg"},
         }) {
        const platform::PathParts parts = platform::SplitPath(QString::fromUtf8(c.path));
        EXPECT_TRUE(parts.drive.isEmpty()) << c.path;
        EXPECT_EQ(parts.dir, QString::fromUtf8(c.dir)) << c.path;
        EXPECT_EQ(parts.name, QString::fromUtf8(c.name)) << c.path;
        EXPECT_EQ(parts.ext, QString::fromUtf8(c.ext)) << c.path;
    }
}

TEST(Paths, UserFoldersAreCreatedUnderTheHome) {
    PrivateHome home;
    const QString pictures = platform::PicturesFolder();
    EXPECT_EQ(pictures, home.Home() + QStringLiteral("/Pictures/"));
    EXPECT_TRUE(QFileInfo(pictures).isDir());
    EXPECT_EQ(platform::DocumentsFolder(), home.Home() + QStringLiteral("/Documents/"));
    EXPECT_EQ(platform::CommonDataFolder(), home.DataHome() + QStringLiteral("/ORVEK/"));
    EXPECT_EQ(platform::ConfigFolder(), home.ConfigHome() + QStringLiteral("/ORVEK/"));
}

TEST(Paths, PrivateCacheFolderIsMode0700) {
    PrivateHome home;
    const QString expected = home.CacheHome() + QStringLiteral("/ORVEK/ORVEK Vespera/");
    ASSERT_TRUE(QDir().mkpath(expected));
    ASSERT_EQ(::chmod(QFile::encodeName(expected).constData(), 0755), 0);  // left open by someone
    EXPECT_EQ(platform::PrivateCacheFolder(), expected);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(expected).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
}

TEST(Paths, PrivateCacheFolderRefusesALink) {
    PrivateHome home;
    ASSERT_TRUE(QDir().mkpath(home.CacheHome() + QStringLiteral("/ORVEK")));
    ASSERT_TRUE(QDir().mkpath(home.Path() + QStringLiteral("/elsewhere")));
    ASSERT_TRUE(QFile::link(home.Path() + QStringLiteral("/elsewhere"),
                            home.CacheHome() + QStringLiteral("/ORVEK/ORVEK Vespera")));
    EXPECT_TRUE(platform::PrivateCacheFolder().isEmpty());
}

TEST(Paths, ProgramDataFolderPrefersTheExecutablesFolder) {
    PrivateHome home;
    const QString exe = home.Path() + QStringLiteral("/bin/");
    const QString installed = home.Path() + QStringLiteral("/share/orvek-vespera/Res");
    ASSERT_TRUE(QDir().mkpath(installed));
    ASSERT_TRUE(QDir().mkpath(exe));
    EXPECT_EQ(platform::ProgramDataFolder(exe, QStringLiteral("Res")), installed + u'/');
    EXPECT_EQ(platform::ProgramDataFolder(exe, QStringLiteral("SAMPLES")), exe + QStringLiteral("SAMPLES/"));
    ASSERT_TRUE(QDir().mkpath(exe + QStringLiteral("Res")));
    EXPECT_EQ(platform::ProgramDataFolder(exe, QStringLiteral("Res")), exe + QStringLiteral("Res/"));
    EXPECT_TRUE(platform::ExecutableFolder().endsWith(u'/'));
    EXPECT_TRUE(QFileInfo(platform::ExecutableFolder()).isDir());
}

}  // namespace
