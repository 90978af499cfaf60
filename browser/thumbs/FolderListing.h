#pragma once
// The files a browser lists: a folder's image files, and those of every
// folder of a library.
//
// A file is listed when it is no directory (links are followed), is longer
// than 15 bytes and has a supported image extension. Folders are read
// entry by entry (names may hold '*' and '?'), in the order the file system
// returns them; names starting with '.' are hidden, as the desktop's file
// managers hide them, and names that are not valid in the file-name encoding
// are left out (no path could reach them again).

#include <QString>
#include <QStringList>

// The image files of `folder`, as full paths; empty when it cannot be read.
QStringList ListImageFiles(const QString& folder);

// The image files of a library's folders from its location text
// "2,name;icon;folder;folder;...": nothing when the name or icon field is
// not closed by ';'.
void ListLibraryFiles(const QString& locationText, QStringList& out);
