#pragma once
// The reorder of a browser's items by a drag that stays inside its own view.
//
// The dragged items go to the insertion index in the order they were
// dropped, each after the one placed before it: in front of the item at the
// index (the anchor), or appended when the index is past the last item. When
// the anchor is itself among them it keeps its place and selection, the items
// dropped before it come in front of it and those dropped after it follow
// it. The moved items keep their records (file information, basket
// settings) and come out unselected.
//
// Sound notes that travel with their pictures in the drag data are no items
// of the list: they are passed over. A dropped path without an item is
// ignored.

#include <QStringList>

class CITEMLIST;

// True when a dropped path named an item (the list or a selection changed).
bool ReorderItemsByDrop(CITEMLIST& items, const QStringList& dropped, int insertIndex);
