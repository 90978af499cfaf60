// How the Browse window lays out and paints its panes over the preview it
// covers: the bar between the panes shows none of the preview's pixels, and
// the tree's first width shows the names of the folders it opens on (a
// stored width still wins).
#include "browser/browse/BrowseFixtures.h"

#include <QPainter>
#include <QSplitter>

namespace {

// Stands for the preview pane: it paints its picture itself.
class Preview : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(20, 20, 230)); }
};

TEST_F(BrowseTest, NothingOfThePreviewShowsThroughTheBarBetweenThePanes) {
    Preview preview;
    preview.resize(800, 500);
    auto* browse = new CBrowseWnd(settings, profile, port, &preview);
    browse->setGeometry(preview.rect());
    ASSERT_TRUE(browse->Create());
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    const QImage shot = preview.grab().toImage();
    QSplitterHandle* bar = browse->Splitter()->handle(1);
    ASSERT_NE(bar, nullptr);
    ASSERT_GT(bar->width(), 0);
    const QRect area(bar->mapTo(&preview, QPoint(0, 0)), bar->size());
    int previewPixels = 0;
    for (int y = area.top(); y <= area.bottom(); y += 7)
        for (int x = area.left(); x <= area.right(); ++x)
            previewPixels += shot.pixelColor(x, y) == QColor(20, 20, 230) ? 1 : 0;
    EXPECT_EQ(previewPixels, 0);
}

TEST_F(BrowseTest, TheTreesFirstWidthShowsTheNamesOfTheFoldersItOpensOn) {
    const QString folder = H("Pictures/Holiday in Connemara, summer 2023");
    ASSERT_TRUE(QDir().mkpath(folder));
    settings.m_strBrowseFolder = folder;
    OpenWindow(1000);
    QApplication::processEvents();
    ASSERT_NE(Tree().CurrentShellItem(), nullptr);
    EXPECT_EQ(Tree().GetItemPath(Tree().CurrentShellItem()), folder);
    EXPECT_GT(window->Splitter()->sizes().front(), CBrowseWnd::kDefaultLeftWidth);
    const QAbstractItemView& tree = Tree();
    EXPECT_LE(tree.sizeHintForColumn(0), tree.viewport()->width()) << "no name is cut";
    // A width the user chose wins over the names.
    CloseWindow();
    profile.WriteInt("SPLITTER", "LEFTWIDTH", 150);
    OpenWindow(1000);
    EXPECT_EQ(window->Splitter()->sizes().front(), 150);
}

}  // namespace
