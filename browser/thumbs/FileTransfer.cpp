#include "browser/thumbs/FileTransfer.h"
#include "platform/files/RegularFile.h"

#include "imagefiles/PathHelpers.h"
#include "imagefiles/ShellFileOps.h"

#include <QClipboard>
#include <QMimeData>

bool TransferFilesInto(const QStringList& files, bool move, const QString& folder) {
    if (folder.isEmpty() || files.isEmpty())
        return false;
    return ShellFileOperation(move ? FO_MOVE : FO_COPY, files, folder, false);
}

bool CanPasteInto(const QClipboard* clipboard, const QString& folder) {
    return clipboard != nullptr && !folder.isEmpty() && HasFileListFormat(clipboard->mimeData());
}

bool PasteFilesInto(QClipboard* clipboard, const QString& folder, QStringList* pasted) {
    if (clipboard == nullptr || folder.isEmpty())
        return false;
    const std::optional<FileListData> list = ReadFileListMimeData(clipboard->mimeData());
    if (!list)
        return false;
    if (pasted != nullptr)
        *pasted = list->paths;
    const bool done = TransferFilesInto(list->paths, list->cut, folder);
    if (done && list->cut)
        clipboard->clear();
    return done;
}

Qt::DropAction ChooseDropAction(const QString& folder, const QStringList& files, Qt::KeyboardModifiers keys,
                                Qt::DropActions possible) {
    if (folder.isEmpty() || files.isEmpty() || platform::KindOfFile(folder) != platform::FileKind::Folder)
        return Qt::IgnoreAction;
    Qt::DropAction action = Qt::CopyAction;
    if (keys & Qt::ControlModifier) {
        action = Qt::CopyAction;
    } else if (keys & Qt::ShiftModifier) {
        action = Qt::MoveAction;
    } else if (IsSameDrive(files.front(), folder)) {
        action = Qt::MoveAction;
    }
    if (possible & action)
        return action;
    if (possible & Qt::CopyAction)
        return Qt::CopyAction;
    return (possible & Qt::MoveAction) ? Qt::MoveAction : Qt::IgnoreAction;
}
