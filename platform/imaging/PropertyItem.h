#pragma once
// One metadata property of an image: a TIFF/EXIF tag in the numbering the rest
// of the system uses (IFD0 and EXIF tags as they are, GPS tags 0x0000-0x001F,
// the thumbnail's IFD1 tags as 0x50xx ids), its TIFF field type, its number of
// values and its value bytes in little-endian order, and the directory it was
// read from.
//
// The numbering alone is ambiguous: IFD0 has tags of its own below 0x0020
// (0x000B ProcessingSoftware), which share their numbers with GPS tags (0x000B
// GPSDOP), and the interoperability directory's tags (0x0001 InteropIndex,
// 0x0002 InteropVersion, 0x1001 RelatedImageWidth) have numbers of their own
// that GPS tags share too. An item read from a file keeps its directory, so
// that it is written back where it came from; an item the program makes names
// none and goes where its id says.

#include <cstdint>
#include <vector>

namespace imaging {

enum PropertyType : std::uint16_t {
    PropertyTypeByte = 1,
    PropertyTypeASCII = 2,
    PropertyTypeShort = 3,
    PropertyTypeLong = 4,
    PropertyTypeRational = 5,
    PropertyTypeUndefined = 7,
    PropertyTypeSLong = 9,
    PropertyTypeSRational = 10,
};

enum class PropertyDirectory : std::uint8_t {
    ById,     // made by the program: ids 0x0000-0x001F are GPS tags, the 0x50xx ids the thumbnail's
    Image,    // IFD0
    Exif,     // the EXIF directory
    Gps,      // the GPS directory
    Interop,  // the EXIF directory's interoperability directory
};

// The byte order of the EXIF block that items were read from. A block is
// written in its source's order again: values whose order only the block
// states (the opaque arrays of a maker note whose header names the order)
// then read back the same.
enum class ExifByteOrder : std::uint8_t { LittleEndian, BigEndian };

struct PropertyItem {
    std::uint32_t id = 0;
    std::uint16_t type = PropertyTypeUndefined;
    std::uint32_t count = 0;          // number of values (bytes for ASCII, BYTE, UNDEFINED)
    std::vector<std::uint8_t> value;  // the value bytes; their length is the item's length
    PropertyDirectory directory = PropertyDirectory::ById;

    std::uint32_t Length() const { return static_cast<std::uint32_t>(value.size()); }
    bool IsGpsTag() const {
        return directory == PropertyDirectory::Gps || (directory == PropertyDirectory::ById && id <= 0x001F);
    }
    bool IsInteropTag() const { return directory == PropertyDirectory::Interop; }
    // The same property: the same id in the same numbering (GPS tags,
    // interoperability tags, or the others).
    bool SameProperty(const PropertyItem& other) const {
        return id == other.id && IsGpsTag() == other.IsGpsTag() && IsInteropTag() == other.IsInteropTag();
    }
};

// Ids with a meaning of their own for the saving of images.
inline constexpr std::uint32_t PropertyTagSoftwareUsed = 0x0131;
// The packets that live beside the EXIF data, as whole blocks: the XMP packet
// (its text), the IPTC-NAA records and the ICC colour profile.
inline constexpr std::uint32_t PropertyTagXmpPacket = 0x02BC;
inline constexpr std::uint32_t PropertyTagIptc = 0x83BB;
inline constexpr std::uint32_t PropertyTagICCProfile = 0x8773;
inline constexpr std::uint32_t PropertyTagThumbnailWidth = 0x5013;
inline constexpr std::uint32_t PropertyTagThumbnailHeight = 0x5014;
inline constexpr std::uint32_t PropertyTagThumbnailData = 0x501B;
inline constexpr std::uint32_t PropertyTagThumbnailImageWidth = 0x5020;
inline constexpr std::uint32_t PropertyTagThumbnailImageHeight = 0x5021;
inline constexpr std::uint32_t PropertyTagThumbnailCompression = 0x5023;
inline constexpr std::uint32_t PropertyTagThumbnailResolutionX = 0x502D;
inline constexpr std::uint32_t PropertyTagThumbnailResolutionY = 0x502E;

}  // namespace imaging
