#pragma once
// A decoded or new raster image: pixels in a QImage, the pixel format code and
// resolution its file stated, and its metadata property items.
//
// Decoding takes a whole file in memory (or reads one), never rotating by the
// EXIF orientation: JPEG, GIF and TIFF files through libjpeg-turbo, giflib
// and libtiff (JpegDecoder.h, GifDecoder.h, TiffDecoder.h), which refuse
// damaged data, BMP files laid out by colour masks by our own reader
// (BmpBitfieldsDecoder.h), the others (and TIFF samples libtiff's RGBA
// reader does not take) with QImageReader. The metadata of JPEG, TIFF and PNG files comes with it
// (ExifProperties.h). The pixel format and resolution come from the file's
// own header (HeaderProbe.h), so a CMYK file reports PixelFormat32bppCMYK
// although its pixels are held as RGB. Decoded pixels are laid over white
// (FlattenOntoWhite.h): a file's format code may say alpha, its pixels are
// opaque.
//
// Sizes: width and height 1..kMaxBitmapSide, pixel bytes at most
// kMaxBitmapBytes; anything else fails cleanly (null result), as do files
// that cannot be decoded, files that end before their image data does
// (ImageDataCompleteness.h), JPEG, GIF and TIFF files whose decoder reports
// data missing or corrupt or whose header claims more pixels than the file
// can hold or the memory free now can take (DecodeBudget.h), and lack of
// memory or any other exception while decoding.
//
// Threads: const members may run on several threads at once. Locking for
// writing and the setters change the bitmap; the caller keeps other threads
// away meanwhile. Only one lock at a time: a second LockBits fails until the
// first is unlocked.

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <QImage>

#include "platform/imaging/Geometry.h"
#include "platform/imaging/JpegDecoder.h"
#include "platform/imaging/PixelFormat.h"
#include "platform/imaging/PropertyItem.h"

namespace imaging {

class BitmapLock;
class PixelPool;
struct MakerNoteModel;

inline constexpr int kMaxBitmapSide = 1 << 20;
inline constexpr std::int64_t kMaxBitmapBytes = std::int64_t{8} << 30;
// Largest file the decoder reads into memory.
inline constexpr std::int64_t kMaxImageFileBytes = std::int64_t{2} << 30;

enum class LockMode { Read = 1, Write = 2, ReadWrite = 3 };

class Bitmap {
public:
    // With a pool, a large JPEG's pixels may go into memory an earlier
    // picture gave back (PixelPool.h). A colour JPEG comes out in `layout`
    // (JpegDecoder.h); the rest as Qt decodes them.
    static std::unique_ptr<Bitmap> FromMemory(std::span<const std::uint8_t> data, PixelPool* pool = nullptr,
                                              ColourLayout layout = ColourLayout::Rgb32);
    static std::unique_ptr<Bitmap> FromFile(const std::string& path, PixelPool* pool = nullptr,
                                            ColourLayout layout = ColourLayout::Rgb32);
    // A new bitmap of the size and format, all bytes zero (black, and
    // transparent in formats with alpha). Fails for PixelFormat32bppCMYK.
    // With a pool its pixels may be memory an earlier picture gave back.
    static std::unique_ptr<Bitmap> Create(int width, int height, PixelFormat format, PixelPool* pool = nullptr);
    // The same bitmap with its pixel bytes left as the allocator gives them,
    // for a caller that writes every pixel before anything reads one (the
    // target of a whole-image resize): clearing 72 MB first would be a pass
    // of its own over memory.
    static std::unique_ptr<Bitmap> CreateUninitialised(int width, int height, PixelFormat format);
    // A new bitmap holding the pixels of a QImage (converted when the format
    // asks for another layout), 96 dpi, no properties.
    static std::unique_ptr<Bitmap> FromImage(const QImage& image, PixelFormat format);

    ~Bitmap();
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // The whole bitmap, or a rectangle of it, in the same or another pixel
    // format, with resolution and properties. A rectangle that is empty or
    // not wholly inside the image gives null.
    std::unique_ptr<Bitmap> Clone() const;
    std::unique_ptr<Bitmap> Clone(const Rect& rect, PixelFormat format) const;

    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    PixelFormat GetPixelFormat() const { return format_; }
    double HorizontalResolution() const { return dpiX_; }
    double VerticalResolution() const { return dpiY_; }
    // Positive finite values only; returns false (and changes nothing) else.
    bool SetResolution(double dpiX, double dpiY);

    // 24-bit BGR access to a rectangle, rows padded to 4 bytes. Null when the
    // rectangle is not inside the image, the bitmap is already locked, or
    // memory runs out. Writes reach the bitmap on Unlock.
    std::unique_ptr<BitmapLock> LockBits(const Rect& rect, LockMode mode);

    const std::vector<PropertyItem>& PropertyItems() const { return properties_; }
    const PropertyItem* GetPropertyItem(std::uint32_t id) const;
    // Replaces the item of the same property (PropertyItem::SameProperty), or
    // appends the item.
    void SetPropertyItem(PropertyItem item);
    bool RemovePropertyItem(std::uint32_t id);
    // The model of the maker note that the decoder read with the items
    // (ExifProperties.h); it travels with the maker note's item, so that a
    // copy of the items writes the note laid out anew. Null without one.
    const std::shared_ptr<const MakerNoteModel>& MakerNote() const { return makerNote_; }
    void SetMakerNote(std::shared_ptr<const MakerNoteModel> model) { makerNote_ = std::move(model); }
    // The byte order of the EXIF block the items were read from, in which
    // the encoder writes them again (little-endian for items of no file).
    ExifByteOrder ExifOrder() const { return exifOrder_; }
    void SetExifOrder(ExifByteOrder order) { exifOrder_ = order; }

    // The pixels, for drawing and encoding.
    const QImage& Image() const { return image_; }

private:
    friend class BitmapLock;
    Bitmap(QImage image, PixelFormat format);

    QImage image_;
    PixelFormat format_;
    double dpiX_ = kDefaultDpi;
    double dpiY_ = kDefaultDpi;
    std::vector<PropertyItem> properties_;
    std::shared_ptr<const MakerNoteModel> makerNote_;
    ExifByteOrder exifOrder_ = ExifByteOrder::LittleEndian;
    std::atomic<bool> locked_{false};
};

// The QImage layout that holds pixels of a format (Format_Invalid for CMYK
// and undefined formats).
QImage::Format QImageFormatFor(PixelFormat format);
// The format code for pixels Qt decoded without a header the probes know.
PixelFormat PixelFormatOfImage(const QImage& image);

}  // namespace imaging
