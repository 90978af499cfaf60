#pragma once
// Turning a TIFF file written by an image encoder into the other byte order,
// so that the EXIF data added to it afterwards can keep its source's order.
//
// Only what such a file holds is turned: a chain of image directories whose
// entries have values of the standard field types, and pixel data of one
// byte per sample or less (which reads the same in either order). A file with
// sub-directories, wider samples or a malformed structure is refused; so is
// one whose ranges overlap (a value inside the header or a directory, two
// entries sharing a value, a chain that comes back): each byte is turned once.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace imaging {

// Whether the TIFF file is big-endian ("MM"); none when it is not a TIFF.
std::optional<bool> TiffIsBigEndian(std::span<const std::uint8_t> tiff);

// The file in the other byte order: its header, every directory entry and
// every value the entries point at; the pixel data as it is. None when the
// file is refused (see above).
std::optional<std::vector<std::uint8_t>> TiffInOtherByteOrder(std::span<const std::uint8_t> tiff);

}  // namespace imaging
