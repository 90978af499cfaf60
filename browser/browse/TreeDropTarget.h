#pragma once
// CTreeDropTarget: the drop target of the folder tree. Before it looks at a
// drag it asks the main window whether the tree may take a drop now (the
// query the main window installs); the main window refuses every drag, so the
// tree shows the no-drop cursor over every item and nothing is dropped.
//
// Without a main window (no query installed) its own rules apply: the item
// under the pointer is highlighted; files dropped on a folder item are moved
// there when they lie on the same volume or Shift is held, copied when not or
// Ctrl is held, renaming on collision. A folder is never dropped into itself
// or into one of its own sub-folders.
//
// User-interface thread only.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QVariant>

#include <functional>

class CShellTree;
class QMimeData;
class QTreeWidgetItem;

// Answers whether the folder tree may take a drop now.
using TreeDropQuery = std::function<bool(const QMimeData* data, unsigned keyState, QPoint point)>;
// Installed by the main window while it exists; an empty one removes it.
void SetTreeDropQuery(TreeDropQuery query);

class CTreeDropTarget : public QObject {
public:
    CTreeDropTarget() = default;
    ~CTreeDropTarget() override;

    // Registers the target for the tree's window (once); revoked when the
    // target or the tree goes.
    void Register(CShellTree* tree);
    bool IsRegistered() const { return !tree_.isNull(); }

    // The drop effect (DROPEFFECT_*) for data dragged over `point` (tree
    // viewport coordinates) with the key flags (MK_*).
    int OnDragOver(const QMimeData* data, unsigned keyState, QPoint point);
    void OnDragLeave();
    // Copies or moves the dropped files into the item's folder; true when
    // every file arrived.
    bool OnDrop(const QMimeData* data, int dropEffect, QPoint point);

    // The item that carries the drop highlight, or null.
    QTreeWidgetItem* HighlightedItem() const { return highlighted_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ClearHighlight();
    void Highlight(QTreeWidgetItem* item);
    // The folder of the item under `point` that may take the data's files
    // (given in `files`), or empty.
    QString DropFolder(const QMimeData* data, QPoint point, QStringList& files) const;
    // The local files of the data, or none.
    static QStringList DroppedFiles(const QMimeData* data);

    QPointer<CShellTree> tree_;
    QTreeWidgetItem* highlighted_ = nullptr;
    QVariant savedHighlight_;
    int lastEffect_ = 0;
};
