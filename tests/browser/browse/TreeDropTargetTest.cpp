// The folder tree's drop target: refused whenever the main window says no,
// and its own rules without one: the item under the pointer, the effect by
// keys and volume, and the drop itself.
#include "browser/browse/BrowseFixtures.h"

#include "browser/browse/TreeDropTarget.h"
#include "browser/thumbs/ThumbsBrowser.h"

#include <QDragMoveEvent>
#include <QMimeData>
#include <QUrl>

namespace {

std::unique_ptr<QMimeData> FileList(const QStringList& paths) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

}  // namespace

class TreeDropTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        ASSERT_TRUE(WriteFile(H("Documents/note.jpg"), "x"));
        OpenWindow();
        target = &window->LeftView()->DropTarget();
        ASSERT_TRUE(target->IsRegistered());
        trip = Find({"Home", "Pictures", "Trip"});
        ASSERT_NE(trip, nullptr);
        Tree().scrollToItem(trip);
        QApplication::processEvents();
        point = Tree().visualItemRect(trip).center();
    }
    void TearDown() override {
        SetTreeDropQuery({});
        BrowseTest::TearDown();
    }
    // A drag of `data` moved onto the point as the window system sends it.
    bool DragMoveAccepted(const QMimeData& data, Qt::KeyboardModifiers keys = {}) {
        QDragEnterEvent enter(point, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, keys);
        QApplication::sendEvent(Tree().viewport(), &enter);
        QDragMoveEvent move(point, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, keys);
        QApplication::sendEvent(Tree().viewport(), &move);
        return move.isAccepted();
    }

    CTreeDropTarget* target = nullptr;
    ShellTreeItem* trip = nullptr;
    QPoint point;
};

TEST_F(TreeDropTest, TheMainWindowsRefusalRefusesEveryDragAndDropsNothing) {
    int asked = 0;
    SetTreeDropQuery([&](const QMimeData*, unsigned, QPoint) {
        ++asked;
        return false;
    });
    auto data = FileList({H("Documents/note.jpg")});
    for (const unsigned keys : {0u, MK_CONTROL, MK_SHIFT})
        EXPECT_EQ(target->OnDragOver(data.get(), keys, point), DROPEFFECT_NONE);
    EXPECT_EQ(target->HighlightedItem(), nullptr);
    EXPECT_FALSE(DragMoveAccepted(*data));
    QDropEvent drop(point, Qt::CopyAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(Tree().viewport(), &drop);
    EXPECT_FALSE(drop.isAccepted());
    EXPECT_GE(asked, 4);
    EXPECT_TRUE(QFile::exists(H("Documents/note.jpg")));
    EXPECT_FALSE(QFile::exists(H("Pictures/Trip/note.jpg")));
}

TEST_F(TreeDropTest, WithoutAQueryTheKeysAndTheVolumeChooseTheEffect) {
    auto data = FileList({H("Documents/note.jpg")});
    struct Case {
        unsigned keys;
        int effect;
    };
    // One volume: a plain drag moves.
    for (const Case c : {Case{0, DROPEFFECT_MOVE}, Case{MK_CONTROL, DROPEFFECT_COPY}, Case{MK_SHIFT, DROPEFFECT_MOVE}})
        EXPECT_EQ(target->OnDragOver(data.get(), c.keys, point), c.effect) << c.keys;
    EXPECT_EQ(target->HighlightedItem(), trip);
    target->OnDragLeave();
    EXPECT_EQ(target->HighlightedItem(), nullptr);
    EXPECT_FALSE(trip->data(0, Qt::BackgroundRole).isValid());

    // Off any item, without files, onto a virtual item, or a folder into
    // itself: nothing.
    EXPECT_EQ(target->OnDragOver(data.get(), 0, QPoint(-5, Tree().viewport()->height() - 1)), DROPEFFECT_NONE);
    QMimeData text;
    text.setText("not files");
    EXPECT_EQ(target->OnDragOver(&text, 0, point), DROPEFFECT_NONE);
    auto self = FileList({H("Pictures")});
    EXPECT_EQ(target->OnDragOver(self.get(), 0, point), DROPEFFECT_NONE);
    Tree().scrollToItem(Tree().RootItem()->child(0));
    QApplication::processEvents();
    EXPECT_EQ(target->OnDragOver(data.get(), 0, Tree().visualItemRect(Tree().RootItem()->child(0)).center()),
              DROPEFFECT_NONE);
}

TEST_F(TreeDropTest, ADropCopiesOrMovesTheFilesIntoTheItemsFolder) {
    auto data = FileList({H("Documents/note.jpg")});
    ASSERT_TRUE(target->OnDrop(data.get(), DROPEFFECT_COPY, point));
    EXPECT_TRUE(QFile::exists(H("Documents/note.jpg")));
    EXPECT_TRUE(QFile::exists(H("Pictures/Trip/note.jpg")));
    // A second copy does not replace the first.
    ASSERT_TRUE(target->OnDrop(data.get(), DROPEFFECT_COPY, point));
    EXPECT_TRUE(QFile::exists(H("Pictures/Trip/note (2).jpg")));
    ASSERT_TRUE(target->OnDrop(data.get(), DROPEFFECT_MOVE, point));
    EXPECT_FALSE(QFile::exists(H("Documents/note.jpg")));
    EXPECT_TRUE(QFile::exists(H("Pictures/Trip/note (3).jpg")));
    EXPECT_EQ(target->HighlightedItem(), nullptr);
    // Through the events as a drag from a file manager arrives.
    auto again = FileList({H("Pictures/Trip/note.jpg")});
    Tree().scrollToItem(Find({"Home", "Documents"}));
    QApplication::processEvents();
    point = Tree().visualItemRect(Find({"Home", "Documents"})).center();
    EXPECT_TRUE(DragMoveAccepted(*again));
    QDropEvent drop(point, Qt::MoveAction, again.get(), Qt::LeftButton, {});
    QApplication::sendEvent(Tree().viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_TRUE(QFile::exists(H("Documents/note.jpg")));
    EXPECT_FALSE(QFile::exists(H("Pictures/Trip/note.jpg")));
}
