// The grid and single-row layouts: columns, positions, hit tests, insertion
// indexes and content sizes at both zooms, for 0, 1, some and 10000 items.
#include <gtest/gtest.h>

#include "browser/cells/PaletteItem.h"
#include "browser/thumbs/ThumbsLayout.h"

namespace {

ThumbsGeometry Grid(int clientWidth, int count, int zoom = 100, QPoint scroll = {}, int clientHeight = 600) {
    ThumbsGeometry g;
    g.cell = GetCellSizeForZoom(zoom);
    g.client = QSize(clientWidth, clientHeight);
    g.scroll = scroll;
    g.count = count;
    return g;
}

ThumbsGeometry Row(int count, int zoom = 100, QPoint scroll = {}) {
    ThumbsGeometry g = Grid(800, count, zoom, scroll, 200);
    g.singleRow = true;
    return g;
}

TEST(ThumbsLayout, CellSizesOfBothZooms) {
    EXPECT_EQ(GetCellSizeForZoom(100), QSize(232, 197));
    EXPECT_EQ(GetCellSizeForZoom(66), QSize(157, 141));
}

struct GridCase {
    int zoom;
    int clientWidth;
    int columns;
    int x0, x1, x2;  // left edges of the first three columns (x1, x2 -1 when absent)
};

class GridColumns : public ::testing::TestWithParam<GridCase> {};

TEST_P(GridColumns, CentresCellsInEqualShares) {
    const GridCase c = GetParam();
    const ThumbsGeometry g = Grid(c.clientWidth, 50, c.zoom);
    EXPECT_EQ(g.Columns(), c.columns);
    EXPECT_EQ(g.ItemPos(0).x(), c.x0);
    if (c.x1 >= 0) {
        EXPECT_EQ(g.ItemPos(1).x(), c.x1);
    }
    if (c.x2 >= 0) {
        EXPECT_EQ(g.ItemPos(2).x(), c.x2);
    }
    // The next row starts one cell height lower at the first column.
    EXPECT_EQ(g.ItemPos(c.columns), QPoint(c.x0, g.cell.height()));
}

INSTANTIATE_TEST_SUITE_P(Widths, GridColumns,
                         ::testing::Values(
                             // 700 wide, cells 232: 3 columns of 233, centred by (233 - 232) / 2 = 0.
                             GridCase{100, 700, 3, 0, 233, 466},
                             // cells 157 at zoom 66: 4 columns of 175, centred by 9.
                             GridCase{66, 700, 4, 9, 184, 359}, GridCase{100, 1600, 6, 17, 283, 550},
                             GridCase{66, 1600, 10, 1, 161, 321},
                             // Exactly one cell wide, and narrower than a cell: one column at 0.
                             GridCase{100, 232, 1, 0, -1, -1}, GridCase{100, 100, 1, 0, -1, -1},
                             GridCase{100, 0, 1, 0, -1, -1}));

TEST(ThumbsLayout, CellsOfTheDesignWidthsAreCentred) {
    // A box of 220 + 12 = 232 wide in 700: the design's worked case with
    // cells of 220 gives 6, 239, 472.
    ThumbsGeometry g = Grid(700, 5);
    g.cell = QSize(220, 197);
    EXPECT_EQ(g.ItemPos(0).x(), 6);
    EXPECT_EQ(g.ItemPos(1).x(), 239);
    EXPECT_EQ(g.ItemPos(2).x(), 472);
}

TEST(ThumbsLayout, SingleRowPlacesCellsSideBySide) {
    const ThumbsGeometry g = Row(5);
    EXPECT_EQ(g.Columns(), 5);
    EXPECT_EQ(g.ItemPos(0), QPoint(0, 0));
    EXPECT_EQ(g.ItemPos(3), QPoint(3 * 232, 0));
    EXPECT_EQ(g.ContentSize(), QSize(5 * 232, 198));
    EXPECT_EQ(Row(0).Columns(), 0);
    EXPECT_EQ(Row(0).ContentSize(), QSize(0, 198));
}

struct SizeCase {
    int count;
    QSize expected;
};

class GridContent : public ::testing::TestWithParam<SizeCase> {};

TEST_P(GridContent, CoversEveryRow) {
    // 700 wide: 3 columns of cells 232 x 197.
    EXPECT_EQ(Grid(700, GetParam().count).ContentSize(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Counts, GridContent,
                         ::testing::Values(SizeCase{0, {696, 197}}, SizeCase{1, {696, 197}}, SizeCase{3, {696, 197}},
                                           SizeCase{4, {696, 394}}, SizeCase{10000, {696, 3334 * 197}}));

TEST(ThumbsLayout, EmptyClientAreaGivesOneByOne) {
    EXPECT_EQ(Grid(0, 10, 100, {}, 0).ContentSize(), QSize(1, 1));
    EXPECT_EQ(Grid(700, 10, 100, {}, 0).ContentSize(), QSize(1, 1));
}

TEST(ThumbsLayout, TenThousandItemsPlaceTheLastInItsRow) {
    const ThumbsGeometry g = Grid(1600, 10000, 66);
    EXPECT_EQ(g.Columns(), 10);
    EXPECT_EQ(g.ItemPos(9999), QPoint(1600 * 9 / 10 + 1, 999 * 141));
    EXPECT_EQ(g.RowOf(9999), 999);
}

// The items a painting of a rectangle looks at: in one row the columns the
// rectangle spans, in a grid the rows it spans; never the others.
TEST(ThumbsLayout, IndicesMeetingARectangle) {
    struct Case {
        const char* name;
        ThumbsGeometry g;
        QRect rect;
        std::pair<int, int> expected;
    };
    // Cells 232 x 197; the grid 700 wide has 3 columns.
    const Case cases[] = {
        {"row, first screen", Row(200000), QRect(0, 0, 800, 200), {0, 4}},
        {"row, inside one cell", Row(200000), QRect(240, 10, 20, 20), {1, 2}},
        {"row, on a border pixel", Row(200000), QRect(231, 10, 1, 1), {0, 2}},
        {"row, far along", Row(200000), QRect(232 * 150000 + 5, 0, 800, 200), {150000, 150004}},
        {"row, past the end", Row(10), QRect(232 * 20, 0, 800, 200), {10, 10}},
        {"row, below the cells", Row(10), QRect(0, 300, 800, 50), {0, 0}},
        {"grid, first rows", Grid(700, 10000), QRect(0, 0, 700, 600), {0, 12}},
        {"grid, one row's band", Grid(700, 10000), QRect(0, 197 * 5 + 10, 700, 20), {15, 18}},
        {"grid, the last row", Grid(700, 10), QRect(0, 197 * 3, 700, 600), {6, 10}},
        {"empty", Row(0), QRect(0, 0, 800, 200), {0, 0}},
        {"empty rectangle", Row(10), QRect(), {0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.g.IndicesMeeting(c.rect), c.expected) << c.name;
}

TEST(ThumbsLayout, RowOfGuardsAnEmptySingleRow) {
    EXPECT_EQ(Row(0).RowOf(5), 0);
    EXPECT_EQ(Row(0).SlotAt(QPoint(10, 10)), -1);
    EXPECT_EQ(Row(4).RowOf(3), 0);
}

struct HitCase {
    QPoint point;
    QPoint scroll;
    int slot;
};

class GridSlots : public ::testing::TestWithParam<HitCase> {};

TEST_P(GridSlots, FindsTheSlotUnderAPoint) {
    const HitCase c = GetParam();
    EXPECT_EQ(Grid(700, 10, 100, c.scroll).SlotAt(c.point), c.slot);
}

INSTANTIATE_TEST_SUITE_P(Points, GridSlots,
                         ::testing::Values(HitCase{{10, 10}, {}, 0}, HitCase{{240, 10}, {}, 1},
                                           HitCase{{500, 200}, {}, 5},
                                           // Scrolled down two rows.
                                           HitCase{{10, 10}, {0, 394}, 6},
                                           // Past the columns' width (3 x 233 = 699).
                                           HitCase{{698, 10}, {}, 2}, HitCase{{699, 10}, {}, -1},
                                           // Before the content.
                                           HitCase{{-5, 10}, {}, -1}, HitCase{{10, -5}, {}, -1},
                                           // An empty slot after the last item: an index >= count.
                                           HitCase{{480, 600}, {}, 11}));

TEST(ThumbsLayout, InsertionIndexIsTheNearestGap) {
    const ThumbsGeometry g = Grid(700, 10);
    EXPECT_EQ(g.InsertIndexAt(QPoint(10, 10)), 0);
    EXPECT_EQ(g.InsertIndexAt(QPoint(120, 10)), 1);   // right half of item 0
    EXPECT_EQ(g.InsertIndexAt(QPoint(350, 250)), 5);  // right half of item 4
    // Right of the last column: the start of the next row.
    EXPECT_EQ(g.InsertIndexAt(QPoint(700, 10)), 3);
    EXPECT_EQ(g.InsertIndexAt(QPoint(700, 250)), 6);
    // A single row without items inserts at 0.
    EXPECT_EQ(Row(0).InsertIndexAt(QPoint(50, 10)), 0);
    EXPECT_EQ(Row(3).InsertIndexAt(QPoint(2 * 232 + 200, 10)), 3);
}

}  // namespace
