#pragma once
// Small path, file-system, size and font helpers. Paths use '/' and have no
// drive part; the names keep the system's "Backslash".

#include <QString>

#include <cstdint>

// Appends '/' unless the path ends with one ("" becomes "/").
void AddTrailingBackslash(QString& path);

// Removes one final '/'; a lone "/" stays the root.
void StripTrailingBackslash(QString& path);

// Every path is on a valid drive: there are no drive letters here, and a
// relative or empty path counts as valid.
bool IsPathOnValidDrive(const QString& path);

// Both paths lie on the same file system (the device of each path, or of its
// nearest existing parent folder; relative paths start at the current folder).
// Dropping on the same file system moves, elsewhere it copies.
bool IsSameDrive(const QString& a, const QString& b);

// The size in bytes of the regular file at `path` (links followed); 0 for a
// folder or when nothing is found.
std::uint64_t GetFileSize64(const QString& path);

// The family of the desktop's general font, for the small fonts of the cells,
// the rename editor and the browser.
QString GetDefaultGuiFontFace();
