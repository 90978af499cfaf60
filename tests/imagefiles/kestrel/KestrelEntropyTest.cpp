// Entropy-coded data: hand-made scans for the block-ending rules, byte
// stuffing, restart intervals and markers, and truncated scans.

#include <gtest/gtest.h>

#include <vector>

#include "imagefiles/kestrel/EnthropyEncoder.h"
#include "imagefiles/kestrel/Kestrel.h"
#include "imagefiles/kestrel/KestrelTables.h"
#include "imagefiles/kestrel/KestrelTestSupport.h"
#include "imagefiles/kestrel/MemStreams.h"

namespace {

using kestrel_test::Bytes;
using kestrel_test::Image;
using kestrel_test::SegmentedJpeg;

// Builds scan bits from standard-table symbols and raw bits, pads with ones
// and stuffs FF bytes.
class ScanBuilder {
public:
    ScanBuilder& Dc(int size, int bits = 0) {
        Put(m_dc.code[size], m_dc.length[size]);
        if (size > 0)
            Put(static_cast<std::uint32_t>(bits), size);
        return *this;
    }
    ScanBuilder& Ac(int symbol, int bits = 0) {
        Put(m_ac.code[symbol], m_ac.length[symbol]);
        if ((symbol & 15) > 0)
            Put(static_cast<std::uint32_t>(bits), symbol & 15);
        return *this;
    }
    Bytes Finish() {
        while (m_bits.size() % 8)
            m_bits.push_back(1);
        Bytes out;
        for (std::size_t i = 0; i < m_bits.size(); i += 8) {
            std::uint8_t b = 0;
            for (int k = 0; k < 8; ++k)
                b = static_cast<std::uint8_t>((b << 1) | m_bits[i + k]);
            out.push_back(b);
            if (b == 0xFF)
                out.push_back(0x00);
        }
        out.push_back(0xFF);
        out.push_back(0xD9);
        return out;
    }

private:
    void Put(std::uint32_t code, int n) {
        ASSERT_GT(n + 1, 0);
        for (int k = n - 1; k >= 0; --k)
            m_bits.push_back((code >> k) & 1);
    }
    Kestrel::HuffmanCodeTable m_dc{Kestrel::StandardDcTable(0)};
    Kestrel::HuffmanCodeTable m_ac{Kestrel::StandardAcTable(0)};
    std::vector<int> m_bits;
};

// A grey file of width x 8 pixels with the given scan.
Bytes GreyFileWithScan(int width, const Bytes& scan) {
    SegmentedJpeg j =
        kestrel_test::SplitJpeg(kestrel_test::KestrelEncode(kestrel_test::UniformImage(width, 8, 1, 128)));
    j.scan = scan;
    return kestrel_test::JoinJpeg(j);
}

TEST(KestrelEntropy, ZeroRunAtPosition48EndsTheBlock) {
    // k: 0xF1 stores at 16, ZRL takes 17 to 33, 0xE1 stores at 47, then a ZRL
    // at 48 cannot fit and ends the block. The second block is uniform.
    const Bytes scan = ScanBuilder().Dc(0).Ac(0xF1, 1).Ac(0xF0).Ac(0xE1, 1).Ac(0xF0).Dc(0).Ac(0x00).Finish();
    const Image out = kestrel_test::KestrelDecode(GreyFileWithScan(16, scan));
    // Block 2 is flat 128; block 1 carries the two coefficients.
    bool flat1 = true;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(out.pixels[y * 16 + 8 + x], 128);
            flat1 = flat1 && out.pixels[y * 16 + x] == 128;
        }
    EXPECT_FALSE(flat1);
}

TEST(KestrelEntropy, RunPastTheLastCoefficientRaises) {
    // Stores at 16, 32, 48 and 60; then a run of 5 would reach 66.
    const Bytes scan = ScanBuilder().Dc(0).Ac(0xF1, 1).Ac(0xF1, 1).Ac(0xF1, 1).Ac(0xB1, 1).Ac(0x51, 1).Finish();
    EXPECT_THROW(kestrel_test::KestrelDecode(GreyFileWithScan(8, scan)), Kestrel::Error);
}

TEST(KestrelEntropy, CoefficientAt63EndsTheBlockWithoutEob) {
    const Bytes scan = ScanBuilder()
                           .Dc(0)
                           .Ac(0xF1, 1)
                           .Ac(0xF1, 1)
                           .Ac(0xF1, 1)
                           .Ac(0xE1, 1)  // stores at 16, 32, 48, 63
                           .Dc(0)
                           .Ac(0x00)
                           .Finish();
    EXPECT_NO_THROW(kestrel_test::KestrelDecode(GreyFileWithScan(16, scan)));
}

TEST(KestrelEntropy, DcOnlyBlocksDecodeToTheirRoundedMean) {
    // DC differences +5 and -3 at quantiser 1 (quality 100): samples
    // 128 + 5/8 and 128 + 2/8 rounded.
    SegmentedJpeg j = kestrel_test::SplitJpeg(
        kestrel_test::KestrelEncode(kestrel_test::UniformImage(16, 8, 1, 128), {100, false, false, 2, 300, 300}));
    j.scan = ScanBuilder().Dc(3, 5).Ac(0x00).Dc(2, 0).Ac(0x00).Finish();  // 2 bits 00: -3
    const Image out = kestrel_test::KestrelDecode(kestrel_test::JoinJpeg(j));
    EXPECT_EQ(out.pixels[0], 129);  // (5 * 8192 + 32768) >> 16 = 1
    EXPECT_EQ(out.pixels[8], 128);  // predictor 2: (2 * 8192 + 32768) >> 16 = 0
}

TEST(KestrelEntropy, DcSizeAbove15IsTakenModulo16) {
    // A DC table of two 1-bit codes: 0 for symbol 0x10, 1 for symbol 0x13.
    SegmentedJpeg j = kestrel_test::SplitJpeg(
        kestrel_test::KestrelEncode(kestrel_test::UniformImage(8, 8, 1, 128), {100, false, false, 2, 300, 300}));
    Bytes dc(17, 0);
    dc[1] = 2;
    dc.push_back(0x10);
    dc.push_back(0x13);
    j.segments[kestrel_test::FindSegment(j, 0xC4)].payload = dc;
    // 1 (size 0x13: 3), 101 (+5), 1010 (EOB).
    j.scan = {0xDA, 0xFF, 0xD9};
    const Image out = kestrel_test::KestrelDecode(kestrel_test::JoinJpeg(j));
    EXPECT_EQ(out.pixels, Bytes(64, 129));
}

TEST(KestrelEntropy, TruncatedScanRaisesAtEveryOffset) {
    for (const Bytes& file : {kestrel_test::KestrelEncode(kestrel_test::SyntheticImage(33, 31, 3)),
                              kestrel_test::LibjpegEncode(kestrel_test::SyntheticImage(40, 24, 3),
                                                          {85, 2, 1, false, false, true, false, 2})}) {
        const SegmentedJpeg j = kestrel_test::SplitJpeg(file);
        const std::size_t dataStart = file.size() - j.scan.size();
        const std::size_t eoi = file.size() - 2;
        ASSERT_EQ(file[eoi], 0xFF);
        for (std::size_t cut = dataStart; cut < eoi; ++cut) {
            const Bytes truncated(file.begin(), file.begin() + std::ptrdiff_t(cut));
            EXPECT_THROW(kestrel_test::KestrelDecode(truncated), Kestrel::Error) << "cut at " << cut;
        }
    }
}

TEST(KestrelEntropy, EncoderNeedsItsTablesOnceAndOnlyOnce) {
    platform::CMemFile file;
    OSSStream stream(file);
    Kestrel::HuffEncoder_SNI encoder(stream, 64, 1, 1, 0, 1, 1, 1, 0, 0, 0);
    const std::int16_t block[64] = {};
    EXPECT_THROW(encoder.EncodeMcuRow(block), Kestrel::Error);
    const Kestrel::HuffmanSpecList dc = {&Kestrel::StandardDcTable(0), &Kestrel::StandardDcTable(1)};
    const Kestrel::HuffmanSpecList ac = {&Kestrel::StandardAcTable(0), &Kestrel::StandardAcTable(1)};
    encoder.SetTables(dc, ac);
    EXPECT_THROW(encoder.SetTables(dc, ac), Kestrel::Error);
    EXPECT_NO_THROW(encoder.EncodeMcuRow(block));
}

TEST(KestrelEntropy, EncoderStuffsEveryFfByte) {
    const Bytes file =
        kestrel_test::KestrelEncode(kestrel_test::SyntheticImage(160, 120, 3), {97, false, false, 2, 300, 300});
    const Bytes scan = kestrel_test::SplitJpeg(file).scan;
    int stuffed = 0;
    for (std::size_t i = 0; i + 2 < scan.size(); ++i) {
        if (scan[i] != 0xFF)
            continue;
        ASSERT_EQ(scan[i + 1], 0x00) << "at " << i;
        ++stuffed;
    }
    EXPECT_GT(stuffed, 0);
    EXPECT_EQ(Bytes(scan.end() - 2, scan.end()), (Bytes{0xFF, 0xD9}));
    // The decoder reads each stuffed FF 00 as the data byte FF (compared with
    // the accurate DCT: at quality 97 the fast one loses precision).
    EXPECT_LE(kestrel_test::MaxDifference(kestrel_test::KestrelDecode(file), kestrel_test::LibjpegDecodeAccurate(file)),
              6);
}

// Restart markers as libjpeg-turbo writes them, and edits of them.
Bytes WithRestarts(int interval, const Image& image, int h = 2, int v = 2) {
    kestrel_test::LibjpegOptions o;
    o.hSampling = h;
    o.vSampling = v;
    o.grey = image.channels == 1;
    o.restartInterval = interval;
    return kestrel_test::LibjpegEncode(image, o);
}

std::vector<std::size_t> RestartMarkerOffsets(const Bytes& file) {
    std::vector<std::size_t> at;
    const std::size_t start = file.size() - kestrel_test::SplitJpeg(file).scan.size();
    for (std::size_t i = start; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] >= 0xD0 && file[i + 1] <= 0xD7)
            at.push_back(i);
    return at;
}

TEST(KestrelEntropy, RestartIntervalsDecodeAsLibjpegTurboDoes) {
    const Image colour = kestrel_test::SyntheticImage(70, 50, 3);
    const Image grey = kestrel_test::SyntheticImage(72, 72, 1);
    for (int interval : {1, 2, 3, 7}) {
        for (const Bytes& file : {WithRestarts(interval, colour), WithRestarts(interval, grey)}) {
            // With intervals 1 and 2 there are more than 8 restarts: the
            // numbers wrap from RST7 to RST0.
            const std::vector<std::size_t> markers = RestartMarkerOffsets(file);
            ASSERT_GE(markers.size(), interval <= 2 ? 9u : 2u);
            for (std::size_t k = 0; k < markers.size(); ++k)
                ASSERT_EQ(file[markers[k] + 1], 0xD0 + k % 8);
            EXPECT_LE(
                kestrel_test::MaxDifference(kestrel_test::KestrelDecode(file), kestrel_test::LibjpegDecodeFast(file)),
                6)
                << "interval " << interval;
        }
    }
}

TEST(KestrelEntropy, WrongOrMissingRestartMarkerRaises) {
    const Bytes file = WithRestarts(2, kestrel_test::SyntheticImage(70, 50, 3));
    const std::vector<std::size_t> markers = RestartMarkerOffsets(file);
    ASSERT_GE(markers.size(), 3u);
    Bytes wrong = file;
    wrong[markers[0] + 1] = 0xD1;  // RST1 where RST0 belongs
    EXPECT_THROW(kestrel_test::KestrelDecode(wrong), Kestrel::Error);
    Bytes skipped = file;
    skipped[markers[2] + 1] = 0xD3;  // RST3 after RST1
    EXPECT_THROW(kestrel_test::KestrelDecode(skipped), Kestrel::Error);
    Bytes missing = file;
    missing.erase(missing.begin() + std::ptrdiff_t(markers[1]), missing.begin() + std::ptrdiff_t(markers[1] + 2));
    EXPECT_THROW(kestrel_test::KestrelDecode(missing), Kestrel::Error);
}

TEST(KestrelEntropy, LongRestartIntervalsNeverReachedDecodeAsWithout) {
    const Bytes file = kestrel_test::KestrelEncode(kestrel_test::SyntheticImage(40, 40, 3));
    const Image reference = kestrel_test::KestrelDecode(file);
    for (std::uint16_t interval : {std::uint16_t(9), std::uint16_t(32768), std::uint16_t(65535)}) {
        SegmentedJpeg j = kestrel_test::SplitJpeg(file);
        j.segments.insert(j.segments.end() - 1,
                          {0xDD, {static_cast<std::uint8_t>(interval >> 8), static_cast<std::uint8_t>(interval)}});
        EXPECT_EQ(kestrel_test::KestrelDecode(kestrel_test::JoinJpeg(j)).pixels, reference.pixels) << interval;
    }
}

TEST(KestrelEntropy, ErrorInsideTheScanLeavesTheDecoderFailingCleanly) {
    const Bytes file = kestrel_test::KestrelEncode(kestrel_test::SyntheticImage(64, 64, 3));
    const Bytes truncated(file.begin(), file.begin() + std::ptrdiff_t(file.size() / 2));
    ISSStreamMem stream(truncated.data(), truncated.size());
    Kestrel::Decoder* decoder = Kestrel::CreateDecoder(stream, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(decoder, nullptr);
    int rows = 0;
    try {
        for (; rows < 64; ++rows)
            decoder->ReadLine();
    } catch (const Kestrel::Error&) {
    }
    EXPECT_LT(rows, 64);
    EXPECT_GT(rows, 0);
    EXPECT_THROW(decoder->ReadLine(), Kestrel::Error);
    Kestrel::DeleteDecoder(decoder);  // gives back what it can, never throws
}

}  // namespace
