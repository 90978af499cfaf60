// The browser and its view offscreen, driven by real clicks and keys:
// selection gestures, key moves, the clipboard with the exact data put
// there, paste, drops from another program (also right after an internal
// drop), the rename box on the caption, and Tab to the next pane.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "ItemListFixtures.h"
#include "browser/ThumbFixtures.h"
#include "browser/builder/Thumbnails.h"
#include "browser/builder/ThumbsBuilder.h"
#include "browser/cache/ThumbCache.h"
#include "browser/cells/ThumbCacheLock.h"
#include "browser/tabstops/TabstopNavigator.h"
#include "browser/thumbs/FileMimeData.h"
#include "browser/thumbs/ImgThumbsBrowser.h"
#include "browser/thumbs/PopupEdit.h"
#include "browser/thumbs/ThumbsIds.h"
#include "browser/thumbs/ThumbsView.h"
#include "core/settings/AppSettings.h"
#include "support/FileFixtures.h"
#include "support/PrivateHome.h"

namespace {

class Browser : public ::testing::Test {
protected:
    void SetUp() override {
        g_ThumbCache.Open(DefaultThumbCacheFolder());
        g_ThumbsBuilder.Start();
        folder_ = home_.Path() + QStringLiteral("/pictures");
        other_ = home_.Path() + QStringLiteral("/other");
        QDir().mkpath(folder_);
        QDir().mkpath(other_);
    }
    void TearDown() override {
        QApplication::clipboard()->clear();
        view_.reset();
        browser_.reset();
        ShutdownThumbnails();
    }
    QString Add(const QString& name) {
        const QString path = folder_ + u'/' + name;
        EXPECT_TRUE(thumbfixtures::WriteBytes(path, thumbfixtures::SolidJpeg(64, 48, thumbfixtures::kRed)));
        return path;
    }
    // Shows `count` pictures p0.jpg ... in a view of the given size.
    void Show(int count, QSize size = QSize(760, 520)) {
        for (int i = 0; i < count; ++i)
            Add(QStringLiteral("p%1.jpg").arg(i));
        browser_ = std::make_unique<CImgThumbsBrowser>(settings_);
        view_ = std::make_unique<CThumbsView>();
        view_->resize(size);
        view_->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view_.get()));
        view_->SetBrowser(browser_.get());
        browser_->m_strFolder = folder_;
        view_->OnInitialUpdate();
        QApplication::processEvents();
        ASSERT_EQ(browser_->GetItemCount(), count);
    }
    QWidget* Port() const { return view_->viewport(); }
    // The centre of item i's image, in client coordinates.
    QPoint Centre(int i) const {
        return browser_->GetItemRect(view_.get(), i).center() - view_->ScrollPosition() - QPoint(0, 12);
    }
    QPoint Caption(int i) const { return browser_->GetLabelRect(view_.get(), i).center() - view_->ScrollPosition(); }
    QPoint Empty() const {
        const QRect last = browser_->GetItemRect(view_.get(), browser_->GetItemCount() - 1);
        return QPoint(view_->ClientSize().width() - 3, last.bottom() + 20) - view_->ScrollPosition();
    }
    void Click(QPoint p, Qt::KeyboardModifiers keys = Qt::NoModifier) {
        QTest::mouseClick(Port(), Qt::LeftButton, keys, p);
    }
    QString Selection() const { return itemfixtures::Describe(browser_->Items()); }
    // The rename box that is open and has the focus, or null.
    CPopupEdit* OpenBox() {
        CPopupEdit* edit = nullptr;
        (void)QTest::qWaitFor([&] {
            for (CPopupEdit* candidate : view_->findChildren<CPopupEdit*>()) {
                if (!candidate->IsDone())
                    edit = candidate;
            }
            return edit != nullptr && edit->hasFocus();
        });
        return edit;
    }

    PrivateHome home_;
    AppSettings settings_;
    QString folder_;
    QString other_;
    std::unique_ptr<CImgThumbsBrowser> browser_;
    std::unique_ptr<CThumbsView> view_;
};

TEST_F(Browser, ClicksCtrlAndShiftSelect) {
    Show(6);
    Click(Centre(1));
    EXPECT_EQ(Selection(), QStringLiteral("p0 *p1 p2 p3 p4 p5"));
    Click(Centre(3), Qt::ControlModifier);
    EXPECT_EQ(Selection(), QStringLiteral("p0 *p1 p2 *p3 p4 p5"));
    // Ctrl+click on a selected item deselects it at button-up.
    Click(Centre(1), Qt::ControlModifier);
    EXPECT_EQ(Selection(), QStringLiteral("p0 p1 p2 *p3 p4 p5"));
    Click(Centre(5), Qt::ShiftModifier);
    EXPECT_EQ(Selection(), QStringLiteral("p0 p1 p2 *p3 *p4 *p5"));
    // Pressing on the last selected item keeps the selection; on another one
    // the release leaves that one alone.
    Click(Centre(5));
    EXPECT_EQ(Selection(), QStringLiteral("p0 p1 p2 *p3 *p4 *p5"));
    Click(Centre(4));
    EXPECT_EQ(Selection(), QStringLiteral("p0 p1 p2 p3 *p4 p5"));
    // A press on empty space clears the selection.
    Click(Empty());
    EXPECT_EQ(Selection(), QStringLiteral("p0 p1 p2 p3 p4 p5"));
    // Shift+click with nothing selected: from the first item.
    Click(Centre(2), Qt::ShiftModifier);
    EXPECT_EQ(Selection(), QStringLiteral("*p0 *p1 *p2 p3 p4 p5"));
    // Shift+click on empty space ends with nothing selected.
    Click(Empty(), Qt::ShiftModifier);
    EXPECT_EQ(Selection(), QStringLiteral("p0 p1 p2 p3 p4 p5"));
}

TEST_F(Browser, TheRubberBandSelectsWhatItMeets) {
    Show(6);
    const QPoint start = Empty();
    QTest::mousePress(Port(), Qt::LeftButton, {}, start);
    const QPoint end = Centre(4);  // sweeps over the items right of p4 and below
    QMouseEvent move(QEvent::MouseMove, end, Port()->mapToGlobal(end), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Port(), &move);
    EXPECT_TRUE(browser_->RubberBandShown());
    const QString during = Selection();
    QTest::mouseRelease(Port(), Qt::LeftButton, {}, end);
    EXPECT_FALSE(browser_->RubberBandShown());
    EXPECT_EQ(Selection(), during);
    // The band from the empty corner to p4 meets p4 and whatever lies
    // between; p0 lies outside it.
    EXPECT_TRUE(browser_->GetItem(4)->m_bSelected);
    EXPECT_FALSE(browser_->GetItem(0)->m_bSelected);
}

TEST_F(Browser, KeysMoveTheSelection) {
    Show(7);
    // 760 / 236 = 3 columns.
    ASSERT_EQ(browser_->GetColumnCount(view_.get()), 3);
    view_->setFocus();
    QTest::keyClick(view_.get(), Qt::Key_Home);
    EXPECT_EQ(Selection(), QStringLiteral("*p0 p1 p2 p3 p4 p5 p6"));
    QTest::keyClick(view_.get(), Qt::Key_Down);
    EXPECT_EQ(Selection(), QStringLiteral("p0 p1 p2 *p3 p4 p5 p6"));
    QTest::keyClick(view_.get(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(Selection(), QStringLiteral("p0 p1 p2 *p3 *p4 p5 p6"));
    QTest::keyClick(view_.get(), Qt::Key_Down);
    EXPECT_EQ(Selection(), QStringLiteral("p0 p1 p2 p3 p4 p5 *p6"));
    QTest::keyClick(view_.get(), Qt::Key_Left);
    EXPECT_EQ(Selection(), QStringLiteral("p0 p1 p2 p3 p4 *p5 p6"));
    QTest::keyClick(view_.get(), Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(Selection(), QStringLiteral("*p0 *p1 *p2 *p3 *p4 *p5 p6"));
    QTest::keyClick(view_.get(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Selection(), QStringLiteral("*p0 *p1 *p2 *p3 *p4 *p5 *p6"));
    QTest::keyClick(view_.get(), Qt::Key_End);
    EXPECT_EQ(Selection(), QStringLiteral("p0 p1 p2 p3 p4 p5 *p6"));
}

TEST_F(Browser, KeysInAnEmptyFolderDoNothing) {
    Show(0);
    view_->setFocus();
    // Each key, alone and with Shift, where there is nothing to move over:
    // nothing is selected (the empty bounds: first the count, last -1) and
    // the view does not scroll.
    const Qt::Key keys[] = {Qt::Key_Home,   Qt::Key_End,      Qt::Key_Down, Qt::Key_Up,
                            Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Left, Qt::Key_Right};
    for (const Qt::KeyboardModifier modifier : {Qt::NoModifier, Qt::ShiftModifier}) {
        for (const Qt::Key key : keys) {
            SCOPED_TRACE(testing::Message() << "key " << key << " modifier " << modifier);
            QTest::keyClick(view_.get(), key, modifier);
            int first = -2, last = -2;
            EXPECT_EQ(browser_->GetSelectionRange(first, last), 0);
            EXPECT_EQ(first, 0);
            EXPECT_EQ(last, -1);
            EXPECT_EQ(browser_->CountSelectedFiles(), 0);
            EXPECT_EQ(view_->ScrollPosition(), QPoint(0, 0));
        }
    }
}

TEST_F(Browser, CtrlCPutsTheSelectionWithItsNotesOnTheClipboard) {
    Show(3);
    ASSERT_TRUE(WriteFile(folder_ + QStringLiteral("/p0.wav"), "note"));
    Click(Centre(0));
    Click(Centre(2), Qt::ControlModifier);
    view_->setFocus();
    QTest::keyClick(view_.get(), Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    const QByteArray base = QUrl::fromLocalFile(folder_).toEncoded();
    EXPECT_EQ(data->data(QStringLiteral("text/uri-list")),
              base + "/p0.jpg\r\n" + base + "/p0.wav\r\n" + base + "/p2.jpg\r\n");
    EXPECT_EQ(data->data(QStringLiteral("x-special/gnome-copied-files")),
              "copy\n" + base + "/p0.jpg\n" + base + "/p0.wav\n" + base + "/p2.jpg");
    EXPECT_EQ(data->data(QStringLiteral("application/x-kde-cutselection")), QByteArray("0"));
    EXPECT_EQ(browser_->CountSelectedFiles(), 3);
    // Ctrl+X marks them cut.
    QTest::keyClick(view_.get(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->mimeData()->data(QStringLiteral("application/x-kde-cutselection")),
              QByteArray("1"));
}

TEST_F(Browser, CtrlVPastesFilesCopiedElsewhereAndListsThem) {
    Show(1);
    const QString outside = other_ + QStringLiteral("/p0.jpg");
    ASSERT_TRUE(thumbfixtures::WriteBytes(outside, thumbfixtures::SolidJpeg(64, 48, thumbfixtures::kBlue)));
    // As Nautilus puts it: the GNOME list alone.
    auto* data = new QMimeData;
    data->setData(QStringLiteral("x-special/gnome-copied-files"), "copy\n" + QUrl::fromLocalFile(outside).toEncoded());
    QApplication::clipboard()->setMimeData(data);
    ScriptedAnswers answers;
    ASSERT_TRUE(browser_->CanPaste());
    view_->setFocus();
    QTest::keyClick(view_.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Entries(folder_), (QStringList{"p0 (2).jpg", "p0.jpg"}));
    EXPECT_EQ(browser_->GetItemCount(), 2);
    EXPECT_TRUE(QFileInfo::exists(outside));
}

TEST_F(Browser, ContextMenusOfferWhatTheirPlaceAllows) {
    Show(2);
    QApplication::clipboard()->clear();
    auto texts = [](QMenu& menu) {
        QStringList out;
        for (QAction* action : menu.actions())
            out.append(action->text() + (action->isEnabled() ? QString() : QStringLiteral(" (grey)")));
        return out;
    };
    auto outside = browser_->BuildContextMenu(154, view_.get());
    EXPECT_EQ(texts(*outside), (QStringList{"&Refresh", "&Paste (grey)", "Select all", "Sort"}));
    auto one = browser_->BuildContextMenu(149, view_.get());
    EXPECT_EQ(texts(*one), (QStringList{"&Paste (grey)", "&Copy", "Select all", "Sort", "Properties ..."}));
    QApplication::clipboard()->setMimeData(NewFileListMimeData({folder_ + QStringLiteral("/p0.jpg")}, false).release());
    auto many = browser_->BuildContextMenu(284, view_.get());
    EXPECT_EQ(texts(*many), (QStringList{"&Paste", "&Copy", "Select all", "Sort"}));

    // A right click on an unselected item selects it alone before the menu opens.
    Click(Centre(0));
    QTimer::singleShot(100, [] {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    });
    QTest::mouseClick(Port(), Qt::RightButton, {}, Centre(1));
    EXPECT_EQ(Selection(), QStringLiteral("p0 *p1"));
}

// Stands in for the main window: a top-level window whose command routing
// offers every command to the view, and notes the commands it ran.
class RoutingWindow : public QWidget, public platform::CmdTarget {
public:
    bool OnCmdMsg(int id, platform::CCmdUI* ui) override {
        if (ui == nullptr)
            ran.push_back(id);
        return view != nullptr && view->OnCmdMsg(id, ui);
    }
    CThumbsView* view = nullptr;
    std::vector<int> ran;
};

TEST_F(Browser, ContextMenuEntriesFollowTheirUpdateRules) {
    // Sorting needs two items, Select all one; the others are always there.
    for (int count : {0, 1, 2}) {
        SCOPED_TRACE(count);
        Show(count);
        QApplication::clipboard()->clear();
        for (int menuId : {154, 149, 284}) {
            const auto menu = browser_->BuildContextMenu(menuId, view_.get());
            for (QAction* action : menu->actions()) {
                const QString text = action->text();
                if (action->menu() != nullptr) {
                    ASSERT_EQ(text, QStringLiteral("Sort"));
                    ASSERT_EQ(action->menu()->actions().size(), 6);
                    for (QAction* sort : action->menu()->actions())
                        EXPECT_EQ(sort->isEnabled(), count > 1) << sort->text().toStdString();
                } else if (text == QStringLiteral("Select all")) {
                    EXPECT_EQ(action->isEnabled(), count > 0);
                } else {
                    EXPECT_EQ(action->isEnabled(), text != QStringLiteral("&Paste")) << text.toStdString();
                }
            }
        }
    }
}

TEST_F(Browser, ContextMenuCommandsGoThroughTheWindowsRouting) {
    Show(2);
    RoutingWindow window;
    auto* view = new CThumbsView(&window);
    window.view = view;
    view->SetBrowser(browser_.get());
    window.resize(760, 520);
    window.show();
    const auto menu = browser_->BuildContextMenu(154, view);
    QAction* selectAll = nullptr;
    for (QAction* action : menu->actions())
        if (action->text() == QStringLiteral("Select all"))
            selectAll = action;
    ASSERT_NE(selectAll, nullptr);
    ASSERT_TRUE(selectAll->isEnabled());
    selectAll->trigger();
    EXPECT_EQ(window.ran, std::vector<int>{ID_BROWSER_SELECTALL});
    EXPECT_EQ(Selection(), QStringLiteral("*p0 *p1"));
}

TEST_F(Browser, ASelectionChangeStartsTheCaptionFromItsBeginning) {
    Show(1);
    const QString longName =
        Add(QStringLiteral("a_long_name_of_a_picture_of_the_harbour_at_dusk_taken_from_the_pier.jpg"));
    browser_->Refresh();
    ASSERT_EQ(browser_->GetItemCount(), 2);
    ASSERT_TRUE(g_ThumbsBuilder.WaitUntilIdle(60000));
    CellRef cell;
    ASSERT_TRUE(QTest::qWaitFor([&] { return g_ThumbCache.Lookup(longName, cell) && cell; }));
    auto scroll = [&] {
        std::lock_guard lock(g_csThumbCache);
        return cell->m_nLabelScroll;
    };
    // Selected, the caption that does not fit scrolls on every tick.
    Click(Centre(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return scroll() >= 10; }));
    Click(Centre(1));
    EXPECT_EQ(scroll(), 0) << "deselected";
    Click(Centre(0));
    EXPECT_EQ(scroll(), 0) << "selected again";
}

TEST_F(Browser, TheDragMarkersPictureHasItsBlackBorder) {
    Show(3);
    ASSERT_TRUE(g_ThumbsBuilder.WaitUntilIdle(60000));
    const QString dragged = folder_ + QStringLiteral("/p0.jpg");
    CellRef cell;
    ASSERT_TRUE(QTest::qWaitFor([&] { return g_ThumbCache.Lookup(dragged, cell) && cell; }));
    browser_->m_pDragCell = cell;
    browser_->m_strContextPath = dragged;
    browser_->m_nInsertIndex = 1;
    browser_->m_nGap = 0;

    QImage canvas(view_->ClientSize(), QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);  // client coordinates, as the view paints
        browser_->DrawInsertMarker(painter, view_.get());
    }
    // The marker's picture fills the width of the box inside the frame
    // (50 x 50 around the left edge of item 1, less 2 pixels each side).
    const QRect item = browser_->GetItemRect(view_.get(), 1).translated(-view_->ScrollPosition());
    const QPoint centre(item.left(), item.top() + item.height() / 2);
    const int left = centre.x() - 23;
    EXPECT_EQ(canvas.pixelColor(left, centre.y()), QColor(Qt::black));
    EXPECT_EQ(canvas.pixelColor(left + 45, centre.y()), QColor(Qt::black));
    const QColor inside = canvas.pixelColor(left + 5, centre.y());
    EXPECT_GT(inside.red(), 150);
    EXPECT_LT(inside.green(), 100);
    browser_->m_pDragCell.reset();
    browser_->m_nInsertIndex = -1;
}

TEST_F(Browser, ADropFromAnotherProgramAfterAnInternalDropCopiesFiles) {
    Show(3);
    const QString outside = other_ + QStringLiteral("/new.jpg");
    ASSERT_TRUE(thumbfixtures::WriteBytes(outside, thumbfixtures::SolidJpeg(64, 48, thumbfixtures::kBlue)));
    // What an internal drop used to leave behind.
    browser_->m_bInternalDrag = 1;
    ScriptedAnswers answers;
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"), EncodeUriList({outside}));
    const QPoint at = Centre(0);
    QDragMoveEvent over(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::NoButton, Qt::ControlModifier);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::NoButton, Qt::ControlModifier);
    QApplication::sendEvent(Port(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QApplication::sendEvent(Port(), &over);
    EXPECT_TRUE(over.isAccepted());
    EXPECT_EQ(over.dropAction(), Qt::CopyAction);
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::NoButton, Qt::ControlModifier);
    drop.setDropAction(Qt::CopyAction);
    QApplication::sendEvent(Port(), &drop);
    EXPECT_TRUE(QFileInfo::exists(folder_ + QStringLiteral("/new.jpg")));
    EXPECT_TRUE(QFileInfo::exists(outside));
    EXPECT_EQ(browser_->GetItemCount(), 4);
    EXPECT_EQ(browser_->m_bInternalDrag, 0);
}

TEST_F(Browser, OnlyAFolderTakesADragOfItsOwnItemsOrOfFiles) {
    Show(3);
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"), EncodeUriList({folder_ + QStringLiteral("/p0.jpg")}));
    const QPoint at = Centre(1);
    struct Case {
        const char* shown;
        bool library;
        int internal;
        unsigned keys;
        int effect;
    };
    // The keys choose the effect of a drag of the view's own items as of any
    // other: Ctrl copy, Shift move, none move on the same drive.
    const Case cases[] = {
        {"folder, own items", false, 1, 0, DROPEFFECT_MOVE},
        {"folder, own items, Ctrl", false, 1, MK_CONTROL, DROPEFFECT_COPY},
        {"folder, own items, Shift", false, 1, MK_SHIFT, DROPEFFECT_MOVE},
        {"folder, files from elsewhere (same drive)", false, 0, 0, DROPEFFECT_MOVE},
        {"folder, files from elsewhere, Ctrl", false, 0, MK_CONTROL, DROPEFFECT_COPY},
        {"library, own items", true, 1, 0, DROPEFFECT_NONE},
        {"library, own items, Ctrl", true, 1, MK_CONTROL, DROPEFFECT_NONE},
        {"library, files from elsewhere", true, 0, 0, DROPEFFECT_NONE},
    };
    for (const Case& c : cases) {
        if (c.library)
            browser_->SetLocation(QStringLiteral("2,Pictures;icon;") + folder_);
        ASSERT_EQ(browser_->m_strFolder.isEmpty(), c.library) << c.shown;
        browser_->m_bInternalDrag = c.internal;
        EXPECT_EQ(browser_->OnDragOver(&data, c.keys, at), c.effect) << c.shown;
    }
    browser_->m_bInternalDrag = 0;
}

TEST_F(Browser, AClickOnTheCaptionOfTheOnlySelectedItemRenamesIt) {
    Show(2);
    ASSERT_TRUE(WriteFile(folder_ + QStringLiteral("/p1.wav"), "note"));
    bool editing = false;
    browser_->SetLabelEditingFlag(&editing);
    Click(Centre(0));
    Click(Centre(1), Qt::ControlModifier);
    // The caption of one of two selected items: no box.
    Click(Caption(1));
    EXPECT_EQ(QApplication::focusWidget(), view_.get());
    Click(Centre(0));
    ASSERT_EQ(Selection(), QStringLiteral("*p0 p1"));
    QTest::mousePress(Port(), Qt::LeftButton, {}, Caption(0));
    CPopupEdit* edit = OpenBox();
    ASSERT_NE(edit, nullptr);
    QTest::mouseRelease(Port(), Qt::LeftButton, {}, Caption(0));
    EXPECT_TRUE(editing);
    EXPECT_EQ(edit->selectedText(), QStringLiteral("p0"));
    QTest::keyClicks(edit, QStringLiteral("Beach"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(editing);
    EXPECT_EQ(Entries(folder_), (QStringList{"Beach.jpg", "p1.jpg", "p1.wav"}));
    // Renamed in place: same order, same selection.
    EXPECT_EQ(browser_->GetItem(0)->m_strPath, folder_ + QStringLiteral("/Beach.jpg"));
    EXPECT_EQ(browser_->m_lstUndoOld, QStringList{folder_ + QStringLiteral("/p0.jpg")});
    EXPECT_EQ(browser_->m_nUndoDepth, 1);
    EXPECT_EQ(browser_->m_nUndoKind, 2);

    // A picture with a sound note: both renamed, both recorded, the folder
    // listed again.
    Click(Centre(1));
    QTest::mousePress(Port(), Qt::LeftButton, {}, Caption(1));
    edit = OpenBox();
    ASSERT_NE(edit, nullptr);
    QTest::mouseRelease(Port(), Qt::LeftButton, {}, Caption(1));
    QTest::keyClicks(edit, QStringLiteral("Talk"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Entries(folder_), (QStringList{"Beach.jpg", "Talk.jpg", "Talk.wav"}));
    EXPECT_EQ(browser_->m_lstUndoNew,
              (QStringList{folder_ + QStringLiteral("/Talk.jpg"), folder_ + QStringLiteral("/Talk.wav")}));
    EXPECT_EQ(browser_->m_lstPrevUndoNew, QStringList{folder_ + QStringLiteral("/Beach.jpg")});
    EXPECT_EQ(browser_->m_nUndoDepth, 2);
    EXPECT_EQ(browser_->GetItemCount(), 2);
}

TEST_F(Browser, TheViewIsATabStopAfterTheTree) {
    CTabstopNavigator navigator;  // the application object's, in the program
    Show(1);
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* tree = new QTreeWidget;
    auto* field = new QLineEdit;
    layout->addWidget(tree);
    layout->addWidget(field);
    CTabstopNavigator::Register(tree, kTabstopOrderShellTree);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Tab);
    EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::focusWidget() == view_.get(); }));
    QTest::keyClick(view_.get(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(QTest::qWaitFor([tree] { return QApplication::focusWidget() == tree; }));
}

}  // namespace
