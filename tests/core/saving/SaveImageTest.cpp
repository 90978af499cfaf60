#include <cstring>

#include "imagefiles/ExifThumbnail.h"

#include "SavingFixtures.h"

using namespace savingtests;

namespace {

struct ExtensionCase {
    const char* name;
    const char* magic;  // empty: nothing may be written
    std::size_t magicBytes;
};

class SaveExtensions : public SavingTest, public ::testing::WithParamInterface<ExtensionCase> {};

TEST_P(SaveExtensions, FormatByUpperCasedExtension) {
    const ExtensionCase c = GetParam();
    auto bitmap = Resized(16, 12);
    const std::string path = Path(c.name);
    const bool saved = SaveImageWithEncoder(bitmap.get(), path, 0, nullptr, 80, 96.0f);
    EXPECT_TRUE(m_prompt->Questions().empty());  // refusals are silent
    if (c.magicBytes == 0) {
        EXPECT_FALSE(saved);
        EXPECT_FALSE(fs::exists(path));
        return;
    }
    ASSERT_TRUE(saved);
    const Bytes bytes = ReadFile(path);
    ASSERT_GE(bytes.size(), c.magicBytes);
    EXPECT_EQ(std::memcmp(bytes.data(), c.magic, c.magicBytes), 0) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Table, SaveExtensions,
                         ::testing::Values(ExtensionCase{"lower.jpg", "\xFF\xD8\xFF", 3},
                                           ExtensionCase{"upper.JPG", "\xFF\xD8\xFF", 3},
                                           ExtensionCase{"long.jpeg", "\xFF\xD8\xFF", 3},
                                           ExtensionCase{"long.TIFF", "II*", 3}, ExtensionCase{"mixed.Tif", "II*", 3},
                                           ExtensionCase{"anim.gif", "GIF8", 4}, ExtensionCase{"plain.bmp", "BM", 2},
                                           ExtensionCase{"net.PNG", "\x89PNG", 4}, ExtensionCase{"noextension", "", 0},
                                           ExtensionCase{"dot.in.folder/name", "", 0}));

class Save : public SavingTest {};

TEST_F(Save, FindEncoderClsid) {
    EncoderClsid clsid;
    EXPECT_EQ(FindEncoderClsid("image/jpeg", clsid), 1);
    EXPECT_EQ(clsid.mimeType, "image/jpeg");
    EXPECT_EQ(FindEncoderClsid("image/bmp", clsid), 0);
    EXPECT_EQ(FindEncoderClsid("image/png", clsid), 4);
    EXPECT_EQ(FindEncoderClsid("IMAGE/JPEG", clsid), -1);
    EXPECT_EQ(FindEncoderClsid("image/webp", clsid), -1);
    EXPECT_EQ(MimeTypeForPath("a.b/c.tif"), "image/tiff");
    EXPECT_EQ(MimeTypeForPath("a.jpg/c"), "");
}

TEST_F(Save, MetadataRoundTrip) {
    auto source = CameraSource(400, 300, BlueThumbnail());
    auto resized = Resized(80, 60, Qt::red);
    const std::string path = Path("out.jpg");
    ASSERT_TRUE(SaveImageWithEncoder(resized.get(), path, 0, source.get(), 85, 150.0f));

    const SavedExif saved = ReadBack(path);
    EXPECT_EQ(saved.Text("Exif.Image.Make"), "TestCam");
    EXPECT_EQ(saved.Text("Exif.Photo.DateTimeOriginal"), "2011:04:05 06:07:08");
    EXPECT_EQ(saved.Text("Exif.Image.Software"), "ORVEK Vespera");
    EXPECT_EQ(saved.Text("Exif.Image.XResolution"), "150/1");
    EXPECT_EQ(saved.Text("Exif.Image.YResolution"), "150/1");
    EXPECT_EQ(saved.Long("Exif.Photo.PixelXDimension"), 80);
    EXPECT_EQ(saved.Long("Exif.Photo.PixelYDimension"), 60);

    // The thumbnail: source size / 20, made from the saved (red) image.
    const Bytes thumb = saved.Thumbnail();
    ASSERT_FALSE(thumb.empty());
    const QImage image = QImage::fromData(thumb.data(), static_cast<int>(thumb.size()), "JPEG");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 20);
    EXPECT_EQ(image.height(), 15);
    const QColor centre = image.pixelColor(10, 7);
    EXPECT_GT(centre.red(), 200);
    EXPECT_LT(centre.blue(), 60);

    auto reread = Bitmap::FromFile(path);
    ASSERT_TRUE(reread);
    EXPECT_DOUBLE_EQ(reread->HorizontalResolution(), 150.0);
    EXPECT_DOUBLE_EQ(reread->VerticalResolution(), 150.0);
    EXPECT_TRUE(m_prompt->Questions().empty());
}

TEST_F(Save, NarrowSourceKeepsItsThumbnailBytes) {
    const Bytes original = BlueThumbnail(8, 160);
    auto source = CameraSource(200, 5000, original);
    auto resized = Resized(20, 500);
    const std::string path = Path("narrow.jpg");
    ASSERT_TRUE(SaveImageWithEncoder(resized.get(), path, 0, source.get(), 80, 72.0f));
    EXPECT_EQ(ReadBack(path).Thumbnail(), original);
}

struct ThumbCase {
    int srcW, srcH, outW, outH, thumbW, thumbH;
};

class RebuiltThumbnail : public SavingTest, public ::testing::WithParamInterface<ThumbCase> {};

TEST_P(RebuiltThumbnail, KeepsTheSavedAspectInsideTheBox) {
    const ThumbCase c = GetParam();
    EXPECT_EQ(RebuiltThumbnailSize(c.srcW, c.srcH, c.outW, c.outH).width, c.thumbW);
    EXPECT_EQ(RebuiltThumbnailSize(c.srcW, c.srcH, c.outW, c.outH).height, c.thumbH);
    auto source = CameraSource(c.srcW, c.srcH, BlueThumbnail());
    auto resized = Resized(c.outW, c.outH);
    const std::string path = Path("t.jpg");
    ASSERT_TRUE(SaveImageWithEncoder(resized.get(), path, 1, source.get(), 80, 96.0f));
    const Bytes thumb = ReadBack(path).Thumbnail();
    const QImage image = QImage::fromData(thumb.data(), static_cast<int>(thumb.size()), "JPEG");
    EXPECT_EQ(image.width(), c.thumbW);
    EXPECT_EQ(image.height(), c.thumbH);
}

INSTANTIATE_TEST_SUITE_P(Table, RebuiltThumbnail,
                         ::testing::Values(ThumbCase{201, 201, 50, 50, 10, 10},        // the smallest rebuild
                                           ThumbCase{4000, 3000, 800, 600, 200, 150},  // the usual case
                                           ThumbCase{400, 300, 300, 300, 15, 15},      // cropped square
                                           ThumbCase{400, 300, 400, 100, 20, 5},       // stretched flat
                                           ThumbCase{400, 300, 1000, 1, 20, 1}));      // never below 1

TEST_F(Save, ThumbnailShrinksUntilTheExifBlockFitsItsSegment) {
    // A 52 KB description leaves too little room for a 200 x 150 thumbnail of
    // noise (noise in 4 x 4 blocks, so that it survives the reduction).
    const std::string comment(52000, 'c');
    auto source = CameraSource(4000, 3000, BlueThumbnail());
    source->SetPropertyItem(Ascii(270, comment));
    auto resized = Bitmap::FromImage(Noise(200, 150).scaled(800, 600), imaging::PixelFormat24bppRGB);
    const std::string path = Path("big.jpg");
    ASSERT_TRUE(SaveImageWithEncoder(resized.get(), path, 0, source.get(), 80, 96.0f));
    const SavedExif saved = ReadBack(path);
    EXPECT_EQ(saved.Text("Exif.Image.Make"), "TestCam");
    EXPECT_EQ(saved.Text("Exif.Image.ImageDescription"), comment);
    const Bytes thumb = saved.Thumbnail();
    ASSERT_FALSE(thumb.empty());
    const QImage image = QImage::fromData(thumb.data(), static_cast<int>(thumb.size()), "JPEG");
    EXPECT_LT(image.width(), 200);
    EXPECT_NEAR(image.width() * 3.0 / 4.0, image.height(), 0.5);  // the saved image's aspect, rounded
}

TEST_F(Save, ThumbnailIsLeftOutWhenNothingFits) {
    const std::string comment(65000, 'c');
    auto source = CameraSource(4000, 3000, BlueThumbnail());
    source->SetPropertyItem(Ascii(270, comment));
    auto resized = Bitmap::FromImage(Noise(400, 300), imaging::PixelFormat24bppRGB);
    const std::string path = Path("full.jpg");
    ASSERT_TRUE(SaveImageWithEncoder(resized.get(), path, 0, source.get(), 80, 96.0f));
    const SavedExif saved = ReadBack(path);
    EXPECT_EQ(saved.Text("Exif.Image.Make"), "TestCam");  // the rest of the metadata is kept
    EXPECT_TRUE(saved.Thumbnail().empty());
}

TEST_F(Save, SourceWithoutMetadataGetsNoSoftwareTag) {
    auto source = Resized(400, 300, Qt::blue);
    auto resized = Resized(40, 30);
    const std::string path = Path("bare.jpg");
    ASSERT_TRUE(SaveImageWithEncoder(resized.get(), path, 0, source.get(), 80, 96.0f));
    EXPECT_FALSE(ReadBack(path).Has("Exif.Image.Software"));
    EXPECT_EQ(resized->GetPropertyItem(imaging::PropertyTagSoftwareUsed), nullptr);
}

TEST_F(Save, ResolutionTagsOfTheSourceAreNotCopied) {
    auto source = CameraSource(400, 300, {});  // 300 dpi in its EXIF
    for (std::uint32_t id = 20481; id <= 20484; ++id)
        source->SetPropertyItem(Short(id, 2));
    auto resized = Resized(40, 30);
    ASSERT_TRUE(SaveImageWithEncoder(resized.get(), Path("r.jpg"), 0, source.get(), 80, 72.5f));
    for (std::uint32_t id = 20481; id <= 20484; ++id)
        EXPECT_EQ(resized->GetPropertyItem(id), nullptr) << id;
    const SavedExif saved = ReadBack(Path("r.jpg"));
    EXPECT_EQ(saved.Text("Exif.Image.XResolution"), "145/2");  // the target's, not 300
    EXPECT_EQ(saved.Text("Exif.Image.YResolution"), "145/2");
    EXPECT_EQ(saved.Long("Exif.Image.ResolutionUnit"), 2);
}

class SaveResolution : public SavingTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SaveResolution, TargetDpiReadBack) {
    auto source = CameraSource(400, 300, BlueThumbnail());
    auto resized = Resized(40, 30);
    const std::string path = Path(std::string("res.") + GetParam());
    ASSERT_TRUE(SaveImageWithEncoder(resized.get(), path, 0, source.get(), 80, 300.0f));
    auto reread = Bitmap::FromFile(path);
    ASSERT_TRUE(reread);
    EXPECT_NEAR(reread->HorizontalResolution(), 300.0, 0.05) << GetParam();
    EXPECT_NEAR(reread->VerticalResolution(), 300.0, 0.05) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Formats, SaveResolution, ::testing::Values("jpg", "png", "bmp", "tif"));

TEST_F(Save, UnwritablePathReportsUnlessQuiet) {
    auto resized = Resized(40, 30);
    const std::string path = Path("no-such-folder/out.jpg");
    EXPECT_FALSE(SaveImageWithEncoder(resized.get(), path, 1, nullptr, 80, 96.0f));
    EXPECT_TRUE(m_prompt->Questions().empty());
    EXPECT_FALSE(SaveImageWithEncoder(resized.get(), path, 0, nullptr, 80, 96.0f));
    const auto questions = m_prompt->Questions();
    ASSERT_EQ(questions.size(), 1u);
    // The reason follows on a line of its own.
    EXPECT_EQ(questions[0].text.toStdString(), "Can't save file " + path + ".\nNo such file or directory");
    EXPECT_EQ(questions[0].buttons, platform::PromptButtons::Ok);
}

TEST_F(Save, ExistingTargetSurvivesAFailedSave) {
    const std::string path = Path("keep.png");
    std::ofstream(path) << "the photograph that was here";
    auto resized = Bitmap::FromImage(Noise(300, 200), imaging::PixelFormat24bppRGB);
    {
        const FileSizeLimit limit(4096);  // the new file cannot be written whole
        EXPECT_FALSE(SaveImageWithEncoder(resized.get(), path, 0, nullptr, 80, 96.0f));
    }
    const Bytes kept = ReadFile(path);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "the photograph that was here");
    EXPECT_EQ(m_prompt->Questions().size(), 1u);
    // Only the target remains in the folder: no temporary file is left.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(Save, OtherFormatsGetNoEncoderParameters) {
    // The quality only reaches JPEG: the PNG written with quality 1 and 100
    // is the same file.
    auto a = Resized(40, 30), b = Resized(40, 30);
    ASSERT_TRUE(SaveImageWithEncoder(a.get(), Path("q1.png"), 0, nullptr, 1, 96.0f));
    ASSERT_TRUE(SaveImageWithEncoder(b.get(), Path("q100.png"), 0, nullptr, 100, 96.0f));
    EXPECT_EQ(ReadFile(Path("q1.png")), ReadFile(Path("q100.png")));
    auto c = Bitmap::FromImage(Noise(64, 64), imaging::PixelFormat24bppRGB);
    auto d = Bitmap::FromImage(Noise(64, 64), imaging::PixelFormat24bppRGB);
    ASSERT_TRUE(SaveImageWithEncoder(c.get(), Path("q1.jpg"), 0, nullptr, 1, 96.0f));
    ASSERT_TRUE(SaveImageWithEncoder(d.get(), Path("q100.jpg"), 0, nullptr, 100, 96.0f));
    EXPECT_LT(ReadFile(Path("q1.jpg")).size() * 3, ReadFile(Path("q100.jpg")).size());
}

}  // namespace

namespace {

// The system's own thumbnail readers find the rebuilt thumbnail in both
// formats that carry one.
class SaveThumbnailReadBack : public SavingTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SaveThumbnailReadBack, OwnReadersFindTheRebuiltThumbnail) {
    auto source = CameraSource(4000, 3000, BlueThumbnail());
    auto resized = Resized(800, 600, Qt::red);
    const std::string path = Path(std::string("own.") + GetParam());
    ASSERT_TRUE(SaveImageWithEncoder(resized.get(), path, 0, source.get(), 90, 300.0f));
    ThumbnailBox box{400, 400};
    int w = 0, h = 0;
    const PackedDib dib = std::string(GetParam()) == "jpg" ? ReadJpegExifThumbnail(path, box, w, h)
                                                           : ReadTiffExifThumbnail(path, box, w, h);
    ASSERT_TRUE(dib);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    EXPECT_EQ(box.width, 400);
    EXPECT_EQ(box.height, 300);
    const std::uint8_t* px = dib.block.get() + 40 + 150 * DibStride(400, 24) + 3 * 200;
    EXPECT_GT(px[2], 200);  // red, stored B, G, R
    EXPECT_LT(px[0], 60);
}

INSTANTIATE_TEST_SUITE_P(Formats, SaveThumbnailReadBack, ::testing::Values("jpg", "tif"));

}  // namespace
