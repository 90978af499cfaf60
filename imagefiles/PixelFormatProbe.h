#pragma once
// Whether an image cell may decode a file: the file opens as an image and its
// pixel format is one the decoder handles. CMYK images are refused.

#include <QByteArray>
#include <QString>

#include <cstdint>

// True for the accepted codes of PixelFormatCodes.h (CMYK and Undefined are
// not among them).
bool IsAcceptedPixelFormat(std::uint32_t code);

// The pixel-format code of the image in `path`; Undefined when the file does
// not open as an image.
std::uint32_t ProbePixelFormat(const QString& path);

// The number of colour components of a JPEG stream's first frame header, or
// 0 when `head` (the start of a file) holds none.
int JpegComponentCount(const QByteArray& head);

// The file opens as an image in an accepted pixel format.
bool IsSupportedImagePixelFormat(const QString& path);
