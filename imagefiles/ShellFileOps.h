#pragma once
// The one gateway of the browser, the folder tree and the libraries for
// copies, moves, deletions and renames (see platform/shellfiles).

#include <QString>
#include <QStringList>

inline constexpr unsigned FO_MOVE = 1;
inline constexpr unsigned FO_COPY = 2;
inline constexpr unsigned FO_DELETE = 3;

// Runs `wFunc` (FO_MOVE, FO_COPY into `destination`, or FO_DELETE to the
// trash) over the listed files and folders that exist; missing ones are left
// out silently. Unless noRenameOnCollision is set, an item whose name is taken
// in the destination gets a free name "name (2).ext"; otherwise the user is
// asked before an existing item is replaced. True when every item succeeded
// and the user declined nothing; the confirmations and errors are shown to
// the user on the way. An unknown wFunc gives false.
bool ShellFileOperation(unsigned wFunc, const QStringList& files, const QString& destination, bool noRenameOnCollision);

// Renames oldPath to newName (a bare name, without folder or extension) in
// its folder, keeping its extension; newName then holds the new full path.
// Never replaces an existing file: a taken name, an empty name, "." or "..",
// or a name with '/' is refused with a message to the user and gives false.
bool RenameFileKeepExtension(const QString& oldPath, QString& newName);

// Called by the browser with 1 before and 0 after each of its file
// operations. It has no effect.
void FileOperationHook(int begin);
