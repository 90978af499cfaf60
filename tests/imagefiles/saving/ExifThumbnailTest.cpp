#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "ExifFixtures.h"
#include "imagefiles/ExifThumbnail.h"

using namespace exiffixtures;

namespace {

enum class Outcome { Thumbnail, Nothing, FileException };

struct Result {
    Outcome outcome = Outcome::Nothing;
    PackedDib dib;
    ThumbnailBox box;
    int imageWidth = -1, imageHeight = -1;
};

Result ReadAs(bool jpeg, const Bytes& file, ThumbnailBox box) {
    Result r;
    r.box = box;
    const std::span<const std::uint8_t> bytes(file);
    try {
        r.dib = jpeg ? ReadJpegExifThumbnail(bytes, r.box, r.imageWidth, r.imageHeight)
                     : ReadTiffExifThumbnail(bytes, r.box, r.imageWidth, r.imageHeight);
        r.outcome = r.dib ? Outcome::Thumbnail : Outcome::Nothing;
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::genericException);
        r.outcome = Outcome::FileException;
    }
    return r;
}

Result ReadJpeg(const Bytes& file, ThumbnailBox box = {100, 100}) { return ReadAs(true, file, box); }
Result ReadTiff(const Bytes& file, ThumbnailBox box = {100, 100}) { return ReadAs(false, file, box); }

Layout CameraLayout(bool big = false) {
    Layout l;
    l.bigEndian = big;
    l.ifd0 = {{271, 4, 1, 1}, {256, 4, 1, 640}, {257, 4, 1, 480}};
    l.exifIfd = {{40962, 3, 1, 4000}, {40963, 3, 1, 3000}};
    l.ifd1 = RgbIfd1(4, 3);
    l.thumbnail = GradientRgb(4, 3);
    return l;
}

Bytes ExifJpeg(const Layout& l) {
    return JpegWith({{0xE0, Bytes{'J', 'F', 'I', 'F', 0}}, {0xE1, ExifPayload(BuildTiff(l))}});
}

struct LayoutCase {
    const char* name;
    std::function<Bytes()> file;
    Outcome expected;
};

Bytes Patched(Layout l, const std::function<void(Layout&)>& change) {
    change(l);
    return ExifJpeg(l);
}

const LayoutCase kJpegCases[] = {
    {"little endian", [] { return ExifJpeg(CameraLayout()); }, Outcome::Thumbnail},
    {"big endian", [] { return ExifJpeg(CameraLayout(true)); }, Outcome::Thumbnail},
    {"xmp in the first app1",
     [] {
         return JpegWith({{0xE1, XmpPayload()}, {0xE1, ExifPayload(BuildTiff(CameraLayout()))}});
     },
     Outcome::Nothing},
    {"no app1 and no scan",
     [] {
         return JpegWith({{0xE0, Bytes(40, 0xFF)}}, false);
     },
     Outcome::Nothing},
    {"app1 after the scan",
     [] {
         Bytes f = JpegWith({}, true);
         AppendSegment(f, 0xE1, ExifPayload(BuildTiff(CameraLayout())));
         return f;
     },
     Outcome::Nothing},
    {"segment too short for the signature",
     [] {
         Bytes f = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x03, 'E', 'x', 'i', 'f', 0, 0};
         return f;
     },
     Outcome::Nothing},
    {"ifd1 offset 0", [] { return Patched(CameraLayout(), [](Layout& l) { l.ifd1OffsetZero = true; }); },
     Outcome::Nothing},
    {"compression 7", [] { return Patched(CameraLayout(), [](Layout& l) { l.ifd1[2].value = 7; }); }, Outcome::Nothing},
    {"no compression tag", [] { return Patched(CameraLayout(), [](Layout& l) { l.ifd1.erase(l.ifd1.begin() + 2); }); },
     Outcome::Nothing},
    {"no thumbnail offset", [] { return Patched(CameraLayout(), [](Layout& l) { l.ifd1.erase(l.ifd1.begin() + 3); }); },
     Outcome::Nothing},
    {"length not width x height x 3", [] { return Patched(CameraLayout(), [](Layout& l) { l.ifd1[4].value = 35; }); },
     Outcome::Nothing},
    {"length past the end", [] { return Patched(CameraLayout(), [](Layout& l) { l.ifd1[4].value = 36 + 4096; }); },
     Outcome::Nothing},
    {"length 0xFFFFFFF0", [] { return Patched(CameraLayout(), [](Layout& l) { l.ifd1[4].value = 0xFFFFFFF0; }); },
     Outcome::Nothing},
    {"offset past the end", [] { return Patched(CameraLayout(), [](Layout& l) { l.ifd1[3].value = 0xFFFFFF00; }); },
     Outcome::Nothing},
    {"width x height x 3 overflows 32 bits",
     // 0x55555556 x 3 x 3 = 6 modulo 2^32.
     [] {
         return Patched(CameraLayout(), [](Layout& l) {
             l.ifd1[0].value = 0x55555556;
             l.ifd1[1].value = 3;
             l.ifd1[4].value = 6;
             l.thumbnail.resize(6);
         });
     },
     Outcome::Nothing},
    {"several strips", [] { return Patched(CameraLayout(), [](Layout& l) { l.ifd1[3].count = 2; }); },
     Outcome::Nothing},
    {"ifd0 past the end",
     [] {
         Bytes tiff = BuildTiff(CameraLayout());
         tiff[4] = 0xF0;
         tiff[5] = 0xFF;
         return JpegWith({{0xE1, ExifPayload(tiff)}});
     },
     Outcome::FileException},
    {"ifd entries past the end",
     [] {
         Bytes tiff = BuildTiff(CameraLayout());
         tiff.resize(8 + 2 + 12);  // IFD0 claims more entries than there are
         Bytes f = {0xFF, 0xD8};
         AppendSegment(f, 0xE1, ExifPayload(tiff));
         return f;
     },
     Outcome::FileException},
    {"exif ifd past the end",
     [] {
         return Patched(CameraLayout(), [](Layout& l) {
             l.exifIfd.clear();
             l.ifd0.push_back({34665, 4, 1, 0x7FFFFFF0});
         });
     },
     Outcome::FileException},
    {"ifd1 past the end",
     [] {
         Bytes tiff = BuildTiff(CameraLayout());
         // The next-IFD field of IFD0 (4 entries after the header).
         const std::size_t next = 8 + 2 + 12 * 4;
         tiff[next] = 0x00;
         tiff[next + 1] = 0xF0;
         return JpegWith({{0xE1, ExifPayload(tiff)}});
     },
     Outcome::FileException},
};

class JpegLayouts : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(JpegLayouts, GiveThumbnailNothingOrFileException) {
    const Result r = ReadJpeg(GetParam().file());
    EXPECT_EQ(r.outcome, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, JpegLayouts, ::testing::ValuesIn(kJpegCases), [](const auto& info) {
    std::string n = info.param.name;
    for (char& c : n)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return n;
});

TEST(ExifThumbnail, ExifIfdDimensionsOverrideIfd0BothByteOrders) {
    for (bool big : {false, true}) {
        const Result r = ReadJpeg(ExifJpeg(CameraLayout(big)));
        EXPECT_EQ(r.imageWidth, 4000) << big;
        EXPECT_EQ(r.imageHeight, 3000) << big;
    }
}

TEST(ExifThumbnail, UncompressedPixelOrderAndBottomUpRows) {
    Result r = ReadJpeg(ExifJpeg(CameraLayout()), {4, 3});
    ASSERT_EQ(r.outcome, Outcome::Thumbnail);
    EXPECT_EQ(r.box.width, 4);
    EXPECT_EQ(r.box.height, 3);
    const BITMAPINFOHEADER& h = r.dib.Header();
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 4);
    EXPECT_EQ(h.biHeight, 3);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biXPelsPerMeter, 2835);
    EXPECT_EQ(h.biYPelsPerMeter, 2835);
    EXPECT_EQ(h.biSizeImage, 3u * 12);
    const std::uint8_t* bits = r.dib.block.get() + 40;
    // Bottom DIB row is the thumbnail's last row (G = y = 2); bytes B, G, R.
    EXPECT_EQ(bits[0], 7);
    EXPECT_EQ(bits[1], 2);
    EXPECT_EQ(bits[2], 0);
    EXPECT_EQ(bits[3 * 3 + 2], 3);   // R = x = 3
    EXPECT_EQ(bits[2 * 12 + 1], 0);  // top DIB row: y = 0
    CDib* dib = CDib::CreateFromInfo(std::move(r.dib));
    EXPECT_EQ(dib->Width(), 4);
    dib->Release();
}

struct BoxCase {
    int tw, th, bw, bh, fittedW, fittedH;
};

class BoxFit : public ::testing::TestWithParam<BoxCase> {};

TEST_P(BoxFit, KeepsTheThumbnailsAspect) {
    const BoxCase c = GetParam();
    Layout l = CameraLayout();
    l.ifd1 = RgbIfd1(c.tw, c.th);
    l.thumbnail = GradientRgb(c.tw, c.th);
    Bytes f = {0xFF, 0xD8};
    AppendSegment(f, 0xE1, ExifPayload(BuildTiff(l)));  // a 57600-byte thumbnail is fine in a test
    const Result r = ReadJpeg(f, {c.bw, c.bh});
    ASSERT_EQ(r.outcome, Outcome::Thumbnail);
    EXPECT_EQ(r.box.width, c.fittedW);
    EXPECT_EQ(r.box.height, c.fittedH);
    EXPECT_EQ(r.dib.Header().biWidth, c.fittedW);
    EXPECT_EQ(r.dib.Header().biHeight, c.fittedH);
}

INSTANTIATE_TEST_SUITE_P(Table, BoxFit,
                         ::testing::Values(BoxCase{160, 120, 100, 100, 100, 75}, BoxCase{160, 120, 200, 100, 133, 100},
                                           BoxCase{4, 3, 8, 6, 8, 6},  // enlarged
                                           BoxCase{1000, 1, 10, 10, 10, 1}, BoxCase{1, 1000, 10, 10, 1, 10}));

TEST(ExifThumbnail, NearestNeighbourPicksSourceRowsAndColumns) {
    Layout l = CameraLayout();
    l.ifd1 = RgbIfd1(160, 120);
    l.thumbnail = GradientRgb(160, 120);
    Bytes f = {0xFF, 0xD8};
    AppendSegment(f, 0xE1, ExifPayload(BuildTiff(l)));
    const Result r = ReadJpeg(f, {100, 100});
    ASSERT_EQ(r.outcome, Outcome::Thumbnail);
    const std::size_t stride = DibStride(100, 24);
    const std::uint8_t* bits = r.dib.block.get() + 40;
    for (int i : {0, 1, 40, 74})
        for (int j : {0, 1, 57, 99}) {
            const std::uint8_t* px = bits + i * stride + j * 3;
            EXPECT_EQ(px[1], (75 - i - 1) * 120 / 75) << i;  // G = source row
            EXPECT_EQ(px[2], j * 160 / 100) << j;            // R = source column
        }
}

TEST(ExifThumbnail, EmptyBoxGivesNothing) {
    EXPECT_EQ(ReadJpeg(ExifJpeg(CameraLayout()), {0, 10}).outcome, Outcome::Nothing);
}

// A TIFF file: the thumbnail of IFD1, offsets from the file's start.
Bytes TiffFile(bool big, bool withExifIfd) {
    Layout l = CameraLayout(big);
    if (!withExifIfd)
        l.exifIfd.clear();
    return BuildTiff(l, 200);
}

TEST(ExifThumbnail, TiffFiles) {
    for (bool big : {false, true}) {
        const Result r = ReadTiff(TiffFile(big, true), {4, 3});
        ASSERT_EQ(r.outcome, Outcome::Thumbnail) << big;
        EXPECT_EQ(r.imageWidth, 640);  // IFD0's own size, not the EXIF dimensions
        EXPECT_EQ(r.imageHeight, 480);
        EXPECT_EQ(r.dib.block[40 + 1], 2);
    }
    EXPECT_EQ(ReadTiff(TiffFile(false, false)).outcome, Outcome::Nothing);
    // Files of 128 bytes or less are not looked at, even when cut short.
    Bytes small = BuildTiff(CameraLayout());
    small.resize(128);
    EXPECT_EQ(ReadTiff(small).outcome, Outcome::Nothing);
    small.resize(129);
    EXPECT_EQ(ReadTiff(small).outcome, Outcome::FileException);
    Bytes notTiff = TiffFile(false, true);
    notTiff[0] = 'X';
    EXPECT_EQ(ReadTiff(notTiff).outcome, Outcome::Nothing);
}

class ExifFiles : public ::testing::Test {
protected:
    std::filesystem::path Write(const std::string& name, const Bytes& bytes) {
        const auto path = m_dir / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("exif-files-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::filesystem::path m_dir;
};

TEST_F(ExifFiles, ExtensionsDecide) {
    const Bytes jpeg = ExifJpeg(CameraLayout());
    const Bytes tiff = TiffFile(false, true);
    int w = 0, h = 0;
    for (const char* name : {"a.jpg", "b.JPG", "c.JpG", "d.jpeg"}) {
        ThumbnailBox box{4, 3};
        EXPECT_TRUE(ReadJpegExifThumbnail(Write(name, jpeg), box, w, h)) << name;
    }
    for (const char* name : {"e.jpe", "f", "g.jpegx"}) {
        ThumbnailBox box{4, 3};
        EXPECT_FALSE(ReadJpegExifThumbnail(Write(name, jpeg), box, w, h)) << name;
    }
    ThumbnailBox box{4, 3};
    EXPECT_TRUE(ReadTiffExifThumbnail(Write("g.Tif", tiff), box, w, h));
    EXPECT_TRUE(ReadTiffExifThumbnail(Write("h.tiff", tiff), box, w, h));
    EXPECT_FALSE(ReadTiffExifThumbnail(Write("i.tiffs", tiff), box, w, h));
    EXPECT_FALSE(ReadTiffExifThumbnail(m_dir / "missing.tif", box, w, h));
    EXPECT_GT(FindExifSegment(Write("i.jpg", jpeg)), 0u);
    EXPECT_EQ(FindExifSegment(m_dir / "missing.jpg"), 0u);
    EXPECT_GT(HasExifIfd(Write("j.tif", tiff)), 0u);
    EXPECT_EQ(HasExifIfd(Write("k.tif", TiffFile(false, false))), 0u);
}

TEST_F(ExifFiles, FileThumbnailMatchesTheMemoryOne) {
    // A thumbnail far into a file larger than the reader's window.
    Layout l = CameraLayout();
    l.ifd1 = RgbIfd1(160, 120);
    l.thumbnail = GradientRgb(160, 120);
    Bytes tiff = BuildTiff(l, 300000);
    int w = 0, h = 0;
    ThumbnailBox box{50, 50};
    const PackedDib fromFile = ReadTiffExifThumbnail(Write("big.tif", tiff), box, w, h);
    const Result fromMemory = ReadTiff(tiff, {50, 50});
    ASSERT_TRUE(fromFile);
    ASSERT_EQ(fromMemory.outcome, Outcome::Thumbnail);
    ASSERT_EQ(fromFile.bytes, fromMemory.dib.bytes);
    EXPECT_EQ(std::memcmp(fromFile.block.get(), fromMemory.dib.block.get(), fromFile.bytes), 0);
}

}  // namespace
