#include "platform/imaging/Bitmap.h"

#include <algorithm>
#include <cmath>
#include <new>

#include <cstdlib>
#include <memory>
#include <optional>
#include <system_error>

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include "platform/files/RegularFile.h"
#include "platform/imaging/BitmapLock.h"
#include "platform/imaging/BmpBitfieldsDecoder.h"
#include "platform/imaging/DecodeBudget.h"
#include "platform/imaging/ExifProperties.h"
#include "platform/imaging/FlattenOntoWhite.h"
#include "platform/imaging/GifDecoder.h"
#include "platform/imaging/HeaderProbe.h"
#include "platform/imaging/ImageDataCompleteness.h"
#include "platform/imaging/ImageFormatPlugins.h"
#include "platform/imaging/JpegDecoder.h"
#include "platform/imaging/PagePrefault.h"
#include "platform/imaging/PixelPool.h"
#include "platform/imaging/TiffDecoder.h"
#include "platform/memory/LargeBlock.h"

namespace imaging {

namespace {

std::int64_t PixelBytes(std::int64_t w, std::int64_t h, PixelFormat format) {
    const std::int64_t bits = std::max(8, PixelFormatBits(format));
    return w * h * ((bits + 7) / 8);
}

bool SizeAllowed(std::int64_t w, std::int64_t h, PixelFormat format) {
    return w > 0 && h > 0 && w <= kMaxBitmapSide && h <= kMaxBitmapSide && PixelBytes(w, h, format) <= kMaxBitmapBytes;
}

QList<QRgb> GreyTable(int entries) {
    QList<QRgb> table(entries);
    for (int i = 0; i < entries; ++i) {
        const int v = entries > 1 ? i * 255 / (entries - 1) : 0;
        table[i] = qRgb(v, v, v);
    }
    return table;
}

// The pixels a large picture decodes into, made so that a second thread
// can have the kernel provide their pages while the decoder writes the first
// rows: providing them then no longer adds to the decoding. The memory is
// shared between the image and the caller, so that it outlives the second
// thread whatever becomes of the image.
constexpr std::int64_t kPrefaultFromBytes = std::int64_t{16} << 20;

struct PreparedImage {
    QImage image;
    std::shared_ptr<std::uint8_t> memory;
    std::size_t bytes = 0;
    bool fresh = true;  // its pages are yet to be provided
};

// Only for the layouts the decoders write (rows padded to whole 32-bit words) and
// pictures large enough to gain; a plain image else. With a pool the memory
// may be an earlier picture's, its pages already there.
PreparedImage PrepareImage(int width, int height, QImage::Format format, PixelPool* pool) {
    PreparedImage prepared;
    const std::int64_t depth = format == QImage::Format_Grayscale8 ? 1 : format == QImage::Format_BGR888 ? 3 : 4;
    const bool known = format == QImage::Format_Grayscale8 || format == QImage::Format_BGR888 ||
                       format == QImage::Format_RGB32 || format == QImage::Format_ARGB32;
    const std::int64_t stride = (std::int64_t{width} * depth + 3) / 4 * 4;
    const std::int64_t bytes = stride * height;
    if (!known || bytes < kPrefaultFromBytes) {
        prepared.image = QImage(width, height, format);
        return prepared;
    }
    if (pool) {
        try {
            prepared.memory = pool->Take(static_cast<std::size_t>(bytes), prepared.fresh);
        } catch (const std::bad_alloc&) {
            return prepared;
        }
    } else {
        auto* memory = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(bytes)));
        if (memory == nullptr)
            return prepared;
        prepared.memory.reset(memory, std::free);
    }
    prepared.bytes = static_cast<std::size_t>(bytes);
    // The image keeps its own share of the memory.
    prepared.image = ImageOverMemory(prepared.memory, width, height, static_cast<qsizetype>(stride), format);
    return prepared;
}

// Has the pages of fresh pixel memory provided on a second thread; without
// one (a process limit on threads) the decoder faults them in itself.
void StartPrefault(std::optional<PagePrefault>& prefault, std::uint8_t* memory, std::size_t bytes) {
    try {
        prefault.emplace(memory, bytes);
    } catch (const std::system_error&) {
    }
}

// What a decode may allocate now.
std::int64_t DecodeBudgetNow() { return std::min(AvailableMemoryBytes(), kMaxBitmapBytes); }

// JPEG and GIF through their own libraries' decoders, which tell a damaged
// file from a whole one, within the memory free now.
QImage DecodeStrictly(std::span<const std::uint8_t> data, ImageFileType type, PixelPool* pool, ColourLayout layout) {
    const std::int64_t budget = DecodeBudgetNow();
    // Declared before the prefault, so that the memory outlives its thread.
    std::shared_ptr<std::uint8_t> memory;
    std::optional<PagePrefault> prefault;
    const ImageAllocator allocate = [&](int width, int height, QImage::Format format) {
        PreparedImage prepared = PrepareImage(width, height, format, pool);
        if (prepared.memory) {
            memory = prepared.memory;
            if (prepared.fresh)
                StartPrefault(prefault, memory.get(), prepared.bytes);
        }
        return std::move(prepared.image);
    };
    return type == ImageFileType::Jpeg ? DecodeJpeg(data, budget, allocate, layout) : DecodeGif(data, budget, allocate);
}

// Every other file through Qt's image reader, within the bitmap's limits;
// a null image when it cannot.
QImage DecodeWithImageReader(std::span<const std::uint8_t> data) {
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    LoadImageFormatPlugins();
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    reader.setAllocationLimit(static_cast<int>(kMaxBitmapBytes >> 20));
    const QSize size = reader.size();
    if (size.isValid() && !SizeAllowed(size.width(), size.height(), PixelFormat64bppARGB))
        return {};
    QImage image;
    if (!reader.read(&image))
        return {};
    return image;
}

}  // namespace

QImage::Format QImageFormatFor(PixelFormat format) {
    switch (format) {
    case PixelFormat1bppIndexed:
        return QImage::Format_Mono;
    case PixelFormat4bppIndexed:
    case PixelFormat8bppIndexed:
        return QImage::Format_Indexed8;
    case PixelFormat16bppGrayScale:
        return QImage::Format_Grayscale16;
    case PixelFormat16bppRGB555:
        return QImage::Format_RGB555;
    case PixelFormat16bppRGB565:
        return QImage::Format_RGB16;
    case PixelFormat24bppRGB:
        return QImage::Format_BGR888;
    case PixelFormat32bppRGB:
        return QImage::Format_RGB32;
    case PixelFormat16bppARGB1555:
    case PixelFormat32bppARGB:
        return QImage::Format_ARGB32;
    case PixelFormat32bppPARGB:
        return QImage::Format_ARGB32_Premultiplied;
    case PixelFormat48bppRGB:
        return QImage::Format_RGBX64;
    case PixelFormat64bppARGB:
        return QImage::Format_RGBA64;
    case PixelFormat64bppPARGB:
        return QImage::Format_RGBA64_Premultiplied;
    default:
        return QImage::Format_Invalid;
    }
}

PixelFormat PixelFormatOfImage(const QImage& image) {
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return PixelFormat1bppIndexed;
    case QImage::Format_Indexed8:
        return image.colorCount() <= 16 ? PixelFormat4bppIndexed : PixelFormat8bppIndexed;
    case QImage::Format_Grayscale8:
        return PixelFormat8bppIndexed;
    case QImage::Format_Grayscale16:
        return PixelFormat16bppGrayScale;
    case QImage::Format_RGB555:
        return PixelFormat16bppRGB555;
    case QImage::Format_RGB16:
        return PixelFormat16bppRGB565;
    case QImage::Format_RGBX64:
        return PixelFormat48bppRGB;
    case QImage::Format_RGBA64:
        return PixelFormat64bppARGB;
    case QImage::Format_RGBA64_Premultiplied:
        return PixelFormat64bppPARGB;
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGBA8888_Premultiplied:
        return PixelFormat32bppPARGB;
    default:
        return image.hasAlphaChannel() ? PixelFormat32bppARGB : PixelFormat24bppRGB;
    }
}

Bitmap::Bitmap(QImage image, PixelFormat format) : image_(std::move(image)), format_(format) {}

Bitmap::~Bitmap() = default;

std::unique_ptr<Bitmap> Bitmap::FromMemory(std::span<const std::uint8_t> data, PixelPool* pool, ColourLayout layout) {
    if (data.empty() || static_cast<std::int64_t>(data.size()) > kMaxImageFileBytes)
        return nullptr;
    try {
        const auto header = ProbeImageHeader(data);
        if (header && !SizeAllowed(header->width, header->height, header->pixelFormat))
            return nullptr;
        // Qt decodes a file that ends early as a success, its missing rows grey.
        if (!ImageDataIsComplete(data))
            return nullptr;

        QImage image;
        if (header && (header->type == ImageFileType::Jpeg || header->type == ImageFileType::Gif)) {
            image = DecodeStrictly(data, header->type, pool, layout);
        } else if (header && header->type == ImageFileType::Tiff) {
            bool otherSamples = false;
            image = DecodeTiff(data, DecodeBudgetNow(), AllocateImage, &otherSamples);
            if (otherSamples)
                image = DecodeWithImageReader(data);  // floating-point samples, say
        } else if (IsBitfieldsBmp(data)) {
            image = DecodeBmpBitfields(data, DecodeBudgetNow());
        } else {
            image = DecodeWithImageReader(data);
        }
        if (image.isNull())
            return nullptr;

        // The header's own word on the format, else what Qt decoded.
        const PixelFormat format =
            header && header->pixelFormat != PixelFormatUndefined ? header->pixelFormat : PixelFormatOfImage(image);
        image = FlattenOntoWhite(std::move(image));
        if (image.isNull())
            return nullptr;
        std::unique_ptr<Bitmap> bitmap(new Bitmap(std::move(image), format));
        if (header) {
            bitmap->dpiX_ = header->dpiX;
            bitmap->dpiY_ = header->dpiY;
            if (header->type == ImageFileType::Jpeg || header->type == ImageFileType::Tiff ||
                header->type == ImageFileType::Png) {
                ImageMetadata metadata = ReadImageMetadata(data);
                bitmap->properties_ = std::move(metadata.items);
                bitmap->makerNote_ = std::move(metadata.makerNote);
                bitmap->exifOrder_ = metadata.byteOrder;
            }
        }
        return bitmap;
    } catch (...) {
        // Lack of memory or anything else a decoder or a metadata reader
        // throws: this file cannot be decoded.
        return nullptr;
    }
}

std::unique_ptr<Bitmap> Bitmap::FromFile(const std::string& path, PixelPool* pool, ColourLayout layout) {
    // Only a regular file is read: a named pipe or a device would block or
    // never end.
    try {
        const auto data = platform::ReadRegularFile(path, static_cast<std::uint64_t>(kMaxImageFileBytes));
        if (!data || data->empty())
            return nullptr;
        return FromMemory(*data, pool, layout);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

namespace {

// Gives the indexed formats their grey palettes, as a new bitmap has them.
void SetGreyPalette(QImage& image, PixelFormat format) {
    if (image.format() == QImage::Format_Mono)
        image.setColorTable(GreyTable(2));
    else if (image.format() == QImage::Format_Indexed8)
        image.setColorTable(GreyTable(format == PixelFormat4bppIndexed ? 16 : 256));
}

// Rows padded to 4 bytes, as QImage lays them out.
qsizetype PaddedStride(int width, QImage::Format format) {
    return (static_cast<qsizetype>(width) * QImage::toPixelFormat(format).bitsPerPixel() + 31) / 32 * 4;
}

}  // namespace

std::unique_ptr<Bitmap> Bitmap::Create(int width, int height, PixelFormat format, PixelPool* pool) {
    const QImage::Format qformat = QImageFormatFor(format);
    if (qformat == QImage::Format_Invalid || !SizeAllowed(width, height, format))
        return nullptr;
    QImage image = pool ? PooledImage(*pool, width, height, qformat) : QImage(width, height, qformat);
    if (image.isNull())
        return nullptr;
    SetGreyPalette(image, format);
    image.fill(0);
    return std::unique_ptr<Bitmap>(new Bitmap(std::move(image), format));
}

std::unique_ptr<Bitmap> Bitmap::CreateUninitialised(int width, int height, PixelFormat format) {
    const QImage::Format qformat = QImageFormatFor(format);
    if (qformat == QImage::Format_Invalid || !SizeAllowed(width, height, format))
        return nullptr;
    const qsizetype stride = PaddedStride(width, qformat);
    std::shared_ptr<std::uint8_t> memory;
    try {
        memory.reset(platform::AllocateLargeBlock(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height)),
                     platform::FreeLargeBlock);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    QImage image = ImageOverMemory(std::move(memory), width, height, stride, qformat);
    if (image.isNull())
        return nullptr;
    SetGreyPalette(image, format);
    return std::unique_ptr<Bitmap>(new Bitmap(std::move(image), format));
}

std::unique_ptr<Bitmap> Bitmap::FromImage(const QImage& image, PixelFormat format) {
    const QImage::Format qformat = QImageFormatFor(format);
    if (image.isNull() || qformat == QImage::Format_Invalid || !SizeAllowed(image.width(), image.height(), format))
        return nullptr;
    QImage pixels = image.format() == qformat ? image : image.convertToFormat(qformat);
    if (pixels.isNull())
        return nullptr;
    return std::unique_ptr<Bitmap>(new Bitmap(std::move(pixels), format));
}

std::unique_ptr<Bitmap> Bitmap::Clone() const {
    try {
        std::unique_ptr<Bitmap> copy(new Bitmap(image_, format_));  // shares the pixels until written
        copy->dpiX_ = dpiX_;
        copy->dpiY_ = dpiY_;
        copy->properties_ = properties_;
        copy->makerNote_ = makerNote_;
        copy->exifOrder_ = exifOrder_;
        return copy;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::unique_ptr<Bitmap> Bitmap::Clone(const Rect& rect, PixelFormat format) const {
    if (!rect.InsideOf(Width(), Height()))
        return nullptr;
    if (rect == Rect{0, 0, Width(), Height()} && format == format_)
        return Clone();
    const QImage::Format qformat = format == format_ ? image_.format() : QImageFormatFor(format);
    if (qformat == QImage::Format_Invalid)
        return nullptr;
    try {
        QImage part = image_.copy(rect.x, rect.y, rect.width, rect.height);
        if (!part.isNull() && part.format() != qformat)
            part = part.convertToFormat(qformat);
        if (part.isNull())
            return nullptr;
        std::unique_ptr<Bitmap> copy(new Bitmap(std::move(part), format));
        copy->dpiX_ = dpiX_;
        copy->dpiY_ = dpiY_;
        copy->properties_ = properties_;
        copy->makerNote_ = makerNote_;
        copy->exifOrder_ = exifOrder_;
        return copy;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool Bitmap::SetResolution(double dpiX, double dpiY) {
    if (!(dpiX > 0) || !(dpiY > 0) || !std::isfinite(dpiX) || !std::isfinite(dpiY))
        return false;
    dpiX_ = dpiX;
    dpiY_ = dpiY;
    return true;
}

std::unique_ptr<BitmapLock> Bitmap::LockBits(const Rect& rect, LockMode mode) {
    if (!rect.InsideOf(Width(), Height()))
        return nullptr;
    bool expected = false;
    if (!locked_.compare_exchange_strong(expected, true))
        return nullptr;
    std::unique_ptr<BitmapLock> lock;
    try {
        lock.reset(new BitmapLock(*this, rect, mode));
        if (lock->Begin())
            return lock;
    } catch (const std::bad_alloc&) {
    }
    if (lock)
        lock->locked_ = false;
    locked_ = false;
    return nullptr;
}

const PropertyItem* Bitmap::GetPropertyItem(std::uint32_t id) const {
    for (const auto& item : properties_)
        if (item.id == id)
            return &item;
    return nullptr;
}

void Bitmap::SetPropertyItem(PropertyItem item) {
    for (auto& existing : properties_)
        if (existing.SameProperty(item)) {
            existing = std::move(item);
            return;
        }
    properties_.push_back(std::move(item));
}

bool Bitmap::RemovePropertyItem(std::uint32_t id) {
    const auto it =
        std::find_if(properties_.begin(), properties_.end(), [id](const PropertyItem& p) { return p.id == id; });
    if (it == properties_.end())
        return false;
    properties_.erase(it);
    return true;
}

}  // namespace imaging
