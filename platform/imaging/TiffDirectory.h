#pragma once
// A TIFF image file directory read from an untrusted TIFF structure (a TIFF
// file, or the EXIF block of a JPEG): the entries of one IFD and the values of
// the few kinds of tag the header probes need.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/imaging/ByteReader.h"

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

    // The IFD at `offset` of the same structure (an EXIF or GPS sub-IFD).
    std::optional<TiffDirectory> ReadSub(std::uint32_t offset) const;

    const TiffEntry* Find(std::uint32_t tag) const;
    // The value bytes of an entry in the file's order; empty when they do not
    // lie inside the data or the type is unknown.
    std::span<const std::uint8_t> RawValue(const TiffEntry& entry) const;

    // The first value of a BYTE, SHORT or LONG entry, or of its index-th value.
    std::optional<std::uint32_t> Unsigned(std::uint32_t tag, std::uint32_t index = 0) const;
    // The first value of a RATIONAL (or SHORT / LONG) entry, as a double.
    std::optional<double> Rational(std::uint32_t tag) const;

    const std::vector<TiffEntry>& Entries() const { return entries_; }

private:
    explicit TiffDirectory(ByteReader reader) : reader_(reader) {}
    static std::optional<TiffDirectory> ReadAt(ByteReader reader, std::uint32_t offset);
    // Where the value bytes of an entry are, when they lie inside the data.
    std::optional<std::uint64_t> ValueOffset(const TiffEntry& entry, std::uint64_t bytes) const;

    ByteReader reader_;
    std::vector<TiffEntry> entries_;
};

}  // namespace imaging
