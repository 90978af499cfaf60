#pragma once
// The chunks of a PNG file, each length checked against the bytes there,
// and the colour profile and the EXIF block of an encoded PNG file, as chunks of
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

// One chunk of a PNG file: its type and where it lies.
struct PngChunk {
    std::span<const std::uint8_t> type;  // four bytes
    std::uint64_t offset = 0;            // of its length field
    std::uint64_t end = 0;               // past its CRC
};

// The chunk whose length field is at `offset`; false when its length is
// above PNG's 2^31 - 1 or the chunk, CRC included, is longer than the bytes
// left in the file.
bool ReadPngChunk(std::span<const std::uint8_t> png, std::uint64_t offset, PngChunk& chunk);

// Whether every chunk from the signature to IEND (or to the end of the data,
// when it ends between two chunks) lies wholly inside the data. A reader
// that took a chunk's length on trust would allocate what it claims.
bool PngChunksFitFile(std::span<const std::uint8_t> png);

// Empty spans add no chunk of that type.
bool AddPngMetadataChunks(std::vector<std::uint8_t>& png, std::span<const std::uint8_t> iccProfile,
                          std::span<const std::uint8_t> exifTiff);

}  // namespace imaging
