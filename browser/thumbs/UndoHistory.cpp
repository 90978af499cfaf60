#include "browser/thumbs/UndoHistory.h"

#include <algorithm>

void CUndoHistory::RecordUndoPaths(const QStringList& oldPaths, const QStringList& newPaths) {
    m_lstPrevUndoNew = m_lstUndoNew;
    m_lstPrevUndoOld = m_lstUndoOld;
    m_lstUndoNew = newPaths;
    m_lstUndoOld = oldPaths;
}

void CUndoHistory::RecordUndoRename() {
    m_nUndoDepth = std::min(m_nUndoDepth + 1, kMaxDepth);
    m_nPrevUndoKind = m_nUndoKind;
    m_nUndoKind = kKindRename;
}
