#include "imagefiles/PixelFormatProbe.h"

#include "platform/files/RegularFile.h"
#include "platform/imaging/Bitmap.h"  // kMaxImageFileBytes
#include "platform/imaging/HeaderProbe.h"
#include "platform/imaging/ImageFormatPlugins.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <cstdint>
#include <new>
#include <optional>
#include <span>

namespace {

// The headers sit at the start of most files. A JPEG whose metadata segments
// push the frame header further, or a TIFF with its directory at the end,
// needs the whole file.
constexpr qint64 kHeadBytes = 128 << 10;

std::span<const std::uint8_t> AsBytes(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())};
}

// Qt has a reader for the file's type (the decoder the cells use).
bool DecoderKnows(const QByteArray& head) {
    QBuffer buffer;
    buffer.setData(head);
    if (!buffer.open(QIODevice::ReadOnly))
        return false;
    imaging::LoadImageFormatPlugins();
    return QImageReader(&buffer).canRead();
}

std::optional<imaging::ImageHeader> ProbeOpenFile(QFile& file) {
    QByteArray bytes = file.read(kHeadBytes);
    if (bytes.isEmpty() || !DecoderKnows(bytes))
        return std::nullopt;
    // A head that gives a header holds the JPEG frame header, the PNG IHDR, the
    // BMP or GIF fields or the TIFF directory that the whole file would give.
    // What only the rest could add (a late PNG tRNS chunk, TIFF sample sizes
    // stored further on) moves the format between accepted ones, never across.
    std::optional<imaging::ImageHeader> header = imaging::ProbeImageHeader(AsBytes(bytes));
    if (!header && !file.atEnd()) {
        const qint64 rest = file.size() - bytes.size();
        if (rest <= 0 || file.size() > imaging::kMaxImageFileBytes)
            return std::nullopt;
        bytes.append(file.read(rest));
        header = imaging::ProbeImageHeader(AsBytes(bytes));
    }
    // No decoding as a last resort: the decoder turns CMYK into RGB and skips
    // over broken segments, so it would pass a CMYK file with a malformed header.
    return header;
}

}  // namespace

bool IsAcceptedPixelFormat(imaging::PixelFormat format) {
    using namespace imaging;
    switch (format) {
    case PixelFormat1bppIndexed:
    case PixelFormat4bppIndexed:
    case PixelFormat8bppIndexed:
    case PixelFormat16bppGrayScale:
    case PixelFormat16bppRGB555:
    case PixelFormat16bppRGB565:
    case PixelFormat16bppARGB1555:
    case PixelFormat24bppRGB:
    case PixelFormat32bppRGB:
    case PixelFormat32bppARGB:
    case PixelFormat32bppPARGB:
    case PixelFormat48bppRGB:
    case PixelFormat64bppARGB:
    case PixelFormat64bppPARGB:
        return true;
    default:
        return false;
    }
}

std::optional<imaging::ImageHeader> ProbeImageFileHeader(const QString& path) {
    // A named pipe or a device is never opened: it could block for ever.
    QFile file;
    if (!platform::OpenRegularFile(file, path))
        return std::nullopt;
    try {
        return ProbeOpenFile(file);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

imaging::PixelFormat ProbePixelFormat(const QString& path) {
    const auto header = ProbeImageFileHeader(path);
    return header ? header->pixelFormat : imaging::PixelFormatUndefined;
}

bool IsSupportedImagePixelFormat(const QString& path) { return IsAcceptedPixelFormat(ProbePixelFormat(path)); }
