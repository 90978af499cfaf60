#pragma once
// GIF encoding through giflib: one image, an 8-bit palette (the image's own
// palette when it has one, else the palette of PaletteQuantizer.h: the
// picture's own colours when there are at most 256, else a palette built
// from its pixels), no transparency. An ICC profile and an XMP packet go
// into application extensions before the image, laid out as ImageMagick
// writes them: "ICCRGBG1" "012" with the profile in sub-blocks, and
// "XMP Data" "XMP" with the packet as it is, followed by XMP's 257-byte magic
// trailer, so that readers that walk it as sub-blocks stop at its end.

#include <cstdint>
#include <string>
#include <vector>

#include <QImage>

namespace imaging {

// What a GIF keeps of a picture's metadata; empty parts are not written.
struct GifMetadata {
    std::vector<std::uint8_t> iccProfile;
    std::string xmp;
};

// Appends nothing and returns false for images larger than GIF allows
// (65535 pixels a side) or when memory runs out. An XMP packet that the
// trailer cannot frame (a walk over it as sub-blocks lands on a NUL byte
// inside it; well-formed XML has none) is left out.
bool EncodeGif(const QImage& image, std::vector<std::uint8_t>& out, const GifMetadata& metadata = {});

}  // namespace imaging
