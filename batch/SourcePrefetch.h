#pragma once
// Decoding a batch item's source.

#include <QString>

#include <memory>

namespace imaging {
class Bitmap;
class PixelPool;
}  // namespace imaging

// The source of a batch item decoded from its file; null when it cannot be
// (no file, not an image, too large, out of memory). With a pool, into
// memory an earlier item gave back. A colour JPEG comes out as packed 24-bit
// pixels, a quarter less memory than the 32-bit layout drawing on screen
// prefers: the batch only resizes and saves them.
std::unique_ptr<imaging::Bitmap> DecodeBatchSource(const QString& path, imaging::PixelPool* pool = nullptr);
