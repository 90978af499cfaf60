#pragma once
// The shell's file operations: copy, move and delete over a list of files and
// folders, and a rename that never replaces.
//
// Copies are written into the destination folder under a temporary name and
// renamed into place only when complete, so a failed copy leaves nothing
// behind and never harms an existing file. A move within one file system is
// a rename; across file systems it is a copy followed by the deletion of the
// source. A delete moves the items to the freedesktop trash; an item whose
// file system has no trash is deleted for good only when the user agrees.
// Confirmations and errors are asked and shown through platform/prompt. An
// error that every later item would meet as well (a full, read-only or
// failing file system, a quota or a file-size limit) ends the operation
// after its one message; after the failure of one item the user skips it,
// skips every later failure too, or stops the operation.

#include <QString>
#include <QStringList>

namespace platform {

enum class FileOpKind { Move, Copy, Delete };

struct FileOpOutcome {
    bool succeeded = true;  // no item failed
    bool aborted = false;   // the user declined at least one step or stopped the operation
};

// Copies or moves every item of `sources` into `destinationFolder`. An item
// whose name is taken gets a free name "name (2).ext" when renameOnCollision
// is set; otherwise the user is asked whether to replace it.
FileOpOutcome CopyOrMoveItems(FileOpKind kind, const QStringList& sources, const QString& destinationFolder,
                              bool renameOnCollision);

// Moves every item of `sources` to the trash after the user confirms.
FileOpOutcome DeleteItems(const QStringList& sources);

// `fileName` when no entry of that name exists in `folder`, else the first
// free "name (n).ext" for n = 2, 3, ... kMaxCollisionNumber; empty when none
// is free.
QString CollisionFreeName(const QString& folder, const QString& fileName);

inline constexpr int kMaxCollisionNumber = 9999;

// `fileName` with the number n before its extension: "name (n).ext". A
// leading dot starts a hidden name, not an extension: ".hidden (n)".
QString NumberedFileName(const QString& fileName, int n);

enum class RenameStatus { Renamed, TargetExists, InvalidName, Failed };

// Renames `from` to `to` (full paths), never replacing an existing entry
// (renameat2 with RENAME_NOREPLACE; where the file system lacks it, a hard
// link and an unlink for files). `to` must end in a valid file name: not
// empty, not "." or "..", without '/'.
RenameStatus RenameNoReplace(const QString& from, const QString& to);

// A name a rename may give: not empty, not "." or "..", no '/' and no NUL.
bool IsValidFileName(const QString& name);

}  // namespace platform
