// CThumbsBrowser: the clipboard, drags out of the view, drops into it and
// the reorder of a drag that stays inside it. File lists go as uri lists
// with the desktops' cut markers (FileMimeData.h); the files themselves are
// copied and moved by the shell operations inside the file-operation
// bracket.
#include <QClipboard>
#include <QDrag>
#include <QGuiApplication>
#include <QPixmap>

#include "browser/thumbs/FileMimeData.h"
#include "browser/thumbs/FileOpBracket.h"
#include "browser/thumbs/FileTransfer.h"
#include "browser/thumbs/ReorderByDrop.h"
#include "browser/thumbs/ThumbsBrowser.h"
#include "browser/thumbs/ThumbsView.h"
#include "imagefiles/ImageFileNames.h"
#include "platform/files/RegularFile.h"

namespace {

constexpr int kDragImageSize = 64;

QPixmap DragImage(const CellRef& cell, const QString& path) {
    QPixmap image(kDragImageSize, kDragImageSize);
    image.fill(Qt::transparent);
    if (cell) {
        QPainter painter(&image);
        cell->DrawInto(painter, image.rect(), path, false);
    }
    return image;
}

}  // namespace

QStringList CThumbsBrowser::BuildDropFiles(QString& firstPath) const {
    QStringList paths;
    for (const auto& item : m_items) {
        if (!item->m_bSelected)
            continue;
        if (paths.isEmpty())
            firstPath = item->m_strPath;
        paths.append(item->m_strPath);
        QString note;
        if (GetSoundNotePath(item->m_strPath, note))
            paths.append(note);
    }
    return paths;
}

void CThumbsBrowser::CopyToClipboard() {
    QString first;
    const QStringList paths = BuildDropFiles(first);
    if (!paths.isEmpty())
        QGuiApplication::clipboard()->setMimeData(NewFileListMimeData(paths, false).release());
}

void CThumbsBrowser::CutToClipboard() {
    QString first;
    const QStringList paths = BuildDropFiles(first);
    if (!paths.isEmpty())
        QGuiApplication::clipboard()->setMimeData(NewFileListMimeData(paths, true).release());
}

bool CThumbsBrowser::CanPaste() const { return CanPasteInto(QGuiApplication::clipboard(), m_strFolder); }

void CThumbsBrowser::PasteFromClipboard(QStringList* pasted) {
    if (m_strFolder.isEmpty())
        return;  // a library or the basket: no folder to paste into
    {
        const FileOperationBracket bracket(m_evGo, Monitor());
        PasteFilesInto(QGuiApplication::clipboard(), m_strFolder, pasted);
    }
    Refresh();
}

// --- Drag and drop ---

void CThumbsBrowser::BeginDrag(CThumbsView* view) {
    const QStringList paths = BuildDropFiles(m_strContextPath);
    if (paths.isEmpty() || view == nullptr)
        return;
    CellRef cell;
    if (!LookupThumb(m_strContextPath, cell) || !cell) {
        // A drag waits until the first selected item's thumbnail exists.
        m_pDragCell.reset();
        return;
    }
    m_pDragCell = cell;
    ReleaseThumb(cell);
    m_nInsertIndex = -1;
    m_nPrevInsertRow = -1;
    m_ptLastFeedback = QPoint(-1000, -1000);

    auto* drag = new QDrag(view->viewport());
    drag->setMimeData(NewFileListMimeData(paths, false).release());
    drag->setPixmap(DragImage(m_pDragCell, m_strContextPath));
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    drag->deleteLater();

    // The drag is over, wherever it ended: nothing of it may be taken for
    // the next drop.
    EndDragFeedback(view);
    m_bInternalDrag = 0;
    m_pDragCell.reset();
    m_nInsertIndex = -1;
    m_nPrevInsertRow = -1;
}

void CThumbsBrowser::UpdateDragFeedback(CThumbsView* view, QPoint point) {
    if (view == nullptr || point == m_ptLastFeedback)
        return;
    const int index = std::clamp(GetInsertIndexAt(view, point), 0, GetItemCount());
    if (index == m_nInsertIndex)
        return;
    EraseInsertMarker(view);
    m_nInsertIndex = index;
    AnimateGap(view);
    m_ptLastFeedback = point;
    m_nPrevInsertRow = GetRowOf(view, index);
    view->Invalidate(QRect(), false);
}

void CThumbsBrowser::EndDragFeedback(CThumbsView* view) {
    if (m_nInsertIndex < 0 && m_nGap == 0)
        return;
    EraseInsertMarker(view);
    m_bClosingGap = 1;
    AnimateGap(view);
    m_bClosingGap = 0;
    m_nInsertIndex = -1;
    m_nPrevInsertRow = -1;
    ResetOffsets();
    if (view != nullptr)
        view->Invalidate(QRect(), false);
}

int CThumbsBrowser::OnDragEnter(const QMimeData* data, unsigned, QPoint) {
    if (data == nullptr)
        return DROPEFFECT_NONE;
    if (m_pDragCell || HasFileListFormat(data))
        return DROPEFFECT_COPY | DROPEFFECT_MOVE;
    return DROPEFFECT_NONE;
}

int CThumbsBrowser::OnDragOver(const QMimeData* data, unsigned keyState, QPoint) {
    // Only a folder takes a drop: a library shown has none, so its items are
    // not reordered by a drag either. A drag of the view's own items gets
    // the effect of the keys like any other (its drop reorders whatever the
    // effect), so the cursor shows what the keys ask for.
    if (data == nullptr || m_strFolder.isEmpty() || platform::KindOfFile(m_strFolder) != platform::FileKind::Folder)
        return DROPEFFECT_NONE;
    const std::optional<FileListData> list = ReadFileListMimeData(data);
    if (!list)
        return DROPEFFECT_NONE;
    Qt::KeyboardModifiers keys;
    if (keyState & MK_CONTROL)
        keys |= Qt::ControlModifier;
    if (keyState & MK_SHIFT)
        keys |= Qt::ShiftModifier;
    switch (ChooseDropAction(m_strFolder, list->paths, keys)) {
    case Qt::CopyAction:
        return DROPEFFECT_COPY;
    case Qt::MoveAction:
        return DROPEFFECT_MOVE;
    default:
        return DROPEFFECT_NONE;
    }
}

bool CThumbsBrowser::OnDrop(const QMimeData* data, int dropEffect, QPoint point) {
    CThumbsView* view = View();
    if (dropEffect != DROPEFFECT_NONE) {
        if (m_bInternalDrag)
            ReorderByDrop(data, point, view);
        else
            OnDropFiles(data, point, view, dropEffect);
    }
    EndDragFeedback(view);
    m_bInternalDrag = 0;
    return false;
}

void CThumbsBrowser::OnDropFiles(const QMimeData* data, QPoint, CThumbsView*, int dropEffect) {
    const std::optional<FileListData> list = ReadFileListMimeData(data);
    if (!list || m_strFolder.isEmpty())
        return;
    {
        const FileOperationBracket bracket(m_evGo, Monitor());
        TransferFilesInto(list->paths, dropEffect == DROPEFFECT_MOVE, m_strFolder);
    }
    // The monitor ignored the drop's own changes: show them.
    Refresh();
}

void CThumbsBrowser::ReorderByDrop(const QMimeData* data, QPoint point, CThumbsView* view) {
    const std::optional<FileListData> list = ReadFileListMimeData(data);
    if (!list)
        return;
    const int index = view != nullptr ? std::max(0, GetInsertIndexAt(view, point)) : GetItemCount();
    if (ReorderItemsByDrop(m_items, list->paths, index))
        InvalidateView(false);
}

// --- The file-operation bracket ---

void CThumbsBrowser::BeginFileOp() { ::BeginFileOp(m_evGo); }
void CThumbsBrowser::EndFileOp() { ::EndFileOp(m_evGo); }
void CThumbsBrowser::SuspendMonitor() { ::SuspendMonitor(Monitor()); }
void CThumbsBrowser::ResumeMonitor() { ::ResumeMonitor(Monitor()); }
