#pragma once
// Property items of image files, read and written through Exiv2.
//
// Reading (JPEG, TIFF, PNG): the IFD0, EXIF, GPS and interoperability tags
// as they are, each marked with its directory (GPS tags keep their ids
// 0x0000-0x001F, and an IFD0 or interoperability tag of the same number stays
// in its own directory), the byte order of the EXIF block, the thumbnail IFD's tags
// as the 0x50xx thumbnail ids and its bytes as PropertyTagThumbnailData, and
// the XMP packet, the IPTC records and the ICC profile as one item each
// (PropertyItem.h). The maker note's item holds its raw bytes; beside the
// items comes a model of the maker note: for the makers Exiv2 knows its
// entries, which the writer lays out anew so that the note's internal
// offsets stay right wherever it lands.
//
// Writing: the items go into an encoded JPEG, TIFF or PNG file (a PNG's
// EXIF block goes into its eXIf chunk, without a thumbnail, its profile
// into a named iCCP chunk: PngChunks.h; its IPTC records into a "Raw
// profile type iptc" text chunk). Left out are ids that have no
// place there, the offset tags (Exiv2 recomputes them) and the tags that
// describe a TIFF's pixel data: they belong to the new image, not the
// source. Every ASCII value ends in NUL. XMP fields that describe the image
// follow the new file (its size, the items' resolution and Software) or go
// (thumbnails, the source's layout). A TIFF's thumbnail is a complete
// reduced-resolution directory of uncompressed RGB; a JPEG's is JPEG. A
// maker note Exiv2 does not know is written only when its bytes can be moved
// without breaking its offsets (ExifBlock.h); otherwise it is left out with
// a warning on the "vespera.imaging" logging category. So is an ICC profile
// that does not fit the output's RGB pixels (IccProfile.h).
//
// Call InitializeImaging() once at start-up, before other threads start; the
// functions below also make sure of it themselves (once, thread-safely).

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/imaging/GifEncoder.h"
#include "platform/imaging/PropertyItem.h"

namespace imaging {

// Readies Exiv2 for use from several threads and mutes its console warnings.
// Safe to call more than once.
void InitializeImaging();

// Exiv2's model of a maker note, opaque outside the reader and writer.
struct MakerNoteModel;

struct ImageMetadata {
    std::vector<PropertyItem> items;
    std::shared_ptr<const MakerNoteModel> makerNote;        // null when there is no maker note
    ExifByteOrder byteOrder = ExifByteOrder::LittleEndian;  // the EXIF block's, or a TIFF file's
};

// The metadata of a JPEG, TIFF or PNG file; empty when it has none or
// cannot be read.
ImageMetadata ReadImageMetadata(std::span<const std::uint8_t> file);
// Only the items of ReadImageMetadata.
std::vector<PropertyItem> ReadExifProperties(std::span<const std::uint8_t> file);

// Writes the items into an encoded JPEG, TIFF or PNG file in place, the EXIF
// block in the byte order given (a TIFF file is turned into that order
// whole). The maker note's item is written through the model when the model
// is the one read with it. False when Exiv2 refuses the file; the file is
// then unchanged.
bool WriteExifProperties(std::vector<std::uint8_t>& file, const std::vector<PropertyItem>& items,
                         const MakerNoteModel* makerNote = nullptr,
                         ExifByteOrder byteOrder = ExifByteOrder::LittleEndian);

// What a GIF of width x height keeps of the items: the ICC profile when it
// fits (as above) and the XMP packet, aligned with the image as for the other
// formats. GIF has no place for EXIF or IPTC: when the items hold any, one
// warning on the "vespera.imaging" logging category says they are left out.
GifMetadata MetadataForGif(const std::vector<PropertyItem>& items, int width, int height);

// The thumbnail id of an IFD1 tag, or 0 when it has none; and back.
std::uint32_t ThumbnailIdOfIfd1Tag(std::uint32_t tag);
std::uint32_t Ifd1TagOfThumbnailId(std::uint32_t id);

}  // namespace imaging
