#pragma once
// BMP decoding of the 16- and 32-bit pictures whose pixels are laid out by
// colour masks (BI_BITFIELDS, BI_ALPHABITFIELDS).
//
// Each mask picks one contiguous run of bits of the pixel, of any width up
// to the pixel's own (a 10-bit red in bits 22-31 as well as 5-6-5); its
// value is scaled to 8 bits in proportion, the run's largest value giving
// 255. A picture comes out as Format_RGB32, or Format_ARGB32 when the file
// names an alpha mask; bottom-up and top-down rows alike come out top first.
//
// Refused (a null image): masks that are not contiguous, that overlap, that
// reach past the pixel's bits or that leave red, green and blue all empty;
// other depths; pixels said to start inside the headers; rows that the file
// does not hold; a picture that needs more than `memoryBudget` bytes,
// checked before its memory is taken.
//
// The data is untrusted.

#include <cstdint>
#include <span>

#include <QImage>

#include "platform/imaging/JpegDecoder.h"

namespace imaging {

// Whether the file is a BMP whose pixels are laid out by colour masks, the
// files DecodeBmpBitfields is for.
bool IsBitfieldsBmp(std::span<const std::uint8_t> data);

// A null image on failure.
QImage DecodeBmpBitfields(std::span<const std::uint8_t> data, std::int64_t memoryBudget,
                          const ImageAllocator& allocate = AllocateImage);

}  // namespace imaging
