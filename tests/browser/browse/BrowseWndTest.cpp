// The Browse window: first run and the saved layout, selections turned into
// listings and watches, libraries, the monitor's commands, and the order of
// destruction.
#include "browser/browse/BrowseFixtures.h"

#include "browser/monitor/FolderMonitor.h"
#include "browser/thumbs/ThumbsIds.h"
#include "platform/resources/CommandIds.h"
#include "platform/shellns/ShellLibrary.h"

#include <QSplitter>

namespace {

bool WritePicture(const QString& path) { return WriteBytes(path, SolidJpeg(64, 48, kRed)); }

}  // namespace

TEST_F(BrowseTest, FirstRunShowsTheBrowseFolderWithALeftPaneOf200Pixels) {
    ASSERT_TRUE(WritePicture(H("Pictures/Trip/b.jpg")));
    ASSERT_TRUE(WritePicture(H("Pictures/Trip/a.jpg")));
    OpenWindow();
    EXPECT_EQ(window->Splitter()->sizes().front(), CBrowseWnd::kDefaultLeftWidth);
    ASSERT_NE(Tree().CurrentShellItem(), nullptr);
    EXPECT_EQ(Tree().GetItemPath(Tree().CurrentShellItem()), H("Pictures/Trip"));
    EXPECT_TRUE(WaitForListing({"a.jpg", "b.jpg"}));
    EXPECT_EQ(Browser().m_strFolder, H("Pictures/Trip"));
    EXPECT_EQ(Tree().objectName(), "ShellTree");
    EXPECT_EQ(Tree().property("controlId").toInt(), 33111);
}

TEST_F(BrowseTest, ReopeningRestoresTheWidthAndTheLastSelection) {
    ASSERT_TRUE(WritePicture(H("Documents/doc.jpg")));
    OpenWindow();
    Click(Find({"Home", "Documents"}));
    EXPECT_TRUE(WaitForListing({"doc.jpg"}));
    window->Splitter()->setSizes({260, 540});
    CloseWindow();
    EXPECT_EQ(profile.GetInt("SPLITTER", "LEFTWIDTH", -1), 260);

    OpenWindow();
    EXPECT_EQ(window->Splitter()->sizes().front(), 260);
    EXPECT_EQ(Tree().GetItemPath(Tree().CurrentShellItem()), H("Documents"));
    EXPECT_TRUE(WaitForListing({"doc.jpg"}));
}

TEST_F(BrowseTest, StoredWidthsOutsideTheWindowAreBroughtIn) {
    struct Case {
        int stored;
        int expected;
    };
    // The thumbnails keep their minimum width.
    const int most = 800 - CThumbsView().minimumSizeHint().width();
    for (const Case c : {Case{-5, 200}, Case{0, 0}, Case{350, 350}, Case{5000, most}}) {
        profile.WriteInt("SPLITTER", "LEFTWIDTH", c.stored);
        OpenWindow(800);
        EXPECT_NEAR(window->Splitter()->sizes().front(), c.expected, 8) << c.stored;
        EXPECT_GT(window->Splitter()->sizes().back(), 0) << c.stored;
        CloseWindow();
    }
}

TEST_F(BrowseTest, AChangeMadeOutsideIsListedWithoutTouchingTheSelection) {
    ASSERT_TRUE(WritePicture(H("Pictures/Trip/a.jpg")));
    OpenWindow();
    ASSERT_TRUE(WaitForListing({"a.jpg"}));
    Browser().SelectItem(0, window->ThumbsView(), false);
    ASSERT_TRUE(WritePicture(H("Pictures/Trip/c.jpg")));
    EXPECT_TRUE(WaitForListing({"a.jpg", "c.jpg"}));
    EXPECT_TRUE(Browser().GetItem(0)->m_bSelected);
    ASSERT_TRUE(QFile::remove(H("Pictures/Trip/a.jpg")));
    EXPECT_TRUE(WaitForListing({"c.jpg"}));
}

TEST_F(BrowseTest, ALibraryIsListedAndNothingIsWatchedWhileItIsShown) {
    ASSERT_TRUE(WritePicture(H("Pictures/p.jpg")));
    ASSERT_TRUE(WritePicture(H("Pictures/Trip/a.jpg")));
    OpenWindow();
    ASSERT_TRUE(WaitForListing({"a.jpg"}));
    Click(Find({"Libraries", "Pictures"}));
    EXPECT_TRUE(WaitForListing({"p.jpg"}));
    EXPECT_EQ(Browser().m_nLocationType, kLocationLibrary);
    // A change in the folder shown before lists nothing over the library:
    // the monitor watches nothing while the library is shown.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Browser().Monitor()->IsWatching(); }, 30000));
    ASSERT_TRUE(WritePicture(H("Pictures/Trip/b.jpg")));
    QCoreApplication::processEvents();
    EXPECT_EQ(Listed(), QStringList({"p.jpg"}));
    // Back to the folder: it is watched and listed again.
    Click(Find({"Home", "Pictures", "Trip"}));
    EXPECT_TRUE(WaitForListing({"a.jpg", "b.jpg"}));
    EXPECT_EQ(Browser().m_nLocationType, kLocationFolder);
}

TEST_F(BrowseTest, MonitorCommandsOfAnotherBrowserDoNotChangeTheFolder) {
    ASSERT_TRUE(WritePicture(H("Documents/doc.jpg")));
    ASSERT_TRUE(WritePicture(H("Pictures/Trip/a.jpg")));
    OpenWindow();
    ASSERT_TRUE(WaitForListing({"a.jpg"}));
    for (const int id : {ID_BEGINREADFOLDER, ID_REFRESH}) {
        auto other = std::make_shared<const MonitoredFolder>(MonitoredFolder{H("Documents"), nullptr});
        EXPECT_TRUE(window->OnMonitorCommand(platform::Command{id, 0, 0, other}));
        EXPECT_EQ(Browser().m_strFolder, H("Pictures/Trip"));
        EXPECT_EQ(Listed(), QStringList({"a.jpg"}));
    }
    auto own = std::make_shared<const MonitoredFolder>(MonitoredFolder{H("Documents"), window->Browser()});
    EXPECT_TRUE(window->OnMonitorCommand(platform::Command{ID_BEGINREADFOLDER, 0, 0, own}));
    EXPECT_EQ(Listed(), QStringList({"doc.jpg"}));
    EXPECT_FALSE(window->OnMonitorCommand(platform::Command{ID_PREVIEW_READY, 0, 0, own}));
}

TEST_F(BrowseTest, CommandsGoToTheActivePaneFirst) {
    OpenWindow();
    // The thumbnails' pane: Refresh is theirs.
    window->ThumbsView()->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(window->ActivePane(), window->ThumbsView());
    EXPECT_TRUE(window->QueryCommand(ID_BROWSER_REFRESH).enabled);
    // The tree's pane consumes F6 and has no Refresh.
    Tree().setFocus();
    QApplication::processEvents();
    EXPECT_EQ(window->ActivePane(), window->LeftView());
    EXPECT_TRUE(window->RunCommand(ID_NEXT_PANE));
    EXPECT_FALSE(window->QueryCommand(ID_BROWSER_REFRESH).enabled);
}

TEST_F(BrowseTest, TheTreeAndTheViewLetGoOfTheBrowserBeforeItIsDeleted) {
    OpenWindow();
    QPointer<CThumbsView> view = window->ThumbsView();
    CShellTree* tree = window->Tree();
    QPointer<QWidget> left = window->LeftView();
    router.window = nullptr;
    window.reset();
    // The tree went with the window; the view waits for its deferred
    // deletion without a browser.
    EXPECT_TRUE(left.isNull());
    (void)tree;
    ASSERT_FALSE(view.isNull());
    EXPECT_EQ(view->Browser(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(view.isNull());
}

TEST_F(BrowseTest, RenamingTheShownFolderInTheTreeListsItUnderItsNewName) {
    ASSERT_TRUE(WritePicture(H("Pictures/Trip/a.jpg")));
    OpenWindow();
    ASSERT_TRUE(WaitForListing({"a.jpg"}));
    Tree().RenameItem(Tree().CurrentShellItem(), "Journey");
    EXPECT_TRUE(QFileInfo(H("Pictures/Journey")).isDir());
    ASSERT_NE(Tree().CurrentShellItem(), nullptr);
    EXPECT_EQ(Tree().GetItemPath(Tree().CurrentShellItem()), H("Pictures/Journey"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Browser().m_strFolder == H("Pictures/Journey"); }, 30000));
    EXPECT_TRUE(WaitForListing({"a.jpg"}));
}
