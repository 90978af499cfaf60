// Files cut short are refused where they are decoded; files with bytes a
// decoder skips and recovers from completely are not.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include <zlib.h>

#include "platform/imaging/Bitmap.h"
#include "platform/imaging/GifEncoder.h"
#include "platform/imaging/ImageDataCompleteness.h"
#include "platform/imaging/ImagingFixtures.h"
#include "tests/support/PeakMemory.h"

using namespace imaging;

namespace {

QImage Noise(int w, int h) {
    QImage image(w, h, QImage::Format_RGB888);
    std::uint32_t state = 12345;
    for (int y = 0; y < h; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < 3 * w; ++x) {
            state = state * 214013 + 2531011;
            row[x] = static_cast<uchar>(state >> 16);
        }
    }
    return image;
}

struct JpegKind {
    bool progressive = false;
    int restartRows = 0;  // a restart marker every so many MCU rows
    Bytes app1;           // an APP1 segment before the frame
};

// A noisy 96 x 64 JPEG from libjpeg.
Bytes NoisyJpeg(const JpegKind& kind) {
    const QImage image = Noise(96, 64);
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &mem, &size);
    cinfo.image_width = static_cast<JDIMENSION>(image.width());
    cinfo.image_height = static_cast<JDIMENSION>(image.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    if (kind.progressive)
        jpeg_simple_progression(&cinfo);
    cinfo.restart_in_rows = kind.restartRows;
    jpeg_start_compress(&cinfo, TRUE);
    if (!kind.app1.empty())
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, kind.app1.data(), static_cast<unsigned>(kind.app1.size()));
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[1] = {const_cast<JSAMPLE*>(image.constScanLine(static_cast<int>(cinfo.next_scanline)))};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(mem, mem + size);
    jpeg_destroy_compress(&cinfo);
    std::free(mem);
    return out;
}

Bytes Cut(const Bytes& file, std::size_t size) {
    return Bytes(file.begin(), file.begin() + std::min(size, file.size()));
}

// The offset of the first marker with this code after the SOI, found by
// walking the segments before the scan.
std::size_t MarkerOffset(const Bytes& jpeg, std::uint8_t code) {
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != code)
        at += 2 + (std::size_t{jpeg[at + 2]} << 8 | jpeg[at + 3]);
    return at;
}

Bytes Inserted(Bytes file, std::size_t at, const Bytes& bytes) {
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin(), bytes.end());
    return file;
}

struct JpegCase {
    const char* name;
    JpegKind kind;
};

class TruncatedJpeg : public ::testing::TestWithParam<JpegCase> {};

TEST_P(TruncatedJpeg, EveryCutIsRefusedAndTheWholeFileDecodes) {
    const Bytes jpeg = NoisyJpeg(GetParam().kind);
    ASSERT_GT(jpeg.size(), 4000u);
    EXPECT_TRUE(JpegDataIsComplete(jpeg));
    EXPECT_TRUE(ImageDataIsComplete(jpeg));
    EXPECT_TRUE(Bitmap::FromMemory(jpeg));

    // Cut in the headers, in the scans, just before the EOI and inside it.
    const std::size_t scan = MarkerOffset(jpeg, 0xDA);
    for (const std::size_t size : {std::size_t{3}, scan / 2, scan + 3, scan + 20, jpeg.size() * 3 / 10,
                                   jpeg.size() * 9 / 10, jpeg.size() - 2, jpeg.size() - 1}) {
        SCOPED_TRACE(size);
        const Bytes cut = Cut(jpeg, size);
        EXPECT_FALSE(JpegDataIsComplete(cut));
        EXPECT_FALSE(Bitmap::FromMemory(cut));
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, TruncatedJpeg,
                         ::testing::Values(JpegCase{"baseline", {}}, JpegCase{"progressive", {true, 0, {}}},
                                           JpegCase{"restart_markers", {false, 1, {}}},
                                           // An EXIF block that holds a whole JPEG, EOI and all: the
                                           // segment is stepped over by its length.
                                           JpegCase{"thumbnail_in_app1",
                                                    {false, 0,
                                                     [] {
                                                         Bytes app1 = {'E', 'x', 'i', 'f', 0, 0};
                                                         const Bytes thumb = LibjpegEncode({});
                                                         app1.insert(app1.end(), thumb.begin(), thumb.end());
                                                         return app1;
                                                     }()}}),
                         [](const auto& info) { return std::string(info.param.name); });

// Camera files often carry a few bytes between segments or after the scan;
// decoders skip them with a warning and lose nothing.
TEST(CompleteJpeg, ExtraneousBytesBeforeAMarkerAndDataAfterTheEndAreKept) {
    const Bytes jpeg = NoisyJpeg({});
    const std::size_t quantTables = MarkerOffset(jpeg, 0xDB);
    ASSERT_LT(quantTables, jpeg.size());
    const Bytes padded[] = {
        Inserted(jpeg, quantTables, {0x00, 0x00, 0x00, 0x00}),
        Inserted(jpeg, jpeg.size() - 2, {0x12, 0x34, 0x00}),
        Inserted(jpeg, jpeg.size(), {'t', 'r', 'a', 'i', 'l', 'e', 'r', 0xFF, 0xD8}),
    };
    const auto clean = Bitmap::FromMemory(jpeg);
    ASSERT_TRUE(clean);
    for (const Bytes& file : padded) {
        EXPECT_TRUE(JpegDataIsComplete(file));
        const auto bitmap = Bitmap::FromMemory(file);
        ASSERT_TRUE(bitmap);
        EXPECT_EQ(bitmap->Image(), clean->Image());
    }
}

// Qt's BMP and GIF readers also fill a file that ends early; PNG and TIFF
// readers refuse it by themselves. A BMP may lack the last row's padding.
TEST(TruncatedFiles, EveryFormatRefusesAFileCutInItsPixels) {
    const QImage image = Noise(61, 40);
    Bytes gif;
    ASSERT_TRUE(EncodeGif(image, gif));
    const Bytes files[] = {QtEncode(image, "bmp"), gif, QtEncode(image, "png"), QtEncode(image, "tiff"),
                           Bmp4(61, 40, 2835)};
    for (const Bytes& file : files) {
        SCOPED_TRACE(file.size());
        ASSERT_FALSE(file.empty());
        EXPECT_TRUE(ImageDataIsComplete(file));
        EXPECT_TRUE(Bitmap::FromMemory(file));
        EXPECT_FALSE(Bitmap::FromMemory(Cut(file, file.size() * 6 / 10)));
    }
    const Bytes bmp = QtEncode(image, "bmp");  // 24-bit rows of 183 bytes and 1 byte of padding
    EXPECT_TRUE(BmpDataIsComplete(Cut(bmp, bmp.size() - 1)));
    EXPECT_FALSE(BmpDataIsComplete(Cut(bmp, bmp.size() - 2)));
    EXPECT_FALSE(BmpDataIsComplete(Cut(bmp, 20)));
    Bytes huge = bmp;  // a header that claims the largest 32-bit bitmap there is
    PutLe(huge, 18, 0x7FFFFFFF, 4);
    PutLe(huge, 22, 0x7FFFFFFF, 4);
    PutLe(huge, 28, 32, 2);
    EXPECT_FALSE(BmpDataIsComplete(huge));
    // A GIF whose image is whole lacks only its trailer.
    EXPECT_TRUE(GifDataIsComplete(Cut(gif, gif.size() - 1)));
    EXPECT_FALSE(GifDataIsComplete(Cut(gif, gif.size() - 2)));
    EXPECT_FALSE(GifDataIsComplete(Cut(gif, 12)));
}

void AppendPngChunk(Bytes& png, const char* type, const Bytes& data, std::uint32_t claimedLength) {
    for (int shift = 24; shift >= 0; shift -= 8)
        png.push_back(static_cast<std::uint8_t>(claimedLength >> shift));
    const std::size_t typeAt = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), png.data() + typeAt, static_cast<uInt>(png.size() - typeAt));
    for (int shift = 24; shift >= 0; shift -= 8)
        png.push_back(static_cast<std::uint8_t>(crc >> shift));
}

// A 57-byte PNG of one pixel whose `type` chunk claims `claimed` bytes and
// holds none, every CRC right for the bytes there.
Bytes PngWithLongChunk(const char* type, std::uint32_t claimed) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    AppendPngChunk(png, "IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 2, 0, 0, 0}, 13);
    AppendPngChunk(png, type, {}, claimed);
    AppendPngChunk(png, "IEND", {}, 0);
    return png;
}

class LongPngChunk : public ::testing::TestWithParam<const char*> {};

// A chunk longer than the bytes left in the file is refused before libpng
// (Qt's reader) allocates what it claims.
TEST_P(LongPngChunk, IsRefusedWithinAHundredMegabytes) {
    const Bytes png = PngWithLongChunk(GetParam(), 0x3FFFFFF0);
    ASSERT_EQ(png.size(), 57u);
    EXPECT_FALSE(ImageDataIsComplete(png));
    const peakmemory::Outcome outcome = peakmemory::MeasureInChild([&] { return Bitmap::FromMemory(png) == nullptr; });
    ASSERT_GE(outcome.peakGrowth, 0);
    EXPECT_TRUE(outcome.workSaid);
    EXPECT_LT(outcome.peakGrowth, std::int64_t{100} << 20);
    // The same chunk holding what it claims is whole.
    const Bytes whole = PngWithLongChunk(GetParam(), 0);
    EXPECT_TRUE(ImageDataIsComplete(whole));
}

INSTANTIATE_TEST_SUITE_P(Chunks, LongPngChunk, ::testing::Values("tEXt", "zTXt", "iTXt", "sPLT", "pCAL", "sCAL"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
