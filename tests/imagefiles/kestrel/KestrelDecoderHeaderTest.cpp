// The decoder's header parsing: malformed and unsupported headers, the choice
// of colour transform, densities and the frame geometry.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "imagefiles/kestrel/DecoderImpl.h"
#include "imagefiles/kestrel/KestrelTestSupport.h"
#include "imagefiles/kestrel/MemStreams.h"

namespace {

using kestrel_test::Bytes;
using kestrel_test::Image;
using kestrel_test::SegmentedJpeg;

// A small 4:2:0 colour file and a grey one, as Kestrel writes them.
const SegmentedJpeg& ColourBase() {
    static const SegmentedJpeg base =
        kestrel_test::SplitJpeg(kestrel_test::KestrelEncode(kestrel_test::SyntheticImage(17, 9, 3)));
    return base;
}

const SegmentedJpeg& GreyBase() {
    static const SegmentedJpeg base =
        kestrel_test::SplitJpeg(kestrel_test::KestrelEncode(kestrel_test::SyntheticImage(12, 10, 1)));
    return base;
}

Bytes& Payload(SegmentedJpeg& jpeg, std::uint8_t marker) {
    const int i = kestrel_test::FindSegment(jpeg, marker);
    if (i < 0)
        throw std::logic_error("segment missing");
    return jpeg.segments[i].payload;
}

void Insert(SegmentedJpeg& jpeg, std::uint8_t before, kestrel_test::Segment segment) {
    jpeg.segments.insert(jpeg.segments.begin() + kestrel_test::FindSegment(jpeg, before), std::move(segment));
}

void Remove(SegmentedJpeg& jpeg, std::uint8_t marker) {
    jpeg.segments.erase(jpeg.segments.begin() + kestrel_test::FindSegment(jpeg, marker));
}

const Bytes kAdobe0 = {'A', 'd', 'o', 'b', 'e', 0x00, 0x64, 0x00, 0x00, 0x00, 0x00, 0x00};

struct BrokenCase {
    const char* name;
    std::function<Bytes()> make;
};

Bytes Edited(const SegmentedJpeg& base, const std::function<void(SegmentedJpeg&)>& edit) {
    SegmentedJpeg jpeg = base;
    edit(jpeg);
    return kestrel_test::JoinJpeg(jpeg);
}

// Bytes that stand between two segments, right before the segment "before".
Bytes WithBytesBefore(const SegmentedJpeg& base, std::uint8_t before, const Bytes& extra) {
    Bytes out;
    for (const kestrel_test::Segment& s : base.segments) {
        if (s.marker == before)
            out.insert(out.end(), extra.begin(), extra.end());
        const Bytes b = kestrel_test::SegmentBytes(s.marker, s.payload);
        out.insert(out.end(), b.begin(), b.end());
    }
    out.insert(out.end(), base.scan.begin(), base.scan.end());
    return out;
}

std::vector<BrokenCase> BrokenCases() {
    const SegmentedJpeg& c = ColourBase();
    return {
        {"BadSoi",
         [&] {
             Bytes b = kestrel_test::JoinJpeg(c);
             b[1] = 0xD9;
             return b;
         }},
        {"Progressive",
         [&] { return Edited(c, [](auto& j) { j.segments[kestrel_test::FindSegment(j, 0xC0)].marker = 0xC2; }); }},
        {"Lossless",
         [&] { return Edited(c, [](auto& j) { j.segments[kestrel_test::FindSegment(j, 0xC0)].marker = 0xC3; }); }},
        {"Arithmetic",
         [&] { return Edited(c, [](auto& j) { j.segments[kestrel_test::FindSegment(j, 0xC0)].marker = 0xC9; }); }},
        {"Precision12", [&] { return Edited(c, [](auto& j) { Payload(j, 0xC0)[0] = 12; }); }},
        {"ZeroHeight", [&] { return Edited(c, [](auto& j) { Payload(j, 0xC0)[1] = Payload(j, 0xC0)[2] = 0; }); }},
        {"ZeroWidth", [&] { return Edited(c, [](auto& j) { Payload(j, 0xC0)[3] = Payload(j, 0xC0)[4] = 0; }); }},
        {"FrameLengthTooLong", [&] { return Edited(c, [](auto& j) { Payload(j, 0xC0).push_back(0); }); }},
        {"TwoComponents",
         [&] {
             return Edited(c, [](auto& j) {
                 Bytes& p = Payload(j, 0xC0);
                 p[5] = 2;
                 p.erase(p.end() - 3, p.end());
             });
         }},
        {"SamplingFactorZero", [&] { return Edited(c, [](auto& j) { Payload(j, 0xC0)[7] = 0x02; }); }},
        {"SamplingFactorFive", [&] { return Edited(c, [](auto& j) { Payload(j, 0xC0)[7] = 0x51; }); }},
        {"QuantSelectorFour", [&] { return Edited(c, [](auto& j) { Payload(j, 0xC0)[8] = 4; }); }},
        {"SecondFrameHeader",
         [&] { return Edited(c, [](auto& j) { Insert(j, 0xDA, j.segments[kestrel_test::FindSegment(j, 0xC0)]); }); }},
        {"HuffmanIdFour", [&] { return Edited(c, [](auto& j) { Payload(j, 0xC4)[0] = 0x04; }); }},
        {"HuffmanTableOverrunsSegment", [&] { return Edited(c, [](auto& j) { Payload(j, 0xC4).pop_back(); }); }},
        {"HuffmanTable256Symbols",
         [&] {
             return Edited(c, [](auto& j) {
                 Bytes p(1 + 16 + 256, 0);
                 p[0] = 0x01;
                 p[16] = 255;  // 255 codes of length 16 and one of length 9
                 p[9] = 1;
                 Insert(j, 0xDA, {0xC4, p});
             });
         }},
        {"OverfullHuffmanTable",
         [&] {
             // Three codes of length 1 cannot exist; the symbol count stays.
             return Edited(c, [](auto& j) {
                 Bytes& p = Payload(j, 0xC4);  // DC 0: counts 0 1 5 1 ...
                 p[1] = 3, p[2] = 0, p[3] = 3;
             });
         }},
        {"QuantIdFour", [&] { return Edited(c, [](auto& j) { Payload(j, 0xDB)[0] = 0x04; }); }},
        {"QuantTableOverrunsSegment", [&] { return Edited(c, [](auto& j) { Payload(j, 0xDB).pop_back(); }); }},
        {"MissingQuantTable",
         [&] {
             return Edited(c, [](auto& j) {
                 Remove(j, 0xDB);
                 Remove(j, 0xDB);
             });
         }},
        {"MissingHuffmanTable", [&] { return Edited(c, [](auto& j) { Remove(j, 0xC4); }); }},
        {"RestartLengthFive", [&] { return Edited(c, [](auto& j) {
                                        Insert(j, 0xDA, {0xDD, {0x00, 0x01, 0x00}});
                                    }); }},
        {"SecondJfif",
         [&] { return Edited(c, [](auto& j) { Insert(j, 0xDB, j.segments[kestrel_test::FindSegment(j, 0xE0)]); }); }},
        {"JfifVersion2", [&] { return Edited(c, [](auto& j) { Payload(j, 0xE0)[5] = 2; }); }},
        {"SecondAdobe",
         [&] {
             return Edited(c, [](auto& j) {
                 Insert(j, 0xDB, {0xEE, kAdobe0});
                 Insert(j, 0xDB, {0xEE, kAdobe0});
             });
         }},
        {"Apps14AfterAdobe",
         [&] {
             return Edited(c, [](auto& j) {
                 Insert(j, 0xDB, {0xEE, kAdobe0});
                 Insert(j, 0xC0, {0xEE, {1, 2, 3}});
             });
         }},
        {"ScanLengthWrong", [&] { return Edited(c, [](auto& j) { Payload(j, 0xDA).push_back(0); }); }},
        {"ScanOfOneComponentInColourFrame",
         [&] { return Edited(c, [](auto& j) { j.segments.back().payload = {0x01, 0x01, 0x00, 0x00, 0x3F, 0x00}; }); }},
        {"ScanComponentNotInFrame", [&] { return Edited(c, [](auto& j) { Payload(j, 0xDA)[1] = 9; }); }},
        {"ScanNamesAComponentTwice", [&] { return Edited(c, [](auto& j) { Payload(j, 0xDA)[3] = 1; }); }},
        {"ScanTableSelectorFour", [&] { return Edited(c, [](auto& j) { Payload(j, 0xDA)[2] = 0x40; }); }},
        {"ScanZeroComponents",
         [&] { return Edited(c, [](auto& j) {
                   j.segments.back().payload = {0x00, 0x00, 0x3F, 0x00};
               }); }},
        {"EoiBeforeSos",
         [&] {
             SegmentedJpeg j = c;
             j.segments.pop_back();
             j.scan = {0xFF, 0xD9};
             return kestrel_test::JoinJpeg(j);
         }},
        {"DataEndsBeforeSos",
         [&] {
             SegmentedJpeg j = c;
             j.segments.pop_back();
             j.scan.clear();
             return kestrel_test::JoinJpeg(j);
         }},
        {"NoFrameHeader", [&] { return Edited(c, [](auto& j) { Remove(j, 0xC0); }); }},
        {"RestartMarkerOutsideScan",
         [&] {
             return WithBytesBefore(c, 0xC0, {0xFF, 0xD0});
         }},
        {"SecondSoi",
         [&] {
             return WithBytesBefore(c, 0xC0, {0xFF, 0xD8});
         }},
        {"DnlMarker",
         [&] {
             return WithBytesBefore(c, 0xDA, {0xFF, 0xDC, 0x00, 0x04, 0x00, 0x09});
         }},
        {"SegmentLengthRunsOffTheEnd",
         [&] {
             Bytes b = WithBytesBefore(c, 0xC0, {0xFF, 0xFE, 0xFF, 0xF0});
             b.resize(400);
             return b;
         }},
        {"GreyFrameWithColourScan",
         [&] {
             return Edited(GreyBase(), [](auto& j) {
                 j.segments.back().payload = {0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3F, 0x00};
             });
         }},
    };
}

class KestrelBrokenHeaders : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(KestrelBrokenHeaders, RaiseKestrelError) {
    const Bytes file = GetParam().make();
    ISSStreamMem stream(file.data(), file.size());
    EXPECT_THROW(
        Kestrel::DeleteDecoder(Kestrel::CreateDecoder(stream, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)),
        Kestrel::Error);
}

INSTANTIATE_TEST_SUITE_P(Cases, KestrelBrokenHeaders, ::testing::ValuesIn(BrokenCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KestrelDecoderHeaders, TheUneditedBasesDecode) {
    // The broken cases above fail for their edit, not for their base.
    EXPECT_NO_THROW(kestrel_test::KestrelDecode(kestrel_test::JoinJpeg(ColourBase())));
    EXPECT_NO_THROW(kestrel_test::KestrelDecode(kestrel_test::JoinJpeg(GreyBase())));
}

TEST(KestrelDecoderHeaders, SkipsGarbageBetweenSegmentsAndUnknownApplicationSegments) {
    const Image reference = kestrel_test::KestrelDecode(kestrel_test::JoinJpeg(ColourBase()));
    const Bytes garbage = WithBytesBefore(ColourBase(), 0xC0, {0x00, 0x12, 0xFF, 0x00, 0x77, 0xFF, 0xFF});
    EXPECT_EQ(kestrel_test::KestrelDecode(garbage).pixels, reference.pixels);
    const Bytes apps = Edited(ColourBase(), [](auto& j) {
        Insert(j, 0xDB, {0xE1, {'E', 'x', 'i', 'f', 0, 0, 1, 2, 3}});
        Insert(j, 0xDB, {0xE0, {'J', 'F', 'X', 'X', 0, 0x10, 1, 1, 1}});  // a JFIF extension
        Insert(j, 0xDB, {0xEF, {}});
        Insert(j, 0xDB, {0xCC, {0x00, 0x11}});
    });
    EXPECT_EQ(kestrel_test::KestrelDecode(apps).pixels, reference.pixels);
}

// A colour whose YCbCr samples differ clearly from its R, G, B values.
const Image& Orange() {
    static const Image image = [] {
        Image i = kestrel_test::UniformImage(16, 16, 3, 0);
        for (std::size_t p = 0; p < i.pixels.size(); p += 3) {
            i.pixels[p] = 200;
            i.pixels[p + 1] = 100;
            i.pixels[p + 2] = 50;
        }
        return i;
    }();
    return image;
}

enum class Expect { YCbCr, Plain };

struct TransformCase {
    const char* name;
    std::function<void(SegmentedJpeg&)> edit;
    Expect expect;
};

void SetComponentIds(SegmentedJpeg& j, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    Bytes& sof = Payload(j, 0xC0);
    sof[6] = a, sof[9] = b, sof[12] = c;
    Bytes& sos = Payload(j, 0xDA);
    sos[1] = a, sos[3] = b, sos[5] = c;
}

Bytes AdobeWithTransform(std::uint8_t t) {
    Bytes p = kAdobe0;
    p.back() = t;
    return p;
}

TEST(KestrelDecoderHeaders, ColourTransformChoice) {
    const TransformCase cases[] = {
        {"Jfif", [](SegmentedJpeg&) {}, Expect::YCbCr},
        {"JfifWithRgbIds", [](SegmentedJpeg& j) { SetComponentIds(j, 82, 71, 66); }, Expect::YCbCr},
        {"RgbIdsWithoutJfif",
         [](SegmentedJpeg& j) {
             SetComponentIds(j, 82, 71, 66);
             Remove(j, 0xE0);
         },
         Expect::Plain},
        {"OtherIdsWithoutJfif",
         [](SegmentedJpeg& j) {
             SetComponentIds(j, 82, 66, 71);
             Remove(j, 0xE0);
         },
         Expect::YCbCr},
        {"Ids123WithoutJfif", [](SegmentedJpeg& j) { Remove(j, 0xE0); }, Expect::YCbCr},
        {"AdobeTransform0",
         [](SegmentedJpeg& j) {
             Remove(j, 0xE0);
             Insert(j, 0xDB, {0xEE, AdobeWithTransform(0)});
         },
         Expect::Plain},
        {"AdobeTransform1",
         [](SegmentedJpeg& j) {
             Remove(j, 0xE0);
             Insert(j, 0xDB, {0xEE, AdobeWithTransform(1)});
         },
         Expect::YCbCr},
        {"AdobeTransform2",
         [](SegmentedJpeg& j) {
             Remove(j, 0xE0);
             Insert(j, 0xDB, {0xEE, AdobeWithTransform(2)});
         },
         Expect::YCbCr},
        {"AdobeTransform0WithRgbIdsButJfif",
         [](SegmentedJpeg& j) {
             SetComponentIds(j, 82, 71, 66);
             Insert(j, 0xDB, {0xEE, AdobeWithTransform(0)});
         },
         Expect::YCbCr},
        {"AdobeTransform1WithRgbIds",
         [](SegmentedJpeg& j) {
             SetComponentIds(j, 82, 71, 66);
             Remove(j, 0xE0);
             Insert(j, 0xDB, {0xEE, AdobeWithTransform(1)});
         },
         Expect::YCbCr},
    };
    const SegmentedJpeg base = kestrel_test::SplitJpeg(kestrel_test::KestrelEncode(Orange()));
    // The file's samples: Y, Cb, Cr of (200, 100, 50).
    const int ycc[3] = {124, 86, 182};
    const int rgb[3] = {200, 100, 50};
    for (const TransformCase& c : cases) {
        SegmentedJpeg j = base;
        c.edit(j);
        const Image out = kestrel_test::KestrelDecode(kestrel_test::JoinJpeg(j));
        const int* want = c.expect == Expect::YCbCr ? rgb : ycc;
        for (int ch = 0; ch < 3; ++ch)
            EXPECT_NEAR(out.pixels[ch], want[ch], 2) << c.name << " channel " << ch;
    }
}

TEST(KestrelDecoderHeaders, RgbFileFromLibjpegTurboDecodesWithoutTransform) {
    const Image image = kestrel_test::SyntheticImage(40, 30, 3);
    kestrel_test::LibjpegOptions options;
    options.rgbNoTransform = true;
    options.writeJfif = false;
    options.writeAdobe = true;
    options.hSampling = options.vSampling = 1;
    const Bytes file = kestrel_test::LibjpegEncode(image, options);
    EXPECT_LE(kestrel_test::MaxDifference(kestrel_test::KestrelDecode(file), kestrel_test::LibjpegDecodeFast(file)), 6);
}

TEST(KestrelDecoderHeaders, DensityUnits) {
    struct Case {
        int jfifUnits;  // -1: no APP0
        int densityUnits;
    };
    const Case cases[] = {{-1, 0}, {0, 1}, {1, 2}, {2, 3}, {7, 0}};
    for (const Case& c : cases) {
        SegmentedJpeg j = ColourBase();
        if (c.jfifUnits < 0) {
            Remove(j, 0xE0);
        } else {
            Bytes& app0 = Payload(j, 0xE0);
            app0[7] = static_cast<std::uint8_t>(c.jfifUnits);
            app0[8] = 0x01, app0[9] = 0x2C, app0[10] = 0x00, app0[11] = 0x48;
        }
        kestrel_test::KestrelInfo info;
        kestrel_test::KestrelDecode(kestrel_test::JoinJpeg(j), &info);
        EXPECT_EQ(info.densityUnits, c.densityUnits) << c.jfifUnits;
        EXPECT_EQ(info.xDensity, c.jfifUnits < 0 ? 0 : 300) << c.jfifUnits;
        EXPECT_EQ(info.yDensity, c.jfifUnits < 0 ? 0 : 72) << c.jfifUnits;
    }
}

TEST(KestrelDecoderHeaders, DqtWithAnEightAndASixteenBitTable) {
    SegmentedJpeg j = ColourBase();
    const Bytes luma = Payload(j, 0xDB);  // 00 + 64 bytes
    Remove(j, 0xDB);
    Bytes& chroma8 = Payload(j, 0xDB);
    Bytes both = luma;
    both.push_back(0x11);
    for (int i = 1; i < 65; ++i) {
        both.push_back(0x00);
        both.push_back(chroma8[i]);
    }
    ASSERT_EQ(both.size() + 2, 196u);
    chroma8 = both;
    EXPECT_EQ(kestrel_test::KestrelDecode(kestrel_test::JoinJpeg(j)).pixels,
              kestrel_test::KestrelDecode(kestrel_test::JoinJpeg(ColourBase())).pixels);
}

std::unique_ptr<Kestrel::DecoderImpl> OpenImpl(const Bytes& file, std::unique_ptr<ISSStreamMem>& stream) {
    stream = std::make_unique<ISSStreamMem>(file.data(), file.size());
    return std::make_unique<Kestrel::DecoderImpl>(*stream);
}

TEST(KestrelDecoderHeaders, Geometry420Of17x9) {
    const Bytes file = kestrel_test::JoinJpeg(ColourBase());
    std::unique_ptr<ISSStreamMem> stream;
    const auto decoder = OpenImpl(file, stream);
    const Kestrel::FrameGeometry& g = decoder->Geometry();
    EXPECT_EQ(g.mcuWidth, 16);
    EXPECT_EQ(g.mcuHeight, 16);
    EXPECT_EQ(g.paddedWidth, 32u);
    EXPECT_EQ(g.paddedHeight, 16u);
    EXPECT_EQ(g.mcusPerRow, 2u);
    EXPECT_EQ(g.mcuRows, 1u);
    EXPECT_EQ(g.blocksPerMcu, 6);
}

TEST(KestrelDecoderHeaders, GreyFrameWithSamplingFactorsTwoUsesOneBlockMcus) {
    SegmentedJpeg j = GreyBase();
    Payload(j, 0xC0)[7] = 0x22;
    const Bytes file = kestrel_test::JoinJpeg(j);
    std::unique_ptr<ISSStreamMem> stream;
    const auto decoder = OpenImpl(file, stream);
    EXPECT_EQ(decoder->Geometry().mcuWidth, 8);
    EXPECT_EQ(decoder->Geometry().blocksPerMcu, 1);
    EXPECT_EQ(kestrel_test::KestrelDecode(file).pixels,
              kestrel_test::KestrelDecode(kestrel_test::JoinJpeg(GreyBase())).pixels);
}

TEST(KestrelDecoderHeaders, ReadLineReturnsPaddedRowsAndRefusesARowTooMany) {
    const Bytes file = kestrel_test::KestrelEncode(kestrel_test::SyntheticImage(10, 8, 3));
    std::unique_ptr<ISSStreamMem> stream;
    const auto decoder = OpenImpl(file, stream);
    EXPECT_EQ(decoder->Geometry().paddedWidth, 16u);  // rows of 48 bytes, 30 of them image
    EXPECT_TRUE(decoder->IsColour());
    for (int y = 0; y < 8; ++y)
        EXPECT_NE(decoder->ReadLine(), nullptr);
    EXPECT_THROW(decoder->ReadLine(), Kestrel::Error);
}

}  // namespace
