#pragma once
// Whether an image cell may decode a file: the file opens as an image and its
// pixel format is one the decoder handles. CMYK images are refused.
//
// The pixel format is the code the file's own header states, as the imaging
// layer reads it (platform/imaging/HeaderProbe.h) and its Bitmap reports it;
// nothing is decoded. A header the probes cannot read is refused.

#include <QString>

#include <optional>

#include "platform/imaging/HeaderProbe.h"
#include "platform/imaging/PixelFormat.h"

// True for the formats the cells decode: every indexed, grey, RGB and ARGB
// code of PixelFormat.h; false for CMYK, Undefined and any other value.
bool IsAcceptedPixelFormat(imaging::PixelFormat format);

// The pixel format of the image in `path`; PixelFormatUndefined when the file
// cannot be read, Qt has no reader for its type, or its header is malformed.
// Safe to call on any thread.
imaging::PixelFormat ProbePixelFormat(const QString& path);

// The header of the image in `path` (type, size, pixel format, resolution),
// under the same conditions as ProbePixelFormat; nothing when it has none.
std::optional<imaging::ImageHeader> ProbeImageFileHeader(const QString& path);

// The file opens as an image in an accepted pixel format.
bool IsSupportedImagePixelFormat(const QString& path);
