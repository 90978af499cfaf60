#include "imagefiles/PixelFormatProbe.h"

#include "support/FileFixtures.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <jpeglib.h>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <vector>

namespace {

// A real CMYK JPEG from the reference encoder.
QByteArray CmykJpeg() {
    jpeg_compress_struct c{};
    jpeg_error_mgr error{};
    c.err = jpeg_std_error(&error);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = 8;
    c.image_height = 8;
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(8 * 4, 0x40);
    while (c.next_scanline < c.image_height) {
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return bytes;
}

// A 1 × 1 two-colour GIF.
const QByteArray kTinyGif(
    "GIF89a\x01\x00\x01\x00\x80\x00\x00"
    "\x00\x00\x00\xff\xff\xff"
    ",\x00\x00\x00\x00\x01\x00\x01\x00\x00"
    "\x02\x02\x44\x01\x00;",
    35);

// Little-endian numbers appended to a byte block.
void Put16(QByteArray& out, std::uint32_t v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(QByteArray& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// A 2 × 2 BMP with 4 bits per pixel and a 16-colour grey palette.
QByteArray FourBitBmp() {
    constexpr std::uint32_t kPixelsAt = 14 + 40 + 16 * 4;
    constexpr std::uint32_t kRowBytes = 4;  // two pixels in one byte, padded to 4
    QByteArray bmp("BM");
    Put32(bmp, kPixelsAt + 2 * kRowBytes);
    Put32(bmp, 0);
    Put32(bmp, kPixelsAt);
    for (std::uint32_t v : {40u, 2u, 2u})
        Put32(bmp, v);  // info size, width, height
    Put16(bmp, 1);      // planes
    Put16(bmp, 4);      // bits per pixel
    for (std::uint32_t v : {0u, 2 * kRowBytes, 2835u, 2835u, 16u, 0u})
        Put32(bmp, v);
    for (std::uint32_t i = 0; i < 16; ++i)
        Put32(bmp, i * 0x111111);
    for (int row = 0; row < 2; ++row)
        Put32(bmp, 0x0000001F);  // indices 1 and 15
    return bmp;
}

// A 2 × 1 uncompressed CMYK TIFF, 8 bits per sample, little-endian.
QByteArray CmykTiff() {
    struct Entry {
        std::uint32_t tag, type, count, value;
    };
    constexpr std::uint32_t kShort = 3, kLong = 4;
    constexpr std::uint32_t kEntries = 10;
    constexpr std::uint32_t kBitsAt = 8 + 2 + kEntries * 12 + 4;
    constexpr std::uint32_t kPixelsAt = kBitsAt + 4 * 2;
    const Entry entries[kEntries] = {
        {256, kShort, 1, 2},    {257, kShort, 1, 1},        {258, kShort, 4, kBitsAt}, {259, kShort, 1, 1},
        {262, kShort, 1, 5},    {273, kLong, 1, kPixelsAt}, {277, kShort, 1, 4},       {278, kShort, 1, 1},
        {279, kLong, 1, 2 * 4}, {284, kShort, 1, 1},
    };
    QByteArray tiff("II");
    Put16(tiff, 42);
    Put32(tiff, 8);
    Put16(tiff, kEntries);
    for (const Entry& e : entries) {
        Put16(tiff, e.tag);
        Put16(tiff, e.type);
        Put32(tiff, e.count);
        Put32(tiff, e.value);  // a SHORT value sits in the low half, as little-endian stores it
    }
    Put32(tiff, 0);  // no further directory
    for (int i = 0; i < 4; ++i)
        Put16(tiff, 8);
    tiff.append(QByteArray(2 * 4, '\x40'));
    return tiff;
}

TEST(PixelFormatProbe, AcceptedCodes) {
    for (std::uint32_t code : {0x30101u, 0x30402u, 0x30803u, 0x101004u, 0x21005u, 0x21006u, 0x61007u, 0x21808u,
                               0x22009u, 0x26200Au, 0xE200Bu, 0x10300Cu, 0x34400Du, 0x1C400Eu}) {
        EXPECT_TRUE(IsAcceptedPixelFormat(code)) << std::hex << code;
    }
    for (std::uint32_t code : {0x0u, 0x200Fu, 0x30804u, 0xFFFFFFFFu})
        EXPECT_FALSE(IsAcceptedPixelFormat(code)) << code;
}

TEST(PixelFormatProbe, FilesTheCellsMayDecode) {
    QTemporaryDir dir;
    const auto path = [&](const char* name) { return dir.filePath(QString::fromUtf8(name)); };
    QImage rgb(8, 8, QImage::Format_RGB32);
    rgb.fill(Qt::darkGreen);
    ASSERT_TRUE(rgb.save(path("rgb.jpg")));
    QImage alpha(8, 8, QImage::Format_ARGB32);
    alpha.fill(QColor(10, 20, 30, 128));
    ASSERT_TRUE(alpha.save(path("alpha.png")));
    ASSERT_TRUE(rgb.convertToFormat(QImage::Format_Grayscale8).save(path("grey.jpg")));
    ASSERT_TRUE(rgb.convertToFormat(QImage::Format_Grayscale16).save(path("grey16.png")));
    ASSERT_TRUE(rgb.convertToFormat(QImage::Format_Mono).save(path("mono.png")));
    ASSERT_TRUE(WriteFile(path("palette.gif"), kTinyGif));
    ASSERT_TRUE(WriteFile(path("four.bmp"), FourBitBmp()));
    ASSERT_TRUE(WriteFile(path("cmyk.jpg"), CmykJpeg()));
    ASSERT_TRUE(WriteFile(path("cmyk.tif"), CmykTiff()));
    ASSERT_TRUE(WriteFile(path("text.jpg"), "this is not an image\n"));
    ASSERT_TRUE(WriteFile(path("empty.png"), QByteArray()));
    // The fixtures are real images, not just headers.
    for (const char* name : {"four.bmp", "cmyk.tif"})
        EXPECT_FALSE(QImage(path(name)).isNull()) << name;

    using namespace imaging;
    struct Case {
        const char* name;
        PixelFormat format;
        bool supported;
    };
    for (const Case& c :
         {Case{"rgb.jpg", PixelFormat24bppRGB, true}, Case{"alpha.png", PixelFormat32bppARGB, true},
          Case{"grey.jpg", PixelFormat8bppIndexed, true}, Case{"grey16.png", PixelFormat16bppGrayScale, true},
          Case{"mono.png", PixelFormat1bppIndexed, true}, Case{"palette.gif", PixelFormat8bppIndexed, true},
          Case{"four.bmp", PixelFormat4bppIndexed, true}, Case{"cmyk.jpg", PixelFormat32bppCMYK, false},
          Case{"cmyk.tif", PixelFormat32bppCMYK, false}, Case{"text.jpg", PixelFormatUndefined, false},
          Case{"empty.png", PixelFormatUndefined, false}, Case{"missing.png", PixelFormatUndefined, false}}) {
        EXPECT_EQ(ProbePixelFormat(path(c.name)), c.format) << c.name;
        EXPECT_EQ(IsSupportedImagePixelFormat(path(c.name)), c.supported) << c.name;
    }
}

TEST(PixelFormatProbe, FrameHeaderBehindLargeMetadata) {
    // Three full-size segments put the frame header past the first 128 KiB.
    QByteArray segment("\xFF\xEF\xFF\xFF", 4);
    segment.append(QByteArray(0xFFFF - 2, 'm'));
    const QByteArray plain = CmykJpeg();
    const QByteArray padded = plain.left(2) + segment + segment + segment + plain.mid(2);
    ASSERT_GT(padded.size(), 128 << 10);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("meta.jpg"));
    ASSERT_TRUE(WriteFile(path, padded));
    EXPECT_EQ(ProbePixelFormat(path), imaging::PixelFormat32bppCMYK);
    EXPECT_FALSE(IsSupportedImagePixelFormat(path));
}

TEST(PixelFormatProbe, MalformedJpegHeadersAreRefused) {
    // A segment length counts its own two bytes: 0 and 1 are invalid. A frame
    // header cut short, or a scan before any frame, gives no format either.
    const QByteArray jpeg = CmykJpeg();
    const QByteArray soi = jpeg.left(2);
    const qsizetype sofAt = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sofAt, 0);
    QTemporaryDir dir;
    int n = 0;
    for (const QByteArray& bytes :
         {soi + QByteArray("\xFF\xE1\x00\x01", 4) + jpeg.mid(2), soi + QByteArray("\xFF\xE1\x00\x00", 4) + jpeg.mid(2),
          soi + QByteArray("\xFF\xDA\x00\x02", 4) + jpeg.mid(2), jpeg.left(sofAt + 8)}) {
        const QString path = dir.filePath(QStringLiteral("bad%1.jpg").arg(++n));
        ASSERT_TRUE(WriteFile(path, bytes));
        EXPECT_EQ(ProbePixelFormat(path), imaging::PixelFormatUndefined) << bytes.left(64).toHex().constData();
        EXPECT_FALSE(IsSupportedImagePixelFormat(path)) << n;
    }
}

}  // namespace
