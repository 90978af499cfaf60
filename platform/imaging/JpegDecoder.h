#pragma once
// JPEG decoding through libjpeg-turbo, strict about damage.
//
// The first image of the file, never rotated by its EXIF orientation:
// greyscale files as QImage::Format_Grayscale8, all others as Format_RGB32
// (CMYK and YCCK files converted as Adobe writes them, the inks stored
// inverted), or, when asked, YCbCr and RGB files as Format_BGR888 with the
// same colour values. Baseline, progressive and arithmetic-coded files, with or
// without restart markers.
//
// A file that libjpeg cannot decode fails, and so does one it decodes only
// by filling in: a warning of missing or corrupt data (premature end of the
// file or of a data segment, a bad Huffman or arithmetic code, a scan out of
// order, a lost restart marker) makes the decode fail. Warnings that lose
// nothing pass (JpegWarningLosesNothing).
//
// Every exception inside the decode (lack of memory, an allocator that
// throws) makes it fail; libjpeg's state is freed on every way out.
//
// Before anything is allocated for the picture, a frame header that claims
// more pixels than the file's entropy-coded bytes can hold (Huffman coding,
// see DecodeBudget.h and CodedDataWalk.h; comments and other segments do not
// count) or a decode that needs more than `memoryBudget` bytes
// (pixels and, for multi-scan files, libjpeg's coefficient buffers) is
// refused.
//
// The data is untrusted.

#include <cstdint>
#include <functional>
#include <span>

#include <QImage>

namespace imaging {

// How a colour picture comes out: four bytes a pixel, the layout drawing
// takes fastest, or three (a quarter less memory, for pictures that are
// only resized and saved).
enum class ColourLayout { Rgb32, Bgr24 };

// Makes the image a decoder writes into, of the given size and format; a
// null image when memory runs out.
using ImageAllocator = std::function<QImage(int width, int height, QImage::Format format)>;

QImage AllocateImage(int width, int height, QImage::Format format);

// Whether the picture after a libjpeg-turbo warning (a JWRN_* code of
// jerror.h) is still exactly what the file holds: extraneous bytes before a
// marker, an unknown JFIF revision or Adobe transform code, a malformed ICC
// marker, sequential scan parameters off their fixed values. Every warning
// of missing or corrupt data, and any code this list does not know, fails.
bool JpegWarningLosesNothing(int code);

// A null image on failure.
QImage DecodeJpeg(std::span<const std::uint8_t> data, std::int64_t memoryBudget,
                  const ImageAllocator& allocate = AllocateImage, ColourLayout layout = ColourLayout::Rgb32);

// The same decode reduced by libjpeg while it decodes (to 1/2, 1/4 or 1/8 a
// side, the most that still gives at least `atLeast` pixels each way), as a
// thumbnail wants it. The header's claim is checked at its full size, the
// memory at the reduced one (and the coefficients of a multi-scan file).
QImage DecodeJpegReduced(std::span<const std::uint8_t> data, std::int64_t memoryBudget, const QSize& atLeast);

}  // namespace imaging
