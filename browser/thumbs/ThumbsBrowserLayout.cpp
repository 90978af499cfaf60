// CThumbsBrowser: where the items are, what lies under a point, the drag gap
// animation, the painting of the visible items and the caption animation.
#include <QStringList>

#include <algorithm>
#include <mutex>

#include "browser/builder/Thumbnails.h"
#include "browser/cells/DecodedDibCache.h"
#include "browser/cells/ThumbCacheLock.h"
#include "browser/cells/ThumbDecoder.h"
#include "browser/thumbs/ThumbsBrowser.h"
#include "browser/thumbs/ThumbsView.h"
#include "imagefiles/ImageFileNames.h"

namespace {

constexpr int kMarkerSize = 50;

// Moves an offset one step towards 0.
std::int16_t StepTowardsZero(std::int16_t offset) {
    if (offset > 0)
        return static_cast<std::int16_t>(std::max(0, offset - g_nDragGapStep));
    if (offset < 0)
        return static_cast<std::int16_t>(std::min(0, offset + g_nDragGapStep));
    return 0;
}

}  // namespace

ThumbsGeometry CThumbsBrowser::Geometry(const CThumbsView* view) const {
    ThumbsGeometry g;
    g.cell = GetCellSize();
    if (view != nullptr) {
        g.client = view->ClientSize();
        g.scroll = view->ScrollPosition();
    }
    g.count = static_cast<int>(m_items.GetCount());
    g.singleRow = m_bSingleRow != 0;
    return g;
}

int CThumbsBrowser::GetColumnCount(CThumbsView* view) { return Geometry(view).Columns(); }

int CThumbsBrowser::GapOffset(int index, int row, int col, int cols) {
    if (m_arrOffsets.empty())
        return 0;
    const std::size_t j = std::min<std::size_t>(static_cast<std::size_t>(std::max(0, index)), m_arrOffsets.size() - 1);
    std::int16_t& offset = m_arrOffsets[j];
    if (m_bClosingGap) {
        offset = StepTowardsZero(offset);
    } else if (m_nInsertIndex >= 0 && m_nInsertIndex / cols == row) {
        const std::int16_t max = static_cast<std::int16_t>(g_nDragGapMax);
        if (col < m_nInsertIndex - row * cols) {
            if (offset != -max)
                offset = static_cast<std::int16_t>(-m_nGap);
        } else if (offset != max) {
            offset = static_cast<std::int16_t>(m_nGap);
        }
    } else if (m_nInsertIndex >= 0 && row == m_nPrevInsertRow) {
        offset = StepTowardsZero(offset);
    } else {
        offset = 0;
    }
    return offset;
}

QPoint CThumbsBrowser::GetItemPos(CThumbsView* view, int index) {
    const ThumbsGeometry g = Geometry(view);
    QPoint p = g.ItemPos(index);
    if (!g.singleRow) {
        const int cols = g.Columns();
        p.rx() += GapOffset(index, index / cols, index % cols, cols);
    }
    return p;
}

QRect CThumbsBrowser::GetItemRect(CThumbsView* view, int index) {
    if (GetColumnCount(view) == 0)
        return QRect(0, 0, 0, 0);
    return QRect(GetItemPos(view, index), GetCellSize());
}

QRect CThumbsBrowser::GetLabelRect(CThumbsView* view, int index) {
    const QRect r = GetItemRect(view, index);
    return QRect(r.left(), r.top() + r.height() - kCaptionHeight, r.width(), std::min(r.height(), kCaptionHeight));
}

int CThumbsBrowser::GetRowOf(CThumbsView* view, int index) { return Geometry(view).RowOf(index); }

QRect CThumbsBrowser::GetRowRect(CThumbsView* view, int index) {
    const QRect r = GetItemRect(view, index).translated(-Geometry(view).scroll);
    return QRect(0, r.top(), view ? view->ClientSize().width() : r.right() + 1, r.height());
}

QRect CThumbsBrowser::GetRowRectOfRow(CThumbsView* view, int row) {
    return GetRowRect(view, row * GetColumnCount(view));
}

int CThumbsBrowser::HitTest(CThumbsView* view, QPoint point) {
    const ThumbsGeometry g = Geometry(view);
    const int index = g.SlotAt(point);
    if (index < 0)
        return -1;
    return GetItemRect(view, index).contains(point + g.scroll) ? index : -1;
}

int CThumbsBrowser::GetInsertIndexAt(CThumbsView* view, QPoint point) { return Geometry(view).InsertIndexAt(point); }

QSize CThumbsBrowser::GetContentSize(CThumbsView* view) { return Geometry(view).ContentSize(); }

void CThumbsBrowser::EnsureVisible(int index) {
    CThumbsView* view = m_pView.load();
    if (view == nullptr || view->VerticalRangeEmpty())
        return;
    const QPoint scroll = view->ScrollPosition();
    const QRect r = GetItemRect(view, index).translated(-scroll);
    const QRect client(QPoint(0, 0), view->ClientSize());
    if (client.contains(r))
        return;
    const int bottom = r.top() + r.height(), clientBottom = client.height();
    if (r.top() < 0)
        view->ScrollToPosition(QPoint(scroll.x(), scroll.y() + r.top()));
    else if (bottom > clientBottom)
        view->ScrollToPosition(QPoint(scroll.x(), scroll.y() + GetCellSize().height() + bottom - clientBottom));
}

void CThumbsBrowser::AnimateGap(CThumbsView* view) {
    if (view == nullptr || (m_nInsertIndex == -1 && !m_bClosingGap))
        return;
    const int insertRow = GetRowOf(view, std::max(0, m_nInsertIndex));
    for (int g = 0; g <= g_nDragGapMax; g += std::max(1, g_nDragGapStep)) {
        m_nGap = g;
        if (!m_bClosingGap && m_nPrevInsertRow >= 0 && m_nPrevInsertRow != insertRow)
            view->Invalidate(GetRowRectOfRow(view, m_nPrevInsertRow), true);
        view->Invalidate(m_nInsertIndex >= 0 ? GetRowRect(view, m_nInsertIndex) : QRect(), true);
        view->UpdateWindow();
    }
}

void CThumbsBrowser::ResetOffsets() {
    std::fill(m_arrOffsets.begin(), m_arrOffsets.end(), std::int16_t{0});
    m_nGap = 0;
}

namespace {

// The marker box around the insertion point of item position p.
QRect MarkerBox(QPoint p, QSize cell, int cols, int gap) {
    const QPoint centre =
        cols == 1 ? QPoint(p.x() + cell.width() / 2, p.y()) : QPoint(p.x(), p.y() + cell.height() / 2);
    return QRect(centre.x() - kMarkerSize / 2 - gap, centre.y() - kMarkerSize / 2, kMarkerSize, kMarkerSize);
}

}  // namespace

void CThumbsBrowser::DrawInsertMarker(QPainter& painter, CThumbsView* view) {
    if (m_nInsertIndex < 0 || !m_pDragCell)
        return;
    const QRect box = MarkerBox(GetItemPos(view, m_nInsertIndex), GetCellSize(), GetColumnCount(view), m_nGap)
                          .translated(-Geometry(view).scroll);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    m_pDragCell->DrawInto(painter, box.adjusted(2, 2, -2, -2), m_strContextPath, true);
}

void CThumbsBrowser::EraseInsertMarker(CThumbsView* view) {
    if (view == nullptr || m_nInsertIndex < 0)
        return;
    const QRect box = MarkerBox(GetItemPos(view, m_nInsertIndex), GetCellSize(), GetColumnCount(view), m_nGap);
    view->Invalidate(box.translated(-view->ScrollPosition()), true);
    view->UpdateWindow();
}

QRect CThumbsBrowser::RubberBandRect() const { return QRect(m_ptAnchor, m_ptBandEnd).normalized(); }

void CThumbsBrowser::DrawRubberBand(CThumbsView* view, int x, int y, bool erase) {
    if (view == nullptr)
        return;
    const QRect before = m_bBandDrawn ? RubberBandRect() : QRect();
    m_ptBandEnd = QPoint(x, y);
    m_bBandDrawn = erase ? 0 : 1;
    if (erase) {
        view->Invalidate(QRect(), false);
    } else {
        // The outline is painted by the view; only its old and new place change.
        view->Invalidate(before.united(RubberBandRect()).adjusted(-1, -1, 1, 1), false);
    }
}

void CThumbsBrowser::EraseRubberBand(CThumbsView* view, int x, int y) {
    m_bBandDrawn = 0;
    if (view == nullptr)
        return;
    view->Invalidate(QRect(m_ptAnchor, QPoint(x, y)).normalized().adjusted(-1, -1, 1, 1), false);
    view->UpdateWindow();
}

void CThumbsBrowser::OnDraw(CThumbsView* view, IBorderBuffer& surface, QPainter& painter, const QRect& givenClip) {
    m_nCellsDrawn = 0;
    const int count = static_cast<int>(m_items.GetCount());
    if (count == 0)
        return;
    const ThumbsGeometry g = Geometry(view);
    const QRect clip = givenClip.isEmpty() ? QRect(g.scroll, g.client) : givenClip;
    const auto [first, last] = g.IndicesMeeting(clip);

    std::vector<CItem*> visible;
    visible.reserve(static_cast<std::size_t>(last - first));
    {
        auto position = m_items.FindIndex(static_cast<std::size_t>(first));
        for (int i = first; i < last && position != m_items.end(); ++i, ++position)
            visible.push_back(position->get());
    }
    if (m_bManyItems) {
        QStringList missing;
        {
            std::lock_guard lock(g_csThumbCache);
            for (const CItem* item : visible) {
                CellRef found;
                if (!LookupThumb(item->m_strPath, found))
                    missing.append(item->m_strPath);
            }
        }
        if (!missing.isEmpty())
            PrioritizeThumbnailFiles(missing);
    }
    // A grid's rows are taken whole: only their cells that meet the clip are drawn.
    const QSize cell = g.cell;
    for (int i = first; i < last; ++i) {
        if (QRect(GetItemPos(view, i), cell).adjusted(-1, -1, 1, 1).intersects(clip))
            DrawItem(view, surface, painter, i, clip);
    }
    if (m_nInsertIndex >= 0 && !m_bClosingGap)
        DrawInsertMarker(painter, view);
    DecodeRowsAhead(view);
}

CThumbDecoder& CThumbsBrowser::ThumbDecoder() {
    if (!m_pDecoder)
        m_pDecoder = std::make_unique<CThumbDecoder>();
    return *m_pDecoder;
}

void CThumbsBrowser::DecodeRowsAhead(CThumbsView* view) {
    const ThumbsGeometry g = Geometry(view);
    const int h = g.cell.height();
    if (view == nullptr || g.singleRow || g.count == 0 || h <= 0 || g.client.height() <= 0)
        return;
    const int cols = g.Columns();
    const AheadKey key{g.scroll.y(), g.count, cols, h, g.client.height()};
    if (key == m_aheadKey)
        return;  // the rows are the same as at the last hand-over
    const int rows = (g.count + cols - 1) / cols;
    const int firstRow = g.scroll.y() / h;
    const int lastRow = (g.scroll.y() + g.client.height() - 1) / h;
    // The screen first: while the builder still makes thumbnails of visible
    // pictures, the rows after them wait (a later painting asks again).
    // Files of other kinds never get one and do not hold them up.
    {
        auto position = m_items.FindIndex(static_cast<std::size_t>(firstRow) * cols);
        for (int i = firstRow * cols; i < std::min(g.count, (lastRow + 1) * cols) && position != m_items.end();
             ++i, ++position) {
            const QString& path = (*position)->m_strPath;
            if (!IsSupportedImageExtension(path))
                continue;
            CellRef cell;
            const bool built = LookupThumb(path, cell) && cell && cell->HasThumbnailData();
            if (cell)
                ReleaseThumb(cell);
            if (!built)
                return;
        }
    }
    if (m_aheadKey.scrollY >= 0 && key.scrollY != m_aheadKey.scrollY)
        m_bScrolledUp = key.scrollY < m_aheadKey.scrollY;
    m_aheadKey = key;

    const int screen = lastRow - firstRow + 1;
    const int visibleCells = screen * cols;
    const int capacity = static_cast<int>(g_DecodedDibs.Capacity());
    const int budget = std::min(3 * visibleCells, capacity - visibleCells);
    if (budget <= 0)
        return;
    // The rows in the order they are wanted: ahead in the direction of the
    // scrolling, then behind.
    std::vector<int> order;
    const int step = m_bScrolledUp ? -1 : 1;
    const int ahead = m_bScrolledUp ? firstRow - 1 : lastRow + 1;
    const int behind = m_bScrolledUp ? lastRow + 1 : firstRow - 1;
    for (int i = 0; i < 2 * screen; ++i)
        order.push_back(ahead + step * i);
    for (int i = 0; i < screen; ++i)
        order.push_back(behind - step * i);

    std::vector<CellRef> cells;
    for (const int row : order) {
        if (row < 0 || row >= rows || static_cast<int>(cells.size()) >= budget)
            continue;
        auto position = m_items.FindIndex(static_cast<std::size_t>(row) * cols);
        for (int col = 0; col < cols && position != m_items.end() && static_cast<int>(cells.size()) < budget;
             ++col, ++position) {
            CellRef cell;
            if (!LookupThumb((*position)->m_strPath, cell) || !cell)
                continue;
            if (!cell->HoldsDib() && cell->HasThumbnailData())
                cells.push_back(cell);
            ReleaseThumb(cell);
        }
    }
    ThumbDecoder().Decode(std::move(cells));
}

void CThumbsBrowser::DrawItem(CThumbsView* view, IBorderBuffer& surface, QPainter& painter, int index,
                              const QRect& clip) {
    ++m_nCellsDrawn;
    const CItem* item = GetItem(index);
    if (item == nullptr)
        return;
    const QPoint p = GetItemPos(view, index);
    const QRect r(p, GetCellSize());
    if (!r.adjusted(-1, -1, 1, 1).intersects(clip))
        return;
    // The cell draws at its own corner, the painter moved there, so that
    // every cell draws with the same small numbers wherever it lies: Qt lays
    // text out in 26.6 fixed point, whose range ends at 2^25 pixels, and a
    // long basket's row goes far beyond.
    painter.save();
    painter.translate(p - Geometry(view).scroll);
    const bool selected = item->m_bSelected != 0;
    // A cell that Select all loaded stands in until the cache has a built
    // one for the item.
    const auto loaded = m_selectAllCells.constFind(item->m_strPath);
    const bool standIn = loaded != m_selectAllCells.cend();
    CellRef cached;
    bool drawn = false;
    if (LookupThumb(item->m_strPath, cached) && cached) {
        if (!standIn || cached->HasThumbnailData()) {
            if (standIn)
                m_selectAllCells.erase(loaded);
            cached->Draw(painter, surface, 0, 0, item->m_strPath, selected, false);
            drawn = true;
        }
        ReleaseThumb(cached);
    }
    if (!drawn) {
        const std::shared_ptr<CPaletteItem> temp = standIn ? *loaded : CreateTempItem();
        if (temp)
            temp->Draw(painter, surface, 0, 0, item->m_strPath, selected, false);
    }
    painter.restore();
}

QPoint CThumbsBrowser::DrawnItemPos(CThumbsView* view, int index) const {
    const ThumbsGeometry g = Geometry(view);
    QPoint p = g.ItemPos(index);
    if (!g.singleRow && index >= 0 && static_cast<std::size_t>(index) < m_arrOffsets.size())
        p.rx() += m_arrOffsets[static_cast<std::size_t>(index)];
    return p;
}

void CThumbsBrowser::OnTimerTick(int timerId) {
    if (OnAutoScrollTimer(timerId))
        return;
    CThumbsView* view = m_pView.load();
    if (m_bRubberBand || view == nullptr)
        return;
    const QPoint scroll = view->ScrollPosition();
    int index = -1;
    for (const auto& item : m_items) {
        ++index;
        if (!item->m_bSelected)
            continue;
        CellRef cell;
        if (!LookupThumb(item->m_strPath, cell) || !cell)
            continue;
        // The caption's rectangle is where it was last drawn, relative to
        // the cell's corner.
        const QRect r = cell->ScrollLabel(0);
        ReleaseThumb(cell);
        if (!r.isEmpty())
            view->Invalidate(r.translated(DrawnItemPos(view, index) - scroll), false);
    }
}
