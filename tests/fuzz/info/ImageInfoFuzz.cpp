// The names and values the Image Info dialog makes of property items, over
// arbitrary bytes. The first byte picks how the rest is used:
//   0: as one property item (table index, type, count, then the value bytes);
//   1: as a whole JPEG or TIFF file, read through the imaging layer;
//   2: as patches (2-byte offset, byte) applied to a camera-like JPEG with
//      EXIF, so that the reader's tag walk is reached from the first run.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "browser/info/ExifTagNames.h"
#include "browser/info/FormatExif.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/ExifProperties.h"
#include "platform/imaging/ImageEncoder.h"

using namespace imaging;

namespace {

std::vector<std::uint8_t> g_template;

PropertyItem Item(std::uint32_t id, std::uint16_t type, std::uint32_t count, std::vector<std::uint8_t> value) {
    return {id, type, count, std::move(value)};
}

std::vector<std::uint8_t> CameraJpeg() {
    auto bitmap = Bitmap::Create(16, 16, PixelFormat24bppRGB);
    bitmap->SetPropertyItem(Item(0x010F, PropertyTypeASCII, 5, {'O', 'R', 'V', 'K', 0}));
    bitmap->SetPropertyItem(Item(0x0112, PropertyTypeShort, 1, {6, 0}));
    bitmap->SetPropertyItem(Item(0x829A, PropertyTypeRational, 1, {1, 0, 0, 0, 250, 0, 0, 0}));
    bitmap->SetPropertyItem(Item(0x8827, PropertyTypeShort, 1, {0, 200}));
    bitmap->SetPropertyItem(Item(0x9209, PropertyTypeShort, 1, {9, 0}));
    bitmap->SetPropertyItem(Item(0xA002, PropertyTypeLong, 1, {16, 0, 0, 0}));
    bitmap->SetPropertyItem(Item(0x9003, PropertyTypeASCII, 20, std::vector<std::uint8_t>(20, '1')));
    std::vector<std::uint8_t> jpeg;
    EncodeBitmap(*bitmap, "image/jpeg", {75}, jpeg);
    return jpeg;
}

void FormatAll(const std::vector<PropertyItem>& items) {
    QString name, value;
    for (const PropertyItem& item : items) {
        browser::FormatExifProperty(item, name, value);
        if (!value.isEmpty() && name.isEmpty())
            __builtin_trap();  // a value is never shown without its name
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InitializeImaging();
    g_template = CameraJpeg();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::span<const std::uint8_t> rest(data + 1, size - 1);
    switch (data[0] % 3) {
    case 0: {
        if (rest.size() < 6)
            return 0;
        const auto& entry = browser::g_ExifTagNames[rest[0] % browser::kExifTagCount];
        const std::uint32_t id = rest[1] == 0 ? entry.tag : rest[1] | rest[0] << 8;
        const std::uint32_t count = rest[3] | rest[4] << 8 | static_cast<std::uint32_t>(rest[5]) << 16;
        PropertyItem item{id, static_cast<std::uint16_t>(rest[2] % 12), count, {rest.begin() + 6, rest.end()}};
        FormatAll({item});
        if (item.value.size() >= 4)
            browser::FormatExifValue(id, item.value[0] | item.value[1] << 8 | item.value[2] << 16 |
                                             static_cast<std::uint32_t>(item.value[3]) << 24);
        browser::DecodeExifAscii(rest);
        break;
    }
    case 1:
        FormatAll(ReadExifProperties(rest));
        break;
    default: {
        std::vector<std::uint8_t> file = g_template;
        for (std::size_t i = 0; i + 3 <= rest.size() && !file.empty(); i += 3)
            file[(rest[i] | rest[i + 1] << 8) % file.size()] = rest[i + 2];
        FormatAll(ReadExifProperties(file));
        break;
    }
    }
    return 0;
}
