#include "core/saving/SaveImage.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

#include <QString>

#include "platform/files/LocalFileName.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/DrawImage.h"
#include "platform/imaging/ImageEncoder.h"
#include "platform/imaging/PropertyItem.h"
#include "platform/prompt/Prompt.h"

using imaging::Bitmap;
using imaging::PropertyItem;

namespace {

// The image encoders in the order the imaging layer lists them.
constexpr std::array<const char*, 5> kEncoders = {"image/bmp", "image/jpeg", "image/gif", "image/tiff", "image/png"};

constexpr std::uint32_t kTagXResolution = 282, kTagYResolution = 283, kTagResolutionUnit = 296;
constexpr std::uint32_t kTagPixelXDimension = 40962, kTagPixelYDimension = 40963;
constexpr std::uint32_t kTagResolutionXUnit = 20481, kTagResolutionYLengthUnit = 20484;

constexpr char kSoftware[] = "ORVEK Vespera";
constexpr int kThumbnailQuality = 75;
// An EXIF block in a JPEG lives in one APP1 segment: 65535 bytes less the
// segment's length field and the "Exif\0\0" signature.
constexpr std::size_t kMaxJpegExifBytes = 65535 - 2 - 6;

bool IsResolutionTag(std::uint32_t id) {
    return id == kTagXResolution || id == kTagYResolution || id == kTagResolutionUnit ||
           (id >= kTagResolutionXUnit && id <= kTagResolutionYLengthUnit);
}

PropertyItem ShortItem(std::uint32_t id, std::uint16_t value) {
    return {
        id, imaging::PropertyTypeShort, 1, {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)}};
}

PropertyItem LongItem(std::uint32_t id, std::uint32_t value) {
    return {id,
            imaging::PropertyTypeLong,
            1,
            {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
             static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)}};
}

PropertyItem Rational(std::uint32_t id, std::uint32_t numerator, std::uint32_t denominator) {
    PropertyItem item{id, imaging::PropertyTypeRational, 1, std::vector<std::uint8_t>(8)};
    for (int i = 0; i < 4; ++i) {
        item.value[i] = static_cast<std::uint8_t>(numerator >> (8 * i));
        item.value[4 + i] = static_cast<std::uint8_t>(denominator >> (8 * i));
    }
    return item;
}

// The EXIF block states the target resolution too, as the file header does:
// in dots per inch, as a reduced fraction of ten-thousandths.
void SetExifResolution(Bitmap& bitmap, float dpi) {
    if (!(dpi > 0.0f) || dpi > 100000.0f)
        return;
    std::uint32_t numerator = static_cast<std::uint32_t>(std::lround(double{dpi} * 10000.0)), denominator = 10000;
    const std::uint32_t divisor = std::gcd(numerator, denominator);
    numerator /= divisor;
    denominator /= divisor;
    bitmap.SetPropertyItem(Rational(kTagXResolution, numerator, denominator));
    bitmap.SetPropertyItem(Rational(kTagYResolution, numerator, denominator));
    bitmap.SetPropertyItem(ShortItem(kTagResolutionUnit, 2));
}

// The largest size of a w x h image's aspect inside the box bw x bh, rounded,
// each side at least 1.
ThumbnailSize FitAspect(std::int64_t w, std::int64_t h, std::int64_t bw, std::int64_t bh) {
    w = std::max<std::int64_t>(w, 1);
    h = std::max<std::int64_t>(h, 1);
    if (w * bh >= h * bw)
        return {static_cast<int>(bw), static_cast<int>(std::max<std::int64_t>(1, (bw * h * 2 + w) / (2 * w)))};
    return {static_cast<int>(std::max<std::int64_t>(1, (bh * w * 2 + h) / (2 * h))), static_cast<int>(bh)};
}

// Tags that describe how a file stores its pixels (size, samples,
// compression, strips): a source's describe the source's data, never the
// saved file's, which its writer states itself.
bool IsStructureTag(std::uint32_t id) {
    switch (id) {
    case 256:
    case 257:
    case 258:
    case 259:
    case 262:
    case 273:
    case 277:
    case 278:
    case 279:
    case 284:
    case 513:
    case 514:
        return true;
    default:
        return false;
    }
}

// Copies the source's items onto the bitmap; returns whether the source had
// any and whether one was the thumbnail.
struct CopiedMetadata {
    bool any = false;
    bool thumbnail = false;
};

CopiedMetadata CopyProperties(Bitmap& bitmap, const Bitmap& source) {
    CopiedMetadata copied;
    for (const PropertyItem& item : source.PropertyItems()) {
        copied.any = true;
        if (IsResolutionTag(item.id) || IsStructureTag(item.id))
            continue;
        if (item.id == imaging::PropertyTagThumbnailData)
            copied.thumbnail = true;
        bitmap.SetPropertyItem(item);
    }
    // The maker note travels in its layout model, which its writer lays out
    // anew at the note's new place.
    bitmap.SetMakerNote(source.MakerNote());
    // The EXIF block keeps its source's byte order, which a maker note's
    // own values may depend on.
    bitmap.SetExifOrder(source.ExifOrder());
    // The sizes the metadata states are the saved image's, not the source's.
    const auto w = static_cast<std::uint32_t>(bitmap.Width()), h = static_cast<std::uint32_t>(bitmap.Height());
    for (auto [id, value] : {std::pair{kTagPixelXDimension, w}, std::pair{kTagPixelYDimension, h}})
        if (bitmap.GetPropertyItem(id) != nullptr)
            bitmap.SetPropertyItem(LongItem(id, value));
    return copied;
}

// A rough upper bound of the EXIF block that the bitmap's items make:
// every entry with its value outside the entry, and the directories around.
std::size_t ExifBlockEstimate(const Bitmap& bitmap) {
    std::size_t bytes = 8 + 6 * (2 + 4) + 4 * 12;  // header, five directories, their pointers
    for (const PropertyItem& item : bitmap.PropertyItems())
        bytes += 12 + (item.value.size() > 4 ? item.value.size() + 1 : 0);
    return bytes;
}

// The saved image scaled to w x h and encoded as JPEG.
bool EncodeThumbnail(const Bitmap& bitmap, int w, int h, std::vector<std::uint8_t>& jpeg) {
    const auto thumbnail = imaging::ScaledCopy(bitmap, w, h);
    if (!thumbnail)
        return false;
    imaging::EncoderParameters parameters;
    parameters.quality = kThumbnailQuality;
    return imaging::EncodeBitmap(*thumbnail, "image/jpeg", parameters, jpeg);
}

void RemoveThumbnail(Bitmap& bitmap) {
    for (std::uint32_t id : {imaging::PropertyTagThumbnailData, imaging::PropertyTagThumbnailCompression,
                             imaging::PropertyTagThumbnailWidth, imaging::PropertyTagThumbnailHeight,
                             imaging::PropertyTagThumbnailImageWidth, imaging::PropertyTagThumbnailImageHeight,
                             imaging::PropertyTagThumbnailResolutionX, imaging::PropertyTagThumbnailResolutionY})
        bitmap.RemovePropertyItem(id);
}

// Replaces the copied thumbnail by one made from the saved image. In a JPEG
// the whole EXIF block must fit one segment: the thumbnail is made smaller
// until it does, or left out.
void RebuildThumbnail(Bitmap& bitmap, const Bitmap& source, bool jpegFile) {
    ThumbnailSize size = RebuiltThumbnailSize(source.Width(), source.Height(), bitmap.Width(), bitmap.Height());
    RemoveThumbnail(bitmap);
    const std::size_t withoutThumbnail = ExifBlockEstimate(bitmap) + 6 * 12 + 16;
    for (;;) {
        std::vector<std::uint8_t> jpeg;
        if (!EncodeThumbnail(bitmap, size.width, size.height, jpeg))
            return;
        if (!jpegFile || withoutThumbnail + jpeg.size() <= kMaxJpegExifBytes) {
            const auto length = static_cast<std::uint32_t>(jpeg.size());
            bitmap.SetPropertyItem(
                {imaging::PropertyTagThumbnailData, imaging::PropertyTypeByte, length, std::move(jpeg)});
            bitmap.SetPropertyItem(ShortItem(imaging::PropertyTagThumbnailCompression, 6));
            bitmap.SetPropertyItem(
                ShortItem(imaging::PropertyTagThumbnailWidth, static_cast<std::uint16_t>(size.width)));
            bitmap.SetPropertyItem(
                ShortItem(imaging::PropertyTagThumbnailHeight, static_cast<std::uint16_t>(size.height)));
            bitmap.SetPropertyItem(Rational(imaging::PropertyTagThumbnailResolutionX, 1, 1));
            bitmap.SetPropertyItem(Rational(imaging::PropertyTagThumbnailResolutionY, 1, 1));
            return;
        }
        if (size.width <= 8 && size.height <= 8)
            return;  // no thumbnail rather than a block that does not fit
        size = FitAspect(bitmap.Width(), bitmap.Height(), std::max(1, size.width * 3 / 4),
                         std::max(1, size.height * 3 / 4));
    }
}

std::string UpperExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::toupper(c); });
    return ext;
}

}  // namespace

std::string MimeTypeForPath(const std::string& path) {
    const std::string ext = UpperExtension(path);
    // JPEG and TIFF files go by their four-letter extensions too, as usual on Linux.
    if (ext == ".JPG" || ext == ".JPEG")
        return "image/jpeg";
    if (ext == ".BMP")
        return "image/bmp";
    if (ext == ".GIF")
        return "image/gif";
    if (ext == ".TIF" || ext == ".TIFF")
        return "image/tiff";
    if (ext == ".PNG")
        return "image/png";
    return {};
}

int FindEncoderClsid(const std::string& mimeType, EncoderClsid& clsid) {
    for (std::size_t i = 0; i < kEncoders.size(); ++i)
        if (mimeType == kEncoders[i] && imaging::HasEncoder(mimeType)) {
            clsid.mimeType = mimeType;
            return static_cast<int>(i);
        }
    return -1;
}

ThumbnailSize RebuiltThumbnailSize(int sourceWidth, int sourceHeight, int savedWidth, int savedHeight) {
    return FitAspect(savedWidth, savedHeight, std::max(sourceWidth / 20, 2), std::max(sourceHeight / 20, 2));
}

bool SaveImageWithEncoder(Bitmap* bitmap, const std::string& path, int quiet, const Bitmap* source, int quality,
                          float dpi, std::string* failure, const std::function<bool()>& stopRequested) {
    const std::string mimeType = MimeTypeForPath(path);
    EncoderClsid clsid;
    if (bitmap == nullptr || mimeType.empty() || FindEncoderClsid(mimeType, clsid) < 0)
        return false;

    if (source != nullptr) {
        const CopiedMetadata copied = CopyProperties(*bitmap, *source);
        if (copied.any)
            bitmap->SetPropertyItem({imaging::PropertyTagSoftwareUsed, imaging::PropertyTypeASCII,
                                     static_cast<std::uint32_t>(std::strlen(kSoftware)),
                                     std::vector<std::uint8_t>(kSoftware, kSoftware + std::strlen(kSoftware))});
        if (copied.any)
            SetExifResolution(*bitmap, dpi);
        // Only JPEG and TIFF files carry the thumbnail (a PNG's EXIF has none).
        const bool carriesThumbnail = mimeType == "image/jpeg" || mimeType == "image/tiff";
        if (carriesThumbnail && copied.thumbnail && source->Width() > 200 && source->Height() > 200)
            RebuildThumbnail(*bitmap, *source, mimeType == "image/jpeg");
    }
    bitmap->SetResolution(dpi, dpi);

    imaging::EncoderParameters parameters;
    if (mimeType == "image/jpeg")
        parameters.quality = quality;
    std::string why;
    if (imaging::SaveBitmapToFile(*bitmap, path, clsid.mimeType, parameters, &why, stopRequested))
        return true;
    if (failure != nullptr)
        *failure = why;
    // A stopped write was asked for: nothing to tell.
    if (!quiet && !(stopRequested && stopRequested())) {
        // The path's bytes, shown readably also when they are not UTF-8.
        const QString shown = platform::DisplayFileName(platform::FileNameFromLocal(QByteArray::fromStdString(path)));
        QString text = QString("Can't save file %1.").arg(shown);
        if (!why.empty())
            text += u'\n' + QString::fromStdString(why);
        platform::Ask(platform::PromptIcon::Warning, platform::PromptButtons::Ok, text);
    }
    return false;
}
