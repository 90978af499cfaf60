// CPaletteItemImg: its passes, the compressed store and the decoded DIB.
#include "browser/cells/PaletteItemImg.h"
#include "platform/files/LocalFileName.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cstring>
#include <functional>
#include <mutex>
#include <span>

#include "browser/cells/DecodedDibCache.h"
#include "browser/cells/ThumbCacheLock.h"
#include "imagefiles/ExifThumbnail.h"
#include "imagefiles/ImageFileNames.h"
#include "imagefiles/PixelFormatProbe.h"
#include "imagefiles/kestrel/Kestrel.h"
#include "imagefiles/kestrel/MemStreams.h"
#include "platform/files/RegularFile.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BmpBitfieldsDecoder.h"
#include "platform/imaging/DecodeBudget.h"
#include "platform/imaging/FlattenOntoWhite.h"
#include "platform/imaging/GifDecoder.h"
#include "platform/imaging/HeaderProbe.h"
#include "platform/imaging/ImageDataCompleteness.h"
#include "platform/imaging/ImageFormatPlugins.h"
#include "platform/imaging/JpegDecoder.h"
#include "platform/imaging/TiffDecoder.h"
#include "platform/memfile/CMemFile.h"

namespace {

// Embedded thumbnails tell the image's size; a wider image (a panorama) is
// not decoded for its thumbnail.
constexpr std::int32_t kMaxDecodedWidth = 12000;
// The most the image reader may allocate for one decode, in megabytes; formats
// that cannot decode at a reduced size are bounded by it.
constexpr int kDecodeAllocationLimitMb = 256;

std::int32_t ClampToInt32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, 0, INT32_MAX));
}

// The colour depth the cell records for a pixel format code.
std::int32_t BitsOfFormat(imaging::PixelFormat format) {
    using namespace imaging;
    switch (format) {
    case PixelFormat1bppIndexed:
        return 1;
    case PixelFormat4bppIndexed:
        return 4;
    case PixelFormat8bppIndexed:
        return 8;
    case PixelFormat16bppRGB555:
    case PixelFormat16bppRGB565:
    case PixelFormat16bppARGB1555:
    case PixelFormat16bppGrayScale:
        return 16;
    case PixelFormat32bppRGB:
        return 32;
    case PixelFormat48bppRGB:
    case PixelFormat64bppARGB:
    case PixelFormat64bppPARGB:
        return 48;
    default:
        return 24;
    }
}

// The layouts the image reader decodes for the document decode for the
// thumbnail too: CMYK pictures (the reader turns them into RGB) as well as
// every indexed, grey, RGB and ARGB one.
bool IsThumbnailDecodable(imaging::PixelFormat format) {
    return IsAcceptedPixelFormat(format) || format == imaging::PixelFormat32bppCMYK;
}

std::filesystem::path FileSystemPath(const QString& path) {
    return std::filesystem::path(platform::LocalFilePath(path));
}

// A nearest-neighbour copy of a 24-bit DIB at another size, at 72 dpi.
DibRef NearestNeighbour(const CDib& source, const QSize& size) {
    DibRef out = AdoptDib(CDib::Create(size.width(), size.height(), 24));
    out->SetDpi(72, 72);
    const std::int64_t sw = source.Width(), sh = source.Height();
    for (int y = 0; y < size.height(); ++y) {
        const std::uint8_t* in = source.Bits() + static_cast<std::size_t>(y * sh / size.height()) * source.Stride();
        std::uint8_t* row = out->Bits() + static_cast<std::size_t>(y) * out->Stride();
        for (int x = 0; x < size.width(); ++x)
            std::memcpy(row + 3 * static_cast<std::size_t>(x), in + 3 * static_cast<std::size_t>(x * sw / size.width()),
                        3);
    }
    return out;
}

// The picture of a whole file, reduced while decoding to about `wanted`
// where the reader can (JPEG). JPEG and GIF files go through the strict
// decoders the document uses, which refuse damaged data.
QImage DecodeWhole(QByteArray& bytes, const QSize& wanted) {
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                             static_cast<std::size_t>(bytes.size()));
    const std::int64_t available = std::min(imaging::AvailableMemoryBytes(), imaging::kMaxBitmapBytes);
    const auto type = imaging::SniffImageFileType(data);
    // A JPEG decodes reduced, so its pixels are few; what grows with the
    // whole picture is libjpeg's coefficient buffer of a multi-scan file
    // (288 MB for a progressive 12000 x 8000 one), which the picture really
    // needs. It gets the document's budget, the memory free now; a header
    // that claims more than the file's coded data holds is still refused.
    if (type == imaging::ImageFileType::Jpeg)
        return imaging::DecodeJpegReduced(data, available, wanted);
    // The others decode whole, within the thumbnail's own limit.
    const std::int64_t wholeBudget = std::min(available, std::int64_t{kDecodeAllocationLimitMb} << 20);
    if (type == imaging::ImageFileType::Gif)
        return imaging::DecodeGif(data, wholeBudget);
    // TIFF and colour-mask BMP files through the same readers as the document,
    // so a file that opens also gets its thumbnail; a TIFF of samples libtiff's
    // reader does not take (floating point) goes on to Qt's reader below.
    if (type == imaging::ImageFileType::Tiff) {
        bool otherSamples = false;
        QImage image = imaging::DecodeTiff(data, wholeBudget, imaging::AllocateImage, &otherSamples);
        if (!otherSamples)
            return image;
    }
    if (imaging::IsBitfieldsBmp(data))
        return imaging::DecodeBmpBitfields(data, wholeBudget);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    imaging::LoadImageFormatPlugins();
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    reader.setAllocationLimit(kDecodeAllocationLimitMb);
    if (wanted.isValid() && wanted != reader.size())
        reader.setScaledSize(wanted);
    return reader.read();
}

// The whole image decoded at about twice the thumbnail size (the reader
// reduces JPEG files while decoding them), then area-averaged to the
// thumbnail size. Null when the file cannot be decoded within the limit or
// ends before its image data does, as the document and the batch refuse it.
DibRef DecodeForThumbnail(const QString& path, const QSize& imageSize, const QSize& thumb) {
    QFile file;
    if (!platform::OpenRegularFile(file, path) || file.size() > imaging::kMaxImageFileBytes)
        return nullptr;
    QByteArray bytes = file.readAll();
    file.close();
    if (!imaging::ImageDataIsComplete(
            {reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())}))
        return nullptr;
    QSize wanted;
    if (imageSize.isValid())
        wanted =
            QSize(std::min(imageSize.width(), 2 * thumb.width()), std::min(imageSize.height(), 2 * thumb.height()));
    const QImage decoded = imaging::FlattenOntoWhite(DecodeWhole(bytes, wanted));
    if (decoded.isNull())
        return nullptr;
    const QImage bgr = decoded.convertToFormat(QImage::Format_BGR888);
    if (bgr.isNull())
        return nullptr;
    DibRef dib = AdoptDib(CDib::Create(bgr.width(), bgr.height(), 24));
    for (int y = 0; y < bgr.height(); ++y)
        std::memcpy(dib->TopDownRow(y), bgr.constScanLine(y), static_cast<std::size_t>(bgr.width()) * 3);
    if (dib->Stretch(thumb.width(), thumb.height()) && dib->Width() == thumb.width() && dib->Height() == thumb.height())
        return dib;
    return NearestNeighbour(*dib, thumb);
}

}  // namespace

DibRef AdoptDib(CDib* dib) {
    return DibRef(dib, [](CDib* d) {
        if (d != nullptr)
            d->Release();
    });
}

CPaletteItemImg::CPaletteItemImg() {
    m_nImageWidth = 0;
    m_nImageHeight = 0;
    m_nBitsPerPixel = 0;
}

CPaletteItemImg::~CPaletteItemImg() {
    // Nobody else can reach the cell now; its DIB must not stay behind in the
    // cache taking the place of a live cell's.
    try {
        std::lock_guard lock(g_csThumbCache);
        ForgetDecodedDib();
    } catch (...) {
    }
}

void CPaletteItemImg::ForgetDecodedDib() {
    if (const DibRef decoded = m_pDecodedDib.lock())
        g_DecodedDibs.Forget(decoded.get());
    m_pDecodedDib.reset();
}

QSize CPaletteItemImg::FitThumbSize(std::int64_t w, std::int64_t h) {
    if (w == 0 || h == 0)
        return {10, 10};
    // A picture far narrower than the box (4 x 2000) still gets a side of
    // one pixel: a side of 0 would give no thumbnail at all.
    if (h * kThumbBoxWidth < w * kThumbBoxHeight)
        return {kThumbBoxWidth, static_cast<int>(std::max<std::int64_t>(1, h * kThumbBoxWidth / w))};
    return {static_cast<int>(std::max<std::int64_t>(1, w * kThumbBoxHeight / h)), kThumbBoxHeight};
}

std::shared_ptr<const CByteBlock> CPaletteItemImg::CompressThumbnail(const CDib& dib) {
    platform::CMemFile file;
    OSSStream stream(file);
    {
        std::unique_ptr<Kestrel::Coder, Kestrel::CoderDeleter> coder(
            Kestrel::CreateCoder(stream, static_cast<std::uint32_t>(dib.Width()),
                                 static_cast<std::uint32_t>(dib.Height()), true, 90, false, false, 2, 300, 300));
        if (!coder)
            throw std::bad_alloc();
        // Rows in memory order, bytes as they are: the JPEG holds the image
        // upside down with red and blue exchanged, as GetDib reads it back.
        for (int i = 0; i < dib.Height(); ++i)
            coder->WriteLine(dib.Bits() + static_cast<std::size_t>(i) * dib.Stride());
    }
    file.Flush();
    return std::make_shared<const CByteBlock>(file.Detach());
}

std::optional<ThumbnailBuild> CPaletteItemImg::BuildThumbnail(const QString& path, bool better) const {
    ThumbnailBuild build;
    {
        std::lock_guard lock(g_csThumbCache);
        build.imageWidth = m_nImageWidth;
        build.imageHeight = m_nImageHeight;
        build.bitsPerPixel = m_nBitsPerPixel;
        build.thumbWidth = m_nThumbWidth;
        build.thumbHeight = m_nThumbHeight;
        build.complete = m_bComplete;
        build.soundNote = m_bSoundNote;
    }
    if (!IsSupportedImageExtension(path))
        return std::nullopt;
    // A named pipe or a device is never opened: it could block for ever.
    if (platform::KindOfFile(path) != platform::FileKind::Regular)
        return std::nullopt;
    if (better && build.complete)
        return build;  // no DIB: the complete thumbnail stays

    build.soundNote = HasSoundNote(path);
    QSize thumb = build.imageWidth != 0 ? FitThumbSize(build.imageWidth, build.imageHeight)
                                        : QSize(kThumbBoxWidth, kThumbBoxHeight);
    if (!better) {
        ThumbnailBox box{thumb.width(), thumb.height()};
        int w = build.imageWidth, h = build.imageHeight;
        PackedDib packed;
        try {
            packed = ReadJpegExifThumbnail(FileSystemPath(path), box, w, h);
        } catch (...) {
        }
        if (!packed) {
            try {
                packed = ReadTiffExifThumbnail(FileSystemPath(path), box, w, h);
            } catch (...) {
            }
        }
        build.imageWidth = w;
        build.imageHeight = h;
        if (packed) {
            try {
                build.dib = AdoptDib(CDib::CreateFromInfo(std::move(packed)));
            } catch (const std::exception&) {
                build.dib = nullptr;
            }
        }
        if (build.dib) {
            const QSize fitted = FitThumbSize(build.dib->Width(), build.dib->Height());
            build.thumbWidth = fitted.width();
            build.thumbHeight = fitted.height();
            if (build.bitsPerPixel == 0)
                build.bitsPerPixel = 24;
            build.complete = false;
            build.jpeg = CompressThumbnail(*build.dib);
            return build;
        }
    }

    // The whole image.
    if (build.imageWidth > kMaxDecodedWidth)
        return std::nullopt;
    const std::optional<imaging::ImageHeader> header = ProbeImageFileHeader(path);
    if (!header || !IsThumbnailDecodable(header->pixelFormat))
        return std::nullopt;
    try {
        build.bitsPerPixel = BitsOfFormat(header->pixelFormat);
        // The image's size comes from its header, never from the reduced decode.
        if (build.imageWidth == 0) {
            build.imageWidth = ClampToInt32(header->width);
            build.imageHeight = ClampToInt32(header->height);
        }
        thumb = FitThumbSize(build.imageWidth, build.imageHeight);
        const QSize imageSize(ClampToInt32(std::min<std::int64_t>(header->width, imaging::kMaxBitmapSide)),
                              ClampToInt32(std::min<std::int64_t>(header->height, imaging::kMaxBitmapSide)));
        build.dib = DecodeForThumbnail(path, imageSize, thumb);
    } catch (...) {
        return std::nullopt;
    }
    if (!build.dib)
        return std::nullopt;
    build.thumbWidth = thumb.width();
    build.thumbHeight = thumb.height();
    build.complete = true;
    build.jpeg = CompressThumbnail(*build.dib);
    return build;
}

void CPaletteItemImg::AdoptThumbnail(ThumbnailBuild&& build) {
    std::lock_guard lock(g_csThumbCache);
    m_nLabelScroll = 0;
    m_bLabelScrolls = false;
    if (!build.dib)
        return;
    ++m_nRecordRevision;
    m_nImageWidth = build.imageWidth;
    m_nImageHeight = build.imageHeight;
    m_nBitsPerPixel = build.bitsPerPixel;
    m_nThumbWidth = build.thumbWidth;
    m_nThumbHeight = build.thumbHeight;
    m_bComplete = build.complete;
    m_bSoundNote = build.soundNote;
    // The pass's DIB goes with the build: drawing decodes the JPEG, so a cell
    // shows the same pixels whether or not its DIB was dropped meanwhile.
    ForgetDecodedDib();
    m_pJpeg = std::move(build.jpeg);
    m_pDib = m_pJpeg ? nullptr : std::move(build.dib);
}

bool CPaletteItemImg::LoadThumbnail(const QString& path, bool better, CProgress*) {
    std::optional<ThumbnailBuild> build = BuildThumbnail(path, better);
    std::lock_guard lock(g_csThumbCache);
    if (!build) {
        if (!better) {
            ++m_nRecordRevision;
            ForgetDecodedDib();
            m_pDib = nullptr;
            m_pJpeg = nullptr;
        }
        m_nLabelScroll = 0;
        m_bLabelScrolls = false;
        return false;
    }
    AdoptThumbnail(std::move(*build));
    return true;
}

namespace {

std::mutex g_decodeObserverMutex;
std::function<void()> g_decodeObserver;  // guarded by g_decodeObserverMutex

}  // namespace

void SetThumbDecodeObserver(std::function<void()> observer) {
    std::lock_guard lock(g_decodeObserverMutex);
    g_decodeObserver = std::move(observer);
}

DibRef CPaletteItemImg::DecodeUnlocked(const std::shared_ptr<const CByteBlock>& jpeg, std::int32_t thumbWidth,
                                       std::int32_t thumbHeight) {
    std::function<void()> observer;
    {
        std::lock_guard lock(g_decodeObserverMutex);
        observer = g_decodeObserver;
    }
    if (observer)
        observer();
    return DecodeJpeg(*jpeg, thumbWidth, thumbHeight);
}

DibRef CPaletteItemImg::DecodeJpeg(const CByteBlock& jpeg, std::int32_t thumbWidth, std::int32_t thumbHeight) {
    if (thumbWidth < 1 || thumbWidth > kThumbBoxWidth || thumbHeight < 1 || thumbHeight > kThumbBoxHeight)
        return nullptr;
    try {
        const auto bytes = jpeg.Bytes();
        ISSStreamMem stream(bytes.data(), bytes.size());
        std::uint32_t width = 0, height = 0;
        bool colour = false;
        std::unique_ptr<Kestrel::Decoder, Kestrel::DecoderDeleter> decoder(
            Kestrel::CreateDecoder(stream, &width, &height, &colour, nullptr, nullptr, nullptr));
        if (!decoder || !colour || width < 1 || width > kThumbBoxWidth || height < 1 || height > kThumbBoxHeight)
            return nullptr;
        DibRef dib = AdoptDib(CDib::Create(thumbWidth, thumbHeight, 24));
        dib->Header()->biXPelsPerMeter = dib->Header()->biYPelsPerMeter = 2835;
        std::memset(dib->Bits(), 0, dib->Stride() * static_cast<std::size_t>(thumbHeight));
        const int rows = std::min<int>(static_cast<int>(height), thumbHeight);
        const std::size_t columns = std::min<std::size_t>(width, static_cast<std::size_t>(thumbWidth));
        for (int i = 0; i < rows; ++i)
            std::memcpy(dib->Bits() + static_cast<std::size_t>(i) * dib->Stride(), decoder->ReadLine(), columns * 3);
        return dib;
    } catch (...) {
        return nullptr;
    }
}

DibRef CPaletteItemImg::GetDib() {
    std::shared_ptr<const CByteBlock> jpeg;
    std::int32_t width = 0, height = 0;
    {
        std::lock_guard lock(g_csThumbCache);
        if (m_pDib || !m_pJpeg)
            return m_pDib;
        if (DibRef decoded = m_pDecodedDib.lock()) {
            g_DecodedDibs.Touch(decoded);
            return decoded;
        }
        jpeg = m_pJpeg;
        width = m_nThumbWidth;
        height = m_nThumbHeight;
    }
    DibRef dib = DecodeUnlocked(jpeg, width, height);
    std::lock_guard lock(g_csThumbCache);
    // Another drawing or the decoder ahead may have been quicker: one DIB.
    if (DibRef decoded = m_pDecodedDib.lock()) {
        g_DecodedDibs.Touch(decoded);
        return decoded;
    }
    // A new thumbnail that came in meanwhile is decoded at the next drawing;
    // this one shows the picture it was asked for.
    if (dib && m_pJpeg == jpeg && m_nThumbWidth == width && m_nThumbHeight == height) {
        g_DecodedDibs.Touch(dib);
        m_pDecodedDib = dib;
    }
    return dib;
}

bool CPaletteItemImg::DecodeAhead() {
    std::shared_ptr<const CByteBlock> jpeg;
    std::int32_t width = 0, height = 0;
    {
        std::lock_guard lock(g_csThumbCache);
        if (m_pDib || !m_pJpeg || !m_pDecodedDib.expired())
            return false;
        jpeg = m_pJpeg;
        width = m_nThumbWidth;
        height = m_nThumbHeight;
    }
    DibRef dib = DecodeUnlocked(jpeg, width, height);
    std::lock_guard lock(g_csThumbCache);
    // A new thumbnail came in, or a drawing decoded it first.
    if (!dib || m_pJpeg != jpeg || m_nThumbWidth != width || m_nThumbHeight != height || !m_pDecodedDib.expired())
        return false;
    g_DecodedDibs.Touch(dib);
    m_pDecodedDib = dib;
    return true;
}

bool CPaletteItemImg::HoldsDib() const {
    std::lock_guard lock(g_csThumbCache);
    return m_pDib || !m_pDecodedDib.expired();
}

bool CPaletteItemImg::HasThumbnailData() const {
    std::lock_guard lock(g_csThumbCache);
    return m_pDib || m_pJpeg;
}

bool CPaletteItemImg::IsComplete() const {
    std::lock_guard lock(g_csThumbCache);
    return m_bComplete;
}

std::shared_ptr<const CByteBlock> CPaletteItemImg::Jpeg() const {
    std::lock_guard lock(g_csThumbCache);
    return m_pJpeg;
}

void CPaletteItemImg::CopyInfoFrom(const CPaletteItemImg& other) {
    std::lock_guard lock(g_csThumbCache);
    m_nImageWidth = other.m_nImageWidth;
    m_nImageHeight = other.m_nImageHeight;
    m_nBitsPerPixel = other.m_nBitsPerPixel;
    m_nReserved1 = other.m_nReserved1;
    m_nReserved2 = other.m_nReserved2;
    m_nThumbWidth = other.m_nThumbWidth;
    m_nThumbHeight = other.m_nThumbHeight;
    m_strMarkS = other.m_strMarkS;
    m_strMarkF = other.m_strMarkF;
}

void CPaletteItemImg::CopyJpegFrom(const CPaletteItemImg& other) {
    std::lock_guard lock(g_csThumbCache);
    if (!other.m_pJpeg)
        return;
    ForgetDecodedDib();
    m_pJpeg = other.m_pJpeg;  // blocks never change: sharing is copying
    m_pDib = nullptr;
}
