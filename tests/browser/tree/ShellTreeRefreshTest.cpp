#include "TreeFixtures.h"

#include <cstdlib>

namespace {

void Shell(const QString& command) {
    ASSERT_EQ(std::system(command.toLocal8Bit().constData()), 0) << command.toStdString();
}

TEST_F(TreeTest, RefreshMergesFoldersMadeRenamedAndRemovedOutside) {
    ShellTreeItem* documents = Find({"Home", "Documents"});
    tree->ExpandItem(documents);
    ASSERT_EQ(Labels(documents), QStringList({"Letters", "Notes"}));
    ASSERT_TRUE(QDir().mkpath(H("Documents/Bills")));
    ASSERT_TRUE(QDir().rename(H("Documents/Notes"), H("Documents/Appointments")));
    ASSERT_TRUE(QDir().mkpath(H("Documents/Letters/Old")));  // Letters gains an expand button
    ASSERT_TRUE(QDir(H("Pictures/2021")).removeRecursively());
    tree->Refresh();
    EXPECT_EQ(Labels(documents), QStringList({"Appointments", "Bills", "Letters"}));
    EXPECT_TRUE(Find({"Home", "Documents"}) == documents);
    EXPECT_TRUE(dynamic_cast<ShellTreeItem*>(documents->child(2))->HasChildrenMark());
    EXPECT_EQ(Labels(Find({"Home", "Pictures"})), QStringList({"2020", "loop"}));
}

TEST_F(TreeTest, RefreshKeepsTheSelectionAndReportsALibraryAgain) {
    Click(Find({"Libraries", "Pictures"}));
    owner.reports.clear();
    tree->Refresh();
    EXPECT_EQ(Selected(), "Libraries/Pictures");
    EXPECT_EQ(owner.reports, QStringList({"2,Pictures;" + LibraryIcon() + ";" + H("Pictures")}));
    Click(Find({"Home", "Documents", "Notes"}));
    owner.reports.clear();
    tree->Refresh();
    EXPECT_EQ(Selected(), "Home/Documents/Notes");
    EXPECT_TRUE(owner.reports.isEmpty());
}

TEST_F(TreeTest, ASelectedFolderRemovedOutsideIsNoticedByTheTwoSecondLook) {
    Click(Find({"Home", "Documents", "Notes"}));
    const int reports = owner.reports.size();
    Shell("rm -r '" + H("Documents/Notes") + "'");
    EXPECT_TRUE(WaitUntil([&] { return tree->CurrentShellItem() == nullptr; }));
    EXPECT_EQ(Labels(Find({"Home", "Documents"})), QStringList({"Letters"}));
    // The Browse window keeps its last listing: nothing more was reported.
    EXPECT_EQ(owner.reports.size(), reports);
}

TEST_F(TreeTest, ANetworkSelectionIsNeverLookedAt) {
    const QString share = home.Path() + "/share";  // outside the home
    ASSERT_TRUE(QDir().mkpath(share + "/photos"));
    platform::shellns::SetMountTableSource([share] {
        return std::vector<platform::shellns::MountEntry>{{"/", "ext4", "/dev/sda1", "/", ""},
                                                          {share, "nfs4", "server:/x", "/", ""}};
    });
    tree.reset();
    MakeTree();
    ASSERT_TRUE(tree->SelectPath(share + "/photos"));
    EXPECT_EQ(Selected(), "Network/share/photos");
    // Gone from the server's side: the two-second look leaves it alone.
    ASSERT_TRUE(QDir(share + "/photos").removeRecursively());
    tree->CheckSelectedFolder();
    EXPECT_EQ(Selected(), "Network/share/photos");
}

TEST_F(TreeTest, AnotherProcessAddingAFolderToTheSelectedLibraryIsReported) {
    Click(Find({"Libraries", "Pictures"}));
    owner.reports.clear();
    const QString file = Library("Pictures");
    Shell("printf '<library version=\"1\"><folder path=\"%s\"/><folder path=\"%s\"/></library>' '" + H("Pictures") +
          "' '" + H("Documents") + "' > '" + file + "'");
    const QString expected = "2,Pictures;" + LibraryIcon() + ";" + H("Pictures") + ";" + H("Documents");
    EXPECT_TRUE(WaitUntil([&] { return owner.reports.contains(expected); }));
    EXPECT_EQ(Labels(Find({"Libraries", "Pictures"})), QStringList({"Pictures", "Documents"}));
}

TEST_F(TreeTest, DeletingTheLastLibraryFileEmptiesTheLibrariesFolder) {
    ASSERT_EQ(Labels(Find({"Libraries"})), QStringList({"Pictures"}));
    Shell("rm '" + Library("Pictures") + "'");
    ShellTreeItem* libraries = Find({"Libraries"});
    EXPECT_TRUE(WaitUntil([&] { return !libraries->HasChildrenMark(); }));
    EXPECT_EQ(libraries->childCount(), 0);
    // A new library brings the button back.
    Shell("printf '<library version=\"1\"/>' > '" + Library("New") + "'");
    EXPECT_TRUE(WaitUntil([&] { return libraries->HasChildrenMark(); }));
}

TEST_F(TreeTest, TheBusyTreeDoesNotRefresh) {
    ShellTreeItem* documents = Find({"Home", "Documents"});
    tree->ExpandItem(documents);
    ASSERT_EQ(Labels(Find({"Libraries"})), QStringList({"Pictures"}));  // expanded, listed once
    ASSERT_TRUE(QDir().mkpath(H("Documents/New")));
    // In the middle of a rename the tree tells the browser to stop loading:
    // it is busy then, and a refresh or a library rebuild asked for changes
    // nothing, though a folder and a library have come meanwhile.
    bool busy = false;
    QStringList documentsDuring, librariesDuring;
    browser.onStop = [&] {
        busy = tree->IsBusy();
        Shell("printf '<library version=\"1\"/>' > '" + Library("Trips") + "'");
        tree->Refresh();
        tree->RebuildLibraries();
        documentsDuring = Labels(Find({"Home", "Documents"}));
        librariesDuring = Labels(Find({"Libraries"}));
    };
    Click(Find({"Home", "Documents", "Letters"}));
    TypeRename("Mail");
    browser.onStop = nullptr;
    EXPECT_EQ(browser.stops, 1);
    EXPECT_TRUE(busy);
    EXPECT_EQ(documentsDuring, QStringList({"Letters", "Notes"}));
    EXPECT_EQ(librariesDuring, QStringList({"Pictures"}));
    // No longer busy: both are done.
    EXPECT_FALSE(tree->IsBusy());
    tree->RebuildLibraries();
    tree->Refresh();
    EXPECT_EQ(Labels(Find({"Home", "Documents"})), QStringList({"Mail", "New", "Notes"}));
    EXPECT_EQ(Labels(Find({"Libraries"})), QStringList({"Pictures", "Trips"}));
}

}  // namespace
