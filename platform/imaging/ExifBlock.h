#pragma once
// Locating EXIF data in an untrusted file without Exiv2.

#include <cstdint>
#include <span>
#include <vector>

namespace imaging {

inline constexpr std::uint32_t kExifIfdPointerTag = 0x8769;
inline constexpr std::uint32_t kMakerNoteTag = 0x927C;

// The TIFF structure holding the EXIF data: the first EXIF APP1 block of a
// JPEG, or a TIFF file itself; empty for other files.
std::span<const std::uint8_t> FindExifTiffBlock(std::span<const std::uint8_t> file);

// A maker note's value bytes from the EXIF IFD of a TIFF structure, as the
// file stores them, with where they start in it.
struct RawMakerNoteBytes {
    std::vector<std::uint8_t> bytes;  // empty when there is none
    std::uint64_t offset = 0;         // from the TIFF structure's start
    bool bigEndian = false;           // the structure's byte order
};
RawMakerNoteBytes FindRawMakerNote(std::span<const std::uint8_t> tiff);

// Whether a maker note of a layout nobody here knows can be stored at a new
// place and still be read: it is one IFD (at its start, after a signature,
// or behind a TIFF header of its own) whose values lie inside the note and
// are found from the note's own start (or its own header). A note whose
// offsets count from the TIFF structure's start (sourceOffset is where it
// was), one whose offsets fit either reading, and any note that is not an
// IFD give false: moved, their offsets would point at the wrong bytes.
bool MakerNoteIsRelocatable(std::span<const std::uint8_t> note, std::uint64_t sourceOffset, bool bigEndian);

}  // namespace imaging
