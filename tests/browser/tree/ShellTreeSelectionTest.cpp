#include "TreeFixtures.h"

#include "platform/profile/ProfileStore.h"

namespace {

TEST_F(TreeTest, SelectionsAreReportedAsLocationTexts) {
    Click(Find({"Home", "Documents"}));
    EXPECT_EQ(owner.Last(), "0," + H("Documents"));
    Click(Find({"Libraries", "Pictures"}));
    EXPECT_EQ(owner.Last(), "2,Pictures;" + LibraryIcon() + ";" + H("Pictures"));
    Click(Find({"Libraries", "Pictures", "Pictures"}));
    EXPECT_EQ(owner.Last(), "0," + H("Pictures"));
    Click(tree->RootItem());
    EXPECT_EQ(owner.Last(), "0," + H("Desktop"));
    // Virtual folders report nothing.
    const int before = owner.reports.size();
    Click(Find({"Computer"}));
    EXPECT_EQ(owner.reports.size(), before);
    // Keys move the selection like clicks.
    Click(Find({"Home", "Documents"}));
    QTest::keyClick(tree.get(), Qt::Key_Down);
    EXPECT_EQ(owner.Last(), "0," + H("Pictures"));
}

TEST_F(TreeTest, SelectPathFindsTheItemOfAFolder) {
    const struct {
        QString path;
        bool answer;
        QString selected;
    } cases[] = {
        {H("Documents/Letters"), true, "Home/Documents/Letters"},
        {H("Documents/Letters/"), true, "Home/Documents/Letters"},
        {H("Pictures/2020/Feb"), true, "Libraries/Pictures/Pictures/2020/Feb"},  // inside a library's folder
        {H("Desktop/Work"), true, "Work"},                                       // the desktop's own level wins
        {H("Desktop"), true, ""},                                                // the desktop folder is the root
        {"/", true, "Computer/File System"},
        {QDir::tempPath(), true, "Computer/File System/" + QDir::tempPath().mid(1)},
        {H("Documents/Missing"), false, "<same>"},
    };
    for (const auto& c : cases) {
        const QString before = Selected();
        EXPECT_EQ(tree->SelectPath(c.path), c.answer) << c.path.toStdString();
        EXPECT_EQ(Selected(), c.selected == "<same>" ? before : c.selected) << c.path.toStdString();
        if (c.selected != "<same>") {
            EXPECT_EQ(tree->GetItemPath(tree->CurrentShellItem()), QDir::cleanPath(c.path)) << c.path.toStdString();
        }
    }
}

TEST_F(TreeTest, ARelativePathOnlyOpensComputer) {
    owner.reports.clear();
    const ShellTreeItem* before = tree->CurrentShellItem();
    EXPECT_TRUE(tree->SelectPath("relative/folder"));
    EXPECT_EQ(tree->CurrentShellItem(), before);
    EXPECT_TRUE(Find({"Computer"})->isExpanded());
    EXPECT_TRUE(owner.reports.isEmpty());
}

TEST_F(TreeTest, ALibraryFilePathSelectsTheLibrary) {
    EXPECT_TRUE(tree->SelectPath(Library("Pictures")));
    EXPECT_EQ(Selected(), "Libraries/Pictures");
    EXPECT_TRUE(tree->SelectLibraryByName("Pictures"));
    EXPECT_FALSE(tree->SelectLibraryByName("pictures"));  // names compare exactly
    EXPECT_FALSE(tree->SelectPath(Library("Missing")));
}

TEST_F(TreeTest, TheSavedSelectionComesBack) {
    ASSERT_TRUE(tree->SelectPath(H("Documents/Notes")));
    ASSERT_TRUE(tree->SaveState());
    const QByteArray saved = *platform::ProfileStore().GetBinary("SHELLTREE", "PIDL");
    // The stored list is the item's id list from the desktop, end marker included.
    EXPECT_EQ(saved, tree->CurrentShellItem()->Record().absolute.ToBytes());
    EXPECT_EQ(saved.right(2), QByteArray(2, '\0'));

    tree.reset();
    owner.reports.clear();
    MakeTree();
    EXPECT_TRUE(tree->RestoreState());
    EXPECT_EQ(Selected(), "Home/Documents/Notes");
    EXPECT_EQ(owner.Last(), "0," + H("Documents/Notes"));
}

TEST_F(TreeTest, TheDesktopSavedIsTwoBytesAndRestoresTheRoot) {
    Click(tree->RootItem());
    ASSERT_TRUE(tree->SaveState());
    EXPECT_EQ(*platform::ProfileStore().GetBinary("SHELLTREE", "PIDL"), QByteArray(2, '\0'));
    tree->setCurrentItem(nullptr);
    EXPECT_TRUE(tree->RestoreState());
    EXPECT_EQ(tree->CurrentShellItem(), tree->RootItem());
}

TEST_F(TreeTest, DamagedOrStaleSavedSelectionsStartAtTheDefault) {
    using namespace platform::shellns;
    const IdList gone = HomeIdList().Combined(IdList::One(ItemKind::Folder, "Gone"));
    QByteArray cutMarker = HomeIdList().ToBytes();
    cutMarker.chop(1);
    const struct {
        const char* what;
        std::optional<QByteArray> value;
    } cases[] = {
        {"missing", std::nullopt},
        {"empty", QByteArray()},
        {"record size 0x0001", QByteArray("\x01\x00\x00\x00", 4)},
        {"no end marker", QByteArray("\x03\x00\x03", 3)},
        {"end marker cut", cutMarker},
        {"size past the end", QByteArray("\xFF\x7F\x09\x41\x00\x00\x00", 7)},
        {"unknown kind", QByteArray("\x03\x00\x63\x00\x00", 5)},
        {"a folder that has gone", gone.ToBytes()},
        {"a name with a slash", HomeIdList().Combined(IdList::One(ItemKind::Folder, "a/b")).ToBytes()},
    };
    for (const auto& c : cases) {
        {
            platform::ProfileStore store;
            if (c.value)
                store.WriteBinary("SHELLTREE", "PIDL", *c.value);
            else
                store.WriteBinary("SHELLTREE", "PIDL", {});
            store.Sync();
        }
        tree->setCurrentItem(nullptr);
        owner.reports.clear();
        EXPECT_FALSE(tree->RestoreState()) << c.what;
        EXPECT_EQ(tree->CurrentShellItem(), nullptr) << c.what;
        EXPECT_TRUE(owner.reports.isEmpty()) << c.what;
    }
}

}  // namespace
