#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "ImagingFixtures.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BitmapLock.h"
#include "platform/imaging/HeaderProbe.h"
#include "platform/imaging/ImageEncoder.h"
#include "platform/imaging/TiffDirectory.h"

using namespace imaging;

namespace {

// A smooth 24-bit test picture.
std::unique_ptr<Bitmap> Picture(int w, int h) {
    auto bitmap = Bitmap::Create(w, h, PixelFormat24bppRGB);
    auto lock = bitmap->LockBits({0, 0, w, h}, LockMode::Write);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = lock->Scan0() + y * lock->Stride() + 3 * x;
            p[0] = static_cast<std::uint8_t>(x * 255 / w);
            p[1] = static_cast<std::uint8_t>(y * 255 / h);
            p[2] = static_cast<std::uint8_t>(128 + 100 * std::sin(x * 0.1));
        }
    return bitmap;
}

double Psnr(const Bitmap& a, const Bitmap& b) {
    double sum = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            const QRgb p = a.Image().pixel(x, y), q = b.Image().pixel(x, y);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)})
                sum += d * d;
        }
    const double mse = sum / (3.0 * a.Width() * a.Height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

struct EncoderCase {
    const char* mime;
    ImageFileType type;
    PixelFormat format;
    double dpi;      // what the file reports back
    double minPsnr;  // against the original pixels
};

void PrintTo(const EncoderCase& c, std::ostream* os) { *os << c.mime; }

class EncoderFormats : public ::testing::TestWithParam<EncoderCase> {};

TEST_P(EncoderFormats, WritesAFileThatDecodesToTheImage) {
    const EncoderCase& c = GetParam();
    auto bitmap = Picture(61, 37);
    ASSERT_TRUE(bitmap->SetResolution(300, 300));
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(EncodeBitmap(*bitmap, c.mime, {90}, bytes));
    const auto header = ProbeImageHeader(bytes);
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->type, c.type);
    EXPECT_EQ(header->pixelFormat, c.format);
    EXPECT_NEAR(header->dpiX, c.dpi, 0.05);
    auto back = Bitmap::FromMemory(bytes);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Width(), 61);
    EXPECT_EQ(back->Height(), 37);
    EXPECT_GE(Psnr(*bitmap, *back), c.minPsnr);
}

INSTANTIATE_TEST_SUITE_P(Mime, EncoderFormats,
                         ::testing::Values(EncoderCase{"image/jpeg", ImageFileType::Jpeg, PixelFormat24bppRGB, 300, 30},
                                           EncoderCase{"image/png", ImageFileType::Png, PixelFormat24bppRGB, 300, 99},
                                           EncoderCase{"image/bmp", ImageFileType::Bmp, PixelFormat24bppRGB, 300, 99},
                                           EncoderCase{"image/tiff", ImageFileType::Tiff, PixelFormat24bppRGB, 300, 99},
                                           EncoderCase{"image/gif", ImageFileType::Gif, PixelFormat8bppIndexed, 96,
                                                       25}));

TEST(ImageEncoder, TiffIsLzwCompressed) {
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(EncodeBitmap(*Picture(20, 20), "image/tiff", {}, bytes));
    const auto dir = TiffDirectory::ReadFirst(bytes);
    ASSERT_TRUE(dir.has_value());
    EXPECT_EQ(dir->Unsigned(259), 5u);
}

TEST(ImageEncoder, JpegQualityChangesTheFile) {
    auto bitmap = Picture(64, 64);
    std::vector<std::uint8_t> low, high;
    ASSERT_TRUE(EncodeBitmap(*bitmap, "image/jpeg", {10}, low));
    ASSERT_TRUE(EncodeBitmap(*bitmap, "image/jpeg", {95}, high));
    EXPECT_LT(low.size(), high.size());
    EXPECT_GT(Psnr(*bitmap, *Bitmap::FromMemory(high)), Psnr(*bitmap, *Bitmap::FromMemory(low)) + 5);
}

TEST(ImageEncoder, UnknownMimeTypesHaveNoEncoder) {
    std::vector<std::uint8_t> bytes{1, 2, 3};
    for (const char* mime : {"image/JPEG", "image/jpg", "image/webp", ""}) {
        EXPECT_FALSE(HasEncoder(mime));
        EXPECT_FALSE(EncodeBitmap(*Picture(2, 2), mime, {}, bytes));
    }
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 2, 3}));
    for (const char* mime : {"image/jpeg", "image/png", "image/bmp", "image/tiff", "image/gif"})
        EXPECT_TRUE(HasEncoder(mime));
}

TEST(ImageEncoder, GifKeepsAPaletteImageExactly) {
    QImage indexed(9, 4, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(1, 2, 3)});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x)
            indexed.setPixel(x, y, (x + y) % 3);
    auto bitmap = Bitmap::FromImage(indexed, PixelFormat8bppIndexed);
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(EncodeBitmap(*bitmap, "image/gif", {}, bytes));
    auto back = Bitmap::FromMemory(bytes);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetPixelFormat(), PixelFormat8bppIndexed);
    EXPECT_EQ(back->Width(), 9);
    EXPECT_EQ(back->Height(), 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(back->Image().pixel(x, y), indexed.pixel(x, y));
}

TEST(ImageEncoder, SavingReplacesAFileWholeAndFailsForAMissingFolder) {
    const auto folder = std::filesystem::temp_directory_path() / "imaging-encoder-test";
    std::filesystem::create_directories(folder);
    const auto path = (folder / "out.png").string();
    {
        std::ofstream old(path, std::ios::binary);
        old << std::string(100000, 'x');
    }
    auto bitmap = Picture(16, 8);
    ASSERT_TRUE(SaveBitmapToFile(*bitmap, path, "image/png", {}));
    auto back = Bitmap::FromFile(path);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Width(), 16);
    EXPECT_LT(std::filesystem::file_size(path), 100000u);
    EXPECT_FALSE(SaveBitmapToFile(*bitmap, (folder / "missing" / "out.png").string(), "image/png", {}));
    EXPECT_FALSE(SaveBitmapToFile(*bitmap, path, "image/x-none", {}));
    EXPECT_TRUE(Bitmap::FromFile(path) != nullptr);  // a refused save leaves the file as it was
    std::filesystem::remove_all(folder);
}

}  // namespace
