#include "browser/thumbs/ThumbsLayout.h"

#include <algorithm>
#include <tuple>

int ThumbsGeometry::Columns() const {
    if (singleRow)
        return std::max(0, count);
    if (cell.width() <= 0)
        return 1;
    return std::max(1, client.width() / cell.width());
}

int ThumbsGeometry::SlotWidth() const {
    if (singleRow)
        return cell.width();
    return client.width() / Columns();
}

int ThumbsGeometry::RowOf(int index) const {
    const int cols = Columns();
    return cols > 0 && index >= 0 ? index / cols : 0;
}

QPoint ThumbsGeometry::ItemPos(int index) const {
    if (singleRow)
        return {cell.width() * index, 0};
    const int cols = Columns();
    const int row = index / cols, col = index % cols;
    const int w = client.width();
    // A client area narrower than a cell keeps the cell's left edge in
    // sight instead of centring it off the surface.
    const int centring = std::max(0, (w / cols - cell.width()) / 2);
    const std::int64_t x = std::int64_t(w) * col / cols + centring;
    return {static_cast<int>(x), cell.height() * row};
}

int ThumbsGeometry::SlotAt(QPoint point) const {
    const int cols = Columns();
    const int slot = SlotWidth();
    if (cols <= 0 || slot <= 0 || cell.height() <= 0)
        return -1;
    const int x = point.x() + scroll.x(), y = point.y() + scroll.y();
    if (point.x() >= cols * slot || x < 0 || y < 0)
        return -1;
    return x / slot + cols * (y / cell.height());
}

int ThumbsGeometry::InsertIndexAt(QPoint point) const {
    const int cols = singleRow ? std::max(1, count) : Columns();
    const int slot = SlotWidth();
    const int h = cell.height();
    if (slot <= 0 || h <= 0)
        return 0;
    const int x = point.x() + scroll.x();
    const int y = std::max(0, point.y() + scroll.y());
    if (x > cols * slot)
        return cols * ((y + h) / h);
    return std::max(0, x + slot / 2) / slot + cols * (y / h);
}

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && a < 0 ? 1 : 0); }
std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return -FloorDiv(-a, b); }

// The slots [first, last) of size `size` side by side from 0 whose span,
// widened by one on each side, meets [low, high].
std::pair<std::int64_t, std::int64_t> SlotsMeeting(std::int64_t low, std::int64_t high, std::int64_t size) {
    return {std::max<std::int64_t>(0, CeilDiv(low - size, size)), FloorDiv(high + 1, size) + 1};
}

}  // namespace

std::pair<int, int> ThumbsGeometry::IndicesMeeting(const QRect& rect) const {
    const int w = cell.width(), h = cell.height();
    if (count <= 0 || w <= 0 || h <= 0 || rect.isEmpty())
        return {0, 0};
    std::int64_t first = 0, last = 0;
    if (singleRow) {
        if (rect.bottom() < -1 || rect.top() > h)
            return {0, 0};
        std::tie(first, last) = SlotsMeeting(rect.left(), rect.right(), w);
    } else {
        const std::int64_t cols = Columns();
        const auto [firstRow, lastRow] = SlotsMeeting(rect.top(), rect.bottom(), h);
        first = firstRow * cols;
        last = lastRow * cols;
    }
    last = std::min<std::int64_t>(last, count);
    first = std::min(first, last);
    return {static_cast<int>(first), static_cast<int>(last)};
}

QSize ThumbsGeometry::ContentSize() const {
    if (client.width() <= 0 || client.height() <= 0)
        return {1, 1};
    const int w = cell.width(), h = cell.height();
    if (singleRow)
        return {w * std::max(0, count), h + 1};
    const int cols = Columns();
    const int rows = std::max(1, (count + cols - 1) / cols);
    return {w * cols, h * rows};
}
