#pragma once
// Writing a resized image with the source's metadata.
//
// The format follows the file name's extension (upper-cased, compared
// exactly): ".JPG" JPEG with the given quality, ".BMP", ".GIF", ".TIF",
// ".PNG". The saved bitmap gets every property item of the source (EXIF with
// the maker note, XMP, IPTC, the ICC profile) except the resolution tags and
// the tags of the source's pixel layout, PixelXDimension and PixelYDimension
// of its own size, the Software tag "ORVEK Vespera" when the source had any
// item, a rebuilt JPEG thumbnail when the source had one and is larger than
// 200 pixels both ways, and the target resolution. The file is written under a temporary name and
// renamed over the path only when complete, so a failed save leaves an
// existing file as it was.

#include <cstdint>
#include <functional>
#include <string>

namespace imaging {
class Bitmap;
}

// Stands for the encoder's class id: the encoder is named by its MIME type.
struct EncoderClsid {
    std::string mimeType;
};

// The MIME type for the path's extension (any letter case): ".jpg" and
// ".jpeg" JPEG, ".tif" and ".tiff" TIFF, ".bmp", ".gif", ".png"; empty for
// any other extension.
std::string MimeTypeForPath(const std::string& path);

// The index of the encoder for a MIME type (compared case-sensitively) among
// the image encoders, with its class id; -1 when there is none.
int FindEncoderClsid(const std::string& mimeType, EncoderClsid& clsid);

// Writes bitmap (the resized image) to path. Its property items, resolution
// and thumbnail are changed on the way. quiet non-zero: no message on a
// failed write. quality 1..100 for JPEG; dpi for both directions. False when
// the extension has no encoder (no message) or the file could not be written
// ("Can't save file %s." and on a line of its own why, when that is known,
// unless quiet). `failure`, when given, gets why a write failed.
// `stopRequested`, when set, is asked at each block of the write; true stops
// it (false, nothing written, no message, no reason; see imaging::WriteStop).
bool SaveImageWithEncoder(imaging::Bitmap* bitmap, const std::string& path, int quiet, const imaging::Bitmap* source,
                          int quality, float dpi, std::string* failure = nullptr,
                          const std::function<bool()>& stopRequested = {});

// The size of the rebuilt thumbnail: the saved image's aspect inside the box
// of the source's size / 20 (each side at least 2), each side at least 1.
struct ThumbnailSize {
    int width;
    int height;
};
ThumbnailSize RebuiltThumbnailSize(int sourceWidth, int sourceHeight, int savedWidth, int savedHeight);
