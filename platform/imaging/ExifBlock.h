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

// The maker note's value bytes from the EXIF IFD of a TIFF structure, as the
// file stores them; empty when there is none.
std::vector<std::uint8_t> RawMakerNote(std::span<const std::uint8_t> tiff);

}  // namespace imaging
