#pragma once
// Embedded thumbnails of camera files without decoding the whole image.
//
// The thumbnail that cameras keep in IFD1 of the EXIF (TIFF) structure of a
// JPEG or TIFF file is decoded (JPEG-compressed ones with the Kestrel decoder,
// uncompressed RGB ones directly), fitted into a box by nearest neighbour and
// returned as a bottom-up 24-bit packed DIB at 72 dpi, adoptable by
// CDib::CreateFromInfo. The main image's pixel size is reported on the way.
//
// Nothing in the file is trusted: every offset and length is checked against
// the file's size before anything is allocated or read. The directories are
// read by the imaging layer's TIFF directory parser (TiffDirectory.h), from
// the file a piece at a time.
//   - an empty PackedDib: no thumbnail (wrong extension, no EXIF, no IFD1, no
//     or an incomplete thumbnail, unsupported compression, or a thumbnail
//     whose bytes reach past the end of the file);
//   - CFileException (genericException): a malformed or unreadable structure
//     (a read or seek outside the file, a JPEG thumbnail the decoder refuses).
// The image size outputs may be written even when there is no thumbnail.
// The functions share no state and may run on any thread.

#include <cstdint>
#include <filesystem>
#include <span>

#include "imagefiles/Dib.h"
#include "imagefiles/FileException.h"

// The box on entry; on return the fitted size, each side at least 1.
struct ThumbnailBox {
    int width = 0;
    int height = 0;
};

// Only ".JPG" and ".JPEG" files (in any letter case).
PackedDib ReadJpegExifThumbnail(const std::filesystem::path& path, ThumbnailBox& box, int& imageWidth,
                                int& imageHeight);
// Only ".TIF" and ".TIFF" files (in any letter case) whose IFD0 holds an ExifIFD pointer.
PackedDib ReadTiffExifThumbnail(const std::filesystem::path& path, ThumbnailBox& box, int& imageWidth,
                                int& imageHeight);

// The same over the bytes of a whole file, without the extension test.
PackedDib ReadJpegExifThumbnail(std::span<const std::uint8_t> file, ThumbnailBox& box, int& imageWidth,
                                int& imageHeight);
PackedDib ReadTiffExifThumbnail(std::span<const std::uint8_t> file, ThumbnailBox& box, int& imageWidth,
                                int& imageHeight);

// The position just after the FF E1 marker of the first APP1 segment when it
// is an EXIF segment, else 0 (also for a file that cannot be read).
std::uint64_t FindExifSegment(const std::filesystem::path& path);
// The ExifIFD offset in IFD0 of a TIFF file, 0 when there is none or the
// file cannot be read.
std::uint32_t HasExifIfd(const std::filesystem::path& path);
