#pragma once
// The geometry of a thumbnail browser's layouts, without the drag gap: a grid
// whose cells are centred in equal shares of the client width, or a single
// row of cells side by side. Content coordinates start at the top-left of the
// whole scrollable surface; client coordinates are content coordinates minus
// the scroll position.
//
// Every function guards the degenerate cases: no columns (an empty single
// row), a cell or client size of 0, points left of or above the content.

#include <QPoint>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <utility>

struct ThumbsGeometry {
    QSize cell;     // w x h of one cell
    QSize client;   // the view's client area
    QPoint scroll;  // the scroll position
    int count = 0;  // items
    bool singleRow = false;

    // Single row: the item count; grid: client width / w, at least 1.
    int Columns() const;
    // The width of one column's share of the client area.
    int SlotWidth() const;
    // index / columns; 0 without columns.
    int RowOf(int index) const;
    // The cell's top-left corner in content coordinates, without gap offset.
    QPoint ItemPos(int index) const;
    // Point in client coordinates: the slot index under it (maybe >= count),
    // or -1 beside the columns or before the content. The caller checks the
    // point against the item's rectangle.
    int SlotAt(QPoint client) const;
    // The insertion index for a point in client coordinates: the nearest gap
    // between two cells, or the start of the next row right of the columns.
    int InsertIndexAt(QPoint client) const;
    // The items [first, last) whose cells, widened by one pixel, may meet the
    // rectangle (content coordinates): its columns in one row, else its rows
    // whole (a drag's gap moves cells sideways within their row). Found
    // without walking the items, so a paint costs what it shows.
    std::pair<int, int> IndicesMeeting(const QRect& rect) const;
    // The scroll sizes: 1 x 1 for an empty client area.
    QSize ContentSize() const;
};
