#pragma once
// Encoding bitmaps by MIME type, to a memory buffer or a file:
//   "image/jpeg"  QImageWriter, with a quality 1..100 when given
//   "image/png"   QImageWriter
//   "image/bmp"   QImageWriter
//   "image/tiff"  QImageWriter, LZW compression
//   "image/gif"   giflib, 8-bit palette (GifEncoder.h)
// The bitmap's resolution goes into the file's own header (JFIF density, pHYs,
// pixels per metre, TIFF resolution tags; GIF has none). JPEG, TIFF and PNG
// also carry the bitmap's property items (ExifProperties.h).
//
// Files are written beside the destination under a temporary name and
// renamed over it only when complete, so a failed write never leaves a
// half-written or damaged file at the path.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/imaging/Bitmap.h"

namespace imaging {

struct EncoderParameters {
    int quality = -1;  // JPEG only; -1 keeps the encoder's default
};

// Asked before each block a write goes on with (each block the encoder hands
// on, before the metadata, each block of the file, before the file is put in
// place); true stops the write there: nothing is written and no reason is
// given. A GIF's palette and pixels are made before any of these. Unset, a
// write is never stopped.
using WriteStop = std::function<bool()>;

// True for the five MIME types above (compared exactly, case-sensitive).
bool HasEncoder(const std::string& mimeType);

bool EncodeBitmap(const Bitmap& bitmap, const std::string& mimeType, const EncoderParameters& parameters,
                  std::vector<std::uint8_t>& out, const WriteStop& stop = {});

// Why the encoder of `mimeType` cannot write a width x height image, or the
// empty text when it can. JPEG files of this encoder hold at most 65500
// pixels a side.
std::string SizeRefusal(const std::string& mimeType, int width, int height);

// Writes the file. False when it was not written; `failure`, when given, then
// tells why ("No space left on device", "Permission denied", a size the format
// cannot hold), or is empty when there is nothing to tell.
bool SaveBitmapToFile(const Bitmap& bitmap, const std::string& path, const std::string& mimeType,
                      const EncoderParameters& parameters, std::string* failure = nullptr, const WriteStop& stop = {});

}  // namespace imaging
