#pragma once
// The rules of the browser's selection, apart from the view: which items a
// key, a Shift+click or a button-up selects. The browser applies them to its
// items' m_bSelected flags and redraws the cells that changed.

#include <QRect>
#include <Qt>

#include <optional>
#include <vector>

class CITEMLIST;

// The first and the last selected index: first is the item count and last
// is -1 when nothing is selected.
struct SelectionBounds {
    int first = 0;
    int last = -1;
    bool Empty() const { return last < 0; }
};
SelectionBounds GetSelectionBounds(const CITEMLIST& items);

// What a key move selects: the indexes from..to, and the item to scroll into
// view.
struct KeyMove {
    int target = 0;
    int from = 0;
    int to = 0;
};

// The move of one of the eight keys (Down, Right, Page Down, End, Up, Left,
// Page Up, Home) over `count` items laid out in `cols` columns with `rows`
// rows visible; extend (Shift) keeps the other end of the selection. With
// nothing selected the move selects the first item (End: the last) alone.
// Nothing for another key or for an empty list.
std::optional<KeyMove> KeyMoveFor(int key, SelectionBounds selection, int count, int cols, int rows, bool extend);
// The keys KeyMoveFor knows.
bool IsSelectionMoveKey(int key);

// The range a Shift+click on `hit` (-1: none) selects: from the first selected
// item (0 when none) to the hit, limited to the items.
KeyMove ShiftClickRange(int hit, SelectionBounds selection, int count);

// At button-up after a plain click on `hit`: the click on the last selected
// item of a multiple selection keeps it (a drag was possible); every other
// case leaves the hit item alone selected (nothing for -1).
bool KeepsSelectionAtButtonUp(const CITEMLIST& items, int hit);

// The indexes whose rectangles meet the band.
std::vector<bool> ItemsInBand(const std::vector<QRect>& itemRects, const QRect& band);
