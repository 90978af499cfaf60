#pragma once
// The XMP packet of a written file: its fields that describe the image made
// to agree with the new file, and a packet too long for one JPEG segment
// split the way Adobe's extended XMP does it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace imaging {

// What the written file says about itself, in EXIF's words.
struct XmpImageFacts {
    long width = 0;
    long height = 0;
    std::optional<std::string> xResolution, yResolution;  // rationals as "n/d"
    std::optional<std::string> resolutionUnit;
    std::optional<std::string> software;
};

// The packet with its image fields updated like their EXIF twins: the pixel
// dimensions become the file's, the resolution and Software the facts' (or
// go when the facts have none), and the fields that only describe the
// source go: its thumbnails, its sample layout and compression, and the
// digests of the source's EXIF. A packet that cannot be parsed is returned
// unchanged.
std::string AlignXmpWithImage(const std::string& packet, const XmpImageFacts& facts);

// A JPEG's XMP: the standard packet for its own APP1 segment, and when the
// whole does not fit there, the extended part with its GUID (the MD5 digest
// of the extended part, in upper-case hex) that the standard packet names
// in xmpNote:HasExtendedXMP. The largest properties move to the extended
// part first.
struct JpegXmp {
    std::string standard;
    std::string extended;  // empty when the packet fits one segment
    std::string guid;
};
JpegXmp SplitXmpForJpeg(const std::string& packet);

// Writes the extended part into a JPEG that holds the standard packet, as
// APP1 segments right after the standard one. False when the JPEG has no
// standard XMP segment.
bool InsertExtendedXmp(std::vector<std::uint8_t>& jpeg, const JpegXmp& xmp);

}  // namespace imaging
