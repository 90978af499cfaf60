#include <gtest/gtest.h>

#include <functional>

#include "ImagingFixtures.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/HeaderProbe.h"

using namespace imaging;

namespace {

QImage Filled(int w, int h, QImage::Format format) {
    QImage image(w, h, format);
    if (format == QImage::Format_Mono) {
        image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        image.fill(1);
    } else {
        image.fill(Qt::darkCyan);
    }
    return image;
}

struct ProbeCase {
    const char* name;
    std::function<Bytes()> file;
    ImageFileType type;
    PixelFormat format;
    double dpiX;
    double dpiY;
};

void PrintTo(const ProbeCase& c, std::ostream* os) { *os << c.name; }

class HeaderProbeFormats : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(HeaderProbeFormats, ReportsFormatAndResolutionOfTheFile) {
    const ProbeCase& c = GetParam();
    const Bytes file = c.file();
    ASSERT_FALSE(file.empty());
    const auto header = ProbeImageHeader(file);
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->type, c.type);
    EXPECT_EQ(header->pixelFormat, c.format);
    EXPECT_NEAR(header->dpiX, c.dpiX, 0.05);
    EXPECT_NEAR(header->dpiY, c.dpiY, 0.05);
    EXPECT_GT(header->width, 0);

    // The decoded bitmap reports the same, with its pixels at the file's size.
    const auto bitmap = Bitmap::FromMemory(file);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->GetPixelFormat(), c.format);
    EXPECT_NEAR(bitmap->HorizontalResolution(), c.dpiX, 0.05);
    EXPECT_NEAR(bitmap->VerticalResolution(), c.dpiY, 0.05);
    EXPECT_EQ(bitmap->Width(), header->width);
    EXPECT_EQ(bitmap->Height(), header->height);
}

INSTANTIATE_TEST_SUITE_P(
    Files, HeaderProbeFormats,
    ::testing::Values(ProbeCase{"png_1bit", [] { return QtEncode(Filled(9, 5, QImage::Format_Mono), "png", 150); },
                                ImageFileType::Png, PixelFormat1bppIndexed, 150, 150},
                      ProbeCase{"png_16bit_grey",
                                [] { return QtEncode(Filled(7, 3, QImage::Format_Grayscale16), "png", 300); },
                                ImageFileType::Png, PixelFormat16bppGrayScale, 300, 300},
                      ProbeCase{"png_argb", [] { return QtEncode(Filled(4, 4, QImage::Format_ARGB32), "png", 72); },
                                ImageFileType::Png, PixelFormat32bppARGB, 72, 72},
                      ProbeCase{"bmp_4bit", [] { return Bmp4(10, 3, 2835); }, ImageFileType::Bmp,
                                PixelFormat4bppIndexed, 72.009, 72.009},
                      ProbeCase{"bmp_without_resolution", [] { return Bmp4(4, 4, 0); }, ImageFileType::Bmp,
                                PixelFormat4bppIndexed, 96, 96},
                      ProbeCase{"tiff_48bit", [] { return QtEncode(Filled(5, 6, QImage::Format_RGBX64), "tiff", 200); },
                                ImageFileType::Tiff, PixelFormat48bppRGB, 200, 200},
                      ProbeCase{"tiff_24bit", [] { return QtEncode(Filled(5, 6, QImage::Format_RGB888), "tiff", 240); },
                                ImageFileType::Tiff, PixelFormat24bppRGB, 240, 240},
                      ProbeCase{"jpeg_cmyk",
                                [] {
                                    return LibjpegEncode({16, 8, 4, 0, 1, 1, {}});
                                },
                                ImageFileType::Jpeg, PixelFormat32bppCMYK, 96, 96},
                      ProbeCase{"jpeg_grey_jfif_dpi",
                                [] {
                                    return LibjpegEncode({8, 8, 1, 1, 300, 200, {}});
                                },
                                ImageFileType::Jpeg, PixelFormat8bppIndexed, 300, 200},
                      ProbeCase{"jpeg_jfif_per_cm",
                                [] {
                                    return LibjpegEncode({8, 8, 3, 2, 100, 100, {}});
                                },
                                ImageFileType::Jpeg, PixelFormat24bppRGB, 254, 254},
                      ProbeCase{"jpeg_exif_resolution",
                                [] {
                                    return LibjpegEncode({8, 8, 3, 0, 1, 1,
                                                          ExifApp1({{282, 5, 1, Rational(180, 1)},
                                                                    {283, 5, 1, Rational(360, 2)},
                                                                    {296, 3, 1, Le(2, 2)}})});
                                },
                                ImageFileType::Jpeg, PixelFormat24bppRGB, 180, 180},
                      ProbeCase{"jpeg_without_resolution",
                                [] {
                                    return LibjpegEncode({8, 8, 3, 0, 1, 1, {}});
                                },
                                ImageFileType::Jpeg, PixelFormat24bppRGB, 96, 96}));

TEST(HeaderProbe, CmykJpegIsReportedAsCmykButStillDecodes) {
    const auto bitmap = Bitmap::FromMemory(LibjpegEncode({16, 8, 4, 0, 1, 1, {}}));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->GetPixelFormat(), PixelFormat32bppCMYK);
    EXPECT_EQ(bitmap->Width(), 16);
    EXPECT_EQ(bitmap->Height(), 8);
}

TEST(HeaderProbe, EveryTruncationOfAHeaderFailsCleanlyOrStaysConsistent) {
    const Bytes files[] = {
        QtEncode(Filled(9, 5, QImage::Format_Mono), "png", 150),
        Bmp4(10, 3, 2835),
        QtEncode(Filled(5, 6, QImage::Format_RGBX64), "tiff", 200),
        LibjpegEncode({8, 8, 3, 0, 1, 1, ExifApp1({{282, 5, 1, Rational(180, 1)}})}),
    };
    for (const Bytes& file : files) {
        const auto full = ProbeImageHeader(file);
        ASSERT_TRUE(full.has_value());
        for (std::size_t n = 0; n < std::min<std::size_t>(file.size(), 400); ++n) {
            const auto cut = ProbeImageHeader(std::span(file.data(), n));
            if (cut) {  // enough of the header was there: the same size
                EXPECT_EQ(cut->width, full->width);
                EXPECT_EQ(cut->height, full->height);
            }
        }
    }
}

TEST(HeaderProbe, RejectsUnknownAndZeroSizedHeaders) {
    EXPECT_FALSE(ProbeImageHeader(Bytes{'h', 'e', 'l', 'l', 'o'}).has_value());
    Bytes bmp = Bmp4(4, 4, 0);
    PutLe(bmp, 18, 0, 4);  // width 0
    EXPECT_FALSE(ProbeImageHeader(bmp).has_value());
    Bytes tiff = TiffBlock({{256, 3, 1, Le(0, 2)}, {257, 3, 1, Le(5, 2)}});
    EXPECT_FALSE(ProbeImageHeader(tiff).has_value());
    // An IFD whose entry count runs past the end of the data.
    Bytes broken = TiffBlock({{256, 3, 1, Le(4, 2)}, {257, 3, 1, Le(5, 2)}});
    PutLe(broken, 8, 0xFFFF, 2);
    EXPECT_FALSE(ProbeImageHeader(broken).has_value());
}

TEST(HeaderProbe, TiffResolutionInCentimetresAndWithoutUnit) {
    Bytes perCm = TiffBlock({{256, 3, 1, Le(4, 2)},
                             {257, 3, 1, Le(5, 2)},
                             {262, 3, 1, Le(2, 2)},
                             {277, 3, 1, Le(3, 2)},
                             {258, 3, 3, {8, 0, 8, 0, 8, 0}},
                             {282, 5, 1, Rational(100, 1)},
                             {283, 5, 1, Rational(50, 1)},
                             {296, 3, 1, Le(3, 2)}});
    auto header = ProbeImageHeader(perCm);
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->pixelFormat, PixelFormat24bppRGB);
    EXPECT_NEAR(header->dpiX, 254, 1e-9);
    EXPECT_NEAR(header->dpiY, 127, 1e-9);

    Bytes noUnit = TiffBlock({{256, 3, 1, Le(4, 2)},
                              {257, 3, 1, Le(5, 2)},
                              {262, 3, 1, Le(5, 2)},
                              {277, 3, 1, Le(4, 2)},
                              {282, 5, 1, Rational(300, 1)},
                              {283, 5, 1, Rational(300, 1)},
                              {296, 3, 1, Le(1, 2)}});
    header = ProbeImageHeader(noUnit);
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->pixelFormat, PixelFormat32bppCMYK);
    EXPECT_EQ(header->dpiX, kDefaultDpi);
}

}  // namespace
