#include "platform/imaging/ExifProperties.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>
#include <string>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QLoggingCategory>

#include <exiv2/exiv2.hpp>

#include "platform/imaging/ExifBlock.h"
#include "platform/imaging/HeaderProbe.h"
#include "platform/imaging/IccProfile.h"
#include "platform/imaging/ImageFormatPlugins.h"
#include "platform/imaging/JpegSegments.h"
#include "platform/imaging/PngChunks.h"
#include "platform/imaging/TiffByteOrder.h"
#include "platform/imaging/XmpPacket.h"

Q_LOGGING_CATEGORY(lcImaging, "vespera.imaging")

namespace imaging {

struct MakerNoteModel {
    std::vector<std::uint8_t> raw;  // the item's bytes this model was read with
    Exiv2::ExifData entries;        // the note in Exiv2's model; empty for a maker Exiv2 does not know
    bool relocatable = false;       // an unknown note whose raw bytes can be moved
};

namespace {

struct ThumbnailTag {
    std::uint16_t ifd1;
    std::uint32_t id;
};

// IFD1 tags and their thumbnail ids.
constexpr ThumbnailTag kThumbnailTags[] = {
    {0x0100, 0x5020}, {0x0101, 0x5021}, {0x0102, 0x5022}, {0x0103, 0x5023}, {0x0106, 0x5024}, {0x010E, 0x5025},
    {0x010F, 0x5026}, {0x0110, 0x5027}, {0x0111, 0x5028}, {0x0112, 0x5029}, {0x0115, 0x502A}, {0x0116, 0x502B},
    {0x0117, 0x502C}, {0x011A, 0x502D}, {0x011B, 0x502E}, {0x011C, 0x502F}, {0x0128, 0x5030}, {0x012D, 0x5031},
    {0x0131, 0x5032}, {0x0132, 0x5033}, {0x013B, 0x5034}, {0x013E, 0x5035}, {0x013F, 0x5036}, {0x0211, 0x5037},
    {0x0212, 0x5038}, {0x0213, 0x5039}, {0x0214, 0x503A}, {0x8298, 0x503B},
};

constexpr std::uint32_t kGpsIfdPointer = 0x8825;
constexpr std::uint32_t kInteropIfdPointer = 0xA005;
// Photoshop's image resources in a TIFF: they describe the source (its
// resolution, its own thumbnail); the IPTC records inside are read apart.
constexpr std::uint32_t kPhotoshopResources = 0x8649;

bool IsOffsetTag(std::uint32_t id) {
    return id == kExifIfdPointerTag || id == kGpsIfdPointer || id == kInteropIfdPointer || id == 0x0201 ||
           id == 0x0202 || id == 0x014A;
}

// Tags that describe a file's own pixel data (size, samples, compression,
// strips or tiles): they never pass from a source to another file.
bool IsImageLayoutTag(std::uint32_t id) {
    switch (id) {
    case 0x00FE:
    case 0x0100:
    case 0x0101:
    case 0x0102:
    case 0x0103:
    case 0x0106:
    case 0x0111:
    case 0x0115:
    case 0x0116:
    case 0x0117:
    case 0x011C:
    case 0x013D:
    case 0x0140:
    case 0x0142:
    case 0x0143:
    case 0x0144:
    case 0x0145:
    case 0x0152:
    case 0x0153:
        return true;
    default:
        return false;
    }
}

// EXIF tags that only describe compressed data: a TIFF has none of them.
bool IsCompressedDataTag(std::uint32_t id) { return id == 0x9101 || id == 0x9102 || id == 0xA002 || id == 0xA003; }

// Items that are written as packets of their own, not as EXIF tags.
bool IsPacketItem(std::uint32_t id) {
    return id == PropertyTagXmpPacket || id == PropertyTagIptc || id == PropertyTagICCProfile ||
           id == kPhotoshopResources;
}

// The tags a save sets itself whatever the source had: the Software tag
// and the resolution.
bool IsWrittenBySaving(std::uint32_t id) {
    return id == PropertyTagSoftwareUsed || id == 0x011A || id == 0x011B || id == 0x0128;
}

bool KnownInGroup(std::uint32_t tag, const char* group) {
    const Exiv2::TagInfo* info = Exiv2::ExifTags::tagList(group);
    for (; info && info->tag_ != 0xFFFF; ++info)
        if (info->tag_ == tag)
            return true;
    return false;
}

// Exiv2's group of a tag outside the GPS directory: the directory the item
// came from, else the one that defines its id.
const char* DirectoryGroup(const PropertyItem& item) {
    if (item.directory == PropertyDirectory::Image)
        return "Image";
    if (item.directory == PropertyDirectory::Exif)
        return "Photo";
    return KnownInGroup(item.id, "Photo") ? "Photo" : "Image";
}

// The directory of the items read from an Exiv2 group of the main image's
// EXIF data; none for the thumbnail's, the maker note's and the groups of
// other images in the file (a TIFF's sub-images: their tags describe pixel
// data the output does not have).
std::optional<PropertyDirectory> DirectoryOfGroup(const std::string& group) {
    if (group == "Image")
        return PropertyDirectory::Image;
    if (group == "Photo")
        return PropertyDirectory::Exif;
    if (group == "GPSInfo")
        return PropertyDirectory::Gps;
    if (group == "Iop")
        return PropertyDirectory::Interop;
    return std::nullopt;
}

PropertyItem ItemOf(const Exiv2::Exifdatum& datum, std::uint32_t id,
                    PropertyDirectory directory = PropertyDirectory::ById) {
    PropertyItem item;
    item.id = id;
    item.directory = directory;
    item.type = static_cast<std::uint16_t>(datum.typeId());
    item.count = static_cast<std::uint32_t>(std::max(0L, datum.count()));
    const long size = datum.size();
    if (size > 0) {
        item.value.resize(static_cast<std::size_t>(size));
        datum.copy(item.value.data(), Exiv2::littleEndian);
    }
    return item;
}

PropertyItem BlockItem(std::uint32_t id, PropertyType type, const std::uint8_t* data, std::size_t size) {
    return {id, type, static_cast<std::uint32_t>(size), std::vector<std::uint8_t>(data, data + size)};
}

const PropertyItem* FindItem(const std::vector<PropertyItem>& items, std::uint32_t id) {
    for (const auto& item : items)
        if (item.id == id)
            return &item;
    return nullptr;
}

// The model of the file's maker note: Exiv2's entries when it knows the
// maker, else whether the raw bytes may move.
std::shared_ptr<const MakerNoteModel> ReadMakerNote(std::span<const std::uint8_t> file, const Exiv2::ExifData& exif,
                                                    PropertyItem& item) {
    auto model = std::make_shared<MakerNoteModel>();
    for (const auto& datum : exif)
        if (Exiv2::ExifTags::isMakerGroup(datum.groupName()) || datum.groupName() == "MakerNote")
            model->entries.add(datum);
    RawMakerNoteBytes raw = FindRawMakerNote(FindExifTiffBlock(file));
    if (!raw.bytes.empty()) {
        item.value = raw.bytes;
        item.count = static_cast<std::uint32_t>(raw.bytes.size());
        item.type = PropertyTypeUndefined;
        model->relocatable = MakerNoteIsRelocatable(raw.bytes, raw.offset, raw.bigEndian);
    }
    model->raw = item.value;
    return model;
}

}  // namespace

void InitializeImaging() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        // The XMP toolkit is not thread-safe by itself: every call into it
        // takes this lock.
        static std::recursive_mutex xmpLock;
        Exiv2::XmpParser::initialize(
            [](void* lock, bool lockUnlock) {
                auto* mutex = static_cast<std::recursive_mutex*>(lock);
                if (lockUnlock)
                    mutex->lock();
                else
                    mutex->unlock();
            },
            &xmpLock);
        // The namespace that names a JPEG's extended XMP, unknown to Exiv2.
        Exiv2::XmpProperties::registerNs("http://ns.adobe.com/xmp/note/", "xmpNote");
    });
}

std::uint32_t ThumbnailIdOfIfd1Tag(std::uint32_t tag) {
    for (const auto& t : kThumbnailTags)
        if (t.ifd1 == tag)
            return t.id;
    return 0;
}

std::uint32_t Ifd1TagOfThumbnailId(std::uint32_t id) {
    if (id == PropertyTagThumbnailWidth)
        return 0x0100;
    if (id == PropertyTagThumbnailHeight)
        return 0x0101;
    for (const auto& t : kThumbnailTags)
        if (t.id == id)
            return t.ifd1;
    return 0;
}

namespace {

// Reads the metadata of a JPEG, TIFF or PNG file; Exiv2 throws for
// malformed metadata.
void ReadMetadataOf(std::span<const std::uint8_t> file, ImageMetadata& metadata) {
    auto& items = metadata.items;
    auto image = Exiv2::ImageFactory::open(file.data(), static_cast<long>(file.size()));
    if (!image.get())
        return;
    image->readMetadata();
    if (image->byteOrder() == Exiv2::bigEndian)
        metadata.byteOrder = ExifByteOrder::BigEndian;
    const Exiv2::ExifData& exif = image->exifData();
    for (const auto& datum : exif) {
        const std::string group = datum.groupName();
        const std::uint32_t tag = datum.tag();
        if (const auto directory = DirectoryOfGroup(group)) {
            if (group == "Image" && IsPacketItem(tag))
                continue;  // read as packets below
            items.push_back(ItemOf(datum, tag, *directory));
            if (tag == kMakerNoteTag && group == "Photo")
                metadata.makerNote = ReadMakerNote(file, exif, items.back());
        } else if (group == "Thumbnail") {
            if (const std::uint32_t id = ThumbnailIdOfIfd1Tag(tag))
                items.push_back(ItemOf(datum, id));
        }
    }
    Exiv2::ExifThumbC thumb(exif);
    const Exiv2::DataBuf data = thumb.copy();
    if (data.size_ > 0 && data.pData_)
        items.push_back(BlockItem(PropertyTagThumbnailData, PropertyTypeByte, data.pData_, data.size_));

    const std::string& xmp = image->xmpPacket();
    if (!xmp.empty())
        items.push_back(BlockItem(PropertyTagXmpPacket, PropertyTypeByte,
                                  reinterpret_cast<const std::uint8_t*>(xmp.data()), xmp.size()));
    if (!image->iptcData().empty()) {
        const Exiv2::DataBuf iptc = Exiv2::IptcParser::encode(image->iptcData());
        if (iptc.size_ > 0)
            items.push_back(BlockItem(PropertyTagIptc, PropertyTypeUndefined, iptc.pData_, iptc.size_));
    }
    if (image->iccProfileDefined()) {
        const Exiv2::DataBuf* icc = image->iccProfile();
        items.push_back(BlockItem(PropertyTagICCProfile, PropertyTypeUndefined, icc->pData_, icc->size_));
    }
}

// The JPEG file without its colour profile's APP2 segments; the file as it is
// when it has none or its headers break off.
std::vector<std::uint8_t> WithoutJpegProfile(std::span<const std::uint8_t> file) {
    static constexpr std::uint8_t kIccSignature[] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
    std::vector<std::uint8_t> out;
    std::uint64_t copied = 0;
    const ByteReader reader(file, true);
    WalkJpegSegments(reader, [&](const JpegSegment& segment) {
        const auto body = reader.Bytes(segment.bodyOffset, segment.bodySize);
        if (segment.marker == 0xE2 && body.size() >= sizeof kIccSignature &&
            std::memcmp(body.data(), kIccSignature, sizeof kIccSignature) == 0) {
            const std::uint64_t markerAt = segment.lengthOffset - 2;  // FF E2
            out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(copied),
                       file.begin() + static_cast<std::ptrdiff_t>(markerAt));
            copied = segment.bodyOffset + segment.bodySize;
        }
        return true;
    });
    out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(copied), file.end());
    return out;
}

}  // namespace

ImageMetadata ReadImageMetadata(std::span<const std::uint8_t> file) {
    const auto type = SniffImageFileType(file);
    if (type != ImageFileType::Jpeg && type != ImageFileType::Tiff && type != ImageFileType::Png)
        return {};
    InitializeImaging();
    try {
        ImageMetadata metadata;
        ReadMetadataOf(file, metadata);
        return metadata;
    } catch (...) {
        // Exiv2 throws for malformed metadata: the file then has none.
    }
    // Exiv2 refuses a JPEG's metadata whole for a colour profile that is not
    // as long as its header states: the rest is read without the profile.
    if (type != ImageFileType::Jpeg)
        return {};
    try {
        const std::vector<std::uint8_t> withoutProfile = WithoutJpegProfile(file);
        if (withoutProfile.size() == file.size())
            return {};
        ImageMetadata metadata;
        ReadMetadataOf(withoutProfile, metadata);
        qCWarning(lcImaging) << "colour profile of the source left out: it is malformed";
        return metadata;
    } catch (...) {
        return {};
    }
}

std::vector<PropertyItem> ReadExifProperties(std::span<const std::uint8_t> file) {
    return std::move(ReadImageMetadata(file).items);
}

namespace {

// What one attempt at writing carries; a JPEG whose EXIF block is too large
// for its segment is tried again with less.
struct WriteLevel {
    bool thumbnail = true;
    bool makerNote = true;
};

// Exiv2 0.27 hands values out as std::auto_ptr; ours are unique_ptr.
std::unique_ptr<Exiv2::Value> ValueOf(const PropertyItem& item) {
    std::unique_ptr<Exiv2::Value> value(Exiv2::Value::create(static_cast<Exiv2::TypeId>(item.type)).release());
    std::vector<std::uint8_t> bytes = item.value;
    // Every ASCII value ends in NUL, as TIFF asks.
    if (item.type == PropertyTypeASCII && (bytes.empty() || bytes.back() != 0))
        bytes.push_back(0);
    if (value->read(bytes.data(), static_cast<long>(bytes.size()), Exiv2::littleEndian) != 0)
        return nullptr;
    return value;
}

void SetTag(Exiv2::ExifData& exif, std::uint32_t tag, const std::string& group, const PropertyItem& item) {
    if (auto value = ValueOf(item); value.get())
        exif[Exiv2::ExifKey(static_cast<std::uint16_t>(tag), group).key()] = *value;
}

// The maker note: Exiv2's entries for a maker it knows (laid out anew by
// Exiv2, offsets and all), the raw bytes of a note that may move, or nothing.
void AddMakerNote(Exiv2::ExifData& exif, const PropertyItem& item, const MakerNoteModel* model) {
    const bool sameNote = model && model->raw == item.value;
    if (sameNote && !model->entries.empty()) {
        for (const auto& datum : model->entries)
            exif.add(datum);
        return;
    }
    // A note made by the program itself has no source position: its offsets
    // can only count from the note.
    const bool relocatable = sameNote
                                 ? model->relocatable
                                 : MakerNoteIsRelocatable(item.value, std::numeric_limits<std::uint32_t>::max(), false);
    if (!relocatable) {
        qCWarning(lcImaging) << "maker note of an unknown layout left out: its offsets cannot be moved";
        return;
    }
    SetTag(exif, kMakerNoteTag, "Photo", item);
}

bool IsJpegData(const std::vector<std::uint8_t>& data) {
    return data.size() > 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

QImage DecodeThumbnail(const std::vector<std::uint8_t>& data) {
    return QImage::fromData(data.data(), static_cast<int>(data.size())).convertToFormat(QImage::Format_RGB888);
}

// A JPEG file's thumbnail is JPEG: taken as it is, or made from another kind.
std::vector<std::uint8_t> JpegThumbnail(const std::vector<std::uint8_t>& data) {
    if (IsJpegData(data))
        return data;
    const QImage image = DecodeThumbnail(data);
    if (image.isNull())
        return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    LoadImageFormatPlugins();
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(75);
    if (!writer.write(image))
        return {};
    return {bytes.begin(), bytes.end()};
}

void SetUnsigned(Exiv2::ExifData& exif, const char* key, std::uint32_t value, bool shortType) {
    if (shortType)
        exif[key] = static_cast<std::uint16_t>(value);
    else
        exif[key] = value;
}

// A TIFF file's thumbnail is a complete second directory: a reduced-
// resolution image of uncompressed RGB in one strip, which TIFF readers and
// the system's own thumbnail reader take as it is.
void SetTiffThumbnail(Exiv2::ExifData& exif, const std::vector<std::uint8_t>& data,
                      const std::vector<PropertyItem>& items) {
    const QImage image = DecodeThumbnail(data);
    if (image.isNull())
        return;
    const auto w = static_cast<std::uint32_t>(image.width()), h = static_cast<std::uint32_t>(image.height());
    std::vector<std::uint8_t> rgb;
    rgb.reserve(std::size_t{w} * h * 3);
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        rgb.insert(rgb.end(), row, row + std::size_t{w} * 3);
    }
    SetUnsigned(exif, "Exif.Thumbnail.NewSubfileType", 1, false);
    SetUnsigned(exif, "Exif.Thumbnail.ImageWidth", w, false);
    SetUnsigned(exif, "Exif.Thumbnail.ImageLength", h, false);
    Exiv2::UShortValue bits;
    bits.read("8 8 8");
    exif.add(Exiv2::ExifKey("Exif.Thumbnail.BitsPerSample"), &bits);
    SetUnsigned(exif, "Exif.Thumbnail.Compression", 1, true);
    SetUnsigned(exif, "Exif.Thumbnail.PhotometricInterpretation", 2, true);
    Exiv2::ULongValue strip;
    strip.read("0");
    strip.setDataArea(rgb.data(), static_cast<long>(rgb.size()));
    exif.add(Exiv2::ExifKey("Exif.Thumbnail.StripOffsets"), &strip);
    SetUnsigned(exif, "Exif.Thumbnail.SamplesPerPixel", 3, true);
    SetUnsigned(exif, "Exif.Thumbnail.RowsPerStrip", h, false);
    SetUnsigned(exif, "Exif.Thumbnail.StripByteCounts", static_cast<std::uint32_t>(rgb.size()), false);
    SetUnsigned(exif, "Exif.Thumbnail.PlanarConfiguration", 1, true);
    for (std::uint32_t id : {PropertyTagThumbnailResolutionX, PropertyTagThumbnailResolutionY})
        if (const PropertyItem* item = FindItem(items, id))
            SetTag(exif, Ifd1TagOfThumbnailId(id), "Thumbnail", *item);
    if (const PropertyItem* unit = FindItem(items, 0x5030))
        SetTag(exif, 0x0128, "Thumbnail", *unit);
}

// The EXIF block of a JPEG, TIFF or PNG file from the items. A PNG's EXIF
// has no thumbnail.
void BuildExif(Exiv2::ExifData& exif, const std::vector<PropertyItem>& items, const MakerNoteModel* makerNote,
               ImageFileType container, const WriteLevel& level) {
    const bool tiff = container == ImageFileType::Tiff;
    const PropertyItem* thumbnail = nullptr;
    std::vector<const PropertyItem*> thumbnailTags;
    for (const auto& item : items) {
        if (item.id == PropertyTagThumbnailData) {
            thumbnail = &item;
            continue;
        }
        if (IsOffsetTag(item.id) || IsImageLayoutTag(item.id) || IsPacketItem(item.id) || item.id > 0xFFFF ||
            (tiff && IsCompressedDataTag(item.id)))
            continue;
        if (item.id == kMakerNoteTag) {
            if (level.makerNote)
                AddMakerNote(exif, item, makerNote);
            continue;
        }
        if (item.IsGpsTag()) {
            SetTag(exif, item.id, "GPSInfo", item);
        } else if (item.IsInteropTag()) {
            SetTag(exif, item.id, "Iop", item);
        } else if (item.directory == PropertyDirectory::ById && item.id >= 0x5000 && item.id <= 0x50FF) {
            // The thumbnail's directory goes with its data, below. A JPEG
            // thumbnail's directory has no layout tags (EXIF allows none;
            // the size is the JPEG's own).
            const std::uint32_t tag = Ifd1TagOfThumbnailId(item.id);
            if (tag == 0 || IsImageLayoutTag(tag))
                continue;
            thumbnailTags.push_back(&item);
        } else {
            SetTag(exif, item.id, DirectoryGroup(item), item);
        }
    }
    // EXIF asks a JPEG to say where its chroma samples sit; libjpeg centres them.
    if (container == ImageFileType::Jpeg && exif.findKey(Exiv2::ExifKey("Exif.Image.YCbCrPositioning")) == exif.end())
        SetUnsigned(exif, "Exif.Image.YCbCrPositioning", 1, true);
    if (!thumbnail || thumbnail->value.empty() || !level.thumbnail || container == ImageFileType::Png)
        return;
    if (tiff) {
        SetTiffThumbnail(exif, thumbnail->value, items);
        return;
    }
    const std::vector<std::uint8_t> jpeg = JpegThumbnail(thumbnail->value);
    if (jpeg.empty())
        return;
    for (const PropertyItem* item : thumbnailTags)
        SetTag(exif, Ifd1TagOfThumbnailId(item->id), "Thumbnail", *item);
    Exiv2::ExifThumb thumb(exif);
    thumb.setJpegThumbnail(jpeg.data(), static_cast<long>(jpeg.size()));
}

std::optional<std::string> TextOf(const std::vector<PropertyItem>& items, std::uint32_t id) {
    const PropertyItem* item = FindItem(items, id);
    if (!item)
        return std::nullopt;
    auto value = ValueOf(*item);
    if (!value.get())
        return std::nullopt;
    std::string text = value->toString();
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

XmpImageFacts FactsOf(long width, long height, const std::vector<PropertyItem>& items) {
    XmpImageFacts facts;
    facts.width = width;
    facts.height = height;
    facts.xResolution = TextOf(items, 0x011A);
    facts.yResolution = TextOf(items, 0x011B);
    facts.resolutionUnit = TextOf(items, 0x0128);
    facts.software = TextOf(items, PropertyTagSoftwareUsed);
    return facts;
}

// A PNG's profile and EXIF go into chunks of our own: Exiv2 0.27 writes the
// profile without the name readers require, and the EXIF block as a text
// chunk instead of the standard eXIf chunk.
bool AddPngChunks(std::vector<std::uint8_t>& png, const std::vector<PropertyItem>& items,
                  const MakerNoteModel* makerNote, Exiv2::ByteOrder order, const PropertyItem* icc) {
    Exiv2::ExifData exif;
    BuildExif(exif, items, makerNote, ImageFileType::Png, WriteLevel{false, true});
    Exiv2::Blob tiff;
    if (!exif.empty())
        Exiv2::ExifParser::encode(tiff, order, exif);
    const std::span<const std::uint8_t> profile =
        icc ? std::span<const std::uint8_t>(icc->value) : std::span<const std::uint8_t>();
    if (profile.empty() && tiff.empty())
        return true;
    return AddPngMetadataChunks(png, profile, tiff);
}

std::vector<std::uint8_t> WriteOnce(const std::vector<std::uint8_t>& file, ImageFileType type,
                                    const std::vector<PropertyItem>& items, const MakerNoteModel* makerNote,
                                    const PropertyItem* icc, Exiv2::ByteOrder order, const WriteLevel& level) {
    auto image = Exiv2::ImageFactory::open(file.data(), static_cast<long>(file.size()));
    if (!image.get())
        return {};
    image->readMetadata();
    // A JPEG's EXIF block takes the order it is given; a TIFF's is the
    // file's own (WriteExifProperties turns the file around first).
    if (type == ImageFileType::Jpeg)
        image->setByteOrder(order);
    if (type != ImageFileType::Png) {
        Exiv2::ExifData exif = image->exifData();
        BuildExif(exif, items, makerNote, type, level);
        image->setExifData(exif);
    }
    // A PNG's IPTC records go where Exiv2 puts them: a compressed "Raw
    // profile type iptc" text chunk, which exiftool and ImageMagick read.
    if (const PropertyItem* iptc = FindItem(items, PropertyTagIptc)) {
        Exiv2::IptcData records;
        if (Exiv2::IptcParser::decode(records, iptc->value.data(), static_cast<std::uint32_t>(iptc->Length())) == 0)
            image->setIptcData(records);
    }
    JpegXmp extendedXmp;
    if (const PropertyItem* xmp = FindItem(items, PropertyTagXmpPacket)) {
        const std::string packet = AlignXmpWithImage(std::string(xmp->value.begin(), xmp->value.end()),
                                                     FactsOf(image->pixelWidth(), image->pixelHeight(), items));
        if (type == ImageFileType::Jpeg) {
            extendedXmp = SplitXmpForJpeg(packet);
            image->setXmpPacket(extendedXmp.standard);
        } else {
            image->setXmpPacket(packet);
        }
        image->writeXmpFromPacket(true);
    }
    if (icc && type != ImageFileType::Png) {
        Exiv2::DataBuf profile(icc->value.data(), static_cast<long>(icc->Length()));
        image->setIccProfile(profile, false);
    }
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    const long size = static_cast<long>(io.size());
    if (size <= 0 || io.open() != 0)
        return {};
    std::vector<std::uint8_t> written(static_cast<std::size_t>(size));
    io.seek(0, Exiv2::BasicIo::beg);
    const long read = io.read(written.data(), size);
    io.close();
    if (read != size)
        return {};
    if (!extendedXmp.extended.empty() && !InsertExtendedXmp(written, extendedXmp))
        return {};
    if (type == ImageFileType::Png && !AddPngChunks(written, items, makerNote, order, icc))
        return {};
    return written;
}

// The source's profile when it fits the output (IccProfile.h); a profile that
// does not is left out, with a word on the log.
const PropertyItem* FittingProfile(const std::vector<PropertyItem>& items, ImageFileType type) {
    const PropertyItem* icc = FindItem(items, PropertyTagICCProfile);
    if (!icc)
        return nullptr;
    const std::string misfit =
        IccProfileMisfit(icc->value, type == ImageFileType::Png ? IccOutput::Png : IccOutput::Any);
    if (misfit.empty())
        return icc;
    qCWarning(lcImaging).noquote() << "colour profile left out:" << QString::fromStdString(misfit);
    return nullptr;
}

}  // namespace

bool WriteExifProperties(std::vector<std::uint8_t>& file, const std::vector<PropertyItem>& items,
                         const MakerNoteModel* makerNote, ExifByteOrder byteOrder) {
    const auto sniffed = SniffImageFileType(file);
    if (sniffed != ImageFileType::Jpeg && sniffed != ImageFileType::Tiff && sniffed != ImageFileType::Png)
        return false;
    const ImageFileType type = *sniffed;
    InitializeImaging();
    const bool bigEndian = byteOrder == ExifByteOrder::BigEndian;
    const Exiv2::ByteOrder order = bigEndian ? Exiv2::bigEndian : Exiv2::littleEndian;
    // A TIFF's EXIF data lives in the file's own structure, in the file's
    // order: the encoder's file is turned into the wanted order first.
    std::optional<std::vector<std::uint8_t>> turned;
    if (type == ImageFileType::Tiff && TiffIsBigEndian(file) != bigEndian) {
        turned = TiffInOtherByteOrder(file);
        if (!turned)
            qCWarning(lcImaging) << "TIFF written in its encoder's byte order: its layout cannot be turned around";
    }
    const std::vector<std::uint8_t>& encoded = turned ? *turned : file;
    const PropertyItem* icc = FittingProfile(items, type);
    // A JPEG's EXIF block has one segment of 64 KB: what does not fit goes,
    // the thumbnail first, then the maker note, rather than all of it.
    for (const WriteLevel level : {WriteLevel{true, true}, WriteLevel{false, true}, WriteLevel{false, false}}) {
        try {
            std::vector<std::uint8_t> written = WriteOnce(encoded, type, items, makerNote, icc, order, level);
            if (written.empty())
                return false;
            if (!level.makerNote)
                qCWarning(lcImaging) << "maker note left out: the EXIF block is too large for its segment";
            file = std::move(written);
            return true;
        } catch (const Exiv2::AnyError&) {
            if (type != ImageFileType::Jpeg)
                return false;
        } catch (...) {
            return false;
        }
    }
    return false;
}

GifMetadata MetadataForGif(const std::vector<PropertyItem>& items, int width, int height) {
    GifMetadata metadata;
    if (items.empty())
        return metadata;
    InitializeImaging();
    if (const PropertyItem* icc = FittingProfile(items, ImageFileType::Gif))
        metadata.iccProfile = icc->value;
    if (const PropertyItem* xmp = FindItem(items, PropertyTagXmpPacket))
        metadata.xmp =
            AlignXmpWithImage(std::string(xmp->value.begin(), xmp->value.end()), FactsOf(width, height, items));
    const bool exif = std::any_of(items.begin(), items.end(), [](const PropertyItem& item) {
        return !IsPacketItem(item.id) && !IsWrittenBySaving(item.id);
    });
    const bool iptc = FindItem(items, PropertyTagIptc) != nullptr;
    if (exif || iptc)
        qCWarning(lcImaging).noquote() << (exif && iptc ? "EXIF and IPTC"
                                           : exif       ? "EXIF"
                                                        : "IPTC")
                                       << "left out: a GIF file has no place for EXIF or IPTC";
    return metadata;
}

}  // namespace imaging
