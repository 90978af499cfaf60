// JPEG and GIF decoding refuses damaged files that a lenient decoder fills
// with grey or black, refuses headers that claim more than the file or the
// memory can hold before allocating, and decodes whole files as Qt does.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>

#include <system_error>

#include "platform/imaging/Bitmap.h"
#include "platform/imaging/DecodeBudget.h"
#include "platform/imaging/GifDecoder.h"
#include "platform/imaging/ImageDataCompleteness.h"
#include "platform/imaging/ImagingFixtures.h"
#include "platform/imaging/JpegDecoder.h"
#include "tests/support/DamagedImages.h"
#include "tests/support/LibraryCodecFiles.h"
#include "tests/support/PeakMemory.h"

using namespace imaging;

namespace {

std::span<const std::uint8_t> Span(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())};
}

QImage QtDecode(const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    return reader.read();
}

constexpr std::int64_t kPlenty = std::int64_t{1} << 30;

Bytes NoisyLibjpeg(int components, J_COLOR_SPACE space, bool progressive, int restartRows);

// Counts the pictures a decoder asks for.
struct CountingAllocator {
    int calls = 0;
    ImageAllocator Get() {
        return [this](int w, int h, QImage::Format f) {
            ++calls;
            return AllocateImage(w, h, f);
        };
    }
};

struct DamagedCase {
    const char* name;
    QByteArray (*make)();
};

class DamagedFile : public ::testing::TestWithParam<DamagedCase> {};

// Every block the structure walk looks for is there, so only the decoder
// can tell.
TEST_P(DamagedFile, PassesTheStructureWalkButIsRefused) {
    const QByteArray file = GetParam().make();
    ASSERT_FALSE(file.isEmpty());
    EXPECT_TRUE(ImageDataIsComplete(Span(file)));
    EXPECT_EQ(Bitmap::FromMemory(Span(file)), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedFile,
    ::testing::Values(DamagedCase{"jpeg_cut_in_half_with_end", [] { return damaged::JpegCutWithEnd(); }},
                      DamagedCase{"jpeg_claiming_30000_square", [] { return damaged::JpegClaiming(30000, 30000); }},
                      DamagedCase{"jpeg_claiming_4000_square", [] { return damaged::JpegClaiming(4000, 4000); }},
                      DamagedCase{"gif_claiming_65535_rows", [] { return damaged::GifClaimingRows(1, 4, 65535); }},
                      DamagedCase{"gif_claiming_300_rows", [] { return damaged::GifClaimingRows(40, 20, 300); }}),
    [](const auto& info) { return std::string(info.param.name); });

// A frame larger than the file's bytes can code is refused before any
// picture is allocated, so neither time nor memory grows with the claim.
TEST(StrictDecode, OversizedHeadersAreRefusedBeforeAllocating) {
    CountingAllocator counter;
    EXPECT_TRUE(DecodeJpeg(Span(damaged::JpegClaiming(30000, 30000)), kPlenty, counter.Get()).isNull());
    EXPECT_TRUE(DecodeJpeg(Span(damaged::JpegClaiming(65500, 65500)), kPlenty, counter.Get()).isNull());
    const QByteArray wideGif = [] {
        QByteArray gif = damaged::GifClaimingRows(4, 4, 65535);
        gif[6] = gif[7] = char(0xFF);  // and 65535 columns
        return gif;
    }();
    EXPECT_TRUE(DecodeGif(Span(wideGif), kPlenty, counter.Get()).isNull());
    EXPECT_EQ(counter.calls, 0);

    // The memory budget: a whole file that needs more than is free.
    const QByteArray jpeg = damaged::Jpeg(damaged::Noise(200, 100));
    std::vector<std::uint8_t> gif;
    ASSERT_TRUE(EncodeGif(damaged::Noise(200, 100), gif));
    EXPECT_TRUE(DecodeJpeg(Span(jpeg), 200 * 100 * 4 - 1, counter.Get()).isNull());
    EXPECT_TRUE(DecodeGif(gif, 200 * 100 * 4 - 1, counter.Get()).isNull());
    EXPECT_EQ(counter.calls, 0);
    EXPECT_FALSE(DecodeJpeg(Span(jpeg), kPlenty, counter.Get()).isNull());
    EXPECT_FALSE(DecodeGif(gif, kPlenty, counter.Get()).isNull());
    EXPECT_EQ(counter.calls, 2);
}

// Comments add bytes that hold no pixel: a claim is measured against the
// coded data alone, and refused before the picture's memory is reserved.
TEST(StrictDecode, PaddedFilesAreRefusedWithinAHundredMegabytes) {
    constexpr std::int64_t kEightGigabytes = std::int64_t{8} << 30;  // more than either claim takes
    const QByteArray jpeg = damaged::JpegPaddedWithComments(30000, 30000);
    const QByteArray gif = damaged::GifPaddedWithComment(20000, 100 * 1024);
    // Large enough for their claims were the whole file coded data.
    ASSERT_TRUE(PixelsFitFile(std::int64_t{30000} * 30000, jpeg.size(), kMaxJpegPixelsPerByte));
    ASSERT_TRUE(PixelsFitFile(std::int64_t{20000} * 20000, gif.size(), kMaxGifPixelsPerByte));
    const struct {
        const char* name;
        std::function<bool()> refused;
    } cases[] = {{"jpeg", [&] { return DecodeJpeg(Span(jpeg), kEightGigabytes).isNull(); }},
                 {"gif", [&] { return DecodeGif(Span(gif), kEightGigabytes).isNull(); }}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const peakmemory::Outcome outcome = peakmemory::MeasureInChild(c.refused);
        ASSERT_GE(outcome.peakGrowth, 0);
        EXPECT_TRUE(outcome.workSaid);
        EXPECT_LT(outcome.peakGrowth, std::int64_t{100} << 20);
    }
}

// Whatever the allocator throws (a helper thread that cannot start throws
// std::system_error) fails that decode; libjpeg's state, a progressive
// file's coefficient buffers among it, and giflib's are freed (the
// sanitizer build finds any leak).
TEST(StrictDecode, AnExceptionWhileDecodingFailsTheDecode) {
    int calls = 0;
    const ImageAllocator throwing = [&calls](int, int, QImage::Format) -> QImage {
        ++calls;
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    };
    const Bytes progressive = NoisyLibjpeg(3, JCS_YCbCr, true, 0);
    const Bytes baseline = NoisyLibjpeg(1, JCS_GRAYSCALE, false, 0);
    const Bytes gif = libfiles::GiflibFile({37, 23, 0, 0, 37, 23, -1, false, 0});
    QImage image;
    EXPECT_NO_THROW(image = DecodeJpeg(progressive, kPlenty, throwing));
    EXPECT_TRUE(image.isNull());
    EXPECT_NO_THROW(image = DecodeJpeg(baseline, kPlenty, throwing, ColourLayout::Bgr24));
    EXPECT_TRUE(image.isNull());
    EXPECT_NO_THROW(image = DecodeGif(gif, kPlenty, throwing));
    EXPECT_TRUE(image.isNull());
    EXPECT_EQ(calls, 3);
}

TEST(StrictDecode, PixelsFitFileAtTheGivenDensity) {
    struct Case {
        std::int64_t pixels, bytes, density;
        bool fits;
    };
    const Case cases[] = {{1024, 1, 1024, true},
                          {1025, 1, 1024, false},
                          {0, 0, 1024, true},
                          {1, 0, 1024, false},
                          {-1, 10, 1024, false},
                          {10, 10, 0, false},
                          {900000000, 5700, kMaxJpegPixelsPerByte, false},
                          {std::int64_t{1} << 62, std::int64_t{1} << 61, 4, true}};
    for (const Case& c : cases)
        EXPECT_EQ(PixelsFitFile(c.pixels, c.bytes, c.density), c.fits) << c.pixels << " " << c.bytes;
    EXPECT_GT(AvailableMemoryBytes(), 0);
}

struct WholeJpeg {
    const char* name;
    Bytes (*make)();
};

class WholeJpegFile : public ::testing::TestWithParam<WholeJpeg> {};

// Grey, colour, CMYK and YCCK, progressive and with restart markers: the
// same pixels Qt's reader gives, in the same layout.
TEST_P(WholeJpegFile, DecodesAsQtDoes) {
    const Bytes file = GetParam().make();
    const QByteArray bytes(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size()));
    const QImage expected = QtDecode(bytes);
    ASSERT_FALSE(expected.isNull());
    const QImage decoded = DecodeJpeg(file, kPlenty);
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(decoded.format(), expected.format());
    EXPECT_EQ(decoded, expected);
    const auto bitmap = Bitmap::FromMemory(file);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Image(), expected);
}

// The packed layout: colour files as three bytes a pixel with the colours
// of the 32-bit layout, grey and CMYK files as always.
TEST_P(WholeJpegFile, PackedLayoutHoldsTheSameColours) {
    const Bytes file = GetParam().make();
    const QImage wide = DecodeJpeg(file, kPlenty);
    ASSERT_FALSE(wide.isNull());
    const QImage packed = DecodeJpeg(file, kPlenty, AllocateImage, ColourLayout::Bgr24);
    ASSERT_FALSE(packed.isNull());
    const bool colour = wide.format() == QImage::Format_RGB32 && GetParam().name != std::string("cmyk") &&
                        GetParam().name != std::string("ycck");
    EXPECT_EQ(packed.format(), colour ? QImage::Format_BGR888 : wide.format());
    EXPECT_EQ(packed, colour ? wide.convertToFormat(QImage::Format_BGR888) : wide);
    const auto bitmap = Bitmap::FromMemory(file, nullptr, ColourLayout::Bgr24);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Image(), packed);
}

Bytes NoisyLibjpeg(int components, J_COLOR_SPACE space, bool progressive, int restartRows) {
    return libfiles::LibjpegFile({61, 37, components, space, progressive, restartRows});
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, WholeJpegFile,
    ::testing::Values(WholeJpeg{"grey", [] { return NoisyLibjpeg(1, JCS_GRAYSCALE, false, 0); }},
                      WholeJpeg{"ycbcr", [] { return NoisyLibjpeg(3, JCS_YCbCr, false, 0); }},
                      WholeJpeg{"rgb", [] { return NoisyLibjpeg(3, JCS_RGB, false, 0); }},
                      WholeJpeg{"cmyk", [] { return NoisyLibjpeg(4, JCS_CMYK, false, 0); }},
                      WholeJpeg{"ycck", [] { return NoisyLibjpeg(4, JCS_YCCK, false, 0); }},
                      WholeJpeg{"progressive", [] { return NoisyLibjpeg(3, JCS_YCbCr, true, 0); }},
                      WholeJpeg{"progressive_grey", [] { return NoisyLibjpeg(1, JCS_GRAYSCALE, true, 0); }},
                      WholeJpeg{"restart_markers", [] { return NoisyLibjpeg(3, JCS_YCbCr, false, 1); }}),
    [](const auto& info) { return std::string(info.param.name); });

// A thumbnail's decode: reduced by the most that still gives the size asked
// for, refused like the whole decode when damaged.
TEST(StrictDecode, ReducedJpegDecodeGivesAtLeastTheSizeAskedFor) {
    const Bytes file = NoisyLibjpeg(3, JCS_YCbCr, true, 0);  // 61 x 37
    struct Case {
        QSize atLeast, expected;
    };
    for (const Case& c : {Case{{8, 5}, {8, 5}}, Case{{9, 5}, {16, 10}}, Case{{20, 10}, {31, 19}},
                          Case{{61, 37}, {61, 37}}, Case{{}, {61, 37}}})
        EXPECT_EQ(DecodeJpegReduced(file, kPlenty, c.atLeast).size(), c.expected) << c.atLeast.width();
    const QByteArray half = damaged::JpegCutWithEnd();
    EXPECT_TRUE(DecodeJpegReduced(Span(half), kPlenty, {16, 16}).isNull());
    EXPECT_TRUE(DecodeJpegReduced(Span(damaged::JpegClaiming(30000, 30000)), kPlenty, {16, 16}).isNull());
}

// The header still gives format code and resolution; the orientation stays
// unapplied.
TEST(StrictDecode, JpegKeepsHeaderFormatResolutionAndOrientation) {
    const auto cmyk = Bitmap::FromMemory(LibjpegEncode({16, 8, 4, 0, 1, 1, {}}));
    ASSERT_NE(cmyk, nullptr);
    EXPECT_EQ(cmyk->GetPixelFormat(), PixelFormat32bppCMYK);
    const Bytes rotated = LibjpegEncode({16, 8, 3, 1, 300, 300, ExifApp1({{274, 3, 1, Le(6, 2)}})});
    const auto bitmap = Bitmap::FromMemory(rotated);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->GetPixelFormat(), PixelFormat24bppRGB);
    EXPECT_EQ(bitmap->Width(), 16);
    EXPECT_EQ(bitmap->Height(), 8);
    EXPECT_EQ(bitmap->HorizontalResolution(), 300);
    EXPECT_NE(bitmap->GetPropertyItem(274), nullptr);
}

// Transparency, an image smaller than its screen and interlaced rows: the
// same pixels Qt's reader gives.
struct GifCase {
    const char* name;
    libfiles::GifLayout layout;
};

class WholeGifFile : public ::testing::TestWithParam<GifCase> {};

TEST_P(WholeGifFile, DecodesAsQtDoes) {
    const Bytes file = libfiles::GiflibFile(GetParam().layout);
    const QImage expected =
        QtDecode(QByteArray(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size())));
    ASSERT_FALSE(expected.isNull());
    const QImage decoded = DecodeGif(file, kPlenty);
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(decoded.format(), expected.format());
    EXPECT_EQ(decoded, expected);
    // Cut in its data, it fails.
    EXPECT_TRUE(DecodeGif(std::span(file).first(file.size() * 2 / 3), kPlenty).isNull());
}

INSTANTIATE_TEST_SUITE_P(Layouts, WholeGifFile,
                         ::testing::Values(GifCase{"plain", {37, 23, 0, 0, 37, 23, -1, false, 0}},
                                           GifCase{"transparent", {37, 23, 0, 0, 37, 23, 1, false, 0}},
                                           GifCase{"offset", {37, 23, 5, 3, 20, 11, -1, false, 3}},
                                           GifCase{"offset_transparent", {37, 23, 5, 3, 20, 11, 2, false, 3}},
                                           GifCase{"interlaced", {37, 23, 0, 0, 37, 23, -1, true, 0}}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
