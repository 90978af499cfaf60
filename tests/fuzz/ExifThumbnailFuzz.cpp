// The EXIF and TIFF thumbnail readers and the date parser over arbitrary
// bytes. The first byte picks how the rest is used:
//   0: as a whole JPEG file, as a whole TIFF file and as the TIFF structure
//      of a JPEG's EXIF segment;
//   1, 2: as patches (2-byte offset, byte) applied to a well-formed camera
//      JPEG (1) or TIFF (2) with a JPEG thumbnail, so that the directory walk
//      and the thumbnail decoder are reached from the first run.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <span>
#include <vector>

#include "imagefiles/ExifThumbnail.h"
#include "imagefiles/ShotDate.h"
#include "imagefiles/kestrel/Kestrel.h"
#include "imagefiles/kestrel/MemStreams.h"
#include "imagefiles/saving/ExifFixtures.h"

using namespace exiffixtures;

namespace {

Bytes g_jpegTemplate, g_tiffTemplate;

Bytes GradientJpeg(int w, int h) {
    platform::CMemFile file;
    OSSStream stream(file);
    std::unique_ptr<Kestrel::Coder, Kestrel::CoderDeleter> coder(
        Kestrel::CreateCoder(stream, w, h, true, 75, false, false, 0, 1, 1));
    std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w * 3; ++x)
            row[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(x * 7 + y * 13);
        coder->WriteLine(row.data());
    }
    coder.reset();
    return file.Detach();
}

Layout CameraLayout() {
    Layout l;
    l.ifd0 = {{271, 2, 4, 0x00414141}, {256, 4, 1, 6000}, {257, 4, 1, 4000}};
    l.exifIfd = {{40962, 3, 1, 6000}, {40963, 4, 1, 4000}};
    l.ifd1 = {{256, 4, 1, 16}, {257, 4, 1, 12}, {259, 3, 1, 6}, {513, 4, 1, 0}, {514, 4, 1, 0}};
    l.thumbnail = GradientJpeg(16, 12);
    return l;
}

void Read(std::span<const std::uint8_t> bytes, bool jpeg, ThumbnailBox box) {
    int w = 0, h = 0;
    try {
        const PackedDib dib = jpeg ? ReadJpegExifThumbnail(bytes, box, w, h) : ReadTiffExifThumbnail(bytes, box, w, h);
        if (dib && (box.width < 1 || box.height < 1 || dib.bytes < 40))
            __builtin_trap();
    } catch (const CFileException&) {
    }
}

Bytes Patched(const Bytes& base, const std::uint8_t* data, std::size_t size) {
    Bytes out = base;
    for (std::size_t i = 0; i + 3 <= size; i += 3)
        out[(data[i] | data[i + 1] << 8) % out.size()] = data[i + 2];
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const Layout layout = CameraLayout();
    g_jpegTemplate = JpegWith({{0xE1, ExifPayload(BuildTiff(layout))}});
    g_tiffTemplate = BuildTiff(layout, 64);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t mode = data[0] % 3;
    ++data;
    --size;
    const ThumbnailBox box{size > 0 ? 1 + data[0] % 97 : 64, size > 1 ? 1 + data[1] % 89 : 48};
    if (mode == 1) {
        Read(Patched(g_jpegTemplate, data, size), true, box);
        return 0;
    }
    if (mode == 2) {
        Read(Patched(g_tiffTemplate, data, size), false, box);
        return 0;
    }
    const std::span<const std::uint8_t> bytes(data, size);
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
