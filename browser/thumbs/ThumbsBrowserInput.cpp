// CThumbsBrowser: the base input operations the view forwards to. Until the
// selection gestures, the keyboard moves, the clipboard and drag and drop are
// wired in, the base browser takes no input: a press, a key or a drag changes
// nothing, nothing can be pasted, and drops are refused. "Select all" works.
#include "app/document/WaitCursor.h"
#include "browser/thumbs/ThumbsBrowser.h"
#include "browser/thumbs/ThumbsView.h"

void CThumbsBrowser::OnLButtonDown(CThumbsView*, IBorderBuffer&, unsigned, QPoint) {}
void CThumbsBrowser::OnLButtonUp(CThumbsView*, IBorderBuffer&, unsigned, QPoint) {}
void CThumbsBrowser::OnMouseMove(CThumbsView*, IBorderBuffer&, unsigned, QPoint) {}
void CThumbsBrowser::OnContextMenu(CThumbsView*, IBorderBuffer&, unsigned, QPoint) {}
bool CThumbsBrowser::OnKeyDown(int, unsigned) { return false; }
bool CThumbsBrowser::OnAutoScrollTimer(int) { return false; }

void CThumbsBrowser::BeginDrag(CThumbsView*) {}
int CThumbsBrowser::OnDragEnter(const QMimeData*, unsigned, QPoint) { return DROPEFFECT_NONE; }
int CThumbsBrowser::OnDragOver(const QMimeData*, unsigned, QPoint) { return DROPEFFECT_NONE; }
bool CThumbsBrowser::OnDrop(const QMimeData*, int, QPoint) { return false; }
void CThumbsBrowser::OnDropFiles(const QMimeData*, QPoint, CThumbsView*, int) {}

void CThumbsBrowser::CopyToClipboard() {}
void CThumbsBrowser::PasteFromClipboard(const QStringList&) {}
bool CThumbsBrowser::CanPaste() const { return false; }

void CThumbsBrowser::SelectAll(CThumbsView* view, IBorderBuffer&) {
    WaitCursor wait;
    bool changed = false;
    for (auto& item : m_items) {
        if (!item->m_bSelected) {
            item->m_bSelected = 1;
            changed = true;
        }
    }
    if (changed && view != nullptr)
        view->Invalidate(QRect(), false);
    UpdateSelectionInfo();
}
