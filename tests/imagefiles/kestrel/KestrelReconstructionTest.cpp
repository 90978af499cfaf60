// Reconstruction and conversion: the inverse DCT's DC path, the colour and
// scale tables, and the encoder's conversion of grey colours.

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "imagefiles/kestrel/ColourTables.h"
#include "imagefiles/kestrel/Dct.h"
#include "imagefiles/kestrel/KestrelTables.h"
#include "imagefiles/kestrel/KestrelTestSupport.h"

namespace {

using kestrel_test::Bytes;
using kestrel_test::Image;

TEST(KestrelReconstruction, DcOnlyBlockGivesItsRoundedScaledValue) {
    struct Case {
        int coefficient, quantiser, sample;
    };
    // ((c * q * 8192 + 32768) >> 16) + 128, clamped.
    const Case cases[] = {{0, 16, 128}, {5, 16, 138}, {-5, 16, 118},  {3, 1, 128},   {4, 1, 129},
                          {-4, 1, 128}, {-5, 1, 127}, {100, 50, 255}, {-100, 50, 0}, {1000, 255, 255}};
    const std::array<std::int32_t, 64>& aan = Kestrel::AanScaleFactors(8192);
    for (const Case& c : cases) {
        std::array<std::int16_t, 64> block{};
        block[0] = static_cast<std::int16_t>(c.coefficient);
        std::array<std::int32_t, 64> dq{};
        for (int k = 0; k < 64; ++k)
            dq[k] = c.quantiser * aan[k];
        Kestrel::InverseDct(block.data(), dq.data());
        for (int k = 0; k < 64; ++k)
            ASSERT_EQ(block[k], c.sample) << c.coefficient << " x " << c.quantiser << " at " << k;
    }
}

TEST(KestrelReconstruction, CorruptCoefficientsGiveSamplesInRange) {
    // Products far beyond 32 bits wrap instead of being undefined.
    std::array<std::int16_t, 64> block;
    block.fill(32767);
    block[5] = -32768;
    std::array<std::int32_t, 64> dq;
    const std::array<std::int32_t, 64>& aan = Kestrel::AanScaleFactors(8192);
    for (int k = 0; k < 64; ++k)
        dq[k] = 65535 * aan[k];
    Kestrel::InverseDct(block.data(), dq.data());
    for (std::int16_t s : block) {
        EXPECT_GE(s, 0);
        EXPECT_LE(s, 255);
    }
}

TEST(KestrelReconstruction, QuantDivisorDividesExactly) {
    // Every prescaled quantiser of quality 1 to 100 and a spread of others,
    // against plain division, over the whole range of dividends.
    std::vector<std::int32_t> divisors = {1, 2, 3, 5, 7, 255, 256, 257, 65535, 1 << 20, (1 << 23) + 1, 0x7FFFFFF};
    const std::array<std::int32_t, 64>& aan = Kestrel::AanScaleFactors(32768);
    for (int quality = 1; quality <= 100; quality += 3)
        for (int k = 0; k < 64; ++k)
            divisors.push_back(Kestrel::ScaleQuantTable(quality, Kestrel::kLuminanceQuantBase, true).q[k] * aan[k]);
    unsigned state = 7;
    for (std::int32_t q : divisors) {
        const Kestrel::QuantDivisor d = Kestrel::MakeQuantDivisor(q);
        std::vector<std::int64_t> dividends = {0, 1, q - 1, q, q + 1, 2 * std::int64_t(q) - 1, 0x7FFFFFFF, 0x7FFFFFFE};
        for (int i = 0; i < 200; ++i) {
            state = state * 1103515245u + 12345u;
            dividends.push_back(state & 0x7FFFFFFF);
        }
        for (std::int64_t n : dividends) {
            if (n < 0 || n > 0x7FFFFFFF)
                continue;
            ASSERT_EQ(static_cast<std::int64_t>((std::uint64_t(n) * d.magic) >> d.shift), n / q) << n << " / " << q;
        }
    }
}

TEST(KestrelReconstruction, AanScaleFactors) {
    const std::array<std::int32_t, 8> decoderRow = {8192, 11363, 10703, 9633, 8192, 6436, 4433, 2260};
    const std::array<std::int32_t, 8> encoderRow = {32768, 45451, 42813, 38531, 32768, 25746, 17734, 9041};
    for (int u = 0; u < 8; ++u) {
        EXPECT_EQ(Kestrel::AanScaleFactors(8192)[u], decoderRow[u]);
        EXPECT_EQ(Kestrel::AanScaleFactors(8192)[8 * u], decoderRow[u]);
        EXPECT_EQ(Kestrel::AanScaleFactors(32768)[u], encoderRow[u]);
    }
}

TEST(KestrelReconstruction, ColourTablesAtTheirEnds) {
    const Kestrel::ColourTables& t = Kestrel::kColourTables;
    EXPECT_EQ(t.CrToR[0], -179);
    EXPECT_EQ(t.CrToR[255], 178);
    EXPECT_EQ(t.CbToB[0], -227);
    EXPECT_EQ(t.CbToB[255], 225);
    EXPECT_EQ(t.CrToG4[0], 366);
    EXPECT_EQ(t.CrToG4[255], -363);
    EXPECT_EQ(t.CbToG4[0], 178);
    EXPECT_EQ(t.CbToG4[128], 2);
    EXPECT_EQ(t.CbToG4[255], -173);
    const int at[3] = {1, 256, 511};  // d = -255, 0, 255
    const int rToY4[3] = {-303, 2, 307}, bToY4[3] = {-117, 0, 117};
    const int rToCb2[3] = {87, 1, -85}, bToCr2[3] = {42, 1, -40};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(t.RToY4[at[i]], rToY4[i]);
        EXPECT_EQ(t.BToY4[at[i]], bToY4[i]);
        EXPECT_EQ(t.RToCb2[at[i]], rToCb2[i]);
        EXPECT_EQ(t.BToCr2[at[i]], bToCr2[i]);
    }
    // Y = 128 with neutral chroma stays 128 on every channel.
    EXPECT_EQ(128 + t.CrToR[128], 128);
    EXPECT_EQ(128 + t.CbToB[128], 128);
    EXPECT_EQ(128 + (t.CbToG4[128] + t.CrToG4[128]) / 4, 128);
}

TEST(KestrelReconstruction, GreyColoursSurviveQuality100Exactly) {
    // R = G = B = v gives Y = v and Cb = Cr = 128; with quantisers of 1 the
    // flat blocks come back unchanged.
    for (int v : {0, 1, 17, 127, 128, 200, 254, 255}) {
        const Image in = kestrel_test::UniformImage(24, 20, 3, static_cast<std::uint8_t>(v));
        const Image out =
            kestrel_test::KestrelDecode(kestrel_test::KestrelEncode(in, {100, false, false, 2, 300, 300}));
        EXPECT_EQ(out.pixels, in.pixels) << v;
    }
}

TEST(KestrelReconstruction, SubsampledChromaIsSharedByThePixelsItCovers) {
    // Rows alternate between two colours of the same luma: 4:2:2 keeps each
    // row's chroma, 4:2:0 gives two rows one chroma sample.
    Image in = kestrel_test::UniformImage(32, 32, 3, 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            std::uint8_t* p = &in.pixels[(std::size_t(y) * 32 + x) * 3];
            const bool even = (y % 2) == 0;
            p[0] = even ? 200 : 40;
            p[1] = even ? 100 : 150;
            p[2] = even ? 60 : 220;
        }
    for (bool sub422 : {false, true}) {
        const Image out =
            kestrel_test::KestrelDecode(kestrel_test::KestrelEncode(in, {100, sub422, false, 2, 300, 300}));
        const std::uint8_t* top = &out.pixels[(8 * 32 + 8) * 3];
        const std::uint8_t* below = &out.pixels[(9 * 32 + 8) * 3];
        const std::uint8_t* right = &out.pixels[(8 * 32 + 9) * 3];
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(top[c], right[c], 3) << sub422;  // horizontal neighbours share chroma
        if (sub422)
            EXPECT_GT(top[0] - below[0], 120);
        else
            EXPECT_NEAR(top[0], below[0], 8);
    }
}

}  // namespace
