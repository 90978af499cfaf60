#pragma once
// GIF encoding through giflib: one image, an 8-bit palette (the image's own
// palette when it has at most 256 colours, else a median-cut palette from
// GifQuantizeBuffer), no transparency.

#include <cstdint>
#include <vector>

#include <QImage>

namespace imaging {

// Appends nothing and returns false for images larger than GIF allows
// (65535 pixels a side) or when memory runs out.
bool EncodeGif(const QImage& image, std::vector<std::uint8_t>& out);

}  // namespace imaging
