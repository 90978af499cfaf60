// Files exchanged with libjpeg-turbo in both directions, compared with
// libjpeg-turbo's fast-integer decode (no fancy upsampling), the method that
// Kestrel's reconstruction follows.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "imagefiles/kestrel/Kestrel.h"
#include "imagefiles/kestrel/KestrelTestSupport.h"
#include "imagefiles/kestrel/MemStreams.h"

namespace {

using kestrel_test::Bytes;
using kestrel_test::Image;

// Kestrel and libjpeg-turbo's fast decode differ by rounding only; Kestrel's
// inverse DCT is the more accurate of the two.
constexpr int kDecodeTolerance = 6;
constexpr double kDecodePsnr = 40.0;

struct SizeCase {
    int width, height;
};
const SizeCase kSizes[] = {{1, 1}, {17, 9}, {33, 31}, {8, 8}, {16, 16}, {221, 163}};

struct LibjpegLayout {
    const char* name;
    int h, v;
    bool grey;
};
const LibjpegLayout kLibjpegLayouts[] = {
    {"444", 1, 1, false}, {"422", 2, 1, false}, {"420", 2, 2, false}, {"440", 1, 2, false}, {"grey", 1, 1, true}};

TEST(KestrelRoundTrip, LibjpegTurboFilesDecodeWithKestrel) {
    for (const LibjpegLayout& layout : kLibjpegLayouts) {
        for (const SizeCase& size : kSizes) {
            for (int restart : {0, 3}) {
                const Image image = kestrel_test::SyntheticImage(size.width, size.height, layout.grey ? 1 : 3);
                kestrel_test::LibjpegOptions o;
                o.hSampling = layout.h;
                o.vSampling = layout.v;
                o.grey = layout.grey;
                o.restartInterval = restart;
                const Bytes file = kestrel_test::LibjpegEncode(image, o);
                const Image ours = kestrel_test::KestrelDecode(file);
                const Image theirs = kestrel_test::LibjpegDecodeFast(file);
                ASSERT_EQ(ours.width, size.width);
                ASSERT_EQ(ours.height, size.height);
                ASSERT_EQ(ours.channels, theirs.channels);
                const std::string what = std::string(layout.name) + " " + std::to_string(size.width) + "x" +
                                         std::to_string(size.height) + " restart " + std::to_string(restart);
                EXPECT_LE(kestrel_test::MaxDifference(ours, theirs), kDecodeTolerance) << what;
                EXPECT_GE(kestrel_test::Psnr(ours, theirs), kDecodePsnr) << what;
            }
        }
    }
}

struct KestrelLayout {
    const char* name;
    int channels;
    bool sub422;
};
const KestrelLayout kKestrelLayouts[] = {{"420", 3, false}, {"422", 3, true}, {"grey", 1, false}};

TEST(KestrelRoundTrip, KestrelFilesDecodeWithLibjpegTurbo) {
    for (const KestrelLayout& layout : kKestrelLayouts) {
        for (const SizeCase& size : kSizes) {
            const Image image = kestrel_test::SyntheticImage(size.width, size.height, layout.channels);
            kestrel_test::KestrelOptions o;
            o.sub422 = layout.sub422;
            const Bytes file = kestrel_test::KestrelEncode(image, o);
            const Image theirs = kestrel_test::LibjpegDecodeFast(file);
            const Image ours = kestrel_test::KestrelDecode(file);
            const std::string what =
                std::string(layout.name) + " " + std::to_string(size.width) + "x" + std::to_string(size.height);
            ASSERT_EQ(theirs.width, size.width) << what;
            ASSERT_EQ(theirs.height, size.height) << what;
            ASSERT_EQ(theirs.channels, layout.channels) << what;
            EXPECT_LE(kestrel_test::MaxDifference(ours, theirs), kDecodeTolerance) << what;
            // The compression loss is about libjpeg-turbo's own at the same
            // quality and layout (above 40 dB both are as good as lossless).
            kestrel_test::LibjpegOptions l;
            l.grey = layout.channels == 1;
            l.vSampling = layout.sub422 ? 1 : 2;
            const Image reference = kestrel_test::LibjpegDecodeFast(kestrel_test::LibjpegEncode(image, l));
            EXPECT_GE(kestrel_test::Psnr(theirs, image), std::min(kestrel_test::Psnr(reference, image) - 1.0, 40.0))
                << what;
        }
    }
}

Image Noise(int channels) {
    Image noise = kestrel_test::UniformImage(64, 64, channels, 0);
    unsigned state = 99;
    for (std::uint8_t& v : noise.pixels) {
        state = state * 1103515245u + 12345u;
        v = static_cast<std::uint8_t>(state >> 24);
    }
    return noise;
}

TEST(KestrelRoundTrip, NoiseAtExtremeQualitiesUsesTheLongestCodes) {
    // White noise at quality 100 needs AC sizes up to 10 with 16-bit codes;
    // quality 1 limits every coefficient to a few levels. Far outside the
    // range of photographs libjpeg-turbo's fast integer DCT loses precision,
    // so its accurate one decodes, and both decodes are held to the original.
    for (int channels : {1, 3}) {
        const Image noise = Noise(channels);
        for (int quality : {1, 100}) {
            const Bytes file = kestrel_test::KestrelEncode(noise, {quality, false, false, 2, 300, 300});
            const double ours = kestrel_test::Psnr(kestrel_test::KestrelDecode(file), noise);
            const double theirs = kestrel_test::Psnr(kestrel_test::LibjpegDecodeAccurate(file), noise);
            EXPECT_NEAR(ours, theirs, 1.0) << channels << " channels, quality " << quality;
            if (channels == 1 && quality == 100) {
                EXPECT_GT(theirs, 40.0);
            }
        }
    }
}

TEST(KestrelRoundTrip, EncoderQualityMatchesLibjpegTurbosAtTheSameSettings) {
    const Image image = kestrel_test::SyntheticImage(256, 192, 3);
    for (int quality : {50, 75, 90}) {
        kestrel_test::KestrelOptions k;
        k.quality = quality;
        kestrel_test::LibjpegOptions l;
        l.quality = quality;
        const Bytes ours = kestrel_test::KestrelEncode(image, k);
        const Bytes theirs = kestrel_test::LibjpegEncode(image, l);
        const double ourPsnr = kestrel_test::Psnr(kestrel_test::LibjpegDecodeFast(ours), image);
        const double theirPsnr = kestrel_test::Psnr(kestrel_test::LibjpegDecodeFast(theirs), image);
        EXPECT_GT(ourPsnr, theirPsnr - 0.5) << quality;
        EXPECT_LT(double(ours.size()), double(theirs.size()) * 1.1) << quality;
    }
}

TEST(KestrelRoundTrip, OnePixelImageFillsItsMcuAndComesBack) {
    Image pixel = kestrel_test::UniformImage(1, 1, 3, 0);
    pixel.pixels = {200, 30, 90};
    const Image out = kestrel_test::KestrelDecode(kestrel_test::KestrelEncode(pixel));
    ASSERT_EQ(out.pixels.size(), 3u);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(out.pixels[c], pixel.pixels[c], 4) << c;
}

TEST(KestrelRoundTrip, ChannelOrderIsKeptWhateverItIs) {
    // Rows fed as B, G, R come back as B, G, R.
    const Image rgb = kestrel_test::SyntheticImage(48, 32, 3);
    Image bgr = rgb;
    for (std::size_t i = 0; i < bgr.pixels.size(); i += 3)
        std::swap(bgr.pixels[i], bgr.pixels[i + 2]);
    const Image a = kestrel_test::KestrelDecode(kestrel_test::KestrelEncode(rgb));
    Image b = kestrel_test::KestrelDecode(kestrel_test::KestrelEncode(bgr));
    EXPECT_GT(kestrel_test::Psnr(b, bgr), kestrel_test::Psnr(a, rgb) - 1.0);
    for (std::size_t i = 0; i < b.pixels.size(); i += 3)
        std::swap(b.pixels[i], b.pixels[i + 2]);
    EXPECT_GT(kestrel_test::Psnr(b, rgb), 30.0);
}

TEST(KestrelRoundTrip, EncoderRefusesARowAfterTheLast) {
    platform::CMemFile file;
    OSSStream stream(file);
    std::unique_ptr<Kestrel::Coder, Kestrel::CoderDeleter> coder(
        Kestrel::CreateCoder(stream, 4, 2, false, 90, false, false, 2, 300, 300));
    const std::uint8_t row[4] = {1, 2, 3, 4};
    coder->WriteLine(row);
    coder->WriteLine(row);
    const std::uint64_t complete = file.GetLength();
    EXPECT_THROW(coder->WriteLine(row), Kestrel::Error);
    EXPECT_EQ(file.GetLength(), complete);
    EXPECT_EQ(file.Data()[complete - 2], 0xFF);
    EXPECT_EQ(file.Data()[complete - 1], 0xD9);
}

}  // namespace
