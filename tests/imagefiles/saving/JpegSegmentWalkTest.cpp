// The EXIF thumbnail reader and the save path's EXIF search walk a JPEG's
// segments through the one walker, by their lengths: marker-like bytes inside
// a segment's body are data, not markers.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ExifFixtures.h"
#include "imagefiles/ExifThumbnail.h"
#include "platform/imaging/ExifBlock.h"
#include "platform/imaging/JpegSegments.h"

using namespace exiffixtures;

namespace {

Layout ThumbnailLayout() {
    Layout l;
    l.ifd0 = {{256, 4, 1, 640}, {257, 4, 1, 480}};
    l.ifd1 = RgbIfd1(4, 3);
    l.thumbnail = GradientRgb(4, 3);
    return l;
}

// An APP0 body holding the bytes of a start of scan and of an APP1 marker,
// then the real EXIF APP1.
Bytes JpegWithMarkerBytesInApp0() {
    Bytes app0 = {'J', 'F', 'I', 'F', 0, 1, 2, 0, 0, 1, 0, 1, 0, 0};
    app0.insert(app0.end(), {0xFF, 0xDA, 0x00, 0x08, 0xFF, 0xE1, 0x00, 0x10, 'X', 'M', 'P', 0});
    return JpegWith({{0xE0, app0}, {0xE1, ExifPayload(BuildTiff(ThumbnailLayout()))}});
}

std::vector<std::uint32_t> Markers(const Bytes& file) {
    std::vector<std::uint32_t> markers;
    imaging::ForEachJpegSegment(file, [&](std::uint32_t marker, std::span<const std::uint8_t>) {
        markers.push_back(marker);
        return true;
    });
    return markers;
}

}  // namespace

TEST(JpegSegmentWalk, StepsOverMarkerBytesInsideABody) {
    const Bytes file = JpegWithMarkerBytesInApp0();
    EXPECT_EQ(Markers(file), (std::vector<std::uint32_t>{0xE0, 0xE1}));
}

TEST(JpegSegmentWalk, ThumbnailReaderAndSavePathAgree) {
    const Bytes file = JpegWithMarkerBytesInApp0();
    // The save path finds the EXIF block...
    EXPECT_FALSE(imaging::FindExifTiffBlock(file).empty());
    // ...and so does the thumbnail reader (a byte scan stopped at the FF DA).
    ThumbnailBox box{4, 3};
    int w = 0, h = 0;
    const PackedDib dib = ReadJpegExifThumbnail(std::span<const std::uint8_t>(file), box, w, h);
    ASSERT_TRUE(dib);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_EQ(dib.Header().biWidth, 4);
}

TEST(JpegSegmentWalk, RefusesDataWithoutStartOfImage) {
    Bytes file = JpegWithMarkerBytesInApp0();
    file[1] = 0xD9;
    EXPECT_TRUE(Markers(file).empty());
    EXPECT_TRUE(imaging::FindExifTiffBlock(file).empty());
}

TEST(JpegSegmentWalk, StopsAtALengthPastTheEnd) {
    Bytes file = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x40, 'J', 'F'};
    bool visited = false;
    EXPECT_FALSE(imaging::ForEachJpegSegment(file, [&](std::uint32_t, std::span<const std::uint8_t>) {
        visited = true;
        return true;
    }));
    EXPECT_FALSE(visited);
}
