#include "browser/thumbs/SelectionRules.h"

#include "browser/items/ItemList.h"

#include <algorithm>

SelectionBounds GetSelectionBounds(const CITEMLIST& items) {
    SelectionBounds bounds;
    bounds.first = static_cast<int>(items.GetCount());
    int index = 0;
    for (const auto& item : items) {
        if (item->m_bSelected) {
            bounds.first = std::min(bounds.first, index);
            bounds.last = index;
        }
        ++index;
    }
    return bounds;
}

bool IsSelectionMoveKey(int key) {
    switch (key) {
    case Qt::Key_Down:
    case Qt::Key_Right:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Up:
    case Qt::Key_Left:
    case Qt::Key_PageUp:
    case Qt::Key_Home:
        return true;
    default:
        return false;
    }
}

std::optional<KeyMove> KeyMoveFor(int key, SelectionBounds selection, int count, int cols, int rows, bool extend) {
    if (!IsSelectionMoveKey(key) || count <= 0)
        return std::nullopt;
    cols = std::max(1, cols);
    rows = std::max(1, rows);
    const int lastIndex = count - 1;
    if (selection.Empty()) {
        const int target = key == Qt::Key_End ? lastIndex : 0;
        return KeyMove{target, target, target};
    }
    const int first = std::clamp(selection.first, 0, lastIndex);
    const int last = std::clamp(selection.last, 0, lastIndex);
    const int page = cols * rows;
    int target = 0;
    bool forward = true;
    switch (key) {
    case Qt::Key_Down:
        target = std::min(last + cols, lastIndex);
        break;
    case Qt::Key_Right:
        target = std::min(last + 1, lastIndex);
        break;
    case Qt::Key_PageDown:
        target = std::min(last + page, lastIndex);
        break;
    case Qt::Key_End:
        target = lastIndex;
        break;
    case Qt::Key_Up:
        target = std::max(first - cols, 0);
        forward = false;
        break;
    case Qt::Key_Left:
        target = std::max(first - 1, 0);
        forward = false;
        break;
    case Qt::Key_PageUp:
        target = std::max(first - page, 0);
        forward = false;
        break;
    default:  // Home
        target = 0;
        forward = false;
        break;
    }
    if (!extend)
        return KeyMove{target, target, target};
    return forward ? KeyMove{target, first, target} : KeyMove{target, target, last};
}

KeyMove ShiftClickRange(int hit, SelectionBounds selection, int count) {
    const int anchor = selection.Empty() ? 0 : selection.first;
    KeyMove range{hit, std::min(hit, anchor), std::max(hit, anchor)};
    range.from = std::max(range.from, 0);
    range.to = std::min(range.to, count - 1);
    return range;
}

bool KeepsSelectionAtButtonUp(const CITEMLIST& items, int hit) {
    if (hit < 0)
        return false;
    const SelectionBounds bounds = GetSelectionBounds(items);
    return !bounds.Empty() && bounds.last == hit;
}

std::vector<bool> ItemsInBand(const std::vector<QRect>& itemRects, const QRect& band) {
    std::vector<bool> inside;
    inside.reserve(itemRects.size());
    const QRect normal = band.normalized();
    for (const QRect& rect : itemRects)
        inside.push_back(rect.intersects(normal));
    return inside;
}
