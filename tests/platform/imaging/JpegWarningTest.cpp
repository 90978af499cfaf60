// libjpeg-turbo's warnings one by one: a file for each that can be made to
// raise it, decoded whole when the warning loses nothing and refused when it
// reports data missing or corrupt.
#include <gtest/gtest.h>

#include <csetjmp>
#include <ostream>
#include <string>

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

#include "platform/imaging/Bitmap.h"
#include "platform/imaging/JpegDecoder.h"
#include "tests/support/DamagedImages.h"
#include "tests/support/LibraryCodecFiles.h"

using namespace imaging;
using Bytes = libfiles::Bytes;

namespace {

constexpr std::int64_t kPlenty = std::int64_t{1} << 30;

// The first warning plain libjpeg raises while decoding the whole file, or
// -1 without one (-2: it fails with an error).
struct ProbeErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int first = -1;
};

int FirstWarning(const Bytes& file) {
    jpeg_decompress_struct cinfo;
    ProbeErrors errors;
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<ProbeErrors*>(c->err)->jump, 1); };
    errors.pub.emit_message = [](j_common_ptr c, int level) {
        auto* e = reinterpret_cast<ProbeErrors*>(c->err);
        if (level < 0 && e->first < 0)
            e->first = c->err->msg_code;
    };
    errors.pub.output_message = [](j_common_ptr) {};
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        return -2;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(cinfo.output_width) * cinfo.output_components);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return errors.first;
}

Bytes Noisy(bool progressive = false, int restartRows = 0, bool arithmetic = false) {
    return libfiles::LibjpegFile({64, 48, 3, JCS_YCbCr, progressive, restartRows, arithmetic});
}

// Where the marker segment with this code starts (its FF byte).
std::size_t Segment(const Bytes& jpeg, std::uint8_t code) {
    const qsizetype at =
        damaged::JpegSegment(QByteArray(reinterpret_cast<const char*>(jpeg.data()), qsizetype(jpeg.size())), code);
    return at < 0 ? jpeg.size() : static_cast<std::size_t>(at);
}

std::size_t SegmentEnd(const Bytes& jpeg, std::size_t at) { return at + 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]); }

// The first marker at or after `from` that is neither a stuffed FF 00 nor a
// restart marker: the end of the scan data that starts before it.
std::size_t ScanDataEnd(const Bytes& jpeg, std::size_t from) {
    for (std::size_t at = from; at + 1 < jpeg.size(); ++at)
        if (jpeg[at] == 0xFF && jpeg[at + 1] != 0x00 && !(jpeg[at + 1] >= 0xD0 && jpeg[at + 1] <= 0xD7))
            return at;
    return jpeg.size();
}

// The middle of the first scan's coded data.
std::size_t MidScan(const Bytes& jpeg) {
    const std::size_t data = SegmentEnd(jpeg, Segment(jpeg, 0xDA));
    std::size_t at = data + (ScanDataEnd(jpeg, data) - data) / 2;
    while (jpeg[at - 1] == 0xFF)  // not between an FF and the byte it escapes
        --at;
    return at;
}

Bytes ExtraneousBytes() {
    Bytes jpeg = Noisy();
    const Bytes junk = {0x12, 0x34, 0x56};
    jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(Segment(jpeg, 0xDB)), junk.begin(), junk.end());
    return jpeg;
}

Bytes UnknownJfifRevision() {
    Bytes jpeg = Noisy();
    jpeg[Segment(jpeg, 0xE0) + 9] = 3;  // FF E0, length, "JFIF\0", then the major version
    return jpeg;
}

// The JFIF segment, which would settle the colour space, replaced by an
// Adobe segment with a transform code of none of its kinds.
Bytes UnknownAdobeTransform() {
    Bytes jpeg = Noisy();
    const std::size_t app0 = Segment(jpeg, 0xE0);
    jpeg.erase(jpeg.begin() + static_cast<std::ptrdiff_t>(app0),
               jpeg.begin() + static_cast<std::ptrdiff_t>(SegmentEnd(jpeg, app0)));
    const Bytes adobe = {0xFF, 0xEE, 0, 14, 'A', 'd', 'o', 'b', 'e', 0, 100, 0, 0, 0, 0, 7};
    jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(app0), adobe.begin(), adobe.end());
    return jpeg;
}

// A sequential scan whose header says Se = 0, as some writers leave it.
Bytes NotSequentialParameters() {
    Bytes jpeg = Noisy();
    const std::size_t sos = Segment(jpeg, 0xDA);
    jpeg[sos + 5 + 2 * jpeg[sos + 4] + 1] = 0;  // FF DA, length, Ns, Ns selectors, Ss, Se
    return jpeg;
}

Bytes SegmentEndsEarly() {
    Bytes jpeg = Noisy();
    jpeg.resize(MidScan(jpeg));
    jpeg.push_back(0xFF);
    jpeg.push_back(0xD9);
    return jpeg;
}

Bytes FileEndsEarly() {
    Bytes jpeg = Noisy();
    jpeg.resize(MidScan(jpeg));
    return jpeg;
}

// 64 one bits: longer than any Huffman code, and all ones is none.
Bytes BadHuffmanCode() {
    Bytes jpeg = Noisy();
    const std::size_t at = MidScan(jpeg);
    for (std::size_t i = 0; i < 16; ++i)
        jpeg[at + i] = i % 2 == 0 ? 0xFF : 0x00;
    return jpeg;
}

Bytes LostRestartMarker() {
    Bytes jpeg = Noisy(false, 1);
    const std::size_t data = SegmentEnd(jpeg, Segment(jpeg, 0xDA));
    for (std::size_t at = data; at + 1 < jpeg.size(); ++at)
        if (jpeg[at] == 0xFF && jpeg[at + 1] == 0xD1) {
            jpeg[at + 1] = 0xD5;
            break;
        }
    return jpeg;
}

// A progressive file without its first scan (the DC coefficients): the
// next scans refine what was never sent.
Bytes ScanOutOfOrder() {
    Bytes jpeg = Noisy(true);
    const std::size_t first = Segment(jpeg, 0xDA);
    jpeg.erase(jpeg.begin() + static_cast<std::ptrdiff_t>(first),
               jpeg.begin() + static_cast<std::ptrdiff_t>(ScanDataEnd(jpeg, SegmentEnd(jpeg, first))));
    return jpeg;
}

// An arithmetic-coded file with a run of its coded bytes replaced: the
// first of a few such replacements that libjpeg reports as a bad code
// (others decode into other pixels without a word, or end the scan early).
Bytes BadArithmeticCode() {
    const Bytes whole = Noisy(false, 0, true);
    const std::size_t at = MidScan(whole);
    for (std::uint32_t seed = 1; seed < 1000; ++seed) {
        Bytes jpeg = whole;
        std::uint32_t state = seed;
        for (std::size_t i = at; i < at + 24; ++i) {
            state = state * 214013 + 2531011;
            const auto byte = static_cast<std::uint8_t>(state >> 16);
            jpeg[i] = byte == 0xFF ? 0 : byte;
        }
        if (FirstWarning(jpeg) == JWRN_ARITH_BAD_CODE)
            return jpeg;
    }
    return whole;
}

struct WarningCase {
    const char* name;
    Bytes (*make)();
    int warning;
    bool decodes;
};

void PrintTo(const WarningCase& c, std::ostream* out) { *out << c.name; }

class JpegWarning : public ::testing::TestWithParam<WarningCase> {};

TEST_P(JpegWarning, DecodesWholeOnlyWhenNothingIsLost) {
    const WarningCase& c = GetParam();
    const Bytes file = c.make();
    ASSERT_EQ(FirstWarning(file), c.warning);
    EXPECT_EQ(JpegWarningLosesNothing(c.warning), c.decodes);
    const QImage decoded = DecodeJpeg(file, kPlenty);
    EXPECT_EQ(decoded.isNull(), !c.decodes);
    if (!c.decodes)
        return;
    // The same pixels as the file without the warning's cause, as Open and
    // the batch read it.
    EXPECT_EQ(decoded, DecodeJpeg(Noisy(), kPlenty));
    EXPECT_NE(Bitmap::FromMemory(file), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Files, JpegWarning,
    ::testing::Values(WarningCase{"extraneous_bytes", ExtraneousBytes, JWRN_EXTRANEOUS_DATA, true},
                      WarningCase{"unknown_jfif_revision", UnknownJfifRevision, JWRN_JFIF_MAJOR, true},
                      WarningCase{"unknown_adobe_transform", UnknownAdobeTransform, JWRN_ADOBE_XFORM, true},
                      WarningCase{"not_sequential_parameters", NotSequentialParameters, JWRN_NOT_SEQUENTIAL, true},
                      WarningCase{"segment_ends_early", SegmentEndsEarly, JWRN_HIT_MARKER, false},
                      WarningCase{"file_ends_early", FileEndsEarly, JWRN_JPEG_EOF, false},
                      WarningCase{"bad_huffman_code", BadHuffmanCode, JWRN_HUFF_BAD_CODE, false},
                      WarningCase{"lost_restart_marker", LostRestartMarker, JWRN_MUST_RESYNC, false},
                      WarningCase{"scan_out_of_order", ScanOutOfOrder, JWRN_BOGUS_PROGRESSION, false},
                      WarningCase{"bad_arithmetic_code", BadArithmeticCode, JWRN_ARITH_BAD_CODE, false}),
    [](const auto& info) { return std::string(info.param.name); });

// The two no file here can raise through the decoder: a malformed ICC
// marker (the profile is never asked for) and a row asked for past the
// last (never asked for); and a code libjpeg may add later, which fails.
TEST(JpegWarning, TheWarningsNoFileRaisesHereAndUnknownCodes) {
    EXPECT_TRUE(JpegWarningLosesNothing(JWRN_BOGUS_ICC));
    EXPECT_TRUE(JpegWarningLosesNothing(JWRN_TOO_MUCH_DATA));
    EXPECT_FALSE(JpegWarningLosesNothing(JMSG_LASTMSGCODE));
    EXPECT_FALSE(JpegWarningLosesNothing(JMSG_LASTMSGCODE + 10));
}

}  // namespace
