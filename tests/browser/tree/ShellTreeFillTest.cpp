#include "TreeFixtures.h"
#include "support/HonourFileModes.h"

#include <dirent.h>
#include <sys/stat.h>

namespace {

TEST_F(TreeTest, TheRootShowsTheDesktopWithItsSpecialFoldersFirst) {
    ShellTreeItem* root = tree->RootItem();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0), "Desktop");
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(Labels(root), QStringList({"Libraries", "Home", "Computer", "Network", "Work"}));
    // Expand buttons from the namespace: Libraries holds the seeded library,
    // Network has no mounts, Work has no sub-folder.
    EXPECT_TRUE(Find({"Libraries"})->HasChildrenMark());
    EXPECT_TRUE(dynamic_cast<ShellTreeItem*>(root->child(1))->HasChildrenMark());
    EXPECT_FALSE(dynamic_cast<ShellTreeItem*>(root->child(3))->HasChildrenMark());
    EXPECT_FALSE(dynamic_cast<ShellTreeItem*>(root->child(4))->HasChildrenMark());
    EXPECT_FALSE(root->child(0)->icon(0).isNull());
}

TEST_F(TreeTest, ChildrenAreReadOnTheFirstExpansionByKeyboard) {
    ShellTreeItem* homeItem = dynamic_cast<ShellTreeItem*>(tree->RootItem()->child(1));
    EXPECT_EQ(homeItem->childCount(), 0);
    Click(homeItem);
    EXPECT_EQ(tree->CurrentShellItem(), homeItem);
    QTest::keyClick(tree.get(), Qt::Key_Right);
    EXPECT_TRUE(homeItem->isExpanded());
    EXPECT_EQ(Labels(homeItem), QStringList({"Desktop", "Documents", "Pictures"}));
    // Hidden folders and files stay out, numbers sort by value, and a link
    // back to the parent is an ordinary, lazily filled folder.
    ASSERT_TRUE(QDir().mkpath(H("Pictures/10 Best")));
    ASSERT_TRUE(QDir().mkpath(H("Pictures/9 Good")));
    ShellTreeItem* pictures = Find({"Home", "Pictures"});
    EXPECT_EQ(Labels(pictures), QStringList({"9 Good", "10 Best", "2020", "2021", "loop"}));
    ShellTreeItem* loop = Find({"Home", "Pictures", "loop", "loop", "loop"});
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(tree->GetItemPath(loop), H("Pictures/loop/loop/loop"));
}

TEST_F(TreeTest, ExpandingTwiceDoesNotAddTheChildrenAgain) {
    ShellTreeItem* pictures = Find({"Home", "Pictures"});
    pictures->setExpanded(false);
    tree->ExpandItem(pictures);
    EXPECT_EQ(Labels(pictures), QStringList({"2020", "2021", "loop"}));
}

TEST_F(TreeTest, AFolderThatCannotBeReadLosesItsExpandButton) {
    const QByteArray locked = QFile::encodeName(H("Documents"));
    const HonourFileModes modes;  // root too is refused
    ASSERT_TRUE(modes.Active());
    ASSERT_EQ(chmod(locked.constData(), 0), 0);
    DIR* probe = opendir(locked.constData());
    EXPECT_EQ(probe, nullptr);
    if (probe != nullptr)
        closedir(probe);
    ShellTreeItem* documents = Find({"Home", "Documents"});
    ASSERT_NE(documents, nullptr);
    tree->ExpandItem(documents);
    EXPECT_EQ(documents->childCount(), 0);
    EXPECT_FALSE(documents->HasChildrenMark());
    chmod(locked.constData(), 0755);
}

TEST_F(TreeTest, ComputerShowsTheVolumesAndTheLibrariesTheirFoldersInOrder) {
    EXPECT_EQ(Labels(Find({"Computer"})), QStringList({"File System"}));
    EXPECT_EQ(tree->GetItemPath(Find({"Computer", "File System"})), "/");
    ASSERT_TRUE(
        platform::shellns::SaveLibraryFile(Library("Trips"), {H("Pictures/2021"), H("Documents"), H("Pictures/2020")}));
    ShellTreeItem* trips = Find({"Libraries", "Trips"});
    ASSERT_NE(trips, nullptr);
    EXPECT_EQ(Labels(Find({"Libraries"})), QStringList({"Pictures", "Trips"}));
    EXPECT_EQ(Labels(trips), QStringList({"2021", "Documents", "2020"}));
    // Virtual items have no path.
    EXPECT_EQ(tree->GetItemPath(trips), "");
    EXPECT_EQ(tree->GetItemPath(Find({"Libraries"})), "");
    EXPECT_EQ(tree->GetItemPath(Find({"Computer"})), "");
    EXPECT_EQ(tree->GetItemPath(tree->RootItem()), H("Desktop"));
}

TEST_F(TreeTest, WithoutLibraryFilesTheLibrariesFolderHasNoExpandButton) {
    tree.reset();
    ASSERT_TRUE(QFile::remove(Library("Pictures")));
    MakeTree();
    ShellTreeItem* libraries = Find({"Libraries"});
    EXPECT_FALSE(libraries->HasChildrenMark());
    // Selecting it reports nothing: it is no folder and no library.
    owner.reports.clear();
    Click(libraries);
    EXPECT_EQ(tree->CurrentShellItem(), libraries);
    EXPECT_TRUE(owner.reports.isEmpty());
}

TEST_F(TreeTest, ARightClickShowsNoMenu) {
    ShellTreeItem* pictures = Find({"Home", "Pictures"});
    tree->scrollToItem(pictures);
    const QPoint at = tree->visualItemRect(pictures).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, tree->viewport()->mapToGlobal(at));
    QApplication::sendEvent(tree->viewport(), &event);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(TreeTest, TheTreeTakesNoDrops) {
    EXPECT_FALSE(tree->acceptDrops());
    EXPECT_FALSE(tree->viewport()->acceptDrops());
    EXPECT_FALSE(tree->dragEnabled());
}

}  // namespace
