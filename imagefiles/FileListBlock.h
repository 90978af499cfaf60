#pragma once
// The browser's private clipboard record of a file list.
//
// Layout, all numbers little-endian: a 32-bit count, then per file a 32-bit
// tag and a slot of 260 UTF-16 code units holding the path, NUL-terminated and
// zero-filled. A path therefore takes at most 259 units; a longer one is
// refused rather than cut.

#include <QByteArray>
#include <QStringList>

#include <cstdint>

inline constexpr int kFileListSlotUnits = 260;
inline constexpr int kFileListEntryBytes = 4 + 2 * kFileListSlotUnits;  // 524

// A new block for `files` in list order, each entry tagged `tag`. Empty for an
// empty list, when a path does not fit its slot, or when the block would be
// too large.
QByteArray BuildFileListHGlobal(const QStringList& files, std::uint32_t tag);
