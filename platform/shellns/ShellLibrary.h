#pragma once
// Library files: the stand-in of the shell's library objects. A library is a
// file "<name>.library-ms" in the libraries folder that lists the library's
// folders, in the library's order, in an XML format of our own:
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <library version="1">
//     <folder path="/home/me/Pictures"/>
//   </library>
//
// Library files may be edited by other programs and are untrusted: a file
// that is not exactly of this form is refused as a whole.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace platform::shellns {

inline constexpr char16_t kLibraryExtension[] = u".library-ms";

// Limits of a library file that is read.
inline constexpr qint64 kMaxLibraryFileSize = 1 << 20;
inline constexpr int kMaxLibraryFolders = 1000;

// $XDG_DATA_HOME/ORVEK/Libraries (not created); empty when the data folder
// cannot be made.
QString LibrariesFolder();

// The path of the library `name` in the libraries folder.
QString LibraryFilePath(const QString& name);
// The library name of a library file path (its file name without the
// extension); empty when the path does not end with the extension.
QString LibraryNameOfFile(const QString& path);
// The path ends with ".library-ms" (any case) after at least one character.
bool IsLibraryFileName(const QString& path);

// The names of the libraries in the libraries folder, sorted.
QStringList LibraryNames();

// The folders of a library file's content: absolute, clean paths without NUL,
// at most kMaxLibraryFolders. nullopt for anything else.
std::optional<QStringList> ParseLibrary(const QByteArray& bytes);
QByteArray SerializeLibrary(const QStringList& folders);

// Reads the library file at `path` (at most kMaxLibraryFileSize bytes).
std::optional<QStringList> LoadLibraryFile(const QString& path);
// Writes the library file at `path`, replacing it only once the new content
// is complete. False when that failed.
bool SaveLibraryFile(const QString& path, const QStringList& folders);
// Writes a new library file for `name` in the libraries folder without
// replacing any file: an existing name gets the first free "name (n)". The
// path written, or empty when that failed.
QString CreateLibraryFile(const QString& name, const QStringList& folders);

}  // namespace platform::shellns
