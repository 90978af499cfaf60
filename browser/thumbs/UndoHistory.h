#pragma once
// The small history of renames a browser records for undoing: the old and
// new paths of the last operation and of the one before, with their kinds.
// Nothing in the program reads it back yet; it holds the last two renames
// of the browser's life.

#include <QStringList>

class CUndoHistory {
public:
    static constexpr int kKindNone = 0;
    static constexpr int kKindRename = 2;
    static constexpr int kMaxDepth = 2;

    // The last operation's paths become the previous ones; these the last.
    void RecordUndoPaths(const QStringList& oldPaths, const QStringList& newPaths);
    // The last operation was a rename.
    void RecordUndoRename();

    int m_nUndoDepth = 0;
    int m_nUndoKind = kKindNone;
    int m_nPrevUndoKind = kKindNone;
    QStringList m_lstUndoOld;
    QStringList m_lstUndoNew;
    QStringList m_lstPrevUndoOld;
    QStringList m_lstPrevUndoNew;
};
