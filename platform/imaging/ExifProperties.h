#pragma once
// Property items of JPEG and TIFF files, read and written through Exiv2.
//
// Reading: the IFD0, EXIF and GPS tags as they are (GPS tags keep their ids
// 0x0000-0x001F), the thumbnail IFD's tags as the 0x50xx thumbnail ids and
// its JPEG bytes as PropertyTagThumbnailData. Maker notes are kept as the raw
// bytes of their tag, never decoded. Values are little-endian.
//
// Writing: the items replace the EXIF block of an encoded JPEG or TIFF file.
// Ids that have no place in EXIF (other 0x50xx ids) are left out, as are the
// offset tags, which Exiv2 recomputes, and, for TIFF, the tags that describe
// the image data's layout (they belong to the new image, not to the source).
//
// Call InitializeImaging() once at start-up, before other threads start; the
// two functions below also make sure of it themselves (once, thread-safely).

#include <cstdint>
#include <span>
#include <vector>

#include "platform/imaging/PropertyItem.h"

namespace imaging {

// Readies Exiv2 for use from several threads and mutes its console warnings.
// Safe to call more than once.
void InitializeImaging();

// The items of a JPEG or TIFF file; empty when it has none or cannot be read.
std::vector<PropertyItem> ReadExifProperties(std::span<const std::uint8_t> file);

// Writes the items into an encoded JPEG or TIFF file in place. False when
// Exiv2 refuses the file or an item; the file is then unchanged.
bool WriteExifProperties(std::vector<std::uint8_t>& file, const std::vector<PropertyItem>& items);

// The thumbnail id of an IFD1 tag, or 0 when it has none; and back.
std::uint32_t ThumbnailIdOfIfd1Tag(std::uint32_t tag);
std::uint32_t Ifd1TagOfThumbnailId(std::uint32_t id);

}  // namespace imaging
