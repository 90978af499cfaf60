#pragma once
// Reading and writing archive files as a whole, refusing what is not a plain
// file of our own: symbolic links are never followed, and only regular files
// are read; a file is only overwritten when it has no second hard link.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

// The whole file, or nothing when it cannot be opened, is not a regular file
// or is larger than maxBytes.
std::optional<std::vector<std::uint8_t>> ReadArchiveFile(const std::string& path, std::uint64_t maxBytes);

// length bytes of the file from offset, or nothing when it cannot be opened,
// is not a regular file or is too short.
std::optional<std::vector<std::uint8_t>> ReadArchiveFileRange(const std::string& path, std::uint64_t offset,
                                                              std::uint64_t length);

// Replaces the file's contents with bytes (creating it with mode 0600).
// False when it cannot be opened or fully written; a partial file is then
// left, which readers refuse.
bool WriteArchiveFile(const std::string& path, std::span<const std::uint8_t> bytes);

// Adds elements to an archive in place: `tail` goes at its end, which must be
// at `expectedSize` (the file as the caller last wrote or read it), then
// `head` (the new element count, as long as the old one) over its start. The
// count is written last, so a reader meanwhile or after a failure finds the
// old elements under the old count.
enum class AppendResult { appended, notAsExpected, failed };
AppendResult AppendToArchiveFile(const std::string& path, std::uint64_t expectedSize,
                                 std::span<const std::uint8_t> tail, std::span<const std::uint8_t> head);

// Creates an empty file that did not exist (mode 0600). False when a file of
// that name exists already or it cannot be created.
bool CreateEmptyFileExclusive(const std::string& path);

// Deletes a regular file or link itself (never what a link points to);
// false, deleting nothing, for a folder, a named pipe, a device or a socket.
bool DeleteArchiveFile(const std::string& path);

}  // namespace platform
