// Decoding ahead of the drawing: the cells handed over are decoded off the
// caller's thread in their order within the bound of decoded thumbnails, a
// new hand-over replaces the cells still waiting, and a decoding that meets
// a drawing or a new thumbnail of the same cell leaves one right DIB.
// Threaded: also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "browser/ThumbFixtures.h"
#include "browser/cells/DecodedDibCache.h"
#include "browser/cells/PaletteItemImg.h"
#include "browser/cells/ThumbDecoder.h"
#include "core/settings/AppSettings.h"

using namespace thumbfixtures;

namespace {

using CellPtr = std::shared_ptr<CPaletteItemImg>;

constexpr int kIdleMs = 30000;

CellPtr CellOf(Rgb colour) {
    auto cell = std::make_shared<CPaletteItemImg>();
    GiveThumbnail(*cell, 220, 165, colour);
    return cell;
}

int Holding(const std::vector<CellPtr>& cells) {
    int n = 0;
    for (const CellPtr& cell : cells)
        n += cell->HoldsDib() ? 1 : 0;
    return n;
}

class ThumbDecoderTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_DecodedDibs.Clear();
        g_DecodedDibs.SetCapacity(CDecodedDibCache::kDefaultCapacity);
    }
    void TearDown() override {
        g_DecodedDibs.Clear();
        g_DecodedDibs.SetCapacity(CDecodedDibCache::kDefaultCapacity);
    }
};

TEST_F(ThumbDecoderTest, TheCellsHandedOverAreDecodedBeforeTheyAreDrawn) {
    std::vector<CellPtr> cells;
    for (int i = 0; i < 12; ++i)
        cells.push_back(CellOf(i % 2 ? kRed : kBlue));
    ASSERT_EQ(Holding(cells), 0);
    CThumbDecoder decoder;
    decoder.Decode(cells);
    ASSERT_TRUE(decoder.WaitUntilIdle(kIdleMs));
    EXPECT_EQ(decoder.DecodedCount(), 12);
    EXPECT_EQ(Holding(cells), 12);
    EXPECT_EQ(g_DecodedDibs.Size(), 12u);
    // What a drawing then gets is the cell's own picture, without a decoding
    // of its own: the cache holds no more DIBs than before.
    for (int i = 0; i < 12; ++i) {
        const DibRef dib = cells[i]->GetDib();
        ASSERT_NE(dib, nullptr);
        EXPECT_TRUE(Near(CentreOf(*dib), i % 2 ? kRed : kBlue)) << i;
    }
    EXPECT_EQ(g_DecodedDibs.Size(), 12u);
    // Cells that hold their DIB, or have no thumbnail, are left as they are.
    auto empty = std::make_shared<CPaletteItemImg>();
    decoder.Decode({cells[0], empty, nullptr});
    ASSERT_TRUE(decoder.WaitUntilIdle(kIdleMs));
    EXPECT_EQ(decoder.DecodedCount(), 12);
    EXPECT_FALSE(empty->HoldsDib());
}

TEST_F(ThumbDecoderTest, MoreCellsThanTheBoundKeepTheLastOnesDecoded) {
    g_DecodedDibs.SetCapacity(8);
    std::vector<CellPtr> cells;
    for (int i = 0; i < 20; ++i)
        cells.push_back(CellOf(kBlue));
    CThumbDecoder decoder(1);  // one worker: the order is the order given
    decoder.Decode(cells);
    ASSERT_TRUE(decoder.WaitUntilIdle(kIdleMs));
    EXPECT_EQ(g_DecodedDibs.Size(), 8u);
    EXPECT_EQ(Holding(cells), 8);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(cells[i]->HoldsDib(), i >= 12) << i;
}

TEST_F(ThumbDecoderTest, ANewHandOverReplacesTheCellsStillWaiting) {
    std::vector<CellPtr> first, second;
    for (int i = 0; i < 200; ++i)
        first.push_back(CellOf(kRed));
    for (int i = 0; i < 5; ++i)
        second.push_back(CellOf(kBlue));
    CThumbDecoder decoder(1);
    decoder.Decode(first);
    decoder.Decode(second);
    ASSERT_TRUE(decoder.WaitUntilIdle(kIdleMs));
    EXPECT_EQ(Holding(second), 5);
    decoder.Decode(first);
    decoder.Clear();
    ASSERT_TRUE(decoder.WaitUntilIdle(kIdleMs));
    EXPECT_LE(decoder.DecodedCount(), 5 + 200);
}

// Decodings ahead meet drawings of the same cells and new thumbnails swapped
// in by a builder: every DIB a drawing gets is the cell's current picture or
// the one before, and each cell ends with at most one DIB in the cache.
TEST_F(ThumbDecoderTest, DecodingsMeetDrawingsAndNewThumbnails) {
    std::vector<CellPtr> cells;
    for (int i = 0; i < 16; ++i)
        cells.push_back(CellOf(kRed));
    CThumbDecoder decoder;
    std::atomic<bool> done{false};
    std::thread builder([&] {
        for (int round = 0; round < 4; ++round)
            for (const CellPtr& cell : cells)
                GiveThumbnail(*cell, 220, 165, round % 2 ? kRed : kBlue);
        done = true;
    });
    while (!done) {
        decoder.Decode(cells);
        for (const CellPtr& cell : cells) {
            const DibRef dib = cell->GetDib();
            ASSERT_NE(dib, nullptr);
            const Rgb centre = CentreOf(*dib);
            EXPECT_TRUE(Near(centre, kRed) || Near(centre, kBlue));
        }
    }
    builder.join();
    decoder.Decode(cells);
    ASSERT_TRUE(decoder.WaitUntilIdle(kIdleMs));
    for (const CellPtr& cell : cells)
        EXPECT_TRUE(Near(CentreOf(*cell->GetDib()), kRed));  // the last round's
    EXPECT_EQ(g_DecodedDibs.Size(), cells.size());
}

TEST_F(ThumbDecoderTest, ADecoderEndsWhileItWorks) {
    std::vector<CellPtr> cells;
    for (int i = 0; i < 64; ++i)
        cells.push_back(CellOf(kBlue));
    for (int i = 0; i < 3; ++i) {
        CThumbDecoder decoder;
        decoder.Decode(cells);
    }
    // The cells are whole: each decodes or draws as before.
    for (const CellPtr& cell : cells)
        EXPECT_TRUE(Near(CentreOf(*cell->GetDib()), kBlue));
}

}  // namespace
