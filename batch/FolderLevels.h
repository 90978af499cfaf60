#pragma once
// Makes a folder and every missing folder above it, level by level.

#include <QString>

// True when `path` exists as a folder afterwards. The path must be absolute
// (a relative one would land wherever the program happens to run); empty
// levels ("a//b") are passed over. A level that cannot be made (no right to
// write, a file in the way, an invalid name) fails, leaving the levels made
// before it.
bool CreateFolderLevels(const QString& path);
