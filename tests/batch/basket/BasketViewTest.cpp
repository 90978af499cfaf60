// The basket and its view offscreen, with real events: files dropped and
// pasted into it, the click that gives the settings an item's own and opens
// its picture, the commands and their enabling rules, remove selected, the
// item tooltips, the context menus, the empty basket's hint, and batch files
// saved and loaded through the basket.
#include "batch/basket/BasketBrowser.h"
#include "batch/basket/BasketView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include "batch/basket/BasketHost.h"
#include "batch/basket/BasketIds.h"
#include "batch/basket/BatchFile.h"
#include "browser/builder/Thumbnails.h"
#include "browser/cache/ThumbCache.h"
#include "core/settings/AppSettings.h"
#include "platform/resources/CommandIds.h"
#include "support/FileFixtures.h"
#include "support/PrivateHome.h"
#include "tests/batch/ModeNames.h"

namespace {

using platform::PromptAnswer;

// The thumbnail cache in a folder of its own and the builder threads, for
// the whole run: the last basket of a test waits for the builder to be idle.
class ThumbnailsEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // The browser's default colours (no "resourses.ini").
        LoadBrowserColors(folder_.path() + QStringLiteral("/none.ini"));
        ASSERT_TRUE(InitThumbnails(folder_.path() + QStringLiteral("/cache")));
    }
    void TearDown() override { ShutdownThumbnails(); }

private:
    QTemporaryDir folder_;
};
const auto* const kThumbnails = ::testing::AddGlobalTestEnvironment(new ThumbnailsEnvironment);

class RecordingHost : public IBasketHost {
public:
    explicit RecordingHost(AppSettings& settings) : settings_(settings) {}
    bool IsBrowsing() const override { return browsing; }
    void UpdateAll() override { ++updates; }
    bool OpenDocumentFile(const QString& path) override {
        opened.append(path);
        openedFromBasket.push_back(settings_.m_bOpenFromBasket);
        return true;
    }
    QWidget* DialogOwner() override { return nullptr; }

    bool browsing = false;
    int updates = 0;
    QStringList opened;
    std::vector<int> openedFromBasket;

private:
    AppSettings& settings_;
};

QString WritePng(const QString& path, int w, int h, double dpi = 72.0) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(200, 60, 40));
    image.setDotsPerMeterX(static_cast<int>(dpi / 0.0254 + 0.5));
    image.setDotsPerMeterY(static_cast<int>(dpi / 0.0254 + 0.5));
    EXPECT_TRUE(image.save(path, "PNG"));
    return path;
}

std::unique_ptr<QMimeData> FileList(const QStringList& paths) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data->setUrls(urls);
    return data;
}

// The regions a widget paints, as its paint events tell them.
class PaintedRegions : public QObject {
public:
    explicit PaintedRegions(QWidget* widget) : widget_(widget) { widget_->installEventFilter(this); }
    ~PaintedRegions() override { widget_->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            region += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
    QRegion region;

private:
    QWidget* widget_;
};

class BasketViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.m_nWidth = 640;
        settings_.m_nHeight = 480;
        settings_.m_fDpi = 300.0f;
        settings_.m_nInterpolMode = 4;
        basket_ = std::make_unique<CBasketBrowser>(settings_, &host_);
        view_ = std::make_unique<CBasketView>();
        view_->SetBasket(basket_.get());
        view_->resize(800, 230);
        view_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
        view_->OnInitialUpdate();
    }
    void TearDown() override {
        view_.reset();
        basket_.reset();
        QApplication::clipboard()->clear();
    }

    QString Picture(const char* name, int w = 120, int h = 80, double dpi = 72.0) {
        return WritePng(home_.Path() + u'/' + QLatin1String(name), w, h, dpi);
    }
    // Drops the files on the view as a file manager would.
    void Drop(const QStringList& paths) { Drop(*FileList(paths)); }
    void Drop(const QMimeData& data) {
        const QPoint at(40, 40);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view_->viewport(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view_->viewport(), &drop);
    }
    QPoint ItemCentre(int index) { return basket_->GetItemRect(view_.get(), index).center() - view_->ScrollPosition(); }
    bool Enabled(int id) { return view_->QueryCommand(id).enabled; }
    QStringList Paths() {
        QStringList paths;
        for (const auto& item : basket_->Items())
            paths.append(item->m_strPath);
        return paths;
    }

    PrivateHome home_;
    AppSettings settings_;
    RecordingHost host_{settings_};
    std::unique_ptr<CBasketBrowser> basket_;
    std::unique_ptr<CBasketView> view_;
};

TEST_F(BasketViewTest, TheWheelScrollsTheRowSidewaysALineOfCellsANotch) {
    QStringList files;
    for (int i = 0; i < 12; ++i)
        files.append(Picture(QStringLiteral("w%1.png").arg(i, 2, 10, QChar(u'0')).toLatin1().constData()));
    Drop(files);
    QScrollBar* across = view_->horizontalScrollBar();
    ASSERT_TRUE(view_->VerticalRangeEmpty());
    ASSERT_GT(across->maximum(), 0);
    const int line = basket_->GetCellSize().width();
    const int notches = QApplication::wheelScrollLines();
    auto turn = [&](int delta) {
        const QPoint at = view_->viewport()->rect().center();
        QWheelEvent wheel(at, view_->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view_->viewport(), &wheel);
    };
    turn(-120);  // a notch towards the user: to the right
    EXPECT_EQ(view_->ScrollPosition().x(), std::min({across->maximum(), line * notches, across->pageStep()}));
    EXPECT_EQ(view_->ScrollPosition().y(), 0);
    turn(120);
    EXPECT_EQ(view_->ScrollPosition().x(), 0);
}

TEST_F(BasketViewTest, DroppedFilesFillTheBasketInOrder) {
    const QStringList files = {Picture("a.png"), Picture("b.png"), Picture("c.png")};
    Drop(files);
    EXPECT_EQ(Paths(), files);
    EXPECT_EQ(basket_->m_lstPaths, files);
    EXPECT_EQ(basket_->m_arrOffsets.size(), 3u);
    // The thumbnail was made at once, so the first painting shows it.
    CellRef cell;
    ASSERT_TRUE(g_ThumbCache.LookupInMemory(files[0], cell));
    EXPECT_TRUE(cell->HasThumbnailData());
}

// A picture whose name is not UTF-8 ("caf\xE9.png" in Latin-1), dropped as
// a file manager lists it (its bytes percent-encoded), gets the thumbnail of
// its ASCII-named twin (the same file by another name) and a caption that
// shows the byte as an escape: the very caption of a file whose name is that
// escape in ASCII.
TEST_F(BasketViewTest, ANameThatIsNotUtf8GetsItsThumbnailAndAReadableCaption) {
    const QString plain = Picture("plain.png");
    const QByteArray names[] = {"plain.png", "caf\xE9.png", "caf\\xE9.png"};
    QByteArray uris;
    for (const QByteArray& name : names) {
        if (name != names[0]) {
            ASSERT_TRUE(LinkByBytes(plain, home_.Path(), name));
        }
        uris += "file://" + (QFile::encodeName(home_.Path()) + '/' + name).toPercentEncoding("/") + "\r\n";
    }
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"), uris);
    Drop(data);
    ASSERT_EQ(basket_->GetItemCount(), 3);
    ASSERT_TRUE(g_ThumbsBuilder.WaitUntilIdle(120000));
    view_->viewport()->repaint();
    const QImage shot = view_->viewport()->grab().toImage();
    const auto cell = [&](int index) {
        return shot.copy(basket_->GetItemRect(view_.get(), index).translated(-view_->ScrollPosition()));
    };
    const QImage twin = cell(0), latin1 = cell(1), escaped = cell(2);
    EXPECT_EQ(latin1, escaped);
    const QRect picture(0, 0, latin1.width(), latin1.height() - kCaptionHeight);
    EXPECT_EQ(latin1.copy(picture), twin.copy(picture));
    // A thumbnail, not an empty frame: the picture's own colour at its centre.
    const QColor centre = latin1.pixelColor(picture.center());
    EXPECT_TRUE(std::abs(centre.red() - 200) <= 3 && std::abs(centre.green() - 60) <= 3 &&
                std::abs(centre.blue() - 40) <= 3)
        << centre.name().toStdString();
    EXPECT_NE(latin1, twin);  // the captions differ
    // The private home goes with its files, which Qt's removal cannot name.
    for (const QByteArray& name : {names[1], names[2]})
        ::unlink((QFile::encodeName(home_.Path()) + '/' + name).constData());
}

TEST_F(BasketViewTest, ADroppedDuplicateIsAddedOnlyWhenTheUserSaysYes) {
    const QString a = Picture("a.png");
    Drop({a});
    {
        ScriptedAnswers no({PromptAnswer::No});
        Drop({a});
        EXPECT_EQ(no.Questions().size(), 1u);
    }
    EXPECT_EQ(basket_->GetItemCount(), 1);
    ScriptedAnswers yes({PromptAnswer::Yes});
    Drop({a});
    EXPECT_EQ(Paths(), (QStringList{a, a}));
}

TEST_F(BasketViewTest, PasteAddsTheClipboardsFiles) {
    QApplication::clipboard()->setText(QStringLiteral("no files here"));
    EXPECT_FALSE(Enabled(ID_BASKET_PASTE));
    EXPECT_FALSE(Enabled(ID_EDIT_PASTE));
    const QStringList files = {Picture("a.png"), Picture("b.png")};
    QApplication::clipboard()->setMimeData(FileList(files).release());
    ASSERT_TRUE(Enabled(ID_BASKET_PASTE));
    EXPECT_TRUE(view_->RunCommand(ID_BASKET_PASTE));
    EXPECT_EQ(Paths(), files);
    // The clipboard's paste key adds to the basket too, and copies nothing anywhere.
    ScriptedAnswers yes({PromptAnswer::Yes, PromptAnswer::Yes});
    EXPECT_TRUE(view_->RunCommand(ID_EDIT_PASTE));
    EXPECT_EQ(basket_->GetItemCount(), 4);
}

// A file manager's copy in each of the desktops' formats, alone on the
// clipboard: the basket takes what the browser's paste takes.
TEST_F(BasketViewTest, PasteTakesEveryDesktopsFileListFormat) {
    const QStringList files = {Picture("a.png"), Picture("b b.png")};
    QByteArray uris, gnome("copy");
    for (const QString& file : files) {
        uris += QUrl::fromLocalFile(file).toEncoded() + "\r\n";
        gnome += "\n" + QUrl::fromLocalFile(file).toEncoded();
    }
    struct Format {
        const char* name;
        std::vector<std::pair<QString, QByteArray>> entries;
    };
    const std::vector<Format> formats = {
        {"uri list", {{QStringLiteral("text/uri-list"), uris}}},
        {"GNOME copied files", {{QStringLiteral("x-special/gnome-copied-files"), gnome}}},
        {"KDE cut selection",
         {{QStringLiteral("application/x-kde-cutselection"), "1"}, {QStringLiteral("text/uri-list"), uris}}},
    };
    for (const Format& format : formats) {
        SCOPED_TRACE(format.name);
        basket_->Items().DeleteAll();
        basket_->RebuildList();
        auto data = std::make_unique<QMimeData>();
        for (const auto& [mime, bytes] : format.entries)
            data->setData(mime, bytes);
        QApplication::clipboard()->setMimeData(data.release());
        ASSERT_TRUE(Enabled(ID_BASKET_PASTE));
        EXPECT_TRUE(view_->RunCommand(ID_BASKET_PASTE));
        EXPECT_EQ(Paths(), files);
    }
}

TEST_F(BasketViewTest, AClickGivesTheSettingsTheItemsOwnAndOpensIt) {
    settings_.m_nApplyToAll = 0;
    Drop({Picture("a.png", 800, 600, 72.0), Picture("b.png", 100, 50)});
    CItem* first = basket_->GetItem(0);
    first->m_nMode = 3;
    first->m_nCorrection = 2;
    QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, ItemCentre(0));
    EXPECT_EQ(settings_.m_nWidth, 800);
    EXPECT_EQ(settings_.m_nHeight, 600);
    EXPECT_NEAR(settings_.m_fDpi, 72.0f, 0.05f);
    EXPECT_EQ(settings_.m_nInterpolMode, 3);
    EXPECT_EQ(settings_.m_nCorrectProp, 2);
    EXPECT_EQ(host_.opened, QStringList{first->m_strPath});
    // The document keeps the item's target on this open, and only on it.
    EXPECT_EQ(host_.openedFromBasket, std::vector<int>{1});
    EXPECT_EQ(settings_.m_bOpenFromBasket, 0);
}

TEST_F(BasketViewTest, AClickOnANeverSizedItemOpensItWithoutChangingTheSettings) {
    ASSERT_TRUE(WriteFile(home_.Path() + QStringLiteral("/notes.txt"), "not a picture"));
    Drop({home_.Path() + QStringLiteral("/notes.txt")});
    ASSERT_EQ(basket_->GetItem(0)->m_nTargetWidth, 0);
    QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, ItemCentre(0));
    EXPECT_EQ(settings_.m_nWidth, 640);
    EXPECT_EQ(host_.opened.size(), 1);
}

TEST_F(BasketViewTest, WhileBrowsingAClickOnlyUpdatesThePanelAndViews) {
    Drop({Picture("a.png", 300, 200)});
    host_.browsing = true;
    QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, ItemCentre(0));
    EXPECT_EQ(host_.updates, 1);
    EXPECT_TRUE(host_.opened.isEmpty());
    EXPECT_EQ(settings_.m_nWidth, 300);
}

TEST_F(BasketViewTest, AClickOnEmptySpaceChangesNothing) {
    Drop({Picture("a.png", 300, 200)});
    QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, QPoint(790, 220));
    EXPECT_TRUE(host_.opened.isEmpty());
    EXPECT_EQ(settings_.m_nWidth, 640);
}

TEST_F(BasketViewTest, CommandsFollowTheirEnablingRules) {
    struct Rule {
        int id;
        bool empty, one, two;
    };
    const Rule rules[] = {
        {ID_BATCH_REMOVE, false, false, false},    {ID_BASKET_COPY, true, true, true},
        {ID_BASKET_SELECTALL, false, true, true},  {ID_BASKET_SORT_NAME, false, false, true},
        {ID_BASKET_SORT_DATE, false, false, true}, {ID_BASKET_SORT_FORMAT, false, false, true},
        {ID_BASKET_PROPERTIES, true, true, true},  {ID_BASKET_REFRESH, false, true, true},
    };
    for (const Rule& rule : rules)
        EXPECT_EQ(Enabled(rule.id), rule.empty) << rule.id;
    Drop({Picture("b.png")});
    for (const Rule& rule : rules)
        EXPECT_EQ(Enabled(rule.id), rule.one) << rule.id;
    Drop({Picture("a.png")});
    for (const Rule& rule : rules)
        EXPECT_EQ(Enabled(rule.id), rule.two) << rule.id;
    basket_->GetItem(1)->m_bSelected = 1;
    EXPECT_TRUE(Enabled(ID_BATCH_REMOVE));
}

TEST_F(BasketViewTest, RemoveDeletesTheSelectedItems) {
    const QStringList files = {Picture("a.png"), Picture("b.png"), Picture("c.png")};
    Drop(files);
    basket_->GetItem(0)->m_bSelected = 1;
    basket_->GetItem(2)->m_bSelected = 1;
    EXPECT_TRUE(view_->RunCommand(ID_BATCH_REMOVE));
    EXPECT_EQ(Paths(), QStringList{files[1]});
    EXPECT_EQ(basket_->m_lstPaths, QStringList{files[1]});
    EXPECT_FALSE(Enabled(ID_BATCH_REMOVE));
}

TEST_F(BasketViewTest, SortByNameReordersTheItems) {
    const QString b = Picture("b.png"), a = Picture("a.png");
    Drop({b, a});
    EXPECT_TRUE(view_->RunCommand(ID_BASKET_SORT_NAME));
    EXPECT_EQ(Paths(), (QStringList{a, b}));
}

TEST_F(BasketViewTest, TooltipsShowTheItemsSettingsInThreeLines) {
    Drop({Picture("a.png", 800, 600, 72.0)});
    basket_->GetItem(0)->m_fTargetDpi = 72.0f;
    QRect rect;
    for (int mode : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11}) {
        basket_->GetItem(0)->m_nMode = mode;
        const QString name = mode < 10 ? QString::fromLatin1(batchtests::kModeNames[mode]) : QStringLiteral("11");
        EXPECT_EQ(view_->ToolTipTextAt(ItemCentre(0), &rect),
                  QStringLiteral("Resize to: 800x600\nResolution: 72 DPI\n") + name)
            << mode;
    }
    EXPECT_TRUE(rect.contains(ItemCentre(0)));
    EXPECT_TRUE(view_->ToolTipTextAt(QPoint(790, 220)).isEmpty());
}

TEST_F(BasketViewTest, RightClickOnAnUnselectedItemOpensItAndShowsTheOneItemMenu) {
    Drop({Picture("a.png", 200, 100), Picture("b.png")});
    QTest::mouseClick(view_->viewport(), Qt::RightButton, {}, ItemCentre(0));
    EXPECT_EQ(host_.opened.size(), 1);
    EXPECT_EQ(basket_->GetItem(0)->m_bSelected, 1);
    EXPECT_EQ(basket_->m_strContextPath, basket_->GetItem(0)->m_strPath);
    QMenu* menu = view_->ContextMenu();
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    for (QAction* action : menu->actions())
        texts.append(action->text());
    EXPECT_EQ(texts, (QStringList{"&Paste", "&Copy", "&Remove", "Select all", "Sort", "Properties ..."}));
    // Remove is enabled for the selected item and removes it.
    QAction* remove = menu->actions()[2];
    EXPECT_TRUE(remove->isEnabled());
    menu->close();
    remove->trigger();
    EXPECT_EQ(basket_->GetItemCount(), 1);
}

TEST_F(BasketViewTest, RightClickOnEmptySpaceDeselectsAndShowsTheOutsideMenu) {
    Drop({Picture("a.png")});
    basket_->GetItem(0)->m_bSelected = 1;
    QTest::mouseClick(view_->viewport(), Qt::RightButton, {}, QPoint(790, 220));
    EXPECT_EQ(basket_->GetItem(0)->m_bSelected, 0);
    QMenu* menu = view_->ContextMenu();
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    for (QAction* action : menu->actions())
        texts.append(action->text());
    EXPECT_EQ(texts, (QStringList{"&Refresh", "&Paste", "Select all", "Sort"}));
    QStringList sort;
    for (QAction* action : menu->actions()[3]->menu()->actions())
        sort.append(action->text());
    EXPECT_EQ(sort, (QStringList{"&Name", "&Date", "&File Format"}));
    menu->close();
    EXPECT_TRUE(host_.opened.isEmpty());
}

// A long basket paints only the cells its painting shows, at its start, far
// along the row and for a clip of one cell.
TEST_F(BasketViewTest, ALongBasketPaintsOnlyTheCellsInTheClip) {
    constexpr int kItems = 20000;
    const QString picture = Picture("a.png");
    for (int i = 0; i < kItems; ++i)
        basket_->Items().AddTail(std::make_unique<CItem>(settings_, picture));
    basket_->RebuildList();
    ASSERT_EQ(basket_->GetItemCount(), kItems);
    const int cellWidth = basket_->GetItemRect(view_.get(), 1).left() - basket_->GetItemRect(view_.get(), 0).left();
    ASSERT_GT(cellWidth, 0);
    const int shown = view_->viewport()->width() / cellWidth + 2;  // partly shown cells on both sides

    view_->viewport()->repaint();
    EXPECT_GT(basket_->CellsDrawnLastTime(), 0);
    EXPECT_LE(basket_->CellsDrawnLastTime(), shown);

    view_->horizontalScrollBar()->setValue(cellWidth * (kItems / 2) + cellWidth / 2);
    view_->viewport()->repaint();
    EXPECT_GT(basket_->CellsDrawnLastTime(), 0);
    EXPECT_LE(basket_->CellsDrawnLastTime(), shown);

    // The inside of one cell: that cell alone.
    const QRect one = basket_->GetItemRect(view_.get(), kItems / 2 + 2).translated(-view_->ScrollPosition());
    view_->viewport()->repaint(one.adjusted(4, 4, -4, -4));
    EXPECT_EQ(basket_->CellsDrawnLastTime(), 1);
}

// Far along a long row (beyond 2^25 pixels, where text laid out in 26.6
// fixed point would leave its range) every cell draws as the first ones do,
// captions included, and a selected caption too long for its cell scrolls.
TEST_F(BasketViewTest, CellsFarAlongALongBasketDrawAsTheFirstOnes) {
    constexpr int kItems = 200000;
    const QString picture = Picture("a_long_name_of_a_picture_of_the_harbour_at_dusk.png");
    Drop({picture});  // its thumbnail is made at once
    for (int i = 1; i < kItems; ++i)
        basket_->Items().AddTail(std::make_unique<CItem>(settings_, picture));
    basket_->RebuildList();
    ASSERT_EQ(basket_->GetItemCount(), kItems);
    ASSERT_TRUE(g_ThumbsBuilder.WaitUntilIdle(60000));
    QCoreApplication::processEvents();  // what the builder posted meanwhile
    const QImage first = view_->viewport()->grab().toImage();

    const int far = kItems - 10;
    const int x = basket_->GetItemRect(view_.get(), far).left();
    ASSERT_GT(x, 1 << 25);
    view_->horizontalScrollBar()->setValue(x);
    ASSERT_EQ(view_->ScrollPosition().x(), x);
    const QImage shot = view_->viewport()->grab().toImage();
    // The caption band of the cell shows text: pixels other than the band's.
    const auto caption = [&](int index) {
        return basket_->GetLabelRect(view_.get(), index).translated(-view_->ScrollPosition()).adjusted(10, 2, -10, -2);
    };
    const QColor band = BrowserColor(g_BrowserColors.crBorder.load());
    int textPixels = 0;
    const QRect label = caption(far);
    for (int cy = label.top(); cy <= label.bottom(); ++cy)
        for (int cx = label.left(); cx <= label.right(); ++cx)
            textPixels += shot.pixelColor(cx, cy) != band ? 1 : 0;
    EXPECT_GT(textPixels, 20) << "no caption far along the row";
    EXPECT_TRUE(shot == first) << "the cells far along the row draw otherwise than the first ones";

    // Selected, the caption scrolls: its ticks repaint it where the cell is.
    PaintedRegions painted(view_->viewport());
    const QRect moving = caption(far + 1);
    QTest::mouseClick(view_->viewport(), Qt::LeftButton, Qt::NoModifier, ItemCentre(far + 1));
    ASSERT_TRUE(basket_->GetItem(far + 1)->m_bSelected);
    ASSERT_TRUE(QTest::qWaitFor([&] { return painted.region.contains(moving); }));  // the selection
    painted.region = QRegion();
    EXPECT_TRUE(QTest::qWaitFor([&] { return painted.region.contains(moving); }))
        << "the selected caption is not repainted as it scrolls";
    const QImage before = view_->viewport()->grab(moving).toImage();
    EXPECT_TRUE(QTest::qWaitFor([&] { return view_->viewport()->grab(moving).toImage() != before; }));
}

TEST_F(BasketViewTest, TheEmptyBasketDrawsItsHintAcrossAboutHalfThePane) {
    const QImage shot = view_->viewport()->grab().toImage();
    const QColor background = CThumbsView::BackgroundColor();
    int left = shot.width(), right = -1, top = shot.height(), bottom = -1;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixelColor(x, y) != background) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GT(right, left) << "no hint drawn";
    const int width = right - left;
    EXPECT_GT(width, shot.width() * 3 / 10);
    EXPECT_LT(width, shot.width() * 7 / 10);
    // Centred both ways.
    EXPECT_NEAR((left + right) / 2, shot.width() / 2, 20);
    EXPECT_NEAR((top + bottom) / 2, shot.height() / 2, 20);
}

TEST(BasketHint, FontSizeTakesHalfTheWidthAndNeverGoesBelowFourTenths) {
    EXPECT_EQ(CBasketBrowser::HintFontTenths(800, 200), 200);
    EXPECT_EQ(CBasketBrowser::HintFontTenths(800, 400), 100);
    EXPECT_EQ(CBasketBrowser::HintFontTenths(10, 200), 4);
    EXPECT_EQ(CBasketBrowser::HintFontTenths(0, 200), 4);
    EXPECT_EQ(CBasketBrowser::HintFontTenths(800, 0), 4);
}

TEST_F(BasketViewTest, BatchFilesSaveAndLoadThroughTheBasket) {
    const QStringList files = {Picture("a.png", 300, 200), Picture("b.png", 200, 300)};
    Drop(files);
    const QString file = home_.Path() + QStringLiteral("/basket.vpb");
    QString chosen = file;
    std::vector<bool> asked;
    basket_->m_chooseBatchFile = [&](bool load) {
        asked.push_back(load);
        return chosen;
    };
    ASSERT_TRUE(basket_->SaveBatch());
    const std::vector<BatchFileRecord> saved = BatchRecordsOf(basket_->Items());
    basket_->GetItem(0)->m_bSelected = 1;
    basket_->GetItem(1)->m_bSelected = 1;
    basket_->RemoveSelected();
    ASSERT_EQ(basket_->GetItemCount(), 0);
    ASSERT_TRUE(basket_->LoadBatch());
    EXPECT_EQ(BatchRecordsOf(basket_->Items()), saved);
    EXPECT_EQ(basket_->m_lstPaths, files);
    EXPECT_EQ(asked, (std::vector<bool>{false, true}));
    // Cancelled: nothing happens.
    chosen.clear();
    EXPECT_FALSE(basket_->LoadBatch());
    EXPECT_EQ(basket_->GetItemCount(), 2);
}

// A loaded basket opens at its first item, wherever the old one was
// scrolled to.
TEST_F(BasketViewTest, ALoadedBasketOpensAtItsFirstItem) {
    constexpr int kItems = 30;
    const QString picture = Picture("a.png");
    for (int i = 0; i < kItems; ++i)
        basket_->Items().AddTail(std::make_unique<CItem>(settings_, picture));
    basket_->RebuildList();
    const QString file = home_.Path() + QStringLiteral("/basket.vpb");
    basket_->m_chooseBatchFile = [&](bool) { return file; };
    ASSERT_TRUE(basket_->SaveBatch());

    view_->horizontalScrollBar()->setValue(basket_->GetItemRect(view_.get(), 15).left());
    ASSERT_EQ(basket_->HitTest(view_.get(), QPoint(20, 40)), 15);
    ASSERT_TRUE(basket_->LoadBatch());
    ASSERT_EQ(basket_->GetItemCount(), kItems);
    EXPECT_EQ(view_->ScrollPosition(), QPoint(0, 0));
    EXPECT_EQ(basket_->HitTest(view_.get(), QPoint(20, 40)), 0);
}

}  // namespace
