#include "imagefiles/PixelFormatProbe.h"

#include "imagefiles/PixelFormatCodes.h"
#include "support/FileFixtures.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
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

TEST(PixelFormatProbe, AcceptedCodes) {
  for (std::uint32_t code : {0x30101u, 0x30402u, 0x30803u, 0x101004u, 0x21005u, 0x21006u, 0x61007u, 0x21808u,
                             0x22009u, 0x26200Au, 0xE200Bu, 0x10300Cu, 0x34400Du, 0x1C400Eu}) {
    EXPECT_TRUE(IsAcceptedPixelFormat(code)) << std::hex << code;
  }
  for (std::uint32_t code : {0x0u, 0x200Fu, 0x30804u, 0xFFFFFFFFu}) EXPECT_FALSE(IsAcceptedPixelFormat(code)) << code;
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
  ASSERT_TRUE(WriteFile(path("palette.gif"), kTinyGif));
  ASSERT_TRUE(WriteFile(path("cmyk.jpg"), CmykJpeg()));
  ASSERT_TRUE(WriteFile(path("text.jpg"), "this is not an image\n"));

  struct Case {
    const char* name;
    std::uint32_t code;
    bool supported;
  };
  for (const Case& c : {Case{"rgb.jpg", PixelFormatCode::RGB24, true},
                        Case{"alpha.png", PixelFormatCode::ARGB32, true},
                        Case{"grey.jpg", PixelFormatCode::Indexed8, true},
                        Case{"palette.gif", PixelFormatCode::Indexed8, true},
                        Case{"cmyk.jpg", PixelFormatCode::CMYK32, false},
                        Case{"text.jpg", PixelFormatCode::Undefined, false},
                        Case{"missing.png", PixelFormatCode::Undefined, false}}) {
    EXPECT_EQ(ProbePixelFormat(path(c.name)), c.code) << c.name;
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
  EXPECT_EQ(ProbePixelFormat(path), PixelFormatCode::CMYK32);
}

TEST(PixelFormatProbe, JpegComponentCount) {
  const QByteArray sof("\xFF\xC0\x00\x0B\x08\x00\x08\x00\x08\x03", 10);
  const QByteArray app0("\xFF\xE0\x00\x04\xAB\xCD", 6);
  const QByteArray dht("\xFF\xC4\x00\x03\x00", 5);
  const QByteArray soi("\xFF\xD8", 2);
  struct Case {
    QByteArray bytes;
    int components;
  };
  for (const Case& c : {
           Case{soi + sof, 3},
           Case{soi + app0 + QByteArray("\xFF\xFF", 2) + dht + sof, 3},  // segments and fill bytes first
           Case{soi + QByteArray("\xFF\xC2\x00\x0B\x08\x00\x08\x00\x08\x04", 10), 4},
           Case{soi + sof.left(9), 0},                          // cut before the count
           Case{soi + QByteArray("\xFF\xDA\x00\x02", 4) + sof, 0},  // a scan before any frame
           Case{soi + QByteArray("\xFF\xE1\x00\x01", 4) + sof, 0},  // a length below 2
           Case{soi + QByteArray("\xFF\xE1\xFF\xFF", 4) + sof, 0},  // a segment past the end
           Case{soi + QByteArray("\x00\xC0", 2), 0},
           Case{sof, 0},
           Case{QByteArray(), 0},
       }) {
    EXPECT_EQ(JpegComponentCount(c.bytes), c.components) << c.bytes.toHex().constData();
  }
}

}  // namespace
