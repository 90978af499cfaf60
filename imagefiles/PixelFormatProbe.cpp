#include "imagefiles/PixelFormatProbe.h"

#include "imagefiles/PixelFormatCodes.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

namespace {

// The JPEG frame header lies behind the metadata segments; these are at most
// 64 KiB each. Most files have it in the first 128 KiB; a few carry more
// segments first.
constexpr qint64 kJpegShortHeadBytes = 128 << 10;
constexpr qint64 kJpegLongHeadBytes = 1 << 20;

std::uint32_t CodeOfImageFormat(QImage::Format format) {
  switch (format) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB: return PixelFormatCode::Indexed1;
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:  // the imaging library decodes grey as 8-bit indexed
    case QImage::Format_Alpha8: return PixelFormatCode::Indexed8;
    case QImage::Format_Grayscale16: return PixelFormatCode::GrayScale16;
    case QImage::Format_RGB555: return PixelFormatCode::RGB555;
    case QImage::Format_RGB16: return PixelFormatCode::RGB565;
    case QImage::Format_RGB888:
    case QImage::Format_BGR888: return PixelFormatCode::RGB24;
    case QImage::Format_RGB32:
    case QImage::Format_RGBX8888: return PixelFormatCode::RGB32;
    case QImage::Format_ARGB32:
    case QImage::Format_RGBA8888: return PixelFormatCode::ARGB32;
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGBA8888_Premultiplied: return PixelFormatCode::PARGB32;
    case QImage::Format_RGBX64: return PixelFormatCode::RGB48;
    case QImage::Format_RGBA64: return PixelFormatCode::ARGB64;
    case QImage::Format_RGBA64_Premultiplied: return PixelFormatCode::PARGB64;
    default: return PixelFormatCode::Undefined;
  }
}

std::uint16_t BigEndian16(const QByteArray& bytes, qsizetype at) {
  return static_cast<std::uint16_t>((static_cast<unsigned char>(bytes[at]) << 8) |
                                    static_cast<unsigned char>(bytes[at + 1]));
}

}  // namespace

bool IsAcceptedPixelFormat(std::uint32_t code) {
  switch (code) {
    case PixelFormatCode::Indexed1:
    case PixelFormatCode::Indexed4:
    case PixelFormatCode::Indexed8:
    case PixelFormatCode::GrayScale16:
    case PixelFormatCode::RGB555:
    case PixelFormatCode::RGB565:
    case PixelFormatCode::ARGB1555:
    case PixelFormatCode::RGB24:
    case PixelFormatCode::RGB32:
    case PixelFormatCode::ARGB32:
    case PixelFormatCode::PARGB32:
    case PixelFormatCode::RGB48:
    case PixelFormatCode::ARGB64:
    case PixelFormatCode::PARGB64: return true;
    default: return false;
  }
}

int JpegComponentCount(const QByteArray& head) {
  if (head.size() < 4 || static_cast<unsigned char>(head[0]) != 0xFF ||
      static_cast<unsigned char>(head[1]) != 0xD8) {
    return 0;
  }
  qsizetype at = 2;
  while (at + 4 <= head.size()) {
    if (static_cast<unsigned char>(head[at]) != 0xFF) return 0;
    const unsigned char marker = static_cast<unsigned char>(head[at + 1]);
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
      at += 2;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) return 0;  // no frame header before the scan
    const std::uint16_t length = BigEndian16(head, at + 2);
    if (length < 2) return 0;
    const bool frameHeader = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frameHeader) {
      // length, precision, height, width, then the component count
      const qsizetype countAt = at + 2 + 7;
      if (length < 8 || countAt >= head.size()) return 0;
      return static_cast<unsigned char>(head[countAt]);
    }
    at += 2 + length;
  }
  return 0;
}

std::uint32_t ProbePixelFormat(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return PixelFormatCode::Undefined;
  QImageReader reader(&file);
  reader.setAutoTransform(false);
  if (!reader.canRead()) return PixelFormatCode::Undefined;

  if (reader.format() == "jpeg") {
    // The JPEG reader converts CMYK to RGB on decoding; the frame header says
    // what the file holds.
    int components = 0;
    for (const qint64 headBytes : {kJpegShortHeadBytes, kJpegLongHeadBytes}) {
      if (!file.seek(0)) return PixelFormatCode::Undefined;
      components = JpegComponentCount(file.read(headBytes));
      if (components != 0 || file.size() <= headBytes) break;
    }
    if (components == 4) return PixelFormatCode::CMYK32;
    if (components == 1) return PixelFormatCode::Indexed8;
    if (components == 3) return PixelFormatCode::RGB24;
    return PixelFormatCode::Undefined;
  }

  if (reader.format() == "gif") return PixelFormatCode::Indexed8;  // GIF is always a palette image

  QImage::Format format = reader.imageFormat();
  if (format == QImage::Format_Invalid) {
    // Readers that cannot tell the format before decoding.
    const QImage image = reader.read();
    format = image.format();
  }
  return CodeOfImageFormat(format);
}

bool IsSupportedImagePixelFormat(const QString& path) { return IsAcceptedPixelFormat(ProbePixelFormat(path)); }
