#pragma once
// GIF encoding through giflib: one image, an 8-bit palette (the image's own
// palette when it has one, else the palette of PaletteQuantizer.h: the
// picture's own colours when there are at most 256, else a palette built
// from its pixels), no transparency.

#include <cstdint>
#include <vector>

#include <QImage>

namespace imaging {

// Appends nothing and returns false for images larger than GIF allows
// (65535 pixels a side) or when memory runs out.
bool EncodeGif(const QImage& image, std::vector<std::uint8_t>& out);

}  // namespace imaging
