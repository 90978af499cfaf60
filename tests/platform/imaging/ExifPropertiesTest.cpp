#include <algorithm>

#include <gtest/gtest.h>

#include <QColorSpace>

#include "ImagingFixtures.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BitmapLock.h"
#include "platform/imaging/ExifProperties.h"
#include "platform/imaging/ImageEncoder.h"

using namespace imaging;

namespace {

class ExifProperties : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitializeImaging(); }
};

PropertyItem Ascii(std::uint32_t id, const std::string& text) {
    PropertyItem item{id, PropertyTypeASCII, static_cast<std::uint32_t>(text.size() + 1), {}};
    item.value.assign(text.begin(), text.end());
    item.value.push_back(0);
    return item;
}

PropertyItem Short(std::uint32_t id, std::uint16_t v) { return {id, PropertyTypeShort, 1, Le(v, 2)}; }

PropertyItem RationalItem(std::uint32_t id, std::uint32_t num, std::uint32_t den) {
    return {id, PropertyTypeRational, 1, Rational(num, den)};
}

std::vector<PropertyItem> CameraItems(const Bytes& thumbnail) {
    return {
        Ascii(0x010F, "ORVEK Optics"),
        Ascii(0x0110, "Model 7"),
        Short(0x0112, 1),
        Ascii(0x0132, "2006:05:01 10:11:12"),
        RationalItem(0x829A, 1, 250),              // exposure time (EXIF IFD)
        Ascii(0x9003, "2006:05:01 10:11:12"),      // date/time original (EXIF IFD)
        Short(0x8827, 51200),                      // ISO speed
        Short(0x9209, 9),                          // flash
        {0x0001, PropertyTypeASCII, 2, {'N', 0}},  // GPS latitude reference
        {PropertyTagThumbnailData, PropertyTypeByte, static_cast<std::uint32_t>(thumbnail.size()), thumbnail},
        Short(PropertyTagThumbnailWidth, 8),
        Short(PropertyTagThumbnailHeight, 6),
        RationalItem(PropertyTagThumbnailResolutionX, 1, 1),
    };
}

PropertyItem FindIn(const std::vector<PropertyItem>& items, std::uint32_t id) {
    for (const PropertyItem& item : items)
        if (item.id == id)
            return item;
    return {};
}

std::unique_ptr<Bitmap> Picture() {
    auto bitmap = Bitmap::Create(32, 24, PixelFormat24bppRGB);
    auto lock = bitmap->LockBits({0, 0, 32, 24}, LockMode::Write);
    std::memset(lock->Scan0(), 90, lock->Stride() * 24);
    return bitmap;
}

TEST_F(ExifProperties, ReadBackFromAJpegWrittenWithThem) {
    const Bytes thumbnail = LibjpegEncode({8, 6, 3, 0, 1, 1, {}});
    auto bitmap = Picture();
    for (auto& item : CameraItems(thumbnail))
        bitmap->SetPropertyItem(item);
    std::vector<std::uint8_t> jpeg;
    ASSERT_TRUE(EncodeBitmap(*bitmap, "image/jpeg", {85}, jpeg));

    auto back = Bitmap::FromMemory(jpeg);
    ASSERT_NE(back, nullptr);
    for (const auto& item : CameraItems(thumbnail)) {
        // A JPEG thumbnail's directory holds no size tags: EXIF allows none
        // there, the size is the JPEG's own.
        if (item.id == PropertyTagThumbnailWidth || item.id == PropertyTagThumbnailHeight) {
            EXPECT_EQ(back->GetPropertyItem(PropertyTagThumbnailImageWidth), nullptr);
            EXPECT_EQ(back->GetPropertyItem(PropertyTagThumbnailImageHeight), nullptr);
            continue;
        }
        const PropertyItem* read = back->GetPropertyItem(item.id);
        ASSERT_NE(read, nullptr) << std::hex << item.id;
        EXPECT_EQ(read->type, item.type) << std::hex << item.id;
        EXPECT_EQ(read->count, item.count) << std::hex << item.id;
        EXPECT_EQ(read->value, item.value) << std::hex << item.id;
    }
    EXPECT_EQ(back->GetPropertyItem(PropertyTagThumbnailCompression)->value, Le(6, 2));
}

// IFD0 has tags below 0x0020 too (0x000B ProcessingSoftware), whose numbers
// GPS tags share (0x000B GPSDOP): each item keeps the directory it came from.
TEST_F(ExifProperties, AnIfd0TagAndTheGpsTagOfItsNumberStayApart) {
    PropertyItem software = Ascii(0x000B, "Firmware 1.2");
    software.directory = PropertyDirectory::Image;
    PropertyItem dop = RationalItem(0x000B, 5, 2);
    dop.directory = PropertyDirectory::Gps;
    const PropertyItem latitudeRef{0x0001, PropertyTypeASCII, 2, {'N', 0}};  // made here: GPS by its id
    auto bitmap = Picture();
    for (const PropertyItem& item : {software, dop, latitudeRef})
        bitmap->SetPropertyItem(item);
    ASSERT_EQ(bitmap->PropertyItems().size(), 3u);

    for (const char* mime : {"image/jpeg", "image/tiff"}) {
        SCOPED_TRACE(mime);
        std::vector<std::uint8_t> bytes;
        ASSERT_TRUE(EncodeBitmap(*bitmap, mime, {}, bytes));
        auto back = Bitmap::FromMemory(bytes);
        ASSERT_NE(back, nullptr);
        int found = 0;
        for (const PropertyItem& item : back->PropertyItems()) {
            if (item.id == 0x000B && item.directory == PropertyDirectory::Image) {
                EXPECT_EQ(item.value, software.value);
                ++found;
            } else if (item.id == 0x000B && item.directory == PropertyDirectory::Gps) {
                EXPECT_EQ(item.type, PropertyTypeRational);
                EXPECT_EQ(item.value, dop.value);
                ++found;
            } else if (item.id == 0x0001) {
                EXPECT_EQ(item.directory, PropertyDirectory::Gps);
                ++found;
            }
        }
        EXPECT_EQ(found, 3);
    }
}

// The interoperability directory's tags share their numbers with GPS tags
// (0x0001 InteropIndex, GPSLatitudeRef): read from a file, each keeps its
// directory and goes back there, in every format that holds EXIF data.
TEST_F(ExifProperties, InteropTagsKeepTheirDirectoryBesideTheGpsTagsOfTheirNumbers) {
    PropertyItem index = Ascii(0x0001, "R03");
    index.directory = PropertyDirectory::Interop;
    PropertyItem version{0x0002, PropertyTypeUndefined, 4, {'0', '1', '0', '0'}, PropertyDirectory::Interop};
    PropertyItem relatedWidth = Short(0x1001, 4000);
    relatedWidth.directory = PropertyDirectory::Interop;
    PropertyItem latitudeRef = Ascii(0x0001, "N");
    latitudeRef.directory = PropertyDirectory::Gps;
    auto bitmap = Picture();
    for (const PropertyItem& item : {index, version, relatedWidth, latitudeRef})
        bitmap->SetPropertyItem(item);
    ASSERT_EQ(bitmap->PropertyItems().size(), 4u);

    for (const char* mime : {"image/jpeg", "image/tiff", "image/png"}) {
        SCOPED_TRACE(mime);
        std::vector<std::uint8_t> bytes;
        ASSERT_TRUE(EncodeBitmap(*bitmap, mime, {}, bytes));
        const std::vector<PropertyItem> back = ReadExifProperties(bytes);
        for (const PropertyItem& item : {index, version, relatedWidth, latitudeRef}) {
            const auto it = std::find_if(back.begin(), back.end(), [&](const PropertyItem& read) {
                return read.id == item.id && read.directory == item.directory;
            });
            ASSERT_NE(it, back.end()) << std::hex << item.id;
            EXPECT_EQ(it->type, item.type) << std::hex << item.id;
            EXPECT_EQ(it->value, item.value) << std::hex << item.id;
        }
    }
}

// Items read from a big-endian EXIF block go out in a big-endian block
// again, in every format; items of no file, little-endian.
TEST_F(ExifProperties, TheBlockKeepsTheByteOrderItWasReadIn) {
    for (const char* mime : {"image/jpeg", "image/tiff", "image/png"}) {
        SCOPED_TRACE(mime);
        for (const ExifByteOrder order : {ExifByteOrder::BigEndian, ExifByteOrder::LittleEndian}) {
            auto bitmap = Picture();
            bitmap->SetPropertyItem(Ascii(0x010F, "ORVEK Optics"));
            bitmap->SetPropertyItem(Short(0x8827, 400));
            bitmap->SetExifOrder(order);
            std::vector<std::uint8_t> bytes;
            ASSERT_TRUE(EncodeBitmap(*bitmap, mime, {}, bytes));
            const ImageMetadata back = ReadImageMetadata(bytes);
            EXPECT_EQ(back.byteOrder, order);
            EXPECT_EQ(FindIn(back.items, 0x8827).value, Le(400, 2));
            auto decoded = Bitmap::FromMemory(bytes);
            ASSERT_NE(decoded, nullptr);
            EXPECT_EQ(decoded->ExifOrder(), order);
            EXPECT_EQ(decoded->Clone()->ExifOrder(), order);
            EXPECT_EQ(decoded->Image().pixel(5, 5), bitmap->Image().pixel(5, 5));
        }
    }
}

TEST_F(ExifProperties, TiffCarriesThemWithoutItsLayoutTagsBeingReplaced) {
    auto bitmap = Picture();
    bitmap->SetPropertyItem(Ascii(0x010F, "ORVEK Optics"));
    bitmap->SetPropertyItem(Short(0x0100, 4000));  // the source's width: not this image's
    std::vector<std::uint8_t> tiff;
    ASSERT_TRUE(EncodeBitmap(*bitmap, "image/tiff", {}, tiff));
    auto back = Bitmap::FromMemory(tiff);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Width(), 32);
    ASSERT_NE(back->GetPropertyItem(0x010F), nullptr);
    EXPECT_EQ(back->GetPropertyItem(0x010F)->value, Ascii(0x010F, "ORVEK Optics").value);
}

TEST_F(ExifProperties, FormatsWithoutExifWriteNoneAndFilesWithoutThemReadNone) {
    auto bitmap = Picture();
    bitmap->SetPropertyItem(Ascii(0x010F, "ORVEK Optics"));
    for (const char* mime : {"image/bmp", "image/gif"}) {
        std::vector<std::uint8_t> bytes;
        ASSERT_TRUE(EncodeBitmap(*bitmap, mime, {}, bytes));
        auto back = Bitmap::FromMemory(bytes);
        ASSERT_NE(back, nullptr);
        EXPECT_TRUE(back->PropertyItems().empty()) << mime;
    }
    EXPECT_TRUE(ReadExifProperties(LibjpegEncode({8, 8, 3, 0, 1, 1, {}})).empty());
    EXPECT_TRUE(ReadExifProperties(Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xFF, 'E'}).empty());
}

// A PNG takes the EXIF block in its eXIf chunk (without the thumbnail) and
// the profile in an iCCP chunk with a name, both before the image data.
TEST_F(ExifProperties, PngCarriesThemInItsOwnChunks) {
    const Bytes thumbnail = LibjpegEncode({8, 6, 3, 0, 1, 1, {}});
    const QByteArray icc = QColorSpace(QColorSpace::DisplayP3).iccProfile();
    auto bitmap = Picture();
    for (auto& item : CameraItems(thumbnail))
        bitmap->SetPropertyItem(item);
    bitmap->SetPropertyItem({PropertyTagICCProfile, PropertyTypeUndefined, static_cast<std::uint32_t>(icc.size()),
                             Bytes(icc.begin(), icc.end())});
    std::vector<std::uint8_t> png;
    ASSERT_TRUE(EncodeBitmap(*bitmap, "image/png", {}, png));

    const std::string file(png.begin(), png.end());
    const std::size_t iccp = file.find("iCCP"), exif = file.find("eXIf"), data = file.find("IDAT");
    ASSERT_NE(iccp, std::string::npos);
    ASSERT_NE(exif, std::string::npos);
    EXPECT_LT(iccp, data);
    EXPECT_LT(exif, data);
    EXPECT_EQ(file.compare(iccp + 4, 12, std::string("ICC profile\0", 12)), 0);
    EXPECT_EQ(file.compare(exif + 4, 4, std::string("II*\0", 4)), 0);
    EXPECT_EQ(file.find("iCCP", iccp + 1), std::string::npos);

    auto back = Bitmap::FromMemory(png);
    ASSERT_NE(back, nullptr);
    for (std::uint32_t id : {0x010Fu, 0x0110u, 0x829Au, 0x9003u, 0x0001u}) {
        const PropertyItem* read = back->GetPropertyItem(id);
        ASSERT_NE(read, nullptr) << std::hex << id;
        EXPECT_EQ(read->value, FindIn(CameraItems(thumbnail), id).value) << std::hex << id;
    }
    EXPECT_EQ(back->GetPropertyItem(PropertyTagThumbnailData), nullptr);
    ASSERT_NE(back->GetPropertyItem(PropertyTagICCProfile), nullptr);
    EXPECT_EQ(back->GetPropertyItem(PropertyTagICCProfile)->value, Bytes(icc.begin(), icc.end()));
}

TEST_F(ExifProperties, ARecognisedMakerNoteKeepsItsRawBytes) {
    // A Canon-style maker note: an IFD of one inline SHORT entry.
    const Bytes note = {1, 0, 0x10, 0, 3, 0, 1, 0, 0, 0, 0x2A, 0, 0, 0, 0, 0, 0, 0};
    // IFD0 holds the Make and the EXIF IFD pointer; the EXIF IFD, with the
    // maker note, follows the Make text.
    Bytes app1 = ExifApp1({{0x010F, 2, 6, {'C', 'a', 'n', 'o', 'n', 0}}, {0x8769, 4, 1, Le(0, 4)}});
    const std::uint32_t exifIfd = static_cast<std::uint32_t>(app1.size() - 6);
    PutLe(app1, 6 + 10 + 12 + 8, exifIfd, 4);
    const std::uint32_t noteOffset = exifIfd + 2 + 12 + 4;
    Bytes ifd = Le(1, 2);
    const Bytes entry = {0x7C, 0x92, 7, 0};
    ifd.insert(ifd.end(), entry.begin(), entry.end());
    const Bytes count = Le(static_cast<std::uint32_t>(note.size()), 4), where = Le(noteOffset, 4), next = Le(0, 4);
    for (const Bytes* part : {&count, &where, &next})
        ifd.insert(ifd.end(), part->begin(), part->end());
    app1.insert(app1.end(), ifd.begin(), ifd.end());
    app1.insert(app1.end(), note.begin(), note.end());
    const auto items = ReadExifProperties(LibjpegEncode({8, 8, 3, 0, 1, 1, app1}));
    const PropertyItem* makerNote = nullptr;
    for (const auto& item : items)
        if (item.id == 0x927C)
            makerNote = &item;
    ASSERT_NE(makerNote, nullptr);
    EXPECT_EQ(makerNote->value, note);
    EXPECT_EQ(makerNote->type, PropertyTypeUndefined);
}

TEST(ThumbnailIds, MapBothWays) {
    EXPECT_EQ(ThumbnailIdOfIfd1Tag(0x0103), PropertyTagThumbnailCompression);
    EXPECT_EQ(ThumbnailIdOfIfd1Tag(0x011A), PropertyTagThumbnailResolutionX);
    EXPECT_EQ(ThumbnailIdOfIfd1Tag(0x9003), 0u);
    for (std::uint32_t tag : {0x0100u, 0x0112u, 0x011Bu, 0x0213u, 0x8298u})
        EXPECT_EQ(Ifd1TagOfThumbnailId(ThumbnailIdOfIfd1Tag(tag)), tag);
    EXPECT_EQ(Ifd1TagOfThumbnailId(PropertyTagThumbnailWidth), 0x0100u);
    EXPECT_EQ(Ifd1TagOfThumbnailId(PropertyTagThumbnailData), 0u);
}

}  // namespace
