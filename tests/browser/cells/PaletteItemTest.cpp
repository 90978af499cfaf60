// The base cell: geometry, captions, frames and colours, drawn into an image
// and read back.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "browser/ThumbFixtures.h"
#include "browser/cells/PaletteItem.h"
#include "browser/cells/PaletteItemImg.h"
#include "core/settings/AppSettings.h"

using namespace thumbfixtures;

namespace {

constexpr std::uint32_t Bgr(int r, int g, int b) { return std::uint32_t(b) << 16 | std::uint32_t(g) << 8 | r; }

class Cells : public ::testing::Test {
protected:
    void SetUp() override {
        g_nIconsZoom = 100;
        g_bDetailsMode = 0;
        g_BrowserColors.crText = Bgr(0, 0, 0);
        g_BrowserColors.crSelectedText = Bgr(255, 0, 0);
        g_BrowserColors.crBackground = Bgr(10, 20, 30);
        g_BrowserColors.crBackgroundInFrame = Bgr(200, 201, 202);
        g_BrowserColors.crBackgroundInFrameCut = Bgr(90, 91, 92);
        g_BrowserColors.crBorder = Bgr(40, 120, 220);
        g_BrowserColors.crSelectedBorder = Bgr(250, 190, 40);
    }
    void TearDown() override { g_nIconsZoom = 100; }

    // The cell drawn at (4, 3) on a magenta canvas.
    QImage Drawn(CPaletteItem& cell, const QString& path, bool selected, bool cut = false) {
        QImage canvas(260, 220, QImage::Format_RGB32);
        canvas.fill(Qt::magenta);
        QPainter painter(&canvas);
        cell.Draw(painter, m_surface, 4, 3, path, selected, cut);
        return canvas;
    }
    static QColor At(const QImage& image, int x, int y) { return image.pixelColor(x + 4, y + 3); }

    IBorderBuffer m_surface;
};

struct GeometryCase {
    int zoom;
    QSize cell;
    QRect imageArea;
    int captionTop;
};

class CellGeometry : public Cells, public ::testing::WithParamInterface<GeometryCase> {};

TEST_P(CellGeometry, SizesAndAreas) {
    const GeometryCase c = GetParam();
    g_nIconsZoom = c.zoom;
    CPaletteItem cell;
    EXPECT_EQ(cell.GetCellSize(), c.cell);
    EXPECT_EQ(GetCellSizeForZoom(c.zoom), c.cell);
    EXPECT_EQ(cell.GetImageArea(), c.imageArea);
    EXPECT_EQ(cell.GetLabelRect(QRect(QPoint(0, 0), c.cell), "x").top(), c.captionTop);
    // A new cell keeps the whole box: its image rectangle is the image area.
    EXPECT_EQ(cell.GetImageRect(), c.imageArea);
}

INSTANTIATE_TEST_SUITE_P(Zooms, CellGeometry,
                         ::testing::Values(GeometryCase{100, {232, 197}, {6, 6, 220, 165}, 177},
                                           GeometryCase{66, {157, 141}, {6, 6, 145, 109}, 121},
                                           GeometryCase{50, {122, 115}, {6, 6, 110, 83}, 95}));

TEST_F(Cells, ImageRectIsCentredInTheArea) {
    CPaletteItem cell;
    cell.m_nThumbWidth = 123;
    cell.m_nThumbHeight = 165;
    EXPECT_EQ(cell.GetScaledThumbSize(), QSize(123, 165));
    EXPECT_EQ(cell.GetImageRect(), QRect(6 + (220 - 123) / 2, 6, 123, 165));
    g_nIconsZoom = 66;
    EXPECT_EQ(cell.GetScaledThumbSize(), QSize(81, 109));  // 81.18 and 108.9, rounded half up
}

TEST_F(Cells, NewCellsHoldTheirDefaults) {
    CPaletteItem base;
    EXPECT_EQ(base.m_nImageWidth, -1);
    EXPECT_EQ(base.m_nThumbWidth, 220);
    EXPECT_EQ(base.m_nThumbHeight, 165);
    CPaletteItemImg image;
    EXPECT_EQ(image.m_nImageWidth, 0);
    EXPECT_EQ(image.m_nBitsPerPixel, 0);
    EXPECT_EQ(image.m_anReserved[5], -1);
    EXPECT_FALSE(image.HasThumbnailData());
    EXPECT_FALSE(base.LoadThumbnail("/x.jpg", false, nullptr));
}

TEST_F(Cells, CaptionIsTheNameAfterTheLastSlash) {
    EXPECT_EQ(CPaletteItem::CaptionText("/photos/2024/IMG_1.JPG"), "IMG_1.JPG");
    EXPECT_EQ(CPaletteItem::CaptionText("IMG_2.JPG"), "IMG_2.JPG");
    EXPECT_EQ(CPaletteItem::CaptionText("/"), "");
}

struct ColourCase {
    const char* name;
    bool selected, cut;
    QPoint at;
    std::atomic<std::uint32_t> BrowserColors::*colour;
};

class CellColours : public Cells, public ::testing::WithParamInterface<ColourCase> {};

TEST_P(CellColours, DrawnWhereTheyBelong) {
    const ColourCase c = GetParam();
    CPaletteItem cell;
    const QImage image = Drawn(cell, "/a/b.jpg", c.selected, c.cut);
    EXPECT_EQ(At(image, c.at.x(), c.at.y()), BrowserColor((g_BrowserColors.*c.colour).load())) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Places, CellColours,
    ::testing::Values(ColourCase{"outside the rounded corner", false, false, {0, 0}, &BrowserColors::crBackground},
                      ColourCase{"left band", false, false, {4, 100}, &BrowserColors::crBorder},
                      ColourCase{"left band selected", true, false, {4, 100}, &BrowserColors::crSelectedBorder},
                      ColourCase{"caption band", false, false, {20, 190}, &BrowserColors::crBorder},
                      ColourCase{"image area", false, false, {116, 88}, &BrowserColors::crBackgroundInFrame},
                      ColourCase{"image area cut", false, true, {116, 88}, &BrowserColors::crBackgroundInFrameCut}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (ch == ' ')
                ch = '_';
        return name;
    });

TEST_F(Cells, NothingIsDrawnOutsideTheClip) {
    CPaletteItem cell;
    QImage canvas(260, 220, QImage::Format_RGB32);
    canvas.fill(Qt::magenta);
    QPainter painter(&canvas);
    painter.setClipRect(QRect(240, 0, 20, 20));
    cell.Draw(painter, m_surface, 4, 3, "/a.jpg", false, false);
    painter.end();
    EXPECT_EQ(canvas.pixelColor(100, 100), QColor(Qt::magenta));
    EXPECT_EQ(m_surface.width, 0);  // not even the frames were painted
}

TEST_F(Cells, FramesArePaintedOncePerSizeThenCopied) {
    CPaletteItem cell;
    Drawn(cell, "/a.jpg", false);
    ASSERT_EQ(m_surface.width, 232);
    EXPECT_EQ(m_surface.height, 197);
    const qint64 first = m_surface.frame.cacheKey(), firstSelected = m_surface.selectedFrame.cacheKey();
    Drawn(cell, "/b.jpg", true);
    EXPECT_EQ(m_surface.frame.cacheKey(), first);
    EXPECT_EQ(m_surface.selectedFrame.cacheKey(), firstSelected);
    // A surface painted for another size (another view's zoom) is repainted.
    g_nIconsZoom = 66;
    Drawn(cell, "/a.jpg", false);
    EXPECT_EQ(m_surface.width, 157);
    EXPECT_EQ(m_surface.height, 141);
    EXPECT_NE(m_surface.frame.cacheKey(), first);
}

TEST_F(Cells, FrameCopyLeavesTheImageAreaAlone) {
    CPaletteItem cell;
    QImage canvas(260, 220, QImage::Format_RGB32);
    canvas.fill(Qt::magenta);
    QPainter painter(&canvas);
    cell.DrawFrame(painter, m_surface, 4, 3, "/a.jpg", false);
    painter.end();
    EXPECT_EQ(At(canvas, 116, 88), QColor(Qt::magenta));
    EXPECT_EQ(At(canvas, 4, 100), BrowserColor(g_BrowserColors.crBorder));
}

TEST_F(Cells, ShortCaptionsAreCentredInTheirColour) {
    CPaletteItem cell;
    const QImage image = Drawn(cell, "/f/a.jpg", true);
    EXPECT_FALSE(cell.m_bLabelScrolls);
    const QRect label = cell.m_rcLabel;
    int red = 0, left = INT_MAX, right = -1;
    for (int y = label.top(); y <= label.bottom(); ++y)
        for (int x = label.left(); x <= label.right(); ++x)
            if (image.pixelColor(x, y).red() > 200 && image.pixelColor(x, y).green() < 80) {
                ++red;
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_GT(red, 0);
    const int centre = (label.left() + label.right()) / 2;
    EXPECT_NEAR((left + right) / 2, centre, 3);
}

TEST_F(Cells, ANameExactlyThreeShortOfTheWidthScrolls) {
    const QString name = "exactly.jpg";
    const int tw = QFontMetrics(CPaletteItem::CaptionFont()).horizontalAdvance(name);
    CPaletteItem cell;
    // The caption is the box width minus 8: make it tw + 3, then tw + 4.
    cell.m_sizeBox = QSize(tw + 11, 165);
    Drawn(cell, "/" + name, false);
    EXPECT_EQ(cell.m_rcLabel.width(), tw + 3);
    EXPECT_TRUE(cell.m_bLabelScrolls);
    cell.m_sizeBox = QSize(tw + 12, 165);
    Drawn(cell, "/" + name, false);
    EXPECT_FALSE(cell.m_bLabelScrolls);
}

TEST_F(Cells, LongNamesEndInAnEllipsisOrScrollWhenSelected) {
    const QString name = "a-very-long-file-name-that-never-fits-the-caption-of-a-cell.jpg";
    CPaletteItem cell;
    const QImage unselected = Drawn(cell, "/" + name, false);
    EXPECT_TRUE(cell.m_bLabelScrolls);
    const QImage selected = Drawn(cell, "/" + name, true);
    EXPECT_NE(unselected, selected);
    // Scrolling steps of 5 up to the first value above the text width, then
    // the text comes in from the right.
    const int tw = cell.m_nLabelTextWidth;
    const QRect update = cell.ScrollLabel(40);
    EXPECT_EQ(update, cell.m_rcLabel.translated(0, -40));
    EXPECT_EQ(cell.m_nLabelScroll, 5);
    int steps = 1;
    while (cell.m_nLabelScroll > 0 && steps < 10000) {
        cell.ScrollLabel(0);
        ++steps;
    }
    EXPECT_EQ(steps, tw / 5 + 1);
    EXPECT_EQ(cell.m_nLabelScroll, -cell.m_rcLabel.width());
    // A redraw after a selection change starts again.
    EXPECT_EQ(cell.RedrawSelection(4, 3), QRect(4, 3, 232, 197));
    EXPECT_EQ(cell.m_nLabelScroll, 0);
}

TEST_F(Cells, ACaptionThatFitsDoesNotScroll) {
    CPaletteItem cell;
    Drawn(cell, "/a.jpg", true);
    cell.m_nLabelScroll = 15;
    EXPECT_TRUE(cell.ScrollLabel(0).isEmpty());
    EXPECT_EQ(cell.m_nLabelScroll, 0);
}

TEST_F(Cells, InsertMarkIsRed) {
    QImage canvas(40, 40, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    CPaletteItem::DrawInsertMark(painter, QRect(10, 5, 10, 30));
    painter.end();
    EXPECT_EQ(canvas.pixelColor(15, 20), QColor(255, 0, 0));
    EXPECT_EQ(canvas.pixelColor(5, 20), QColor(Qt::white));
}

TEST_F(Cells, ImageCellDrawsItsThumbnailWithABlackBorder) {
    CPaletteItemImg cell;
    GiveThumbnail(cell, 220, 110, kBlue);
    const QImage image = Drawn(cell, "/a/b.jpg", false);
    const QRect rect = cell.GetImageRect();  // (6, 33) 220 x 110
    ASSERT_EQ(rect, QRect(6, 33, 220, 110));
    const QColor centre = At(image, rect.center().x(), rect.center().y());
    EXPECT_NEAR(centre.blue(), kBlue.b, 12);
    EXPECT_NEAR(centre.red(), kBlue.r, 12);
    EXPECT_EQ(At(image, rect.left(), rect.center().y()), QColor(Qt::black));
    EXPECT_EQ(At(image, rect.center().x(), rect.top() + rect.height() - 1), QColor(Qt::black));
    // Above the image the in-frame background; the region leaves the image out.
    EXPECT_EQ(At(image, 116, 15), BrowserColor(g_BrowserColors.crBackgroundInFrame));
    EXPECT_FALSE(cell.GetImageRegion().contains(rect.center()));
    EXPECT_TRUE(cell.GetImageRegion().contains(QPoint(116, 15)));
}

TEST_F(Cells, ACellWhoseStoredJpegCannotBeDecodedIsFilledUnderItsPlaceholder) {
    CPaletteItemImg cell;
    ThumbnailBuild build;
    build.thumbWidth = 220;
    build.thumbHeight = 110;
    build.dib = SolidDib(220, 110, kBlue);
    build.jpeg = std::make_shared<const CByteBlock>(Bytes(64, 0xFF));
    cell.AdoptThumbnail(std::move(build));
    ASSERT_TRUE(cell.HasThumbnailData());
    const QImage image = Drawn(cell, "/a/b.jpg", false);
    ASSERT_FALSE(cell.GetDib());
    // The image rectangle (6, 33) 220 x 110 is in-frame background, beside
    // the placeholder in its middle, as the rest of the area.
    EXPECT_TRUE(cell.GetImageRegion().contains(cell.GetImageRect().center()));
    const QColor inFrame = BrowserColor(g_BrowserColors.crBackgroundInFrame);
    for (const QPoint p : {QPoint(8, 35), QPoint(224, 141), QPoint(40, 88), QPoint(116, 15)})
        EXPECT_EQ(At(image, p.x(), p.y()), inFrame) << p.x() << "," << p.y();
    EXPECT_EQ(At(image, 116 - 4, 88 + 8), QColor(Qt::white));  // the placeholder's page
}

TEST_F(Cells, CutImagesAreGreyAtHalfOpacity) {
    CPaletteItemImg cell;
    GiveThumbnail(cell, 220, 165, kRed);
    const QImage image = Drawn(cell, "/a/b.jpg", false, true);
    const QColor c = At(image, 116, 88);
    // Grey 0.3 x (R + G + B) over what lay below (magenta: the region left the
    // image rectangle unpainted), half and half.
    const int grey = std::min(255, static_cast<int>(0.3 * (kRed.r + kRed.g + kRed.b)));
    EXPECT_NEAR(c.green(), (grey + 0) / 2, 8);
    EXPECT_NEAR(c.red(), (grey + 255) / 2, 8);
    EXPECT_EQ(At(image, 6, 88), QColor(Qt::black));
}

TEST_F(Cells, PlaceholderOnlyAboveNineteenPercent) {
    CPaletteItemImg cell;
    const QImage large = Drawn(cell, "/a/b.jpg", false);
    // The page of the placeholder is white in the middle of the area.
    EXPECT_EQ(At(large, 116 - 4, 88 + 8), QColor(Qt::white));
    g_nIconsZoom = 19;
    CPaletteItemImg small;
    const QImage tiny = Drawn(small, "/a/b.jpg", false);
    const QRect area = small.GetImageArea();
    for (int y = area.top(); y < area.top() + area.height(); ++y)
        for (int x = area.left(); x < area.left() + area.width(); ++x)
            ASSERT_EQ(At(tiny, x, y), BrowserColor(g_BrowserColors.crBackgroundInFrame)) << x << "," << y;
}

TEST_F(Cells, DrawIntoFitsTheThumbnail) {
    CPaletteItemImg cell;
    GiveThumbnail(cell, 220, 110, kBlue);
    QImage canvas(100, 100, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    cell.DrawInto(painter, QRect(0, 0, 100, 100), "/a.jpg", true);
    painter.end();
    // 100 x 50 centred vertically: rows 25..74, black border at the edges.
    EXPECT_EQ(canvas.pixelColor(50, 10), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(50, 25), QColor(Qt::black));
    EXPECT_NEAR(canvas.pixelColor(50, 50).blue(), kBlue.b, 12);
    EXPECT_EQ(canvas.pixelColor(50, 74), QColor(Qt::black));
    EXPECT_EQ(canvas.pixelColor(50, 80), QColor(Qt::white));
}

}  // namespace
