#pragma once
// Reading files that a user or another program may have replaced by a named
// pipe, a device or a socket. Opening such a file for reading can block for
// ever (a pipe without a writer) or never reach an end (a device), so every
// path the program reads is checked here first: nothing in this file blocks,
// and only regular files are opened.

#include <QFile>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class FileKind {
    Missing,  // nothing there, or it cannot be looked at
    Regular,
    Folder,
    Special,  // a named pipe, a device or a socket
};

// What lies at `path`, links followed; the file is never opened.
FileKind KindOfFile(const std::string& path);
FileKind KindOfFile(const QString& path);

// Something lies at `path` that is neither a regular file nor a folder.
bool IsSpecialFile(const QString& path);

// A descriptor open for reading on the regular file at `path`, or -1 with
// errno set (EINVAL for what is not a regular file). The open itself never
// blocks; the descriptor returned is a blocking one. With followLinks false a
// symbolic link is refused too. The caller closes it.
int OpenRegularFile(const std::string& path, bool followLinks = true);

// Opens `file` for reading on the regular file at `path`, the same way. When
// it fails, error (if given) says why, for a message to the user.
bool OpenRegularFile(QFile& file, const QString& path, QString* error = nullptr);

// The whole regular file, or nothing when it cannot be opened, is not a
// regular file, is larger than maxBytes or cannot be read to its end.
std::optional<std::vector<std::uint8_t>> ReadRegularFile(const std::string& path, std::uint64_t maxBytes,
                                                         bool followLinks = true);

// The first bytes of the regular file, at most limit of them, with the size
// of the whole file in fileSize; nothing when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> ReadRegularFileStart(const std::string& path, std::uint64_t limit,
                                                              std::uint64_t& fileSize);

// True when a named pipe, a device or a socket lies at `path`, which is then
// reported once on the log, after `what` the file was meant to be ("settings",
// "basket"). For a file the program reads and writes by a fixed name (its
// settings, a cache index, a list of presets) the caller treats it as absent
// and never writes over it; a picture's path is left out of what it was
// given to.
bool RefuseSpecialFile(const QString& path, const char* what);

// Makes a write past the process's file-size limit (ulimit -f, a quota-like
// limit) fail with EFBIG, reported like any failed write, instead of killing
// the process by SIGXFSZ. Called once at start by each program.
void IgnoreFileSizeLimitSignal();

}  // namespace platform
