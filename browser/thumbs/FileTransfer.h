#pragma once
// Files that come into a browser's folder from the clipboard or a drop.
//
// The files are copied or moved through the shell operations
// (imagefiles/ShellFileOps.h): a name that is taken gets a new one,
// "name (2).ext"; a move into the folder the files are in already leaves
// them alone; failures are shown to the user and nothing of the source is
// lost. A browser without a folder (a library, the basket) takes nothing.

#include <QString>
#include <QStringList>
#include <Qt>

#include <optional>

#include "browser/thumbs/FileMimeData.h"

class QClipboard;
class QMimeData;

// The copy or move of `files` into `folder`, with renaming on collision.
// False when nothing may be placed there (no folder, no files) or when an
// item failed or the user stopped the operation.
bool TransferFilesInto(const QStringList& files, bool move, const QString& folder);

// The clipboard offers files and there is a folder to paste them into.
bool CanPasteInto(const QClipboard* clipboard, const QString& folder);

// The paste of the clipboard's files into `folder`: copied files are copied,
// cut ones moved; after a move that succeeded the clipboard is emptied (cut
// files are pasted once). `pasted` receives the listed files. False when
// there is nothing to paste or the operation failed.
bool PasteFilesInto(QClipboard* clipboard, const QString& folder, QStringList* pasted = nullptr);

// The effect of a drop of `files` into `folder` with the keys held: none
// without a folder that exists or without files; Ctrl copies, Shift moves;
// without keys the files move within one file system and are copied from
// another. `possible` limits the choice to what the drag's source allows.
Qt::DropAction ChooseDropAction(const QString& folder, const QStringList& files, Qt::KeyboardModifiers keys,
                                Qt::DropActions possible = Qt::CopyAction | Qt::MoveAction);
