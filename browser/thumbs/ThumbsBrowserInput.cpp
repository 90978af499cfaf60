// CThumbsBrowser: selection, mouse and keyboard. The view forwards its mouse
// and key events here; a press starts one of three gestures, chosen at
// button-down: a drag candidate (on an item), a rubber band (on empty space)
// or the in-place rename (on the caption of the only selected item).
// Selection changes repaint only the cells concerned.
#include <QCursor>
#include <QMenu>
#include <QScrollBar>

#include <algorithm>

#include "browser/thumbs/FileTransfer.h"
#include "browser/thumbs/SelectionRules.h"
#include "browser/thumbs/ThumbsBrowser.h"
#include "browser/thumbs/ThumbsIds.h"
#include "browser/thumbs/ThumbsView.h"
#include "core/widgets/WaitCursor.h"
#include "imagefiles/ImageFileNames.h"

namespace {

constexpr int kAutoScrollPeriodMs = 50;
constexpr int kDragThreshold = 2;

constexpr int IDR_MENU_OUTSIDE = 154;
constexpr int IDR_MENU_ONE = 149;
constexpr int IDR_MENU_MANY = 284;

}  // namespace

// --- Selection primitives ---

namespace {

// Repaints item `index` of the view after its selection changed; its cell
// starts its caption from the beginning again. An item without a cached
// cell is redrawn by a temporary one, which first loads the item's
// thumbnail (fast pass) when `loadTemporary` is set; that cell is returned
// when it loaded one (null otherwise).
std::shared_ptr<CPaletteItem> RepaintItem(CThumbsBrowser& browser, CThumbsView* view, int index,
                                          bool loadTemporary = false) {
    if (view == nullptr)
        return nullptr;
    const QRect cell = browser.GetItemRect(view, index).translated(-view->ScrollPosition());
    const CItem* item = browser.GetItem(index);
    if (item == nullptr) {
        view->Invalidate(cell, false);
        return nullptr;
    }
    CellRef cached;
    if (browser.LookupThumb(item->m_strPath, cached) && cached) {
        view->Invalidate(cached->RedrawSelection(cell.x(), cell.y()), false);
        browser.ReleaseThumb(cached);
        return nullptr;
    }
    const std::shared_ptr<CPaletteItem> temporary = browser.CreateTempItem();
    if (!temporary) {
        view->Invalidate(cell, false);
        return nullptr;
    }
    const bool loaded = loadTemporary && temporary->LoadThumbnail(item->m_strPath, false, nullptr);
    view->Invalidate(temporary->RedrawSelection(cell.x(), cell.y()), false);
    return loaded ? temporary : nullptr;
}

}  // namespace

void CThumbsBrowser::SelectItem(int index, CThumbsView* view, bool toggle) {
    CItem* item = GetItem(index);
    if (item == nullptr)
        return;
    if (item->m_bSelected && !toggle)
        return;
    item->m_bSelected = item->m_bSelected ? 0 : 1;
    RepaintItem(*this, view, index);
    UpdateSelectionInfo();
}

void CThumbsBrowser::DeselectItem(int index, CThumbsView* view) {
    CItem* item = GetItem(index);
    if (item == nullptr || !item->m_bSelected)
        return;
    item->m_bSelected = 0;
    RepaintItem(*this, view, index);
    UpdateSelectionInfo();
}

void CThumbsBrowser::DeselectAllExcept(CThumbsView* view, int keep) {
    int index = 0;
    for (auto& item : m_items) {
        if (item->m_bSelected && index != keep) {
            item->m_bSelected = 0;
            RepaintItem(*this, view, index);
        }
        ++index;
    }
    UpdateSelectionInfo();
}

void CThumbsBrowser::SelectAll(CThumbsView* view, IBorderBuffer&) {
    WaitCursor wait;
    // The painting that follows draws what was loaded here; the cells of
    // items out of sight are let go at once, so that the kept ones never
    // outnumber the cells of one screen.
    QHash<QString, std::shared_ptr<CPaletteItem>> kept;
    int index = 0;
    for (auto& item : m_items) {
        std::shared_ptr<CPaletteItem> loaded = m_selectAllCells.value(item->m_strPath);
        if (!item->m_bSelected) {
            item->m_bSelected = 1;
            // An item whose thumbnail is not built yet gets it decoded here,
            // on this thread, by the cell that redraws it.
            if (std::shared_ptr<CPaletteItem> cell = RepaintItem(*this, view, index, true))
                loaded = std::move(cell);
        }
        if (loaded && IsItemShown(view, index))
            kept.insert(item->m_strPath, std::move(loaded));
        ++index;
    }
    m_selectAllCells = std::move(kept);
    UpdateSelectionInfo();
}

bool CThumbsBrowser::IsItemShown(CThumbsView* view, int index) {
    if (view == nullptr)
        return false;
    const QRect client(QPoint(0, 0), view->ClientSize());
    return GetItemRect(view, index).translated(-view->ScrollPosition()).intersects(client);
}

int CThumbsBrowser::GetSelectionRange(int& first, int& last) const {
    const SelectionBounds bounds = GetSelectionBounds(m_items);
    first = bounds.first;
    last = bounds.last;
    return static_cast<int>(m_items.GetCount());
}

int CThumbsBrowser::CountSelectedFiles() const {
    int count = 0;
    for (const auto& item : m_items) {
        if (item->m_bSelected)
            count += HasSoundNote(item->m_strPath) ? 2 : 1;
    }
    return count;
}

bool CThumbsBrowser::IsItemSelectedAt(CThumbsView* view, QPoint point) {
    const CItem* item = GetItem(HitTest(view, point));
    return item != nullptr && item->m_bSelected;
}

// Selects the indexes from..to alone, repainting what changed.
static void SelectOnly(CThumbsBrowser& browser, CThumbsView* view, int from, int to) {
    int index = 0;
    for (auto& item : browser.Items()) {
        const int wanted = index >= from && index <= to ? 1 : 0;
        if (item->m_bSelected != wanted) {
            item->m_bSelected = wanted;
            RepaintItem(browser, view, index);
        }
        ++index;
    }
}

void CThumbsBrowser::ClickSelect(QPoint point, CThumbsView* view) {
    const int hit = HitTest(view, point);
    const CItem* item = GetItem(hit);
    // A multiple selection survives the press, so that it can be dragged.
    if (item == nullptr || item->m_bSelected)
        return;
    SelectOnly(*this, view, hit, hit);
    UpdateSelectionInfo();
}

void CThumbsBrowser::ShiftSelect(QPoint point, CThumbsView* view) {
    const int hit = HitTest(view, point);
    const int count = GetItemCount();
    const KeyMove range = ShiftClickRange(hit < count ? hit : -1, GetSelectionBounds(m_items), count);
    SelectOnly(*this, view, range.from, range.to);
    UpdateSelectionInfo();
}

void CThumbsBrowser::ToggleAt(QPoint point, CThumbsView* view) {
    SelectItem(HitTest(view, point), view, true);
    UpdateSelectionInfo();
}

void CThumbsBrowser::CollapseSelectionAt(QPoint point, CThumbsView* view) {
    const int hit = HitTest(view, point);
    if (KeepsSelectionAtButtonUp(m_items, hit))
        return;
    SelectOnly(*this, view, hit, GetItem(hit) != nullptr ? hit : -1);
}

// --- Mouse ---

void CThumbsBrowser::OnLButtonDown(CThumbsView* view, IBorderBuffer&, unsigned keyFlags, QPoint point) {
    StopAutoScroll();
    m_bButtonDown = 1;
    m_bInClick = 1;

    int first = 0, last = -1;
    GetSelectionRange(first, last);
    if (view != nullptr && last >= 0 && first == last &&
        GetLabelRect(view, first).translated(-view->ScrollPosition()).contains(point)) {
        m_bInClick = 0;
        m_bButtonDown = 0;
        BeginRename(view, first);
        return;
    }

    m_bCtrlPending = 0;
    if (keyFlags & MK_CONTROL) {
        m_bCtrlPending = 1;  // the toggle happens at button-up
    } else if (keyFlags & MK_SHIFT) {
        ShiftSelect(point, view);
    } else {
        ClickSelect(point, view);
    }

    if (!GetItemPathAt(view, point).isEmpty()) {
        m_ptAnchor = point;
        m_bDragCandidate = 1;
    } else {
        DeselectAllExcept(View(), -1);
        m_ptAnchor = point;
        m_ptBandEnd = point;
        m_bRubberBand = 1;
    }
    m_bInClick = 0;
    UpdateSelectionInfo();
}

void CThumbsBrowser::OnLButtonUp(CThumbsView* view, IBorderBuffer&, unsigned keyFlags, QPoint point) {
    StopAutoScroll();
    m_bButtonDown = 0;
    if (m_bRubberBand) {
        m_bRubberBand = 0;
        if (m_bBandDrawn) {
            EraseRubberBand(view, point.x(), point.y());
            if (view != nullptr)
                view->UpdateWindow();
        }
    } else {
        m_bDragCandidate = 0;
        if (m_bCtrlPending) {
            ToggleAt(point, view);
            m_bCtrlPending = 0;
        } else if (!(keyFlags & MK_SHIFT)) {
            CollapseSelectionAt(point, view);
        }
    }
    UpdateSelectionInfo();
}

namespace {

// The point has left the square around the anchor.
bool BeyondDragThreshold(QPoint anchor, QPoint point) {
    const QRect square(anchor - QPoint(kDragThreshold, kDragThreshold),
                       anchor + QPoint(kDragThreshold - 1, kDragThreshold - 1));
    return !square.contains(point);
}

}  // namespace

void CThumbsBrowser::OnMouseMove(CThumbsView* view, IBorderBuffer&, unsigned keyFlags, QPoint point) {
    const bool button = (keyFlags & MK_LBUTTON) != 0;
    if ((m_bDragCandidate || m_bRubberBand) && !button) {
        m_bDragCandidate = 0;
        if (m_bRubberBand && m_bBandDrawn)
            EraseRubberBand(view, m_ptBandEnd.x(), m_ptBandEnd.y());
        m_bRubberBand = 0;
        return;
    }
    if (m_bDragCandidate) {
        if (BeyondDragThreshold(m_ptAnchor, point)) {
            m_bDragCandidate = 0;
            m_bCtrlPending = 0;  // Ctrl+drag drags without toggling
            m_bButtonDown = 0;
            BeginDrag(view);
        }
        return;
    }
    if (!m_bRubberBand || view == nullptr)
        return;

    // Outside the client area the view scrolls one line; the anchor stays
    // on its spot of the content.
    const int before = view->ScrollPosition().y();
    const int line = std::max(1, GetCellSize().height());
    bool scrolled = false;
    if (point.y() > view->ClientSize().height()) {
        view->ScrollToPosition(QPoint(view->ScrollPosition().x(), before + line));
        scrolled = true;
    } else if (point.y() < 0 && before != 0) {
        view->ScrollToPosition(QPoint(view->ScrollPosition().x(), before - line));
        scrolled = true;
    }
    if (scrolled) {
        StartAutoScroll(view, keyFlags);
        m_ptAnchor.ry() += before - view->ScrollPosition().y();
    }

    const QRect band = QRect(m_ptAnchor, point).normalized();
    const QPoint scroll = view->ScrollPosition();
    int index = 0;
    for (auto& item : m_items) {
        const int wanted = GetItemRect(view, index).translated(-scroll).intersects(band) ? 1 : 0;
        if (item->m_bSelected != wanted) {
            item->m_bSelected = wanted;
            RepaintItem(*this, view, index);
        }
        ++index;
    }
    DrawRubberBand(view, point.x(), point.y(), false);
    view->UpdateWindow();
}

// --- The rubber band's auto-scroll ---

void CThumbsBrowser::StartAutoScroll(CThumbsView* view, unsigned keyFlags) {
    m_autoScroll.view = view;
    m_autoScroll.keyFlags = keyFlags;
    if (m_autoScroll.timerId == 0 && view != nullptr)
        m_autoScroll.timerId = view->StartTimer(kAutoScrollPeriodMs);
}

void CThumbsBrowser::StopAutoScroll() {
    if (m_autoScroll.timerId != 0 && m_autoScroll.view != nullptr)
        m_autoScroll.view->KillTimer(m_autoScroll.timerId);
    m_autoScroll.timerId = 0;
}

bool CThumbsBrowser::OnAutoScrollTimer(int timerId) {
    if (timerId == 0 || timerId != m_autoScroll.timerId)
        return false;
    CThumbsView* view = m_autoScroll.view;
    if (view == nullptr)
        return true;
    const QPoint cursor = view->viewport()->mapFromGlobal(QCursor::pos());
    const int y = view->ScrollPosition().y();
    const bool above = cursor.y() < 0 && y != 0;
    const bool below = cursor.y() > view->ClientSize().height() && y < view->verticalScrollBar()->maximum();
    if (above || below)
        OnMouseMove(view, view->Surface(), m_autoScroll.keyFlags, cursor);
    return true;
}

// --- Context menu ---

namespace {

// Where the context menu's commands go: like those of the main window's own
// menus, through the routing of the view's top-level window (the main frame
// offers them to the Browse window, which offers them to its active pane,
// the view that took the focus with the click). A view without such a
// window takes them itself.
platform::CmdTarget* CommandRoute(CThumbsView* view) {
    if (view == nullptr)
        return nullptr;
    if (auto* top = dynamic_cast<platform::CmdTarget*>(view->window()); top != nullptr)
        return top;
    return view;
}

}  // namespace

std::unique_ptr<QMenu> CThumbsBrowser::BuildContextMenu(int menuId, CThumbsView* view) {
    auto menu = std::make_unique<QMenu>(view);
    menu->setTitle(menuId == IDR_MENU_OUTSIDE ? QStringLiteral("ImgThumbsBrowserOut")
                                              : QStringLiteral("ImgThumbsBrowser"));
    platform::CmdTarget* route = CommandRoute(view);
    // Each entry is enabled as its update handler says, when the menu opens.
    auto add = [route](QMenu* into, int id, const QString& text) {
        QAction* action = into->addAction(text);
        action->setEnabled(route != nullptr && route->QueryCommand(id).enabled);
        QObject::connect(action, &QAction::triggered, action, [route, id] {
            if (route != nullptr)
                route->RunCommand(id);
        });
        return action;
    };
    if (menuId == IDR_MENU_OUTSIDE)
        add(menu.get(), ID_BROWSER_REFRESH, QStringLiteral("&Refresh"));
    add(menu.get(), ID_BROWSER_PASTE, QStringLiteral("&Paste"));
    if (menuId != IDR_MENU_OUTSIDE)
        add(menu.get(), ID_BROWSER_COPY, QStringLiteral("&Copy"));
    add(menu.get(), ID_BROWSER_SELECTALL, QStringLiteral("Select all"));
    QMenu* sort = menu->addMenu(QStringLiteral("Sort"));
    const char* const sortTexts[] = {"&Name", "&Date", "&File Format", "Image &Width", "Image &Height", "File &Size"};
    int i = 0;
    for (const SortCommand& command : kSortCommands)
        add(sort, command.id, QString::fromLatin1(sortTexts[i++]));
    if (menuId == IDR_MENU_ONE)
        add(menu.get(), ID_BROWSER_PROPERTIES, QStringLiteral("Properties ..."));
    return menu;
}

void CThumbsBrowser::OnContextMenu(CThumbsView* view, IBorderBuffer& surface, unsigned keyFlags, QPoint point) {
    const QPoint screen = QCursor::pos();
    const int hit = HitTest(view, point);
    int menuId = IDR_MENU_OUTSIDE;
    if (hit < 0 || hit >= GetItemCount()) {
        DeselectAllExcept(view, -1);
    } else {
        if (!GetItem(hit)->m_bSelected) {
            // A plain click first.
            OnLButtonDown(view, surface, keyFlags, point);
            OnLButtonUp(view, surface, keyFlags, point);
        }
        m_strContextPath = GetItem(hit)->m_strPath;
        m_rcContext = GetItemRect(view, hit);
        int first = 0, last = -1;
        GetSelectionRange(first, last);
        menuId = first == last ? IDR_MENU_ONE : IDR_MENU_MANY;
    }
    const std::unique_ptr<QMenu> menu = BuildContextMenu(menuId, view);
    menu->exec(screen);
    UpdateSelectionInfo();
}

// --- Keys ---

bool CThumbsBrowser::OnKeyDown(int key, unsigned keyFlags) {
    if (!IsSelectionMoveKey(key))
        return false;
    CThumbsView* view = View();
    if (view == nullptr)
        return true;
    const QSize cell = GetCellSize();
    const QSize client = view->ClientSize();
    const int cols = std::max(1, cell.width() > 0 ? client.width() / cell.width() : 1);
    const int rows = std::max(1, cell.height() > 0 ? client.height() / cell.height() : 1);
    const bool extend = m_bMultiSelect && (keyFlags & MK_SHIFT) != 0;
    const std::optional<KeyMove> move =
        KeyMoveFor(key, GetSelectionBounds(m_items), GetItemCount(), cols, rows, extend);
    if (!move)
        return true;  // no items: nothing to move
    SelectOnly(*this, view, move->from, move->to);
    EnsureVisible(move->target);
    UpdateSelectionInfo();
    return true;
}
