#include "platform/imaging/ExifBlock.h"

#include <cstring>

#include "platform/imaging/HeaderProbe.h"
#include "platform/imaging/JpegSegments.h"
#include "platform/imaging/TiffDirectory.h"

namespace imaging {

std::span<const std::uint8_t> FindExifTiffBlock(std::span<const std::uint8_t> file) {
    const auto type = SniffImageFileType(file);
    if (type == ImageFileType::Tiff)
        return file;
    std::span<const std::uint8_t> exif;
    if (type == ImageFileType::Jpeg)
        ForEachJpegSegment(file, [&](std::uint32_t marker, std::span<const std::uint8_t> body) {
            if (marker == 0xE1 && body.size() > 6 && std::memcmp(body.data(), "Exif\0\0", 6) == 0)
                exif = body.subspan(6);
            return exif.empty();
        });
    return exif;
}

std::vector<std::uint8_t> RawMakerNote(std::span<const std::uint8_t> tiff) {
    const auto ifd0 = TiffDirectory::ReadFirst(tiff);
    if (!ifd0)
        return {};
    const auto exifOffset = ifd0->Unsigned(kExifIfdPointerTag);
    if (!exifOffset)
        return {};
    const auto exif = ifd0->ReadSub(*exifOffset);
    const TiffEntry* note = exif ? exif->Find(kMakerNoteTag) : nullptr;
    if (!note)
        return {};
    const auto bytes = exif->RawValue(*note);
    return {bytes.begin(), bytes.end()};
}

}  // namespace imaging
