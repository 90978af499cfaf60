#include "imagefiles/ShotDate.h"
#include "platform/files/LocalFileName.h"

#include <algorithm>
#include <string>
#include <vector>

#include <QString>

#include "imagefiles/ImageFileNames.h"
#include "platform/files/RegularFile.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/ExifProperties.h"

namespace {

// A JPEG or TIFF photograph under any of its spellings, or a DNG.
bool HasDateExtension(const std::filesystem::path& path) {
    const QString ext = CanonicalImageExtension(platform::FileNameFromLocal(path.extension().string().c_str()));
    return ext == u".jpg" || ext == u".tif" || ext == u".dng";
}

// Up to limit bytes from the file's start; false when it cannot be read.
bool ReadPrefix(const std::filesystem::path& path, std::uint64_t limit, std::vector<std::uint8_t>& bytes,
                std::uint64_t& fileSize) {
    // A named pipe or a device is never opened: it could block for ever.
    auto head = platform::ReadRegularFileStart(path.string(), limit, fileSize);
    if (!head || fileSize == 0)
        return false;
    bytes = std::move(*head);
    return true;
}

std::vector<imaging::PropertyItem> DateProperties(const std::filesystem::path& path) {
    // A JPEG's EXIF segment comes before the image data, so its first bytes
    // usually hold every tag; a TIFF's directories may be anywhere.
    constexpr std::uint64_t kJpegPrefix = 256 * 1024;
    std::vector<std::uint8_t> bytes;
    std::uint64_t size = 0;
    if (!ReadPrefix(path, kJpegPrefix, bytes, size))
        return {};
    auto items = imaging::ReadExifProperties(bytes);
    if (items.empty() && size > bytes.size() && size <= static_cast<std::uint64_t>(imaging::kMaxImageFileBytes) &&
        ReadPrefix(path, size, bytes, size))
        items = imaging::ReadExifProperties(bytes);
    return items;
}

}  // namespace

bool GetShotDate(const std::filesystem::path& path, std::time_t& shotDate) {
    if (!HasDateExtension(path))
        return false;
    try {
        const std::vector<imaging::PropertyItem> items = DateProperties(path);
        for (std::uint32_t id : {36867u, 36868u, 306u}) {
            const auto item =
                std::find_if(items.begin(), items.end(), [&](const imaging::PropertyItem& p) { return p.id == id; });
            if (item != items.end() && !item->value.empty())
                return ParseShotDateText(reinterpret_cast<const char*>(item->value.data()), item->value.size(),
                                         shotDate);
        }
    } catch (...) {
    }
    return false;
}
