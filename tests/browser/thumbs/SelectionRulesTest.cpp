#include "browser/thumbs/SelectionRules.h"

#include "ItemListFixtures.h"

#include <gtest/gtest.h>

namespace {

using itemfixtures::Fill;

SelectionBounds None() { return {}; }
SelectionBounds Range(int first, int last) { return {first, last}; }

TEST(SelectionRules, BoundsAreTheFirstAndLastSelectedIndex) {
    CITEMLIST items;
    Fill(items, "A *B C *D E");
    const SelectionBounds bounds = GetSelectionBounds(items);
    EXPECT_EQ(bounds.first, 1);
    EXPECT_EQ(bounds.last, 3);
    CITEMLIST none;
    Fill(none, "A B C");
    EXPECT_EQ(GetSelectionBounds(none).first, 3);
    EXPECT_EQ(GetSelectionBounds(none).last, -1);
    EXPECT_TRUE(GetSelectionBounds(none).Empty());
}

struct KeyCase {
    const char* name;
    int key;
    SelectionBounds selection;
    int count;
    bool extend;
    int target, from, to;
};

TEST(SelectionRules, KeyMovesOverManyItems) {
    // 23 items in 5 columns, 2 rows visible (a page of 10).
    const int n = 23;
    const std::vector<KeyCase> cases{
        {"Down", Qt::Key_Down, Range(6, 7), n, false, 12, 12, 12},
        {"Down from the last row selects the last item", Qt::Key_Down, Range(21, 21), n, false, 22, 22, 22},
        {"Shift+Down", Qt::Key_Down, Range(6, 7), n, true, 12, 6, 12},
        {"Right", Qt::Key_Right, Range(6, 7), n, false, 8, 8, 8},
        {"Right at the end", Qt::Key_Right, Range(22, 22), n, false, 22, 22, 22},
        {"Page Down", Qt::Key_PageDown, Range(6, 7), n, false, 17, 17, 17},
        {"Shift+Page Down past the end", Qt::Key_PageDown, Range(16, 16), n, true, 22, 16, 22},
        {"End", Qt::Key_End, Range(6, 7), n, false, 22, 22, 22},
        {"Shift+End", Qt::Key_End, Range(6, 7), n, true, 22, 6, 22},
        {"Up", Qt::Key_Up, Range(6, 7), n, false, 1, 1, 1},
        {"Up from the first row", Qt::Key_Up, Range(3, 7), n, false, 0, 0, 0},
        {"Shift+Up", Qt::Key_Up, Range(6, 7), n, true, 1, 1, 7},
        {"Left", Qt::Key_Left, Range(6, 7), n, false, 5, 5, 5},
        {"Shift+Left at the start", Qt::Key_Left, Range(0, 4), n, true, 0, 0, 4},
        {"Page Up", Qt::Key_PageUp, Range(16, 17), n, false, 6, 6, 6},
        {"Page Up near the start", Qt::Key_PageUp, Range(6, 7), n, false, 0, 0, 0},
        {"Home", Qt::Key_Home, Range(6, 7), n, false, 0, 0, 0},
        {"Shift+Home", Qt::Key_Home, Range(6, 7), n, true, 0, 0, 7},
        // Nothing selected: the first item, End the last, alone also with Shift.
        {"Home with nothing selected", Qt::Key_Home, None(), n, false, 0, 0, 0},
        {"Down with nothing selected", Qt::Key_Down, None(), n, false, 0, 0, 0},
        {"Shift+Up with nothing selected", Qt::Key_Up, None(), n, true, 0, 0, 0},
        {"Shift+End with nothing selected", Qt::Key_End, None(), n, true, 22, 22, 22},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<KeyMove> move = KeyMoveFor(c.key, c.selection, c.count, 5, 2, c.extend);
        ASSERT_TRUE(move);
        EXPECT_EQ(move->target, c.target);
        EXPECT_EQ(move->from, c.from);
        EXPECT_EQ(move->to, c.to);
    }
}

TEST(SelectionRules, KeyMovesWithOneAndNoItems) {
    for (const int key : {Qt::Key_Down, Qt::Key_Right, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Up, Qt::Key_Left,
                          Qt::Key_PageUp, Qt::Key_Home}) {
        SCOPED_TRACE(key);
        EXPECT_TRUE(IsSelectionMoveKey(key));
        // No items: nothing to select.
        EXPECT_FALSE(KeyMoveFor(key, None(), 0, 5, 2, false));
        EXPECT_FALSE(KeyMoveFor(key, None(), 0, 5, 2, true));
        // One item: always that one.
        for (const SelectionBounds selection : {None(), Range(0, 0)}) {
            for (const bool extend : {false, true}) {
                const std::optional<KeyMove> move = KeyMoveFor(key, selection, 1, 5, 2, extend);
                ASSERT_TRUE(move);
                EXPECT_EQ(move->target, 0);
                EXPECT_EQ(move->from, 0);
                EXPECT_EQ(move->to, 0);
            }
        }
    }
    EXPECT_FALSE(IsSelectionMoveKey(Qt::Key_A));
    EXPECT_FALSE(KeyMoveFor(Qt::Key_Tab, Range(0, 0), 3, 5, 2, false));
    // A view narrower than one cell still moves by one column.
    EXPECT_EQ(KeyMoveFor(Qt::Key_Down, Range(0, 0), 3, 0, 0, false)->target, 1);
}

TEST(SelectionRules, ShiftClickSelectsFromTheFirstSelectedToTheHit) {
    EXPECT_EQ(ShiftClickRange(5, Range(2, 3), 10).from, 2);
    EXPECT_EQ(ShiftClickRange(5, Range(2, 3), 10).to, 5);
    EXPECT_EQ(ShiftClickRange(1, Range(2, 8), 10).from, 1);
    EXPECT_EQ(ShiftClickRange(1, Range(2, 8), 10).to, 2);
    // Nothing selected: from the first item.
    EXPECT_EQ(ShiftClickRange(4, None(), 10).from, 0);
    EXPECT_EQ(ShiftClickRange(4, None(), 10).to, 4);
    // On empty space: from the first item to the first selected (the
    // browser clears it afterwards for the rubber band).
    EXPECT_EQ(ShiftClickRange(-1, Range(3, 3), 10).from, 0);
    EXPECT_EQ(ShiftClickRange(-1, Range(3, 3), 10).to, 3);
}

TEST(SelectionRules, AButtonUpKeepsTheSelectionOnlyOnItsLastItem) {
    CITEMLIST items;
    Fill(items, "*A *B *C D");
    EXPECT_TRUE(KeepsSelectionAtButtonUp(items, 2));
    EXPECT_FALSE(KeepsSelectionAtButtonUp(items, 0));
    EXPECT_FALSE(KeepsSelectionAtButtonUp(items, 1));
    EXPECT_FALSE(KeepsSelectionAtButtonUp(items, 3));
    EXPECT_FALSE(KeepsSelectionAtButtonUp(items, -1));
}

TEST(SelectionRules, TheBandSelectsEveryItemItMeets) {
    const std::vector<QRect> rects{QRect(0, 0, 100, 100), QRect(110, 0, 100, 100), QRect(0, 110, 100, 100),
                                   QRect(110, 110, 100, 100)};
    // Drawn from bottom right to top left.
    EXPECT_EQ(ItemsInBand(rects, QRect(QPoint(150, 150), QPoint(50, 50))), (std::vector<bool>{true, true, true, true}));
    EXPECT_EQ(ItemsInBand(rects, QRect(QPoint(105, 5), QPoint(120, 20))),
              (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(ItemsInBand(rects, QRect(QPoint(101, 101), QPoint(108, 108))),
              (std::vector<bool>{false, false, false, false}));
}

}  // namespace
