#pragma once
// The byte formats of the thumbnail cache's files, in the framework's archive
// layout (platform/archive):
//   - a folder archive: one map as the framework stores it, the element
//     count, then per element the file's full path (text) and its cell as an
//     archive object (class "CPaletteItemImg", schema 1, then its record);
//   - the index: the element count, then per element a folder (ending with
//     '/') and the full path of that folder's archive.
// The files are untrusted. Readers raise platform::ArchiveException for
// anything malformed, which abandons the file as a whole; entries that are
// well formed but not acceptable (a path that is not absolute, an index entry
// naming anything but FLD<n>.tmp directly inside the cache folder) are left
// out one by one.

#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "browser/cells/PaletteItemImg.h"

using CellRef = std::shared_ptr<CPaletteItemImg>;
using CellEntries = std::vector<std::pair<QString, CellRef>>;
// Folder -> archive number n (of FLD<n>.tmp).
using ArchiveNumbers = std::map<QString, int>;

// The archive file FLD<n>.tmp of the cache folder (given without a trailing '/').
QString ArchiveFilePath(const QString& cacheFolder, int number);
// n when path is exactly the archive FLD<n>.tmp of the cache folder, with n
// from 1 without leading zeros; nothing otherwise.
std::optional<int> ArchiveNumberOf(const QString& path, const QString& cacheFolder);

// The folder of a path as the cache keys it: everything up to and including
// the last '/' ("/" for a file in the root).
QString FolderOfPath(const QString& path);
// The same, viewed inside the path (nothing is copied).
QStringView FolderViewOfPath(const QString& path);

// Raise platform::ArchiveException. The cells' JPEG-compression may raise
// its own exceptions while writing.
CellEntries ReadCellArchive(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> WriteCellArchive(const CellEntries& entries);

// Where an element lies in its archive: its bytes and the number of
// elements before it.
struct ElementSpan {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    std::uint64_t ordinal = 0;
};
using ElementSpans = std::map<QString, ElementSpan>;

// A folder archive as read: its acceptable entries, where the element of
// every path it holds lies, its element count and where its last element
// ends (bytes after that are no part of it).
struct CellArchive {
    CellEntries entries;
    ElementSpans elements;
    std::uint64_t count = 0;
    std::uint64_t end = 0;
};
CellArchive ReadCellArchiveContents(std::span<const std::uint8_t> bytes);

// One element ready to be written: the file's path and its cell's record
// (CPaletteItemImg::Serialize's bytes, taken under the cell's lock).
struct CellElement {
    QString path;
    std::vector<std::uint8_t> record;
};
std::vector<std::uint8_t> CellRecordBytes(CPaletteItemImg& cell);
// A whole archive of the elements, byte for byte as WriteCellArchive writes
// their cells; adds where each lies to spans.
std::vector<std::uint8_t> WriteCellElements(const std::vector<CellElement>& elements, ElementSpans& spans);
// The elements as they follow the `stored` elements (at least one) of an
// archive that ends at `end`; the archive's new count is
// CellCountBytes(stored + their number). Adds where each lies to spans.
std::vector<std::uint8_t> AppendedCellElements(const std::vector<CellElement>& elements, std::uint64_t stored,
                                               std::uint64_t end, ElementSpans& spans);
// The cell of one element read on its own (the bytes of its span); raises
// platform::ArchiveException, also when it is not the element of path.
CellRef ReadCellElement(std::span<const std::uint8_t> bytes, const ElementSpan& span, const QString& path);
// An element count as an archive starts with it.
std::vector<std::uint8_t> CellCountBytes(std::uint64_t count);

ArchiveNumbers ReadCacheIndex(std::span<const std::uint8_t> bytes, const QString& cacheFolder);
std::vector<std::uint8_t> WriteCacheIndex(const ArchiveNumbers& archives, const QString& cacheFolder);
