// JPEG-compressed thumbnails, decoded with the system's own codec.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "ExifFixtures.h"
#include "imagefiles/ExifThumbnail.h"
#include "imagefiles/kestrel/Kestrel.h"
#include "imagefiles/kestrel/MemStreams.h"

using namespace exiffixtures;

namespace {

// A flat-coloured w x h JPEG from the Kestrel encoder.
Bytes FlatJpeg(int w, int h, bool colour, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    platform::CMemFile file;
    OSSStream stream(file);
    std::unique_ptr<Kestrel::Coder, Kestrel::CoderDeleter> coder(
        Kestrel::CreateCoder(stream, w, h, colour, 95, false, false, 0, 1, 1));
    std::vector<std::uint8_t> row;
    for (int x = 0; x < w; ++x) {
        if (colour)
            row.insert(row.end(), {r, g, b});
        else
            row.push_back(g);
    }
    for (int y = 0; y < h; ++y)
        coder->WriteLine(row.data());
    coder.reset();
    return file.Detach();
}

Bytes JpegWithJpegThumbnail(const Bytes& thumbnail) {
    Layout l;
    l.ifd0 = {{256, 4, 1, 640}, {257, 4, 1, 480}};
    l.ifd1 = {{259, 3, 1, 6}, {513, 4, 1, 0}, {514, 4, 1, 0}};
    l.thumbnail = thumbnail;
    return JpegWith({{0xE1, ExifPayload(BuildTiff(l))}});
}

bool Near(int a, int b) { return std::abs(a - b) <= 3; }

PackedDib Read(const Bytes& file, ThumbnailBox& box) {
    int w = 0, h = 0;
    return ReadJpegExifThumbnail(std::span<const std::uint8_t>(file), box, w, h);
}

TEST(ExifJpegThumbnail, ColourThumbnailIsFittedAndStoredBgr) {
    const Bytes file = JpegWithJpegThumbnail(FlatJpeg(160, 120, true, 200, 100, 30));
    ThumbnailBox box{100, 100};
    int w = 0, h = 0;
    const PackedDib dib = ReadJpegExifThumbnail(std::span<const std::uint8_t>(file), box, w, h);
    ASSERT_TRUE(dib);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_EQ(box.width, 100);
    EXPECT_EQ(box.height, 75);
    const std::uint8_t* px = dib.block.get() + 40 + 37 * DibStride(100, 24) + 3 * 51;
    EXPECT_TRUE(Near(px[0], 30)) << int(px[0]);
    EXPECT_TRUE(Near(px[1], 100)) << int(px[1]);
    EXPECT_TRUE(Near(px[2], 200)) << int(px[2]);
}

TEST(ExifJpegThumbnail, GreyThumbnailBecomesThreeEqualBytes) {
    const Bytes file = JpegWithJpegThumbnail(FlatJpeg(40, 30, false, 0, 90, 0));
    ThumbnailBox box{40, 30};
    const PackedDib dib = Read(file, box);
    ASSERT_TRUE(dib);
    const std::size_t stride = DibStride(40, 24);
    for (int y : {0, 29})
        for (int x : {0, 39}) {
            const std::uint8_t* px = dib.block.get() + 40 + y * stride + 3 * x;
            EXPECT_TRUE(Near(px[0], 90) && px[0] == px[1] && px[1] == px[2]) << int(px[0]) << " " << int(px[2]);
        }
}

TEST(ExifJpegThumbnail, MalformedJpegIsTheFileException) {
    Bytes bad = FlatJpeg(16, 16, true, 1, 2, 3);
    bad.resize(bad.size() / 3);  // cut inside the scan
    const Bytes cut = JpegWithJpegThumbnail(bad);
    const Bytes garbage = JpegWithJpegThumbnail(Bytes(64, 0x5A));
    for (const Bytes* file : {&cut, &garbage}) {
        ThumbnailBox box{16, 16};
        EXPECT_THROW(Read(*file, box), CFileException);
    }
}

TEST(ExifJpegThumbnail, HeaderClaimingMorePixelsThanTheBytesCanHoldIsNoThumbnail) {
    Bytes jpeg = FlatJpeg(16, 16, true, 1, 2, 3);
    // SOF0: FF C0, length, precision, then height and width.
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = jpeg[i + 6] = jpeg[i + 7] = jpeg[i + 8] = 0xFF;  // 65535 x 65535
            break;
        }
    const Bytes file = JpegWithJpegThumbnail(jpeg);
    ThumbnailBox box{16, 16};
    EXPECT_FALSE(Read(file, box));
}

}  // namespace
