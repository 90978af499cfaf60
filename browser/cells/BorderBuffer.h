#pragma once
// IBorderBuffer: the frame images a thumbnail view keeps for its cells. All
// cells of a view have one size, so one pair of frames (unselected and
// selected), painted once per cell size, serves them all; CPaletteItem::
// DrawFrame repaints them when the size differs or one is missing.
// Used on the user-interface thread only.

#include <QPixmap>

struct IBorderBuffer {
    int width = 0;  // the cell size the frames were painted for
    int height = 0;
    QPixmap frame;          // frame of an unselected cell
    QPixmap selectedFrame;  // frame of a selected cell
};
