#include "TreeFixtures.h"

#include <QFileInfo>

namespace {

using platform::PromptAnswer;

TEST_F(TreeTest, F2RenamesAFolderOnDiskAndSelectsItInItsNewPlace) {
    Click(Find({"Home", "Documents", "Notes"}));
    owner.reports.clear();
    TypeRename("Agenda");
    EXPECT_TRUE(QFileInfo(H("Documents/Agenda")).isDir());
    EXPECT_FALSE(QFileInfo::exists(H("Documents/Notes")));
    EXPECT_EQ(Labels(Find({"Home", "Documents"})), QStringList({"Agenda", "Letters"}));
    EXPECT_EQ(Selected(), "Home/Documents/Agenda");
    EXPECT_EQ(owner.Last(), "0," + H("Documents/Agenda"));
    EXPECT_GE(browser.stops, 1);
    EXPECT_FALSE(tree->IsBusy());
}

TEST_F(TreeTest, RefusedNamesChangeNothing) {
    Click(Find({"Home", "Documents", "Notes"}));
    for (const char* name : {"a/b", "..", ".", "Letters"}) {
        TypeRename(name);
        EXPECT_EQ(Entries(H("Documents")), QStringList({"Letters", "Notes"})) << name;
        EXPECT_EQ(Selected(), "Home/Documents/Notes") << name;
        EXPECT_FALSE(tree->IsBusy());
    }
    // An empty or unchanged text, or Escape, changes nothing either.
    TypeRename("");
    TypeRename("Notes");
    QTest::keyClick(tree.get(), Qt::Key_F2);
    QTest::keyClicks(QApplication::focusWidget(), "Other");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(Entries(H("Documents")), QStringList({"Letters", "Notes"}));
}

TEST_F(TreeTest, OnlyFoldersAndLibrariesCanBeRenamed) {
    const QStringList fixed[] = {{}, {"Libraries"}, {"Home"}, {"Computer"}, {"Computer", "File System"}, {"Network"}};
    for (const QStringList& labels : fixed) {
        Click(labels.isEmpty() ? tree->RootItem() : Find(labels));
        EXPECT_FALSE(EditorOpensOnF2()) << labels.join(u'/').toStdString();
    }
    Click(Find({"Home", "Documents"}));
    EXPECT_TRUE(EditorOpensOnF2());
}

TEST_F(TreeTest, AClickOnTheSelectedLabelStartsTheEdit) {
    ShellTreeItem* notes = Find({"Home", "Documents", "Notes"});
    Click(notes);
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    Click(notes);
    EXPECT_TRUE(WaitUntil([] { return qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr; }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
}

TEST_F(TreeTest, RenamingAFolderThatALibraryHoldsUpdatesTheLibrary) {
    ASSERT_TRUE(platform::shellns::SaveLibraryFile(Library("Trips"), {H("Documents/Letters"), H("Pictures/2020")}));
    Click(Find({"Libraries", "Trips", "2020"}));
    TypeRename("Year 2020");
    EXPECT_TRUE(QFileInfo(H("Pictures/Year 2020/Jan")).isDir());
    EXPECT_EQ(platform::shellns::LoadLibraryFile(Library("Trips")),
              QStringList({H("Documents/Letters"), H("Pictures/Year 2020")}));
    // Renaming a folder elsewhere follows it in the libraries too.
    Click(Find({"Home", "Documents"}));
    TypeRename("Docs");
    EXPECT_EQ(platform::shellns::LoadLibraryFile(Library("Trips")),
              QStringList({H("Docs/Letters"), H("Pictures/Year 2020")}));
}

TEST_F(TreeTest, RenamingALibrary) {
    ASSERT_TRUE(platform::shellns::SaveLibraryFile(Library("Trips"), {H("Documents")}));
    Click(Find({"Libraries", "Trips"}));
    TypeRename("Travels");
    EXPECT_FALSE(QFileInfo::exists(Library("Trips")));
    EXPECT_EQ(platform::shellns::LoadLibraryFile(Library("Travels")), QStringList({H("Documents")}));
    EXPECT_EQ(Labels(Find({"Libraries"})), QStringList({"Pictures", "Travels"}));
    EXPECT_EQ(Selected(), "Libraries/Travels");
    // A name holding ';' is refused; a taken one becomes unique and nothing
    // is selected under the typed name.
    TypeRename("a;b");
    EXPECT_EQ(platform::shellns::LibraryNames(), QStringList({"Pictures", "Travels"}));
    TypeRename("Pictures");
    EXPECT_EQ(platform::shellns::LibraryNames(), QStringList({"Pictures", "Pictures (2)"}));
    EXPECT_EQ(Labels(Find({"Libraries"})), QStringList({"Pictures", "Pictures (2)"}));
}

TEST_F(TreeTest, DeleteSendsTheFolderToTheTrashAndSelectsTheNextSibling) {
    Click(Find({"Home", "Documents", "Letters"}));
    {
        ScriptedAnswers no({PromptAnswer::No});
        QTest::keyClick(tree.get(), Qt::Key_Delete);
        EXPECT_EQ(no.Questions().size(), 1u);
    }
    EXPECT_TRUE(QFileInfo(H("Documents/Letters")).isDir());
    EXPECT_EQ(Selected(), "Home/Documents/Letters");

    ScriptedAnswers yes({PromptAnswer::Yes, PromptAnswer::Yes});
    QTest::keyClick(tree.get(), Qt::Key_Delete);
    EXPECT_FALSE(QFileInfo::exists(H("Documents/Letters")));
    EXPECT_EQ(Entries(home.DataHome() + "/Trash/files"), QStringList({"Letters"}));
    EXPECT_EQ(Selected(), "Home/Documents/Notes");
    EXPECT_EQ(owner.Last(), "0," + H("Documents/Notes"));
    EXPECT_FALSE(tree->IsBusy());
    // The last child: the parent is selected and loses its expand button.
    QTest::keyClick(tree.get(), Qt::Key_Delete);
    EXPECT_EQ(Selected(), "Home/Documents");
    EXPECT_FALSE(Find({"Home", "Documents"})->HasChildrenMark());
    EXPECT_EQ(Find({"Home", "Documents"})->childCount(), 0);
}

TEST_F(TreeTest, DeletingTheCurrentFolderMovesTheProcessOut) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(H("Documents/Notes")));
    Click(Find({"Home", "Documents", "Notes"}));
    ScriptedAnswers yes({PromptAnswer::Yes});
    QTest::keyClick(tree.get(), Qt::Key_Delete);
    EXPECT_FALSE(QFileInfo::exists(H("Documents/Notes")));
    EXPECT_NE(QDir::currentPath(), H("Documents/Notes"));
    QDir::setCurrent(previous);
}

TEST_F(TreeTest, DeleteBelowALibraryRemovesTheFolderFromTheLibraryOnly) {
    ASSERT_TRUE(platform::shellns::SaveLibraryFile(Library("Trips"), {H("Documents"), H("Pictures/2020")}));
    Click(Find({"Libraries", "Trips", "Documents"}));
    owner.reports.clear();
    QTest::keyClick(tree.get(), Qt::Key_Delete);
    EXPECT_TRUE(QFileInfo(H("Documents")).isDir());
    EXPECT_EQ(platform::shellns::LoadLibraryFile(Library("Trips")), QStringList({H("Pictures/2020")}));
    EXPECT_EQ(Labels(Find({"Libraries", "Trips"})), QStringList({"2020"}));
    EXPECT_EQ(Selected(), "Libraries/Trips/2020");
    EXPECT_EQ(owner.Last(), "0," + H("Pictures/2020"));
}

TEST_F(TreeTest, DeleteOnALibrarySendsItsFileToTheTrash) {
    ASSERT_TRUE(platform::shellns::SaveLibraryFile(Library("Trips"), {H("Documents")}));
    Click(Find({"Libraries", "Pictures"}));
    ScriptedAnswers yes({PromptAnswer::Yes});
    QTest::keyClick(tree.get(), Qt::Key_Delete);
    EXPECT_FALSE(QFileInfo::exists(Library("Pictures")));
    EXPECT_TRUE(QFileInfo(H("Pictures")).isDir());
    EXPECT_EQ(Entries(home.DataHome() + "/Trash/files"), QStringList({"Pictures.library-ms"}));
    EXPECT_EQ(Labels(Find({"Libraries"})), QStringList({"Trips"}));
    EXPECT_EQ(Selected(), "Libraries/Trips");
}

TEST_F(TreeTest, DeleteOnVirtualItemsDoesNothing) {
    ScriptedAnswers yes({PromptAnswer::Yes});
    for (const QStringList& labels :
         {QStringList{"Home"}, QStringList{"Computer"}, QStringList{"Computer", "File System"}}) {
        Click(Find(labels));
        QTest::keyClick(tree.get(), Qt::Key_Delete);
    }
    Click(tree->RootItem());
    QTest::keyClick(tree.get(), Qt::Key_Delete);
    EXPECT_TRUE(yes.Questions().empty());
    EXPECT_TRUE(QFileInfo(H()).isDir());
}

}  // namespace
