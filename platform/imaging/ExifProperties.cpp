#include "platform/imaging/ExifProperties.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

#include <exiv2/exiv2.hpp>

#include "platform/imaging/ExifBlock.h"
#include "platform/imaging/HeaderProbe.h"

namespace imaging {

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

bool IsOffsetTag(std::uint32_t id) {
    return id == kExifIfdPointerTag || id == kGpsIfdPointer || id == kInteropIfdPointer || id == 0x0201 ||
           id == 0x0202 || id == 0x014A;
}

// Tags of a TIFF file's IFD0 that describe its own pixel data.
bool IsTiffLayoutTag(std::uint32_t id) {
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
    case 0x0140:
    case 0x0142:
    case 0x0143:
    case 0x0144:
    case 0x0145:
    case 0x0152:
    case 0x0153:
    case 0x013D:
        return true;
    default:
        return false;
    }
}

bool KnownInGroup(std::uint32_t tag, const char* group) {
    const Exiv2::TagInfo* info = Exiv2::ExifTags::tagList(group);
    for (; info && info->tag_ != 0xFFFF; ++info)
        if (info->tag_ == tag)
            return true;
    return false;
}

PropertyItem ItemOf(const Exiv2::Exifdatum& datum, std::uint32_t id) {
    PropertyItem item;
    item.id = id;
    item.type = static_cast<std::uint16_t>(datum.typeId());
    item.count = static_cast<std::uint32_t>(std::max(0L, datum.count()));
    const long size = datum.size();
    if (size > 0) {
        item.value.resize(static_cast<std::size_t>(size));
        datum.copy(item.value.data(), Exiv2::littleEndian);
    }
    return item;
}

}  // namespace

void InitializeImaging() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
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

std::vector<PropertyItem> ReadExifProperties(std::span<const std::uint8_t> file) {
    std::vector<PropertyItem> items;
    if (file.empty())
        return items;
    InitializeImaging();
    try {
        auto image = Exiv2::ImageFactory::open(file.data(), static_cast<long>(file.size()));
        if (!image.get())
            return items;
        image->readMetadata();
        const Exiv2::ExifData& exif = image->exifData();
        bool makerNote = false;
        for (const auto& datum : exif) {
            const std::string group = datum.groupName();
            const std::uint32_t tag = datum.tag();
            if (group == "Image" || group == "Photo" || group == "GPSInfo") {
                if (tag == kMakerNoteTag)
                    makerNote = true;
                items.push_back(ItemOf(datum, tag));
            } else if (group == "Thumbnail") {
                if (const std::uint32_t id = ThumbnailIdOfIfd1Tag(tag))
                    items.push_back(ItemOf(datum, id));
            }
        }
        // A maker note Exiv2 recognised is split into groups of its own; the
        // item keeps the bytes as the file has them instead.
        if (!makerNote) {
            auto raw = RawMakerNote(FindExifTiffBlock(file));
            if (!raw.empty())
                items.push_back(
                    {kMakerNoteTag, PropertyTypeUndefined, static_cast<std::uint32_t>(raw.size()), std::move(raw)});
        }
        Exiv2::ExifThumbC thumb(exif);
        const Exiv2::DataBuf data = thumb.copy();
        if (data.size_ > 0 && data.pData_) {
            PropertyItem item{PropertyTagThumbnailData, PropertyTypeByte, static_cast<std::uint32_t>(data.size_), {}};
            item.value.assign(data.pData_, data.pData_ + data.size_);
            items.push_back(std::move(item));
        }
    } catch (...) {
        // Exiv2 throws for malformed metadata: the file then has no items.
        items.clear();
    }
    return items;
}

bool WriteExifProperties(std::vector<std::uint8_t>& file, const std::vector<PropertyItem>& items) {
    const auto type = SniffImageFileType(file);
    if (type != ImageFileType::Jpeg && type != ImageFileType::Tiff)
        return false;
    InitializeImaging();
    try {
        auto image = Exiv2::ImageFactory::open(file.data(), static_cast<long>(file.size()));
        if (!image.get())
            return false;
        image->readMetadata();
        Exiv2::ExifData exif = image->exifData();
        const PropertyItem* thumbnail = nullptr;
        std::vector<const PropertyItem*> thumbnailSizes;
        for (const auto& item : items) {
            if (item.id == PropertyTagThumbnailData) {
                thumbnail = &item;
                continue;
            }
            if (IsOffsetTag(item.id) || (type == ImageFileType::Tiff && IsTiffLayoutTag(item.id)))
                continue;
            std::string group;
            std::uint32_t tag = item.id;
            if (item.id <= 0x001F) {
                group = "GPSInfo";
            } else if (item.id >= 0x5000 && item.id <= 0x50FF) {
                tag = Ifd1TagOfThumbnailId(item.id);
                if (tag == 0 || tag == 0x0103)  // compression comes with the thumbnail data
                    continue;
                group = "Thumbnail";
                if (item.id == PropertyTagThumbnailWidth || item.id == PropertyTagThumbnailHeight) {
                    thumbnailSizes.push_back(&item);  // these win over the 0x5020 pair: set last
                    continue;
                }
            } else if (item.id > 0xFFFF) {
                continue;
            } else {
                group = KnownInGroup(item.id, "Photo") ? "Photo" : "Image";
            }
            auto value = Exiv2::Value::create(static_cast<Exiv2::TypeId>(item.type));
            if (value->read(item.value.data(), static_cast<long>(item.value.size()), Exiv2::littleEndian) != 0)
                continue;
            exif[Exiv2::ExifKey(static_cast<std::uint16_t>(tag), group).key()] = *value;
        }
        for (const PropertyItem* item : thumbnailSizes) {
            auto value = Exiv2::Value::create(static_cast<Exiv2::TypeId>(item->type));
            if (value->read(item->value.data(), static_cast<long>(item->value.size()), Exiv2::littleEndian) == 0)
                exif[Exiv2::ExifKey(static_cast<std::uint16_t>(Ifd1TagOfThumbnailId(item->id)), "Thumbnail").key()] =
                    *value;
        }
        if (thumbnail && !thumbnail->value.empty()) {
            Exiv2::ExifThumb thumb(exif);
            thumb.setJpegThumbnail(thumbnail->value.data(), static_cast<long>(thumbnail->value.size()));
        }
        image->setExifData(exif);
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        const long size = static_cast<long>(io.size());
        if (size <= 0 || io.open() != 0)
            return false;
        std::vector<std::uint8_t> written(static_cast<std::size_t>(size));
        io.seek(0, Exiv2::BasicIo::beg);
        const long read = io.read(written.data(), size);
        io.close();
        if (read != size)
            return false;
        file = std::move(written);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace imaging
