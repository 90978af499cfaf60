#pragma once
// An 8-bit palette for a 24-bit picture, and each pixel's index into it.
//
// A picture of at most `maxColours` distinct colours keeps exactly those
// colours. Any other picture gets a palette built from its own pixels at full
// precision: the exact colours of its flat areas (colours that cover a share
// of the picture), then Wu's variance-minimising box split of the colour cube (moments of
// the pixels' own 8-bit values, so every box's colour is the exact mean of its
// pixels), refined by a few rounds of k-means on a regular sample of the
// pixels. Every pixel then takes the nearest palette colour (squared RGB
// distance), without dithering, so flat areas stay flat.
//
// Written here rather than taken from a library: the quantisers packaged for
// Debian are either under the GPL (libimagequant), part of a whole image
// processing suite (ImageMagick's MagickCore), or work on a histogram of 5 or
// 6 bits a channel with nothing to refine the palette (giflib's
// GifQuantizeBuffer, libgd's), which moves flat colours such as pure red and
// costs photographs some 10 dB of PSNR.

#include <array>
#include <cstdint>
#include <vector>

#include <QImage>

namespace imaging {

using PaletteColour = std::array<std::uint8_t, 3>;  // red, green, blue

struct IndexedPixels {
    std::vector<PaletteColour> palette;  // 1..maxColours entries
    std::vector<std::uint8_t> indices;   // width * height, row by row
};

// `image` in any format; it is read as opaque RGB. `maxColours` is 2..256.
// False for a null image or when memory runs out.
bool QuantizeToPalette(const QImage& image, int maxColours, IndexedPixels& out);

}  // namespace imaging
