// The EXIF and TIFF thumbnail readers and the date parser over arbitrary
// bytes. The input is read as a whole JPEG file, as a whole TIFF file and as
// the TIFF structure of a JPEG's EXIF segment, so that the directory walk is
// reached without the fuzzer first having to find the JPEG framing.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <span>
#include <vector>

#include "imagefiles/ExifThumbnail.h"
#include "imagefiles/ShotDate.h"

namespace {

void Read(std::span<const std::uint8_t> bytes, bool jpeg, ThumbnailBox box) {
    int w = 0, h = 0;
    try {
        const PackedDib dib = jpeg ? ReadJpegExifThumbnail(bytes, box, w, h) : ReadTiffExifThumbnail(bytes, box, w, h);
        if (dib && (box.width < 1 || box.height < 1 || dib.bytes < 40))
            __builtin_trap();
    } catch (const CFileException&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const ThumbnailBox box{size > 0 ? 1 + data[0] % 97 : 64, size > 1 ? 1 + data[1] % 89 : 48};
    Read(bytes, true, box);
    Read(bytes, false, box);

    std::vector<std::uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    const std::size_t length = std::min<std::size_t>(size + 8, 0xFFFF);
    jpeg[4] = static_cast<std::uint8_t>(length >> 8);
    jpeg[5] = static_cast<std::uint8_t>(length);
    jpeg.insert(jpeg.end(), data, data + size);
    Read(jpeg, true, box);

    std::time_t t;
    ParseShotDateText(reinterpret_cast<const char*>(data), size, t);
    return 0;
}
