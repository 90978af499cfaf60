// The thumbnail view offscreen: thumbnails painted as the builder's messages
// arrive (read back from grabs), scrolling, tooltips and the commands.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHelpEvent>
#include <QImage>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QToolTip>

#include <functional>
#include <memory>
#include <vector>

#include "browser/cache/ThumbCache.h"
#include "browser/cells/PaletteItemImg.h"
#include "browser/cells/ThumbDecoder.h"
#include "browser/thumbs/ImgThumbsBrowser.h"
#include "browser/thumbs/ItemInfo.h"
#include "browser/thumbs/ThumbsIds.h"
#include "browser/thumbs/ThumbsView.h"
#include "imagefiles/PathHelpers.h"
#include "platform/files/LocalFileName.h"
#include "tests/browser/thumbs/ThumbsTestEnv.h"

using namespace thumbstest;

namespace {

// Processes events until `done` holds or the time-out passes.
bool PollUntil(const std::function<bool()>& done, int timeoutMs = 30000) { return QTest::qWaitFor(done, timeoutMs); }

bool IsRedOrBlue(QColor c) {
    return (c.red() > 150 && c.green() < 90 && c.blue() < 90) || (c.blue() > 150 && c.red() < 90 && c.green() < 90);
}

// Shows the browser's folder in the view, at the given size.
void ShowFolder(CThumbsView& view, CThumbsBrowser& browser, const QString& folder, QSize size) {
    view.resize(size);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.SetBrowser(&browser);
    browser.m_strFolder = folder;
    view.OnInitialUpdate();
    QApplication::processEvents();
}

class ThumbsViewTest : public ::testing::Test {
protected:
    void Show(int width = 700, int height = 500) { ShowFolder(view, browser, env.Folder(), QSize(width, height)); }
    QColor PixelAt(QPoint client) { return view.viewport()->grab().toImage().pixelColor(client); }
    // The centre of the image area of the cell at content position p.
    static QPoint ImageCentre(QPoint p) { return p + QPoint(kCellMargin + 110, kCellMargin + 82); }

    ThumbsEnv env{false};
    CImgThumbsBrowser browser{env.settings};
    CThumbsView view;
};

TEST_F(ThumbsViewTest, PaintsThumbnailsAsTheyArrive) {
    for (int i = 0; i < 6; ++i)
        env.AddJpeg(QStringLiteral("p%1.jpg").arg(i));
    Show();
    ASSERT_EQ(browser.GetItemCount(), 6);
    const QPoint centre = ImageCentre(browser.GetItemPos(&view, 4));
    // Before the builder runs the cells are empty frames.
    EXPECT_FALSE(IsRedOrBlue(PixelAt(centre)));
    const int paints = view.PaintCount();

    g_ThumbsBuilder.Start();
    EXPECT_TRUE(PollUntil([&] { return IsRedOrBlue(PixelAt(centre)); }));
    EXPECT_GT(view.PaintCount(), paints);
    ASSERT_TRUE(g_ThumbsBuilder.WaitUntilIdle(kIdleMs));
    // Every cell shows its thumbnail once all are built.
    EXPECT_TRUE(PollUntil([&] {
        for (int i = 0; i < 6; ++i)
            if (!IsRedOrBlue(PixelAt(ImageCentre(browser.GetItemPos(&view, i)))))
                return false;
        return true;
    }));
    // The background between the cells stays the view's colour.
    EXPECT_EQ(PixelAt(QPoint(1, 1)).rgb(), CThumbsView::BackgroundColor().rgb());
}

// A picture whose name is not UTF-8 ("caf\xE9.jpg" in Latin-1) is listed,
// gets the thumbnail of its ASCII-named twin (the same file by another name)
// and a caption that shows the byte as an escape: the very caption of a file
// whose name is that escape in ASCII.
TEST_F(ThumbsViewTest, ANameThatIsNotUtf8GetsItsThumbnailAndAReadableCaption) {
    // The browser's own colours (no "resourses.ini"), so that captions show.
    LoadBrowserColors(env.Path(QStringLiteral("none.ini")));
    const QString plain = env.AddJpeg(QStringLiteral("plain.jpg"));
    ASSERT_TRUE(LinkByBytes(plain, env.Folder(), "caf\xE9.jpg"));
    ASSERT_TRUE(LinkByBytes(plain, env.Folder(), "caf\\xE9.jpg"));
    Show();
    ASSERT_EQ(browser.GetItemCount(), 3) << Names(browser).join(u' ').toStdString();
    g_ThumbsBuilder.Start();
    ASSERT_TRUE(g_ThumbsBuilder.WaitUntilIdle(kIdleMs));
    const auto cell = [&](const QByteArray& name) {
        int index = 0;
        for (const auto& item : browser.Items()) {
            if (platform::LocalFileName(item->m_strPath).endsWith('/' + name))
                return view.viewport()->grab().toImage().copy(
                    browser.GetItemRect(&view, index).translated(-view.ScrollPosition()));
            ++index;
        }
        return QImage();
    };
    ASSERT_TRUE(PollUntil([&] {
        const QImage shown = cell("caf\xE9.jpg");
        return !shown.isNull() && IsRedOrBlue(shown.pixelColor(kCellMargin + 110, kCellMargin + 82));
    }));
    const QImage latin1 = cell("caf\xE9.jpg"), escaped = cell("caf\\xE9.jpg"), twin = cell("plain.jpg");
    ASSERT_FALSE(latin1.isNull());
    EXPECT_EQ(latin1, escaped);
    const QRect picture(0, 0, latin1.width(), latin1.height() - kCaptionHeight);
    EXPECT_EQ(latin1.copy(picture), twin.copy(picture));
    EXPECT_NE(latin1, twin);  // the captions differ
    // The private home goes with its files, which Qt's removal cannot name.
    for (const char* name : {"caf\xE9.jpg", "caf\\xE9.jpg"})
        ::unlink((platform::LocalFileName(env.Folder()) + '/' + name).constData());
}

TEST_F(ThumbsViewTest, MessagesOfOtherKindsOrBrowsersPaintNothing) {
    env.AddBytes(QStringLiteral("a.jpg"), 64);
    Show();
    ASSERT_TRUE(PollUntil([&] { return view.PaintCount() > 0; }));
    const int paints = view.PaintCount();
    view.Port()->Post(WM_THUMBS_UPDATED, browser.Tag(), 1);
    view.Port()->Post(WM_THUMBS_UPDATED, browser.Tag() + 1, 0);
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(view.PaintCount(), paints);
    view.Port()->Post(WM_THUMBS_UPDATED, browser.Tag(), 0);
    EXPECT_TRUE(PollUntil([&] { return view.PaintCount() > paints; }));
}

TEST_F(ThumbsViewTest, ScrollsThroughTheRows) {
    for (int i = 0; i < 41; ++i)
        env.AddBytes(QStringLiteral("f%1.jpg").arg(i, 2, 10, QChar(u'0')), 64);
    Show(800, 500);
    const QSize cell = browser.GetCellSize();
    const int cols = browser.GetColumnCount(&view);
    ASSERT_EQ(cols, view.ClientSize().width() / cell.width());
    const int rows = (41 + cols - 1) / cols;
    ASSERT_EQ(cols, 3);
    QScrollBar* bar = view.verticalScrollBar();
    EXPECT_EQ(bar->maximum(), rows * cell.height() - view.ClientSize().height());
    EXPECT_EQ(bar->singleStep(), cell.height());

    bar->setValue(5 * cell.height());
    QApplication::processEvents();
    const QPoint inFirst = ImageCentre(browser.GetItemPos(&view, 0));
    EXPECT_EQ(browser.HitTest(&view, inFirst), 5 * cols);
    EXPECT_EQ(QFileInfo(browser.GetItemPathAt(&view, inFirst)).fileName(),
              QStringLiteral("f%1.jpg").arg(5 * cols, 2, 10, QChar(u'0')));

    // To the end: the last item is painted, the empty slots after it are not.
    browser.EnsureVisible(40);
    QApplication::processEvents();
    EXPECT_EQ(bar->value(), bar->maximum());
    const QPoint last = browser.GetItemPos(&view, 40) - view.ScrollPosition();
    EXPECT_EQ(browser.HitTest(&view, last + QPoint(10, 10)), 40);
    const QPoint emptySlot = ImageCentre(browser.GetItemPos(&view, 41) - view.ScrollPosition());
    EXPECT_GE(browser.HitTest(&view, emptySlot), 41);
    EXPECT_EQ(PixelAt(emptySlot).rgb(), CThumbsView::BackgroundColor().rgb());
    EXPECT_NE(PixelAt(ImageCentre(last)).rgb(), CThumbsView::BackgroundColor().rgb());

    // Back to the top through the first item.
    browser.EnsureVisible(0);
    EXPECT_EQ(bar->value(), 0);
}

// The cells of the rows about to come into view are decoded off the
// painting, within the bound of decoded thumbnails: scrolling one screen
// down paints cells that were decoded before the painting.
TEST_F(ThumbsViewTest, TheRowsAboutToComeIntoViewAreDecodedBeforeTheirPainting) {
    const int count = 60;
    for (int i = 0; i < count; ++i)
        env.AddJpeg(QStringLiteral("p%1.jpg").arg(i, 2, 10, QChar(u'0')));
    Show(800, 500);
    g_ThumbsBuilder.Start();
    ASSERT_TRUE(g_ThumbsBuilder.WaitUntilIdle(kIdleMs));
    const int cols = browser.GetColumnCount(&view);
    const int cellHeight = browser.GetCellSize().height();
    ASSERT_EQ(cols, 3);
    auto decoded = [&](int index) {
        CellRef cell;
        return g_ThumbCache.LookupInMemory(browser.GetItem(index)->m_strPath, cell) && cell && cell->HoldsDib();
    };
    auto decodedRows = [&](int firstRow, int lastRow) {
        for (int i = firstRow * cols; i < std::min(count, (lastRow + 1) * cols); ++i)
            if (!decoded(i))
                return false;
        return true;
    };
    // Rows 0 to 2 are in view: rows 3 to 8 (two screens) come next.
    ASSERT_TRUE(PollUntil([&] {
        return IsRedOrBlue(PixelAt(ImageCentre(browser.GetItemPos(&view, 0)))) &&
               browser.ThumbDecoder().WaitUntilIdle(0) && decodedRows(0, 8);
    }));
    EXPECT_FALSE(decodedRows(12, 19));

    // One screen down: what comes into view is decoded before it is painted.
    const int paints = view.PaintCount();
    view.verticalScrollBar()->setValue(3 * cellHeight);
    EXPECT_EQ(view.PaintCount(), paints);
    EXPECT_TRUE(decodedRows(3, 5));
    ASSERT_TRUE(PollUntil([&] { return view.PaintCount() > paints; }));
    EXPECT_TRUE(IsRedOrBlue(PixelAt(ImageCentre(browser.GetItemPos(&view, 9) - view.ScrollPosition()))));
    // And the rows after those follow.
    EXPECT_TRUE(PollUntil([&] { return browser.ThumbDecoder().WaitUntilIdle(0) && decodedRows(6, 11); }));
}

TEST_F(ThumbsViewTest, ResizingChangesTheColumns) {
    for (int i = 0; i < 10; ++i)
        env.AddBytes(QStringLiteral("f%1.jpg").arg(i), 64);
    Show(1000, 500);
    const int wide = browser.GetColumnCount(&view);
    view.resize(500, 500);
    QApplication::processEvents();
    EXPECT_LT(browser.GetColumnCount(&view), wide);
    EXPECT_EQ(view.verticalScrollBar()->maximum() + view.ClientSize().height(), browser.GetContentSize(&view).height());
}

TEST_F(ThumbsViewTest, TheGridFitsBesideTheVerticalScrollBar) {
    for (int i = 0; i < 30; ++i)
        env.AddBytes(QStringLiteral("f%1.jpg").arg(i, 2, 10, QChar(u'0')), 64);
    const int cellWidth = browser.GetCellSize().width();
    const int scrollBar = view.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &view);
    // Widths where three columns fit only without the scroll bar, and
    // widths with room to spare.
    for (int width : {3 * cellWidth, 3 * cellWidth + scrollBar / 2, 3 * cellWidth + scrollBar, 800}) {
        SCOPED_TRACE(width);
        if (!view.isVisible()) {
            Show(width, 500);
        } else {
            view.resize(width, 500);
            QApplication::processEvents();
        }
        ASSERT_TRUE(view.verticalScrollBar()->isVisible());
        EXPECT_FALSE(view.horizontalScrollBar()->isVisible()) << "nothing to scroll sideways";
        const int client = view.viewport()->width();
        EXPECT_EQ(client, width - scrollBar);
        for (int i = 0; i < 30; ++i) {
            EXPECT_LE(browser.GetItemRect(&view, i).right(), client - 1) << i;
        }
        const QSize content = browser.GetContentSize(&view);
        EXPECT_LE(content.width(), client);
        EXPECT_EQ(view.verticalScrollBar()->maximum(), content.height() - view.viewport()->height());
    }
}

TEST_F(ThumbsViewTest, ToolTipsNameTheFileItsImageAndItsSize) {
    const QString path = env.AddJpeg(QStringLiteral("IMG_0001.JPG"), 320, 240);
    Show();
    const QPoint centre = ImageCentre(browser.GetItemPos(&view, 0));
    // Without a thumbnail there is no tooltip yet.
    EXPECT_EQ(view.ToolTipTextAt(centre), QString());

    g_ThumbsBuilder.Start();
    ASSERT_TRUE(g_ThumbsBuilder.WaitUntilIdle(kIdleMs));
    const QString expected =
        QStringLiteral("File: IMG_0001.JPG\nSize: 320x240\nFile size: ") + FormatFileSizeText(GetFileSize64(path));
    EXPECT_EQ(view.ToolTipTextAt(centre), expected);
    EXPECT_EQ(view.ToolTipTextAt(QPoint(view.ClientSize().width() - 2, 10)), QString());

    QHelpEvent help(QEvent::ToolTip, centre, view.viewport()->mapToGlobal(centre));
    QApplication::sendEvent(view.viewport(), &help);
    EXPECT_EQ(QToolTip::text(), expected);
    QToolTip::hideText();
}

// The words and letters of a text, without the blanks and line breaks
// between them.
QString Letters(QString text) {
    text.remove(u' ');
    text.remove(u'\n');
    return text;
}

TEST_F(ThumbsViewTest, ALongNameWrapsAt600PixelsInTheShownToolTip) {
    QString name;
    for (int i = 0; name.size() < 230; ++i)
        name += QStringLiteral("harbour%1 ").arg(i);
    const QString path = env.AddJpeg(name.trimmed() + QStringLiteral(".jpg"), 320, 240);
    Show();
    g_ThumbsBuilder.Start();
    ASSERT_TRUE(g_ThumbsBuilder.WaitUntilIdle(kIdleMs));
    const QString full = browser.GetItemToolTip(0);
    ASSERT_TRUE(full.startsWith(QStringLiteral("File: ") + QFileInfo(path).fileName()));

    const QPoint centre = ImageCentre(browser.GetItemPos(&view, 0));
    QHelpEvent help(QEvent::ToolTip, centre, view.viewport()->mapToGlobal(centre));
    QApplication::sendEvent(view.viewport(), &help);
    const QString shown = QToolTip::text();
    QToolTip::hideText();
    // The name takes several lines, none wider than 600 pixels; nothing is
    // lost but the blanks where the lines break.
    const QFontMetrics metrics(QToolTip::font());
    const QStringList lines = shown.split(u'\n');
    EXPECT_GT(lines.size(), full.count(u'\n') + 2);
    for (const QString& line : lines)
        EXPECT_LE(metrics.horizontalAdvance(line), CThumbsView::kToolTipWrapWidth) << line.toStdString();
    EXPECT_EQ(Letters(shown), Letters(full));
}

TEST(ThumbsViewToolTip, TextsLongerThan511CharactersShowTheirFirst511) {
    QString text;
    for (int i = 0; text.size() < 700; ++i)
        text += QStringLiteral("w%1 ").arg(i, 3, 10, QChar(u'0'));
    text += QString(300, u'x');  // one word wider than the limit
    const QString shown =
        CThumbsView::ShownToolTipText(text, CThumbsView::kToolTipMaxChars, CThumbsView::kToolTipWrapWidth);
    EXPECT_EQ(Letters(shown), Letters(text.left(511)));
    EXPECT_FALSE(shown.contains(QStringLiteral("x")));
    const QFontMetrics metrics(QToolTip::font());
    for (const QString& line : shown.split(u'\n'))
        EXPECT_LE(metrics.horizontalAdvance(line), 600) << line.toStdString();
    // A word wider than the limit is broken where it must be.
    const QString wide = CThumbsView::ShownToolTipText(QString(300, u'x'), 511, 600);
    EXPECT_GT(wide.count(u'\n'), 0);
    EXPECT_EQ(Letters(wide), QString(300, u'x'));
}

// An image browser whose temporary cells report the thumbnails they load.
class LoadRecordingBrowser : public CImgThumbsBrowser {
public:
    using CImgThumbsBrowser::CImgThumbsBrowser;
    struct Load {
        QString path;
        bool better;
        bool built;
        bool operator==(const Load&) const = default;
    };
    std::shared_ptr<CPaletteItem> CreateTempItem() override { return std::make_shared<Cell>(loads); }
    std::vector<Load> loads;

private:
    class Cell : public CPaletteItemImg {
    public:
        explicit Cell(std::vector<Load>& loads) : m_loads(loads) {}
        bool LoadThumbnail(const QString& path, bool better, CProgress* progress) override {
            const bool built = CPaletteItemImg::LoadThumbnail(path, better, progress);
            m_loads.push_back({path, better, built && HasThumbnailData()});
            return built;
        }

    private:
        std::vector<Load>& m_loads;
    };
};

TEST(ThumbsViewSelectAll, ItemsWithoutAThumbnailAreLoadedByATemporaryCellBeforeTheirRedraw) {
    ThumbsEnv env{false};  // no builder: nothing reaches the cache
    const QStringList paths = {env.AddJpeg(QStringLiteral("a.jpg")), env.AddJpeg(QStringLiteral("b.jpg")),
                               env.AddJpeg(QStringLiteral("c.jpg"))};
    LoadRecordingBrowser browser{env.settings};
    CThumbsView view;
    ShowFolder(view, browser, env.Folder(), QSize(760, 500));
    ASSERT_EQ(browser.GetItemCount(), 3);

    // A plain click redraws its item without loading anything.
    const QPoint first = browser.GetItemRect(&view, 0).center();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, first);
    ASSERT_EQ(browser.GetItem(0)->m_bSelected, 1);
    EXPECT_TRUE(browser.loads.empty());

    // Select all loads the two items it selects, in order, in the fast pass.
    browser.loads.clear();
    ASSERT_TRUE(view.RunCommand(ID_BROWSER_SELECTALL));
    const std::vector<LoadRecordingBrowser::Load> expected = {{paths[1], false, true}, {paths[2], false, true}};
    EXPECT_EQ(browser.loads, expected);
    for (const auto& item : browser.Items())
        EXPECT_EQ(item->m_bSelected, 1);
    // The cells were temporary: the cache still knows none of them.
    for (const QString& path : paths) {
        CellRef cell;
        EXPECT_FALSE(g_ThumbCache.LookupInMemory(path, cell)) << path.toStdString();
    }
}

TEST_F(ThumbsViewTest, SelectAllShowsThePicturesItLoadedWithoutABuilder) {
    for (int i = 0; i < 4; ++i)
        env.AddJpeg(QStringLiteral("p%1.jpg").arg(i));
    env.AddBytes(QStringLiteral("z.jpg"), 64);  // no picture to load
    Show(760, 500);
    ASSERT_EQ(browser.GetItemCount(), 5);
    auto shows = [&](int i) { return IsRedOrBlue(PixelAt(ImageCentre(browser.GetItemPos(&view, i)))); };
    // Nothing builds thumbnails here: the cells show placeholders.
    for (int i = 0; i < 5; ++i)
        ASSERT_FALSE(shows(i)) << i;

    const int paints = view.PaintCount();
    ASSERT_TRUE(view.RunCommand(ID_BROWSER_SELECTALL));
    ASSERT_TRUE(PollUntil([&] { return view.PaintCount() > paints; }));
    // The thumbnails loaded for the redraw are the ones painted, and stay
    // for the paintings after (each grab paints the view again).
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(shows(i)) << i;
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(shows(i)) << i;
    EXPECT_FALSE(shows(4));
    for (const auto& item : browser.Items())
        EXPECT_EQ(item->m_bSelected, 1);

    // A new listing forgets them.
    ASSERT_TRUE(view.RunCommand(ID_BROWSER_REFRESH));
    EXPECT_FALSE(shows(0));
}

TEST_F(ThumbsViewTest, CommandsFollowTheItemCount) {
    Show();
    EXPECT_FALSE(view.QueryCommand(ID_BROWSER_SELECTALL).enabled);
    EXPECT_FALSE(view.QueryCommand(ID_SORT_NAME).enabled);
    EXPECT_TRUE(view.QueryCommand(ID_BROWSER_REFRESH).enabled);
    EXPECT_TRUE(view.QueryCommand(ID_BROWSER_PROPERTIES).enabled);

    env.AddBytes(QStringLiteral("b.jpg"), 300);
    ASSERT_TRUE(view.RunCommand(ID_BROWSER_REFRESH));
    EXPECT_TRUE(view.QueryCommand(ID_BROWSER_SELECTALL).enabled);
    EXPECT_FALSE(view.QueryCommand(ID_SORT_SIZE).enabled);

    env.AddBytes(QStringLiteral("a.jpg"), 400);
    env.AddBytes(QStringLiteral("c.jpg"), 100);
    view.RunCommand(ID_BROWSER_REFRESH);
    for (const SortCommand& sort : kSortCommands)
        EXPECT_TRUE(view.QueryCommand(sort.id).enabled) << sort.id;
    ASSERT_TRUE(view.RunCommand(ID_SORT_SIZE));
    EXPECT_EQ(Names(browser), (QStringList{"c.jpg", "b.jpg", "a.jpg"}));
    EXPECT_EQ(browser.m_nSortType, 8);
    ASSERT_TRUE(view.RunCommand(ID_SORT_NAME));
    EXPECT_EQ(Names(browser), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));

    ASSERT_TRUE(view.RunCommand(ID_BROWSER_SELECTALL));
    for (const auto& item : browser.Items())
        EXPECT_EQ(item->m_bSelected, 1);
    // The reserved command and the next-pane command are taken and do nothing.
    EXPECT_TRUE(view.RunCommand(ID_BROWSER_RESERVED));
    EXPECT_TRUE(view.RunCommand(ID_NEXT_PANE));
}

}  // namespace
