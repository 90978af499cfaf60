#pragma once
// Whether an image file holds all the data its decoder will ask for.
//
// Qt's JPEG, BMP and GIF readers take a file that ends early for a good one:
// the rows they could not read come out grey or black, and only a warning on
// the console tells (TIFF readers fail by themselves). A file cut
// short is refused instead, like any file that cannot be decoded. The test
// reads the file's own structure, so its answer depends only on the bytes:
//   JPEG  the marker segments and the entropy-coded data, stepped over as a
//         decoder does (extraneous bytes before a marker are skipped, as
//         decoders skip them), must reach the EOI marker of the first image;
//   BMP   an uncompressed bitmap must hold every row's pixel bytes after its
//         pixel data offset (the last row's padding may be missing);
//   GIF   the blocks up to the first image and its data sub-blocks must all
//         be there, down to the image data's terminating empty block;
//   PNG   no chunk may claim more bytes than the file has left (libpng
//         would allocate a text or palette chunk's claimed length before it
//         found the data missing).
// Other files, and files whose headers these rules cannot follow (which their
// decoders refuse themselves), count as complete.
//
// The data is untrusted: nothing is read past its end.

#include <cstdint>
#include <span>

namespace imaging {

bool ImageDataIsComplete(std::span<const std::uint8_t> file);

bool JpegDataIsComplete(std::span<const std::uint8_t> data);
bool BmpDataIsComplete(std::span<const std::uint8_t> data);
bool GifDataIsComplete(std::span<const std::uint8_t> data);
bool PngDataIsComplete(std::span<const std::uint8_t> data);

}  // namespace imaging
