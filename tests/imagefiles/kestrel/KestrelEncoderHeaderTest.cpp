// The encoder's header segments, byte for byte, and its quality scaling. The
// quantisation and Huffman tables are checked against the ones libjpeg-turbo
// writes for the same quality.

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>

#include "imagefiles/kestrel/CoderImpl.h"
#include "imagefiles/kestrel/KestrelTables.h"
#include "imagefiles/kestrel/KestrelTestSupport.h"
#include "imagefiles/kestrel/MemStreams.h"

namespace {

using kestrel_test::Bytes;
using kestrel_test::SegmentedJpeg;

// The DHT payloads of a file, keyed by class * 16 + id.
std::map<int, Bytes> HuffmanTables(const SegmentedJpeg& jpeg) {
    std::map<int, Bytes> tables;
    for (const kestrel_test::Segment& s : jpeg.segments) {
        if (s.marker != 0xC4)
            continue;
        // libjpeg-turbo and Kestrel both write one table per segment.
        tables[s.payload.at(0)] = s.payload;
    }
    return tables;
}

std::map<int, Bytes> QuantTables(const SegmentedJpeg& jpeg) {
    std::map<int, Bytes> tables;
    for (const kestrel_test::Segment& s : jpeg.segments) {
        if (s.marker != 0xDB)
            continue;
        for (std::size_t pos = 0; pos < s.payload.size(); pos += 65)
            tables[s.payload.at(pos)] =
                Bytes(s.payload.begin() + std::ptrdiff_t(pos), s.payload.begin() + std::ptrdiff_t(pos + 65));
    }
    return tables;
}

Bytes Markers(const SegmentedJpeg& jpeg) {
    Bytes m;
    for (const kestrel_test::Segment& s : jpeg.segments)
        m.push_back(s.marker);
    return m;
}

TEST(KestrelEncoderHeaders, GreyFileIsByteExact) {
    const Bytes file = kestrel_test::KestrelEncode(kestrel_test::UniformImage(8, 8, 1, 128));
    const SegmentedJpeg jpeg = kestrel_test::SplitJpeg(file);
    EXPECT_EQ(Markers(jpeg), (Bytes{0xD8, 0xE0, 0xFE, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xDA}));
    EXPECT_EQ(jpeg.segments[1].payload,
              (Bytes{'J', 'F', 'I', 'F', 0x00, 0x01, 0x01, 0x01, 0x01, 0x2C, 0x01, 0x2C, 0x00, 0x00}));
    const Bytes& comment = jpeg.segments[2].payload;
    ASSERT_EQ(comment.size(), 61u);
    const std::string banner(comment.begin(), comment.end());
    EXPECT_NE(banner.find("Kestrel"), std::string::npos);
    EXPECT_NE(banner.find("ORVEK"), std::string::npos);
    EXPECT_EQ(jpeg.segments[3].payload.size(), 65u);
    EXPECT_EQ(jpeg.segments[3].payload[0], 0x00);
    EXPECT_EQ(jpeg.segments[4].payload[0], 0x01);
    EXPECT_EQ(jpeg.segments[5].payload, (Bytes{0x08, 0x00, 0x08, 0x00, 0x08, 0x01, 0x01, 0x11, 0x00}));
    EXPECT_EQ(jpeg.segments[6].payload.size() + 2, 0x1Fu);
    EXPECT_EQ(jpeg.segments[6].payload[0], 0x00);
    EXPECT_EQ(jpeg.segments[7].payload.size() + 2, 0xB5u);
    EXPECT_EQ(jpeg.segments[7].payload[0], 0x10);
    EXPECT_EQ(jpeg.segments[8].payload, (Bytes{0x01, 0x01, 0x00, 0x00, 0x3F, 0x00}));
    // One block of 128: DC size 0 (00), EOB (1010), padded with ones.
    EXPECT_EQ(jpeg.scan, (Bytes{0x2B, 0xFF, 0xD9}));
}

TEST(KestrelEncoderHeaders, GreyFileWithOneDqtSegment) {
    kestrel_test::KestrelOptions options;
    options.oneDqtSegment = true;
    const SegmentedJpeg jpeg =
        kestrel_test::SplitJpeg(kestrel_test::KestrelEncode(kestrel_test::UniformImage(8, 8, 1, 128), options));
    EXPECT_EQ(Markers(jpeg), (Bytes{0xD8, 0xE0, 0xFE, 0xDB, 0xC0, 0xC4, 0xC4, 0xDA}));
    const Bytes& dqt = jpeg.segments[3].payload;
    ASSERT_EQ(dqt.size() + 2, 132u);
    EXPECT_EQ(dqt[0], 0x00);
    EXPECT_EQ(dqt[65], 0x01);
    EXPECT_EQ(jpeg.segments[4].payload, (Bytes{0x08, 0x00, 0x08, 0x00, 0x08, 0x01, 0x01, 0x11, 0x00}));
    EXPECT_EQ(jpeg.scan, (Bytes{0x2B, 0xFF, 0xD9}));
}

struct FrameCase {
    const char* name;
    bool sub422;
    bool oneDqt;
    Bytes sof;
    Bytes markers;
};

class KestrelColourHeaders : public ::testing::TestWithParam<FrameCase> {};

TEST_P(KestrelColourHeaders, FrameAndSegmentsAreByteExact) {
    const FrameCase& c = GetParam();
    kestrel_test::KestrelOptions options;
    options.sub422 = c.sub422;
    options.oneDqtSegment = c.oneDqt;
    const SegmentedJpeg jpeg =
        kestrel_test::SplitJpeg(kestrel_test::KestrelEncode(kestrel_test::SyntheticImage(300, 200, 3), options));
    EXPECT_EQ(Markers(jpeg), c.markers);
    const int sof = kestrel_test::FindSegment(jpeg, 0xC0);
    ASSERT_GE(sof, 0);
    EXPECT_EQ(jpeg.segments[sof].payload, c.sof);
    const int dqt = kestrel_test::FindSegment(jpeg, 0xDB);
    EXPECT_EQ(jpeg.segments[dqt].payload.size() + 2, c.oneDqt ? 132u : 67u);
    const int sos = kestrel_test::FindSegment(jpeg, 0xDA);
    EXPECT_EQ(jpeg.segments[sos].payload, (Bytes{0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3F, 0x00}));
    const std::map<int, Bytes> huffman = HuffmanTables(jpeg);
    EXPECT_EQ(huffman.size(), 4u);
    for (int key : {0x00, 0x01})
        EXPECT_EQ(huffman.at(key).size() + 2, 0x1Fu);
    for (int key : {0x10, 0x11})
        EXPECT_EQ(huffman.at(key).size() + 2, 0xB5u);
}

const Bytes kTwoDqtMarkers = {0xD8, 0xE0, 0xFE, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA};
const Bytes kOneDqtMarkers = {0xD8, 0xE0, 0xFE, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA};

INSTANTIATE_TEST_SUITE_P(
    Layouts, KestrelColourHeaders,
    ::testing::Values(
        FrameCase{"s420",
                  false,
                  false,
                  {0x08, 0x00, 0xC8, 0x01, 0x2C, 0x03, 0x01, 0x22, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01},
                  kTwoDqtMarkers},
        FrameCase{"s422",
                  true,
                  false,
                  {0x08, 0x00, 0xC8, 0x01, 0x2C, 0x03, 0x01, 0x21, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01},
                  kTwoDqtMarkers},
        FrameCase{"s420OneDqt",
                  false,
                  true,
                  {0x08, 0x00, 0xC8, 0x01, 0x2C, 0x03, 0x01, 0x22, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01},
                  kOneDqtMarkers},
        FrameCase{"s422OneDqt",
                  true,
                  true,
                  {0x08, 0x00, 0xC8, 0x01, 0x2C, 0x03, 0x01, 0x21, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01},
                  kOneDqtMarkers}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KestrelEncoderHeaders, OneDqtSegmentHoldsBothTablesAsTwoSegmentsDo) {
    const kestrel_test::Image image = kestrel_test::SyntheticImage(40, 24, 3);
    kestrel_test::KestrelOptions one;
    one.oneDqtSegment = true;
    const SegmentedJpeg a = kestrel_test::SplitJpeg(kestrel_test::KestrelEncode(image, one));
    const SegmentedJpeg b = kestrel_test::SplitJpeg(kestrel_test::KestrelEncode(image));
    EXPECT_EQ(QuantTables(a), QuantTables(b));
    EXPECT_EQ(a.scan, b.scan);
}

struct DensityCase {
    int units;
    std::uint16_t x, y;
    Bytes field;  // units byte, Xdensity, Ydensity
};

TEST(KestrelEncoderHeaders, DensityUnitsAndValues) {
    const DensityCase cases[] = {
        {2, 300, 300, {0x01, 0x01, 0x2C, 0x01, 0x2C}}, {3, 118, 236, {0x02, 0x00, 0x76, 0x00, 0xEC}},
        {1, 1, 2, {0x00, 0x00, 0x01, 0x00, 0x02}},     {0, 0, 0, {0x00, 0x00, 0x00, 0x00, 0x00}},
        {7, 72, 72, {0x00, 0x00, 0x48, 0x00, 0x48}},
    };
    for (const DensityCase& c : cases) {
        kestrel_test::KestrelOptions options;
        options.densityUnits = c.units;
        options.xDensity = c.x;
        options.yDensity = c.y;
        const SegmentedJpeg jpeg =
            kestrel_test::SplitJpeg(kestrel_test::KestrelEncode(kestrel_test::UniformImage(8, 8, 1, 9), options));
        const Bytes& app0 = jpeg.segments.at(1).payload;
        EXPECT_EQ(Bytes(app0.begin() + 7, app0.begin() + 12), c.field) << "units " << c.units;
    }
}

TEST(KestrelEncoderHeaders, TablesEqualLibjpegTurbosForTheSameQuality) {
    const kestrel_test::Image image = kestrel_test::SyntheticImage(64, 48, 3);
    for (int quality : {10, 50, 75, 90, 97}) {
        kestrel_test::KestrelOptions ours;
        ours.quality = quality;
        kestrel_test::LibjpegOptions theirs;
        theirs.quality = quality;
        const SegmentedJpeg a = kestrel_test::SplitJpeg(kestrel_test::KestrelEncode(image, ours));
        const SegmentedJpeg b = kestrel_test::SplitJpeg(kestrel_test::LibjpegEncode(image, theirs));
        EXPECT_EQ(QuantTables(a), QuantTables(b)) << "quality " << quality;
        EXPECT_EQ(HuffmanTables(a), HuffmanTables(b)) << "quality " << quality;
    }
}

struct QualityCase {
    int quality;
    std::uint16_t luma0, luma1, luma2, chroma63;
};

TEST(KestrelQuantScaling, QualitiesMapAsTheScalingRuleSays) {
    // Natural positions 0, 1, 2 of the luminance base are 16, 11, 10; the
    // chrominance base ends in 99.
    const QualityCase cases[] = {
        {-5, 255, 255, 255, 255}, {0, 255, 255, 255, 255}, {1, 255, 255, 255, 255}, {50, 16, 11, 10, 99},
        {90, 3, 2, 2, 20},        {100, 1, 1, 1, 1},       {101, 1, 1, 1, 1},
    };
    for (const QualityCase& c : cases) {
        const Kestrel::QuantTable luma = Kestrel::ScaleQuantTable(c.quality, Kestrel::kLuminanceQuantBase, true);
        const Kestrel::QuantTable chroma = Kestrel::ScaleQuantTable(c.quality, Kestrel::kChrominanceQuantBase, true);
        EXPECT_EQ(luma.q[0], c.luma0) << c.quality;
        EXPECT_EQ(luma.q[1], c.luma1) << c.quality;
        EXPECT_EQ(luma.q[2], c.luma2) << c.quality;
        EXPECT_EQ(chroma.q[63], c.chroma63) << c.quality;
        EXPECT_EQ(luma.precision, 8);
    }
    EXPECT_EQ(Kestrel::ScaleQuantTable(50, Kestrel::kLuminanceQuantBase, true).q, Kestrel::kLuminanceQuantBase);
    const Kestrel::QuantTable wide = Kestrel::ScaleQuantTable(1, Kestrel::kLuminanceQuantBase, false);
    EXPECT_EQ(wide.precision, 16);
    EXPECT_EQ(wide.q[0], 800);
    EXPECT_EQ(wide.q[1], 550);
}

TEST(KestrelEncoder, RefusesSizesTheFrameHeaderCannotHold) {
    platform::CMemFile file;
    OSSStream stream(file);
    EXPECT_THROW(Kestrel::CoderImpl(stream, 0, 8, true, 90, false, false, 2, 300, 300), Kestrel::Error);
    EXPECT_THROW(Kestrel::CoderImpl(stream, 8, 0, false, 90, false, false, 2, 300, 300), Kestrel::Error);
    EXPECT_THROW(Kestrel::CoderImpl(stream, 65536, 8, true, 90, false, false, 2, 300, 300), Kestrel::Error);
    EXPECT_THROW(Kestrel::CoderImpl(stream, 8, 70000, true, 90, false, false, 2, 300, 300), Kestrel::Error);
    EXPECT_NO_THROW(Kestrel::CoderImpl(stream, 65535, 1, false, 90, false, false, 2, 300, 300));
}

}  // namespace
