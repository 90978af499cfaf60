#pragma once
// File names as the kernel keeps them: bytes, UTF-8 by custom but not by
// rule. Qt decodes them as UTF-8 and turns every byte that is not part of a
// valid sequence into U+FFFD, so such a name (an old Latin-1 "caf\xE9.jpg")
// no longer leads to its file. These two carry every name whole: valid
// UTF-8 decodes exactly as QFile::decodeName does, and each byte that is not
// becomes a lone low surrogate U+DC80..U+DCFF, which no decoded name holds,
// and turns back into the same byte on the way out.
//
// Qt's own file classes (QFile, QFileInfo, QDir) encode with
// QFile::encodeName and cannot reach a name that holds such a byte; code
// that must reach it goes through LocalFileName and the system's calls.

#include <QByteArray>
#include <QString>

#include <string>

namespace platform {

QString FileNameFromLocal(const QByteArray& local);
QByteArray LocalFileName(const QString& name);
inline std::string LocalFilePath(const QString& name) { return LocalFileName(name).toStdString(); }

// The name made absolute against the process's current folder (an absolute
// one stays where it is), with its "." components and repeated '/' left
// out. Nothing else is resolved: ".." and links stay as they are, since a
// link's ".." is the folder above its target. Unchanged when the current
// folder cannot be had (it was deleted), and for the empty name.
QString AbsoluteFileName(const QString& name);

// The name as a user reads it, as file managers show such names: its valid
// text as it is, each byte that is not UTF-8 as an escape "\xE9" (two
// upper-case hex digits), so that "caf\xE9.jpg" is told apart from a name
// with a real U+FFFD and from its UTF-8 namesake "café.jpg". Only for
// showing: the escape leads to no file.
QString DisplayFileName(const QString& name);

// Whether the name holds bytes that are not UTF-8, which Qt's file classes
// cannot reach.
bool HoldsNonUtf8Bytes(const QString& name);

// Why a path leads to no file when the likely cause is its name: a name Qt's
// decoding reached us through (a file dialog, a folder listing) has U+FFFD
// where the bytes that were not UTF-8 stood, and so names another file.
// Empty when the path leads to something or holds no U+FFFD.
QString UnreachableNameReason(const QString& path);

}  // namespace platform
