#include "platform/shellns/ShellLibrary.h"

#include "support/FifoFixtures.h"
#include "support/FileFixtures.h"
#include "support/PrivateHome.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

using namespace platform::shellns;

TEST(ShellLibrary, WrittenFilesReadBack) {
    const QStringList folders = {"/home/me/Pictures", "/media/disk/Photos & \"Scans\" <2020>", "/"};
    const auto back = ParseLibrary(SerializeLibrary(folders));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, folders);
    EXPECT_EQ(ParseLibrary(SerializeLibrary({})), QStringList());
}

TEST(ShellLibrary, TheFormatAsStored) {
    const QByteArray bytes = SerializeLibrary({"/a"});
    EXPECT_TRUE(bytes.contains("<library version=\"1\">")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("<folder path=\"/a\"/>")) << bytes.toStdString();
    const auto parsed = ParseLibrary(
        "<?xml version=\"1.0\"?>\n<!-- mine -->\n<library version=\"1\">\n"
        "  <folder path=\"/x\"/>\n  <folder path=\"/y\"></folder>\n</library>\n");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, QStringList({"/x", "/y"}));
}

TEST(ShellLibrary, DamagedFilesAreRefused) {
    const char* damaged[] = {
        "",
        "not xml",
        "<library version=\"1\">",                                      // not closed
        "<library version=\"2\"></library>",                            // unknown version
        "<library></library>",                                          // no version
        "<libraries version=\"1\"></libraries>",                        // another root
        "<library version=\"1\"><folder/></library>",                   // no path
        "<library version=\"1\"><folder path=\"\"/></library>",         // empty path
        "<library version=\"1\"><folder path=\"rel/x\"/></library>",    // relative
        "<library version=\"1\"><folder path=\"/a/../b\"/></library>",  // not clean
        "<library version=\"1\"><folder path=\"/a/\"/></library>",      // trailing slash
        "<library version=\"1\"><folder path=\"/a&#0;b\"/></library>",  // NUL
        "<library version=\"1\"><other/></library>",                    // unknown element
        "<library version=\"1\"><folder path=\"/a\"><x/></folder></library>",
        "<library version=\"1\">text</library>",
        "<library version=\"1\"></library><library version=\"1\"></library>",
        "<!DOCTYPE library [<!ENTITY e \"/x\">]><library version=\"1\"><folder path=\"&e;\"/></library>",
        "<?pi x?><library version=\"1\"></library>",
    };
    for (const char* text : damaged)
        EXPECT_FALSE(ParseLibrary(text)) << text;
}

TEST(ShellLibrary, LimitsOnSizeAndFolders) {
    QStringList many;
    for (int i = 0; i <= kMaxLibraryFolders; ++i)
        many << QStringLiteral("/f%1").arg(i);
    EXPECT_FALSE(ParseLibrary(SerializeLibrary(many)));
    many.removeLast();
    EXPECT_TRUE(ParseLibrary(SerializeLibrary(many)));
    EXPECT_FALSE(ParseLibrary(QByteArray(kMaxLibraryFileSize + 1, ' ')));
}

TEST(ShellLibrary, NamesAndFiles) {
    PrivateHome home;
    EXPECT_EQ(LibrariesFolder(), home.DataHome() + "/ORVEK/Libraries");
    EXPECT_EQ(LibraryNameOfFile("/x/Pictures.library-ms"), "Pictures");
    EXPECT_EQ(LibraryNameOfFile("/x/Pictures.LIBRARY-MS"), "Pictures");
    EXPECT_EQ(LibraryNameOfFile("/x/.library-ms"), "");
    EXPECT_EQ(LibraryNameOfFile("/x/Pictures"), "");
    EXPECT_TRUE(IsLibraryFileName("a.library-ms"));
    EXPECT_FALSE(IsLibraryFileName(".library-ms"));

    EXPECT_TRUE(LibraryNames().isEmpty());
    const QString first = CreateLibraryFile("Trips", {"/a"});
    EXPECT_EQ(first, LibraryFilePath("Trips"));
    const QString second = CreateLibraryFile("Trips", {"/b"});
    EXPECT_EQ(second, LibrariesFolder() + "/Trips (2).library-ms");
    EXPECT_EQ(LoadLibraryFile(first), QStringList({"/a"}));
    EXPECT_EQ(LoadLibraryFile(second), QStringList({"/b"}));
    ASSERT_TRUE(WriteFile(LibrariesFolder() + "/notes.txt", "x"));
    EXPECT_EQ(LibraryNames(), QStringList({"Trips", "Trips (2)"}));
    // No temporary file is left behind.
    EXPECT_EQ(Entries(LibrariesFolder()), QStringList({"Trips (2).library-ms", "Trips.library-ms", "notes.txt"}));

    EXPECT_TRUE(SaveLibraryFile(first, {"/c", "/d"}));
    EXPECT_EQ(LoadLibraryFile(first), QStringList({"/c", "/d"}));
    EXPECT_FALSE(LoadLibraryFile(LibrariesFolder() + "/missing.library-ms"));
}

// A named pipe in a library file's place is neither read (which would block)
// nor written over.
TEST(ShellLibrary, APipeInALibraryFilesPlaceIsLeftAlone) {
    PrivateHome home;
    ASSERT_TRUE(QDir().mkpath(LibrariesFolder()));
    const QString pipe = LibraryFilePath("Piped");
    ASSERT_TRUE(fifotests::MakeFifo(pipe));
    std::optional<QStringList> loaded = QStringList{};
    bool saved = true;
    ASSERT_TRUE(fifotests::FinishesWithin({pipe}, [&] {
        loaded = LoadLibraryFile(pipe);
        saved = SaveLibraryFile(pipe, {"/a"});
    }));
    EXPECT_FALSE(loaded);
    EXPECT_FALSE(saved);
    EXPECT_TRUE(fifotests::IsFifo(pipe));
}

}  // namespace
