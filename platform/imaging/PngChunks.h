#pragma once
// The colour profile and the EXIF block of an encoded PNG file, as chunks of
// their own:
//   iCCP  a profile name ("ICC profile"), NUL, compression method 0 and the
//         profile compressed with zlib; readers refuse the chunk without a
//         name, so the profile is never written without one;
//   eXIf  the EXIF block as a TIFF structure (byte-order mark first).
// Both go right after IHDR, before any palette and the image data, as PNG
// asks. Chunks they replace go: an older iCCP or eXIf, and sRGB, which says
// the colours are sRGB and must not stand beside a profile.
//
// The file is walked chunk by chunk with every length checked against the
// bytes there; a file that is not a well-formed PNG up to IEND is left
// unchanged and the call returns false.

#include <cstdint>
#include <span>
#include <vector>

namespace imaging {

// Empty spans add no chunk of that type.
bool AddPngMetadataChunks(std::vector<std::uint8_t>& png, std::span<const std::uint8_t> iccProfile,
                          std::span<const std::uint8_t> exifTiff);

}  // namespace imaging
