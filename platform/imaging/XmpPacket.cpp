#include "platform/imaging/XmpPacket.h"

#include <algorithm>
#include <cstring>
#include <map>

#include <QByteArray>
#include <QCryptographicHash>

#include <exiv2/exiv2.hpp>

#include "platform/imaging/JpegSegments.h"

namespace imaging {

namespace {

constexpr char kStandardXmpId[] = "http://ns.adobe.com/xap/1.0/";  // followed by its NUL
constexpr char kExtendedXmpId[] = "http://ns.adobe.com/xmp/extension/";
constexpr std::size_t kSegmentBytes = 65535 - 2;  // a segment's body, after its length field
constexpr std::size_t kStandardPacketBytes = kSegmentBytes - sizeof(kStandardXmpId);
// Extended chunks: id, 32-character GUID, full length, offset, data.
constexpr std::size_t kExtendedChunkBytes = kSegmentBytes - sizeof(kExtendedXmpId) - 32 - 4 - 4;
constexpr char kHasExtendedXmp[] = "Xmp.xmpNote.HasExtendedXMP";

// Fields that say how the source stored its pixels, its thumbnails, and the
// digests of the source's EXIF data that Adobe's tools compare.
constexpr const char* kSourceOnlyFields[] = {
    "Xmp.xmp.Thumbnails",        "Xmp.tiff.BitsPerSample",
    "Xmp.tiff.Compression",      "Xmp.tiff.PhotometricInterpretation",
    "Xmp.tiff.SamplesPerPixel",  "Xmp.tiff.PlanarConfiguration",
    "Xmp.tiff.YCbCrSubSampling", "Xmp.tiff.NativeDigest",
    "Xmp.exif.NativeDigest",
};

// The top-level property a key belongs to: "Xmp.ns.name" without the array
// index or struct field that may follow.
std::string TopLevelProperty(const std::string& key) {
    const std::size_t nameStart = key.find('.', 4);
    if (nameStart == std::string::npos)
        return key;
    const std::size_t end = key.find_first_of("[/", nameStart);
    return key.substr(0, end);
}

void EraseProperty(Exiv2::XmpData& xmp, const std::string& property) {
    for (auto it = xmp.begin(); it != xmp.end();)
        it = TopLevelProperty(it->key()) == property ? xmp.erase(it) : std::next(it);
}

bool HasKey(Exiv2::XmpData& xmp, const char* key) { return xmp.findKey(Exiv2::XmpKey(key)) != xmp.end(); }

// Sets a field the packet has to the value, or removes it when there is none.
void UpdateTwin(Exiv2::XmpData& xmp, const char* key, const std::optional<std::string>& value) {
    if (!HasKey(xmp, key))
        return;
    if (value)
        xmp[key] = *value;
    else
        EraseProperty(xmp, key);
}

bool Encode(std::string& packet, const Exiv2::XmpData& xmp, std::uint16_t flags) {
    return Exiv2::XmpParser::encode(packet, xmp, flags) == 0;
}

}  // namespace

std::string AlignXmpWithImage(const std::string& packet, const XmpImageFacts& facts) {
    try {
        Exiv2::XmpData xmp;
        if (Exiv2::XmpParser::decode(xmp, packet) != 0)
            return packet;
        for (const char* field : kSourceOnlyFields)
            EraseProperty(xmp, field);
        const std::optional<std::string> width = std::to_string(facts.width), height = std::to_string(facts.height);
        UpdateTwin(xmp, "Xmp.exif.PixelXDimension", width);
        UpdateTwin(xmp, "Xmp.exif.PixelYDimension", height);
        UpdateTwin(xmp, "Xmp.tiff.ImageWidth", width);
        UpdateTwin(xmp, "Xmp.tiff.ImageLength", height);
        UpdateTwin(xmp, "Xmp.tiff.XResolution", facts.xResolution);
        UpdateTwin(xmp, "Xmp.tiff.YResolution", facts.yResolution);
        UpdateTwin(xmp, "Xmp.tiff.ResolutionUnit", facts.resolutionUnit);
        UpdateTwin(xmp, "Xmp.tiff.Software", facts.software);
        std::string updated;
        if (!Encode(updated, xmp, Exiv2::XmpParser::useCompactFormat))
            return packet;
        return updated;
    } catch (...) {
        return packet;
    }
}

JpegXmp SplitXmpForJpeg(const std::string& packet) {
    JpegXmp split;
    split.standard = packet;
    if (packet.size() <= kStandardPacketBytes)
        return split;
    try {
        Exiv2::XmpData xmp;
        if (Exiv2::XmpParser::decode(xmp, packet) != 0)
            return split;
        // The top-level properties by the room they take, largest first.
        std::map<std::string, std::size_t> sizes;
        for (const auto& datum : xmp)
            sizes[TopLevelProperty(datum.key())] += datum.key().size() + datum.size() + 16;
        std::vector<std::pair<std::string, std::size_t>> bySize(sizes.begin(), sizes.end());
        std::stable_sort(bySize.begin(), bySize.end(),
                         [](const auto& a, const auto& b) { return a.second > b.second; });

        Exiv2::XmpData standard = xmp, extended;
        const std::uint16_t compact = Exiv2::XmpParser::useCompactFormat;
        for (const auto& [property, size] : bySize) {
            for (const auto& datum : xmp)
                if (TopLevelProperty(datum.key()) == property)
                    extended.add(datum);
            EraseProperty(standard, property);
            std::string extendedPacket;
            if (!Encode(extendedPacket, extended, compact | Exiv2::XmpParser::omitPacketWrapper))
                return split;
            const QByteArray digest =
                QCryptographicHash::hash(QByteArray::fromStdString(extendedPacket), QCryptographicHash::Md5);
            const std::string guid = digest.toHex().toUpper().toStdString();
            Exiv2::XmpData withNote = standard;
            withNote[kHasExtendedXmp] = guid;
            std::string standardPacket;
            if (!Encode(standardPacket, withNote, compact))
                return split;
            if (standardPacket.size() <= kStandardPacketBytes) {
                split = {standardPacket, extendedPacket, guid};
                return split;
            }
        }
    } catch (...) {
    }
    return split;
}

bool InsertExtendedXmp(std::vector<std::uint8_t>& jpeg, const JpegXmp& xmp) {
    if (xmp.extended.empty())
        return true;
    if (xmp.guid.size() != 32 || xmp.extended.size() > 0xFFFFFFFFu)
        return false;
    std::size_t after = 0;
    ForEachJpegSegment(jpeg, [&](std::uint32_t marker, std::span<const std::uint8_t> body) {
        if (marker == 0xE1 && body.size() >= sizeof(kStandardXmpId) &&
            std::memcmp(body.data(), kStandardXmpId, sizeof(kStandardXmpId)) == 0)
            after = static_cast<std::size_t>(body.data() - jpeg.data()) + body.size();
        return after == 0;
    });
    if (after == 0)
        return false;
    std::vector<std::uint8_t> segments;
    const auto total = static_cast<std::uint32_t>(xmp.extended.size());
    auto put32 = [&segments](std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            segments.push_back(static_cast<std::uint8_t>(v >> shift));
    };
    for (std::uint32_t offset = 0; offset < total; offset += kExtendedChunkBytes) {
        const std::uint32_t chunk = std::min<std::uint32_t>(kExtendedChunkBytes, total - offset);
        const std::uint32_t length = 2 + sizeof(kExtendedXmpId) + 32 + 4 + 4 + chunk;
        segments.insert(segments.end(),
                        {0xFF, 0xE1, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)});
        segments.insert(segments.end(), kExtendedXmpId, kExtendedXmpId + sizeof(kExtendedXmpId));
        segments.insert(segments.end(), xmp.guid.begin(), xmp.guid.end());
        put32(total);
        put32(offset);
        segments.insert(segments.end(), xmp.extended.begin() + offset, xmp.extended.begin() + offset + chunk);
    }
    jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(after), segments.begin(), segments.end());
    return true;
}

}  // namespace imaging
