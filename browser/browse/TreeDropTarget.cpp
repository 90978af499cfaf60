#include "browser/browse/TreeDropTarget.h"

#include "browser/thumbs/ThumbsBrowser.h"
#include "browser/thumbs/ThumbsView.h"
#include "browser/tree/ShellTree.h"
#include "imagefiles/PathHelpers.h"
#include "imagefiles/ShellFileOps.h"

#include <QBrush>
#include <QDir>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPalette>
#include <QUrl>

namespace {

TreeDropQuery& Query() {
    static TreeDropQuery query;
    return query;
}

// `path` is `folder` or lies inside it.
bool IsSameOrInside(const QString& path, const QString& folder) {
    const QString a = QDir::cleanPath(path);
    const QString b = QDir::cleanPath(folder);
    return a == b || a.startsWith(b.endsWith(u'/') ? b : b + u'/');
}

}  // namespace

void SetTreeDropQuery(TreeDropQuery query) { Query() = std::move(query); }

CTreeDropTarget::~CTreeDropTarget() {
    ClearHighlight();
    if (tree_)
        tree_->viewport()->removeEventFilter(this);
}

void CTreeDropTarget::Register(CShellTree* tree) {
    if (tree_ || tree == nullptr)
        return;
    tree_ = tree;
    tree->setAcceptDrops(true);
    tree->viewport()->setAcceptDrops(true);
    tree->viewport()->installEventFilter(this);
}

QStringList CTreeDropTarget::DroppedFiles(const QMimeData* data) {
    QStringList files;
    if (data == nullptr || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    return files;
}

void CTreeDropTarget::ClearHighlight() {
    if (highlighted_ != nullptr && tree_)
        highlighted_->setData(0, Qt::BackgroundRole, savedHighlight_);
    highlighted_ = nullptr;
    savedHighlight_ = QVariant();
}

void CTreeDropTarget::Highlight(QTreeWidgetItem* item) {
    savedHighlight_ = item->data(0, Qt::BackgroundRole);
    item->setData(0, Qt::BackgroundRole, tree_->palette().brush(QPalette::Highlight));
    highlighted_ = item;
}

int CTreeDropTarget::OnDragOver(const QMimeData* data, unsigned keyState, QPoint point) {
    if (!tree_)
        return DROPEFFECT_NONE;
    if (const TreeDropQuery& query = Query(); query && !query(data, keyState, point))
        return DROPEFFECT_NONE;

    ClearHighlight();
    QTreeWidgetItem* item = tree_->itemAt(point);
    if (item == nullptr)
        return DROPEFFECT_NONE;
    Highlight(item);
    QStringList files;
    const QString target = DropFolder(data, point, files);
    if (target.isEmpty())
        return DROPEFFECT_NONE;
    if (keyState & MK_CONTROL)
        return DROPEFFECT_COPY;
    if (keyState & MK_SHIFT)
        return DROPEFFECT_MOVE;
    return IsSameDrive(files.front(), target) ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
}

QString CTreeDropTarget::DropFolder(const QMimeData* data, QPoint point, QStringList& files) const {
    auto* item = dynamic_cast<ShellTreeItem*>(tree_->itemAt(point));
    if (item == nullptr)
        return {};
    const QString target = tree_->GetItemPath(item);
    files = DroppedFiles(data);
    if (target.isEmpty() || files.isEmpty())
        return {};
    // A folder cannot go into itself or one of its sub-folders.
    for (const QString& file : files)
        if (IsSameOrInside(target, file))
            return {};
    return target;
}

void CTreeDropTarget::OnDragLeave() { ClearHighlight(); }

bool CTreeDropTarget::OnDrop(const QMimeData* data, int dropEffect, QPoint point) {
    ClearHighlight();
    if (!tree_ || dropEffect == DROPEFFECT_NONE)
        return false;
    QStringList files;
    const QString target = DropFolder(data, point, files);
    if (target.isEmpty())
        return false;
    return ShellFileOperation(dropEffect == DROPEFFECT_MOVE ? FO_MOVE : FO_COPY, files, target, false);
}

bool CTreeDropTarget::eventFilter(QObject* watched, QEvent* event) {
    if (!tree_ || watched != tree_->viewport())
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        const QPoint point = drag->position().toPoint();
        lastEffect_ = OnDragOver(drag->mimeData(), KeyFlagsOf(drag->buttons(), drag->modifiers()), point);
        if (lastEffect_ == DROPEFFECT_NONE) {
            drag->ignore();
        } else {
            drag->setDropAction(lastEffect_ == DROPEFFECT_MOVE ? Qt::MoveAction : Qt::CopyAction);
            drag->accept();
        }
        // The enter is taken so that the moves keep coming: the effect
        // changes from item to item.
        if (event->type() == QEvent::DragEnter && Query() == nullptr)
            drag->accept();
        return true;
    }
    case QEvent::DragLeave:
        OnDragLeave();
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const bool done = OnDrop(drop->mimeData(), lastEffect_, drop->position().toPoint());
        lastEffect_ = DROPEFFECT_NONE;
        if (done) {
            // The files are in place already: the source must not delete
            // them as it would after a move.
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
        } else {
            drop->ignore();
        }
        return true;
    }
    default:
        return false;
    }
}
