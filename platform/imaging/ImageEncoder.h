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
#include <string>
#include <vector>

#include "platform/imaging/Bitmap.h"

namespace imaging {

struct EncoderParameters {
    int quality = -1;  // JPEG only; -1 keeps the encoder's default
};

// True for the five MIME types above (compared exactly, case-sensitive).
bool HasEncoder(const std::string& mimeType);

bool EncodeBitmap(const Bitmap& bitmap, const std::string& mimeType, const EncoderParameters& parameters,
                  std::vector<std::uint8_t>& out);

bool SaveBitmapToFile(const Bitmap& bitmap, const std::string& path, const std::string& mimeType,
                      const EncoderParameters& parameters);

}  // namespace imaging
