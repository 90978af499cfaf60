// CThumbsBrowser: the in-place rename of an item and the undo record of
// renames.
#include <QPointer>

#include <algorithm>

#include "browser/thumbs/FileOpBracket.h"
#include "browser/thumbs/InPlaceRename.h"
#include "browser/thumbs/PopupEdit.h"
#include "browser/thumbs/ThumbsBrowser.h"
#include "browser/thumbs/ThumbsView.h"
#include "imagefiles/ImageFileNames.h"

void CThumbsBrowser::BeginRename(CThumbsView* view, int index) {
    const CItem* item = GetItem(index);
    if (view == nullptr || item == nullptr)
        return;
    const QRect caption = GetLabelRect(view, index).translated(-view->ScrollPosition());
    const QRect screen(view->viewport()->mapToGlobal(caption.topLeft()), caption.size());
    // The box may outlive the view: it renames only while the view shows
    // this browser.
    QPointer<CThumbsView> guard(view);
    CPopupEdit::Open(
        item->m_strPath, screen, view,
        [this, guard](const QString& oldPath, const QString& typedName) {
            if (guard && guard->Browser() == this)
                CommitRename(oldPath, typedName);
        },
        m_pbLabelEditing);
}

void CThumbsBrowser::CommitRename(const QString& oldPath, const QString& typedName) {
    RenameResult result;
    {
        const FileOperationBracket bracket(m_evGo, Monitor());
        result = RenameWithSoundNote(oldPath, typedName);
        if (result.renamed) {
            RecordUndoPaths(result.oldPaths, result.newPaths);
            RecordUndoRename();
            OnFileRenamed(oldPath, result.newPath);
        }
    }
    if (result.renamed) {
        if (HasSoundNote(result.newPath)) {
            Reload();
        } else {
            // The item keeps its place; the list is not sorted again.
            for (auto& item : m_items) {
                if (item->m_strPath == oldPath) {
                    item->m_strPath = result.newPath;
                    break;
                }
            }
            if (!m_lstPaths.isEmpty()) {
                const qsizetype at = m_lstPaths.indexOf(oldPath);
                if (at >= 0)
                    m_lstPaths[at] = result.newPath;
            }
        }
    }
    InvalidateView(false);
}

void CThumbsBrowser::RecordUndoPaths(const QStringList& oldPaths, const QStringList& newPaths) {
    m_lstPrevUndoNew = m_lstUndoNew;
    m_lstPrevUndoOld = m_lstUndoOld;
    m_lstUndoNew = newPaths;
    m_lstUndoOld = oldPaths;
}

void CThumbsBrowser::RecordUndoRename() {
    constexpr int kRename = 2;
    constexpr int kMaxDepth = 2;
    m_nUndoDepth = std::min(m_nUndoDepth + 1, kMaxDepth);
    m_nPrevUndoKind = m_nUndoKind;
    m_nUndoKind = kRename;
}
