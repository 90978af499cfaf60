#pragma once
// A TIFF image file directory read from an untrusted TIFF structure (a TIFF
// file, or the EXIF block of a JPEG): the entries of one IFD, the offset of
// the next one and the values of the few kinds of tag the readers need. The
// one parser of TIFF directories: the header probes, the EXIF block readers
// and the EXIF thumbnail readers all read their IFDs through it.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/imaging/ByteReader.h"
#include "platform/imaging/ByteSource.h"

namespace imaging {

// Byte size of one value of a TIFF field type (13, IFD, included); 0 for an
// unknown type.
std::uint64_t TiffFieldTypeSize(std::uint32_t type);

struct TiffEntry {
    std::uint32_t tag = 0;
    std::uint32_t type = 0;
    std::uint32_t count = 0;
    std::uint64_t fieldOffset = 0;  // where the 4-byte value-or-offset field is
};

class TiffDirectory {
public:
    // Reads the header ("II" or "MM", 42, IFD0 offset) and IFD0 of the TIFF
    // structure that starts at the beginning of data.
    static std::optional<TiffDirectory> ReadFirst(std::span<const std::uint8_t> data);

    // The IFD at `offset` of a structure in the byte order given, for
    // readers that take the header by rules of their own: from memory, or
    // piece by piece from a source that may be a large file. Of a source
    // only the directory's own bytes are read (its count, entries and the
    // next IFD's offset, checked against the source's size before anything
    // is allocated): values stored elsewhere are not inside its data.
    static std::optional<TiffDirectory> ReadAt(std::span<const std::uint8_t> data, bool bigEndian,
                                               std::uint64_t offset);
    static std::optional<TiffDirectory> ReadAt(ByteSource& source, bool bigEndian, std::uint64_t offset);
    // The same over a reader that holds the data and the order (a maker
    // note's IFDs).
    static std::optional<TiffDirectory> ReadAt(const ByteReader& reader, std::uint64_t offset);

    // The IFD at `offset` of the same structure (an EXIF or GPS sub-IFD);
    // none for a directory read from a source (read that from the source).
    std::optional<TiffDirectory> ReadSub(std::uint32_t offset) const;

    // The offset of the next IFD (0 when there is none); none when the four
    // bytes after the entries are not there.
    std::optional<std::uint32_t> Next() const { return next_; }

    const TiffEntry* Find(std::uint32_t tag) const;
    // The value bytes of an entry in the file's order; empty when they do not
    // lie inside the data or the type is unknown.
    std::span<const std::uint8_t> RawValue(const TiffEntry& entry) const;
    // Where those bytes are in the structure: the entry's own field for
    // values of 4 bytes or less, else the offset the field holds; none when
    // they do not lie inside the data or the type is unknown.
    std::optional<std::uint64_t> ValueAt(const TiffEntry& entry) const;

    // The first value of a BYTE, SHORT or LONG entry, or of its index-th value.
    std::optional<std::uint32_t> Unsigned(std::uint32_t tag, std::uint32_t index = 0) const;
    // The first value of a RATIONAL (or SHORT / LONG) entry, as a double.
    std::optional<double> Rational(std::uint32_t tag) const;
    // The entry's 4-byte field read whatever its type and count: a SHORT
    // from its first two bytes, anything else as a LONG (an inline value,
    // or the offset of the values).
    std::uint32_t Field(const TiffEntry& entry) const;

    const std::vector<TiffEntry>& Entries() const { return entries_; }

private:
    // `base` is the structure's offset of the reader's first byte.
    TiffDirectory(ByteReader reader, std::uint64_t base) : reader_(reader), base_(base) {}
    static std::optional<TiffDirectory> Parse(ByteReader reader, std::uint64_t base, std::uint64_t offset);
    // The reader's offset of the structure's `bytes` bytes at `offset`, when
    // they lie inside the data.
    std::optional<std::uint64_t> Local(std::uint64_t offset, std::uint64_t bytes) const;
    // Where the value bytes of an entry are in the reader, when they lie inside the data.
    std::optional<std::uint64_t> ValueOffset(const TiffEntry& entry, std::uint64_t bytes) const;

    ByteReader reader_;
    std::uint64_t base_ = 0;
    std::shared_ptr<const std::vector<std::uint8_t>> copied_;  // a source's directory bytes, under reader_
    std::vector<TiffEntry> entries_;
    std::optional<std::uint32_t> next_;
};

}  // namespace imaging
