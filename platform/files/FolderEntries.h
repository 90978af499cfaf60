#pragma once
// The names in a folder as the kernel keeps them, carried whole by
// FileNameFromLocal (QDir decodes them as UTF-8 and loses the bytes of a
// name that is not).

#include <QString>
#include <QStringList>

namespace platform {

// The names of the entries of `folder` that are not folders (links
// followed), "." and ".." left out, in the order the folder gives them.
// Empty when the folder cannot be read.
QStringList NonFolderEntryNames(const QString& folder);

}  // namespace platform
