#include "platform/shellns/ShellNamespace.h"

#include "platform/shellns/ShellIcons.h"
#include "platform/shellns/ShellLibrary.h"

#include "ShellnsFixtures.h"
#include "support/FileFixtures.h"
#include "support/HonourFileModes.h"
#include "support/PrivateHome.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

namespace {

using namespace platform::shellns;

// A private home: Desktop/{Work, .hidden}, Pictures/{2020/{Jan, Feb}, 2021,
// 10 Items, 9 Items, loop -> Pictures, self -> self (dangling loop)}, a file.
class Namespace : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = home.Home();
        for (const char* folder : {"Desktop/Work", "Desktop/.hidden", "Pictures/2020/Jan", "Pictures/2020/Feb",
                                   "Pictures/2021", "Pictures/10 Items", "Pictures/9 Items", "Pictures/.cache/x"})
            ASSERT_TRUE(QDir().mkpath(home_ + u'/' + QLatin1String(folder)));
        ASSERT_TRUE(WriteFile(home_ + "/Pictures/photo.jpg", "x"));
        ASSERT_TRUE(QFile::link(home_ + "/Pictures", home_ + "/Pictures/loop"));
        ASSERT_TRUE(QFile::link(home_ + "/Pictures/self", home_ + "/Pictures/self"));
    }

    static QStringList Names(const ShellFolder& folder) {
        QStringList names;
        const auto children = folder.EnumObjects();
        if (!children)
            return {"<failed>"};
        for (const IdList& child : *children)
            names << folder.GetDisplayNameOf(child, NameForm::Normal).value_or("<no name>");
        names.sort();
        return names;
    }

    static ShellFolder Folder(const QString& path) { return ShellFolder(*IdListFromPath(path)); }

    PrivateHome home;
    FakeMounts mounts{{{"/", "ext4", "/dev/sda1", "/", ""}, {"/mnt/nfs", "nfs4", "server:/x", "/", ""}}};
    QString home_;
};

TEST_F(Namespace, TheDesktopHoldsTheSpecialFoldersAndTheDesktopsVisibleFolders) {
    EXPECT_EQ(DesktopFolderPath(), home_ + "/Desktop");
    EXPECT_EQ(Names(ShellFolder()), QStringList({"Computer", "Home", "Libraries", "Network", "Work"}));
    EXPECT_EQ(ShellFolder().GetDisplayNameOf(IdList(), NameForm::Normal), "Desktop");
    EXPECT_EQ(PathFromIdList(IdList()), home_ + "/Desktop");
}

TEST_F(Namespace, FoldersListVisibleSubFoldersOnlyAndSurviveLinkLoops) {
    const ShellFolder pictures = ShellFolder(HomeIdList().Combined(IdList::One(ItemKind::Folder, "Pictures")));
    // No files, no hidden folders, the dangling self link left out, the loop
    // back to Pictures shown as a folder (it is filled only when opened).
    EXPECT_EQ(Names(pictures), QStringList({"10 Items", "2020", "2021", "9 Items", "loop"}));
    const auto loop = pictures.BindToObject(IdList::One(ItemKind::Folder, "loop"));
    ASSERT_TRUE(loop);
    EXPECT_EQ(PathFromIdList(loop->AbsoluteId()), home_ + "/Pictures/loop");
    EXPECT_TRUE(Names(*loop).contains("loop"));
}

TEST_F(Namespace, AttributesOfFolders) {
    const ShellFolder pictures = ShellFolder(HomeIdList().Combined(IdList::One(ItemKind::Folder, "Pictures")));
    const std::uint32_t all = Attr::Folder | Attr::HasSubfolder | Attr::FileSystem | Attr::Storage | Attr::CanRename |
                              Attr::CanDelete | Attr::Removable;
    EXPECT_EQ(pictures.GetAttributesOf(IdList::One(ItemKind::Folder, "2020"), all),
              Attr::Folder | Attr::HasSubfolder | Attr::FileSystem | Attr::CanRename | Attr::CanDelete);
    EXPECT_EQ(pictures.GetAttributesOf(IdList::One(ItemKind::Folder, "2021"), all),
              Attr::Folder | Attr::FileSystem | Attr::CanRename | Attr::CanDelete);
    // Hidden sub-folders do not count.
    EXPECT_EQ(*ShellFolder(HomeIdList()).GetAttributesOf(IdList::One(ItemKind::Folder, "Desktop"), Attr::HasSubfolder),
              Attr::HasSubfolder);
    ASSERT_TRUE(QDir(home_ + "/Desktop/Work").removeRecursively());
    EXPECT_EQ(*ShellFolder(HomeIdList()).GetAttributesOf(IdList::One(ItemKind::Folder, "Desktop"), Attr::HasSubfolder),
              0u);
    // Validation fails for a folder that has gone.
    EXPECT_TRUE(pictures.GetAttributesOf(IdList::One(ItemKind::Folder, "2021"), Attr::Validate | Attr::Folder));
    EXPECT_FALSE(pictures.GetAttributesOf(IdList::One(ItemKind::Folder, "gone"), Attr::Validate | Attr::Folder));
    // Virtual folders: no path, cannot be renamed.
    const ShellFolder desktop;
    EXPECT_EQ(*desktop.GetAttributesOf(ComputerIdList(), all), Attr::Folder | Attr::HasSubfolder);
    EXPECT_EQ(*desktop.GetAttributesOf(HomeIdList(), all & ~Attr::HasSubfolder), Attr::Folder | Attr::FileSystem);
}

TEST_F(Namespace, UnreadableFoldersCannotBeListed) {
    const QString locked = home_ + "/Pictures/2021";
    const HonourFileModes modes;  // root too is refused
    ASSERT_TRUE(modes.Active());
    ASSERT_EQ(chmod(QFile::encodeName(locked).constData(), 0), 0);
    DIR* probe = opendir(QFile::encodeName(locked).constData());
    EXPECT_EQ(probe, nullptr);
    if (probe != nullptr)
        closedir(probe);
    const ShellFolder folder = Folder(locked);
    EXPECT_FALSE(folder.EnumObjects());
    chmod(QFile::encodeName(locked).constData(), 0755);
}

TEST_F(Namespace, ComputerAndNetwork) {
    EXPECT_EQ(Names(ShellFolder(ComputerIdList())), QStringList({"File System"}));
    EXPECT_EQ(Names(ShellFolder(NetworkIdList())), QStringList({"nfs"}));
    const ShellFolder computer(ComputerIdList());
    const std::uint32_t attributes = *computer.GetAttributesOf(IdList::One(ItemKind::Volume, "/"),
                                                               Attr::Storage | Attr::FileSystem | Attr::CanRename);
    EXPECT_EQ(attributes, Attr::Storage | Attr::FileSystem);
    // A volume that is no longer mounted does not validate.
    EXPECT_FALSE(computer.GetAttributesOf(IdList::One(ItemKind::Volume, "/media/usb"), Attr::Validate));
    // The network mount is never read: it is taken to have sub-folders.
    const ShellFolder network(NetworkIdList());
    EXPECT_EQ(network.GetAttributesOf(IdList::One(ItemKind::NetworkMount, "/mnt/nfs"), Attr::HasSubfolder),
              Attr::HasSubfolder);
}

TEST_F(Namespace, PathsToIdListsAndBack) {
    struct Case {
        QString path;
        std::vector<IdRecord> records;
    };
    const Case cases[] = {
        {"/", {{ItemKind::Computer, {}}, {ItemKind::Volume, "/"}}},
        {"/home/me/a b",
         {{ItemKind::Computer, {}},
          {ItemKind::Volume, "/"},
          {ItemKind::Folder, "home"},
          {ItemKind::Folder, "me"},
          {ItemKind::Folder, "a b"}}},
        {"/mnt/nfs/x", {{ItemKind::Network, {}}, {ItemKind::NetworkMount, "/mnt/nfs"}, {ItemKind::Folder, "x"}}},
        {"/back\\slash", {{ItemKind::Computer, {}}, {ItemKind::Volume, "/"}, {ItemKind::Folder, "back\\slash"}}},
    };
    for (const Case& c : cases) {
        const auto list = IdListFromPath(c.path);
        ASSERT_TRUE(list) << c.path.toStdString();
        EXPECT_EQ(list->Records(), c.records) << c.path.toStdString();
        EXPECT_EQ(PathFromIdList(*list), c.path);
    }
    EXPECT_EQ(PathFromIdList(*IdListFromPath("/a//b/")), "/a/b");
    EXPECT_FALSE(IdListFromPath("relative"));
    EXPECT_FALSE(IdListFromPath(""));
    // Items of Home and the desktop map back to their paths; virtual ones to none.
    EXPECT_EQ(PathFromIdList(HomeIdList().Combined(IdList::One(ItemKind::Folder, "x"))), home_ + "/x");
    EXPECT_EQ(PathFromIdList(IdList::One(ItemKind::Folder, "Work")), home_ + "/Desktop/Work");
    EXPECT_EQ(PathFromIdList(ComputerIdList()), "");
    EXPECT_EQ(PathFromIdList(LibrariesIdList().Combined(IdList::One(ItemKind::Library, "Pictures"))), "");
}

TEST_F(Namespace, ListsThatNameNothingOfOursResolveToNothing) {
    const std::vector<std::vector<IdRecord>> bad = {
        {{ItemKind::Volume, "/"}},                                   // a volume outside Computer
        {{ItemKind::Computer, "x"}},                                 // a named special folder
        {{ItemKind::Home, {}}, {ItemKind::Home, {}}},                // Home inside Home
        {{ItemKind::Home, {}}, {ItemKind::Folder, "a/b"}},           // a slash in a name
        {{ItemKind::Home, {}}, {ItemKind::Folder, ".."}},            // a way out
        {{ItemKind::Computer, {}}, {ItemKind::Volume, "relative"}},  // a relative mount point
        {{ItemKind::Computer, {}}, {ItemKind::Volume, "/a/../b"}},   // an unclean one
        {{ItemKind::Libraries, {}}, {ItemKind::Library, "a/b"}},
        {{ItemKind::Libraries, {}}, {ItemKind::Folder, "x"}},  // virtual folders have no sub-folders
    };
    for (const auto& records : bad) {
        const IdList list(records);
        EXPECT_FALSE(ResolveIdList(list)) << list.ToBytes().toHex().toStdString();
        EXPECT_EQ(PathFromIdList(list), "");
        EXPECT_FALSE(ShellFolder(list).EnumObjects());
    }
}

TEST_F(Namespace, OrderPutsSpecialFoldersFirstThenNamesAsPeopleReadThem) {
    const ShellFolder desktop;
    std::vector<IdList> children = *desktop.EnumObjects();
    std::sort(children.begin(), children.end(),
              [&](const IdList& a, const IdList& b) { return desktop.CompareIDs(a, b) < 0; });
    QStringList names;
    for (const IdList& child : children)
        names << *desktop.GetDisplayNameOf(child, NameForm::Normal);
    EXPECT_EQ(names, QStringList({"Libraries", "Home", "Computer", "Network", "Work"}));

    const ShellFolder pictures = Folder(home_ + "/Pictures");
    const auto folder = [](const char* name) { return IdList::One(ItemKind::Folder, name); };
    EXPECT_LT(pictures.CompareIDs(folder("9 Items"), folder("10 Items")), 0);
    EXPECT_LT(pictures.CompareIDs(folder("apple"), folder("Banana")), 0);
    // Names that differ in case only are different folders.
    EXPECT_NE(pictures.CompareIDs(folder("Photos"), folder("photos")), 0);
    EXPECT_EQ(pictures.CompareIDs(folder("Photos"), folder("Photos")), 0);
}

TEST_F(Namespace, ParsingNames) {
    EXPECT_EQ(ParsingNameOf(IdList()), home_ + "/Desktop");
    EXPECT_EQ(ParsingNameOf(LibrariesIdList()), QString::fromUtf16(kLibrariesParsingName));
    EXPECT_EQ(ParsingNameOf(LibrariesIdList().Combined(IdList::One(ItemKind::Library, "Pictures"))),
              LibraryFilePath("Pictures"));
    EXPECT_TRUE(LibraryFilePath("Pictures").endsWith("/ORVEK/Libraries/Pictures.library-ms"));
    EXPECT_EQ(ParsingNameOf(HomeIdList()), home_);
}

TEST_F(Namespace, LibrariesListTheirFoldersInTheLibrarysOrder) {
    ASSERT_TRUE(QDir().mkpath(LibrariesFolder()));
    ASSERT_TRUE(SaveLibraryFile(LibraryFilePath("Holidays"), {home_ + "/Pictures/2021", home_ + "/Pictures/2020"}));
    EXPECT_EQ(Names(ShellFolder(LibrariesIdList())), QStringList({"Holidays"}));
    const ShellFolder library(LibrariesIdList().Combined(IdList::One(ItemKind::Library, "Holidays")));
    const auto children = library.EnumObjects();
    ASSERT_TRUE(children);
    ASSERT_EQ(children->size(), 2u);
    EXPECT_EQ(PathFromIdList(library.AbsoluteId().Combined((*children)[0])), home_ + "/Pictures/2021");
    EXPECT_EQ(*library.GetDisplayNameOf((*children)[1], NameForm::Normal), "2020");
    // A damaged library file lists nothing.
    ASSERT_TRUE(WriteFile(LibraryFilePath("Holidays"), "<library version=\"1\"><folder path=\"x\"/></library>"));
    EXPECT_FALSE(library.EnumObjects());
}

TEST_F(Namespace, SetNameOfRenamesWithoutReplacing) {
    const ShellFolder pictures = Folder(home_ + "/Pictures");
    EXPECT_TRUE(pictures.SetNameOf(IdList::One(ItemKind::Folder, "2021"), "Twenty-one"));
    EXPECT_TRUE(QFileInfo(home_ + "/Pictures/Twenty-one").isDir());
    // Taken, invalid and root names are refused.
    EXPECT_FALSE(pictures.SetNameOf(IdList::One(ItemKind::Folder, "Twenty-one"), "2020"));
    EXPECT_TRUE(QFileInfo(home_ + "/Pictures/2020/Jan").isDir());
    for (const char* name : {"", ".", "..", "a/b"})
        EXPECT_FALSE(pictures.SetNameOf(IdList::One(ItemKind::Folder, "Twenty-one"), name)) << name;
    EXPECT_FALSE(ShellFolder(ComputerIdList()).SetNameOf(IdList::One(ItemKind::Volume, "/"), "x"));
    EXPECT_FALSE(ShellFolder().SetNameOf(HomeIdList(), "x"));
}

TEST_F(Namespace, IconsByKind) {
    EXPECT_EQ(IconIndexOf(IdList(), false), int(ShellIcon::Desktop));
    EXPECT_EQ(IconIndexOf(HomeIdList(), false), int(ShellIcon::Home));
    const IdList folder = HomeIdList().Combined(IdList::One(ItemKind::Folder, "x"));
    EXPECT_EQ(IconIndexOf(folder, false), int(ShellIcon::Folder));
    EXPECT_EQ(IconIndexOf(folder, true), int(ShellIcon::FolderOpen));
    EXPECT_EQ(IconIndexOf(*IdListFromPath("/mnt/nfs"), false), int(ShellIcon::NetworkDrive));
    EXPECT_EQ(IconIndexOf(IdList::One(ItemKind::Volume, "/"), false), -1);
}

}  // namespace
