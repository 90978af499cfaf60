#pragma once
// GIF decoding through giflib's reader, strict about damage.
//
// The first image of the file on its logical screen: Format_RGB32, or
// Format_ARGB32 when the image's graphic control block names a transparent
// colour (those pixels keep their palette colour at alpha 0). The screen
// outside the image holds the background colour, or the transparent colour
// when there is one. Interlaced images come out in their rows' order.
//
// A file that giflib reports damaged fails: LZW data that ends before the
// image's last pixel, codes out of range, sub-blocks cut short. Before any
// pixel memory is taken, a screen or image that claims more pixels than the
// image's data sub-blocks can code (DecodeBudget.h; extensions such as
// comments do not count), or than `memoryBudget` bytes hold, is refused.
// Every exception inside the decode makes it fail, giflib's state freed.
//
// The data is untrusted.

#include <cstdint>
#include <span>

#include <QImage>

#include "platform/imaging/JpegDecoder.h"

namespace imaging {

// A null image on failure.
QImage DecodeGif(std::span<const std::uint8_t> data, std::int64_t memoryBudget,
                 const ImageAllocator& allocate = AllocateImage);

}  // namespace imaging
