// The decoded thumbnails: a cell with a JPEG keeps no DIB after its pass,
// drawing decodes it, at most the cache's capacity of cells hold one, and a
// cell whose DIB was dropped draws the same pixels again.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <memory>
#include <vector>

#include "browser/ThumbFixtures.h"
#include "browser/cells/DecodedDibCache.h"
#include "browser/cells/PaletteItemImg.h"
#include "core/settings/AppSettings.h"

using namespace thumbfixtures;

namespace {

using CellPtr = std::shared_ptr<CPaletteItemImg>;

// A 220 x 165 picture that differs from cell to cell and from pixel to pixel,
// so that a decode that went wrong shows.
DibRef PatternDib(int seed) {
    DibRef dib = AdoptDib(CDib::Create(220, 165, 24));
    for (int y = 0; y < 165; ++y) {
        std::uint8_t* row = dib->TopDownRow(y);
        for (int x = 0; x < 220; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(x + seed * 7);
            row[3 * x + 1] = static_cast<std::uint8_t>(y * 2 + seed);
            row[3 * x + 2] = static_cast<std::uint8_t>((x / 20 + y / 15 + seed) % 2 ? 230 : 20);
        }
    }
    return dib;
}

// A cell as the builder leaves it: facts, JPEG and (when jpeg is false only)
// no compressed store.
CellPtr BuiltCell(int seed, bool jpeg = true) {
    auto cell = std::make_shared<CPaletteItemImg>();
    ThumbnailBuild build;
    build.imageWidth = 4000;
    build.imageHeight = 3000;
    build.bitsPerPixel = 24;
    build.complete = true;
    build.dib = PatternDib(seed);
    if (jpeg)
        build.jpeg = CPaletteItemImg::CompressThumbnail(*build.dib);
    cell->AdoptThumbnail(std::move(build));
    return cell;
}

QImage Drawn(CPaletteItemImg& cell) {
    QImage canvas(260, 220, QImage::Format_RGB32);
    canvas.fill(Qt::magenta);
    QPainter painter(&canvas);
    cell.DrawImage(painter, 0, 0, QStringLiteral("/photos/a.jpg"), false, false);
    return canvas;
}

int CellsHoldingDib(const std::vector<CellPtr>& cells) {
    int n = 0;
    for (const CellPtr& cell : cells)
        n += cell->HoldsDib() ? 1 : 0;
    return n;
}

class DecodedDibs : public ::testing::Test {
protected:
    void SetUp() override {
        g_nIconsZoom = 100;
        g_DecodedDibs.Clear();
        g_DecodedDibs.SetCapacity(CDecodedDibCache::kDefaultCapacity);
    }
    void TearDown() override {
        g_DecodedDibs.Clear();
        g_DecodedDibs.SetCapacity(CDecodedDibCache::kDefaultCapacity);
    }
};

TEST_F(DecodedDibs, ACellWithItsJpegKeepsNoDibAfterAPass) {
    const CellPtr cell = BuiltCell(1);
    EXPECT_TRUE(cell->HasThumbnailData());
    EXPECT_FALSE(cell->HoldsDib());
    EXPECT_EQ(g_DecodedDibs.Size(), 0u);
    ASSERT_TRUE(cell->GetDib());
    EXPECT_TRUE(cell->HoldsDib());
    EXPECT_EQ(g_DecodedDibs.Size(), 1u);
    // The next pass replaces the decoded DIB, which leaves the cache.
    GiveThumbnail(*cell, 220, 165, kBlue);
    EXPECT_FALSE(cell->HoldsDib());
    EXPECT_EQ(g_DecodedDibs.Size(), 0u);
    EXPECT_TRUE(Near(CentreOf(*cell->GetDib()), kBlue));
}

TEST_F(DecodedDibs, DrawingMoreCellsThanTheBoundKeepsTheLastOnesDecoded) {
    const int bound = static_cast<int>(CDecodedDibCache::kDefaultCapacity);
    std::vector<CellPtr> cells;
    for (int i = 0; i < bound + 44; ++i)
        cells.push_back(BuiltCell(i));
    for (const CellPtr& cell : cells)
        Drawn(*cell);
    EXPECT_EQ(CellsHoldingDib(cells), bound);
    EXPECT_EQ(g_DecodedDibs.Size(), static_cast<std::size_t>(bound));
    for (int i = 0; i < static_cast<int>(cells.size()); ++i)
        EXPECT_EQ(cells[i]->HoldsDib(), i >= 44) << i;

    // Drawing an early one again makes it the most recent: the oldest goes.
    Drawn(*cells[0]);
    EXPECT_TRUE(cells[0]->HoldsDib());
    EXPECT_FALSE(cells[44]->HoldsDib());
    EXPECT_EQ(CellsHoldingDib(cells), bound);
}

TEST_F(DecodedDibs, ADrawnCellDrawsTheSamePixelsAfterItsDibWasDropped) {
    g_DecodedDibs.SetCapacity(4);
    const CellPtr cell = BuiltCell(3);
    const QImage first = Drawn(*cell);
    ASSERT_NE(first.pixel(110, 80), QColor(Qt::magenta).rgb());
    std::vector<CellPtr> others;
    for (int i = 0; i < 4; ++i) {
        others.push_back(BuiltCell(10 + i));
        Drawn(*others.back());
    }
    ASSERT_FALSE(cell->HoldsDib());
    const QImage again = Drawn(*cell);
    EXPECT_TRUE(cell->HoldsDib());
    EXPECT_EQ(again, first);
}

TEST_F(DecodedDibs, ADestroyedCellLeavesTheCache) {
    g_DecodedDibs.SetCapacity(3);
    std::vector<CellPtr> cells{BuiltCell(1), BuiltCell(2), BuiltCell(3)};
    for (const CellPtr& cell : cells)
        Drawn(*cell);
    ASSERT_EQ(g_DecodedDibs.Size(), 3u);
    // A caller still drawing with the DIB keeps it alive past its cell.
    const DibRef inUse = cells[1]->GetDib();
    cells.erase(cells.begin() + 1);
    EXPECT_EQ(g_DecodedDibs.Size(), 2u);
    EXPECT_FALSE(g_DecodedDibs.Holds(inUse.get()));
    EXPECT_EQ(inUse->Width(), 220);
    // The place it had goes to the next cell drawn, without dropping another.
    const CellPtr next = BuiltCell(4);
    Drawn(*next);
    EXPECT_EQ(CellsHoldingDib(cells), 2);
    EXPECT_TRUE(next->HoldsDib());
}

TEST_F(DecodedDibs, ACellWithoutAJpegKeepsItsDib) {
    g_DecodedDibs.SetCapacity(2);
    const CellPtr bare = BuiltCell(5, false);
    ASSERT_FALSE(bare->Jpeg());
    const QImage first = Drawn(*bare);
    std::vector<CellPtr> others{BuiltCell(6), BuiltCell(7), BuiltCell(8)};
    for (const CellPtr& cell : others)
        Drawn(*cell);
    EXPECT_TRUE(bare->HoldsDib());
    EXPECT_EQ(Drawn(*bare), first);
    EXPECT_EQ(g_DecodedDibs.Size(), 2u);
}

TEST_F(DecodedDibs, ASmallerCapacityDropsTheOldestAtOnce) {
    std::vector<CellPtr> cells;
    for (int i = 0; i < 6; ++i) {
        cells.push_back(BuiltCell(i));
        Drawn(*cells.back());
    }
    g_DecodedDibs.SetCapacity(2);
    EXPECT_EQ(CellsHoldingDib(cells), 2);
    EXPECT_TRUE(cells[4]->HoldsDib());
    EXPECT_TRUE(cells[5]->HoldsDib());
    g_DecodedDibs.SetCapacity(0);  // at least one
    EXPECT_EQ(g_DecodedDibs.Capacity(), 1u);
    EXPECT_EQ(CellsHoldingDib(cells), 1);
}

}  // namespace
