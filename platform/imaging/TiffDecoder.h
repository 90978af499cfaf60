#pragma once
// TIFF decoding through libtiff's RGBA reader, strict about damage.
//
// The first directory of the file, in whatever layout libtiff reads: strips
// or tiles (tiles larger than the picture among them), chunky or planar
// samples, 1 to 16 bits a sample, grey, palette, RGB, CMYK, YCbCr and the
// compressions libtiff was built with. Rows come out as the file stores
// them, never turned by its Orientation tag; 16-bit samples are scaled to 8
// bits. Format_RGB32, or Format_ARGB32_Premultiplied when the file has an
// alpha sample.
//
// A file that libtiff reports damaged fails. Before any pixel memory is
// taken, a picture whose samples cannot come from the bytes its strips or
// tiles hold in the file (each compression expands a byte at most so far),
// or that needs more than `memoryBudget` bytes, is refused; libtiff itself
// is held to that budget for each of its own allocations.
//
// The data is untrusted.

#include <cstdint>
#include <span>

#include <QImage>

#include "platform/imaging/JpegDecoder.h"

namespace imaging {

// A null image on failure. `otherSamples`, when given, is set when the file
// opens but libtiff's RGBA reader does not take its samples (floating-point
// or 32-bit ones), which another reader may.
QImage DecodeTiff(std::span<const std::uint8_t> data, std::int64_t memoryBudget,
                  const ImageAllocator& allocate = AllocateImage, bool* otherSamples = nullptr);

}  // namespace imaging
