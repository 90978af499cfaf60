#include "imagefiles/PathHelpers.h"

#include "support/FileFixtures.h"

#include <QFont>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(PathHelpers, TrailingSeparators) {
    struct Case {
        const char* path;
        const char* added;
        const char* stripped;
    };
    for (const Case& c :
         {Case{"/photos/", "/photos/", "/photos"}, Case{"/photos", "/photos/", "/photos"}, Case{"", "/", ""},
          Case{"/", "/", "/"}, Case{"a//", "a//", "a/"}, Case{"rel", "rel/", "rel"}}) {
        QString added = QString::fromUtf8(c.path);
        AddTrailingBackslash(added);
        EXPECT_EQ(added, QString::fromUtf8(c.added)) << c.path;
        QString stripped = QString::fromUtf8(c.path);
        StripTrailingBackslash(stripped);
        EXPECT_EQ(stripped, QString::fromUtf8(c.stripped)) << c.path;
    }
}

TEST(PathHelpers, EveryPathIsOnAValidDrive) {
    for (const char* path : {"", "relative/x", "abc", "/", "/no/such/folder/", "Q:/x", "q:\\x"}) {
        EXPECT_TRUE(IsPathOnValidDrive(QString::fromUtf8(path))) << path;
    }
}

TEST(PathHelpers, SameDriveMeansSameFileSystem) {
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.jpg"));
    ASSERT_TRUE(WriteFile(a, "a"));
    EXPECT_TRUE(IsSameDrive(a, dir.filePath(QStringLiteral("not/yet/there"))));
    EXPECT_TRUE(IsSameDrive(a, dir.path()));
    EXPECT_TRUE(IsSameDrive(QStringLiteral("relative"), QStringLiteral(".")));

    struct stat tmp {};
    struct stat shm {};
    if (::stat(QFile::encodeName(dir.path()).constData(), &tmp) == 0 && ::stat("/dev/shm", &shm) == 0 &&
        tmp.st_dev != shm.st_dev) {
        EXPECT_FALSE(IsSameDrive(a, QStringLiteral("/dev/shm/x.jpg")));
    }
}

TEST(PathHelpers, FileSize) {
    QTemporaryDir dir;
    const QString big = dir.filePath(QStringLiteral("big.tif"));
    ASSERT_TRUE(WriteFile(big, ""));
    ASSERT_EQ(::truncate(QFile::encodeName(big).constData(), 5368709120LL), 0);  // sparse: takes no space
    EXPECT_EQ(GetFileSize64(big), 5368709120ULL);
    const QString small = dir.filePath(QStringLiteral("small.jpg"));
    ASSERT_TRUE(WriteFile(small, "12345"));
    EXPECT_EQ(GetFileSize64(small), 5u);
    EXPECT_EQ(GetFileSize64(dir.filePath(QStringLiteral("missing"))), 0u);
    EXPECT_EQ(GetFileSize64(dir.path()), 0u);
    EXPECT_EQ(GetFileSize64(QString()), 0u);
}

TEST(PathHelpers, DefaultGuiFontFace) {
    EXPECT_EQ(GetDefaultGuiFontFace(), QStringLiteral("Sans Serif"));  // no application yet
    int argc = 1;
    char name[] = "font-test";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    EXPECT_FALSE(GetDefaultGuiFontFace().isEmpty());
    EXPECT_EQ(GetDefaultGuiFontFace(), QGuiApplication::font().family());
}

}  // namespace
