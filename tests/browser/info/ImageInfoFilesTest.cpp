// The rows of real files: a JPEG tagged by exiftool with every tag of the
// table, TIFFs from tiffcp tagged by tiffset, a PNG without EXIF, and the
// colours of each pixel format.
#include <QColorSpace>

#include <gtest/gtest.h>

#include <set>

#include "InfoToolFixtures.h"
#include "browser/info/CJFIFDlg.h"
#include "browser/info/ExifTagNames.h"
#include "platform/imaging/ImageEncoder.h"

using namespace browser;
using namespace infotests;

namespace {

// Tags exiftool does not write on its own (or not in a JPEG), defined with
// their numbers and EXIF types.
constexpr char kExiftoolConfig[] = R"(%Image::ExifTool::UserDefined = (
    'Image::ExifTool::Exif::Main' => {
        0x0103 => { Name => 'VtCompression', Writable => 'int16u', WriteGroup => 'IFD0' },
        0x0106 => { Name => 'VtPhotometric', Writable => 'int16u', WriteGroup => 'IFD0' },
        0x010a => { Name => 'VtFillOrder', Writable => 'int16u', WriteGroup => 'IFD0' },
        0x0111 => { Name => 'VtStripOffsets', Writable => 'int32u', WriteGroup => 'IFD0' },
        0x0117 => { Name => 'VtStripByteCounts', Writable => 'int32u', WriteGroup => 'IFD0' },
        0x011c => { Name => 'VtPlanarConfiguration', Writable => 'int16u', WriteGroup => 'IFD0' },
        0x012d => { Name => 'VtTransferFunction', Writable => 'int16u', Count => -1, WriteGroup => 'IFD0' },
        0x0156 => { Name => 'VtTransferRange', Writable => 'int16u', Count => 6, WriteGroup => 'IFD0' },
        0x0200 => { Name => 'VtJPEGProc', Writable => 'int16u', WriteGroup => 'IFD0' },
        0x0201 => { Name => 'VtJPEGInterchangeFormat', Writable => 'int32u', WriteGroup => 'IFD0' },
        0x0202 => { Name => 'VtJPEGInterchangeFormatLength', Writable => 'int32u', WriteGroup => 'IFD0' },
        0x828d => { Name => 'VtCFARepeatPatternDim', Writable => 'int16u', Count => 2, WriteGroup => 'IFD0' },
        0x828e => { Name => 'VtCFAPattern', Writable => 'int8u', Count => -1, WriteGroup => 'IFD0' },
        0x828f => { Name => 'VtBatteryLevel', Writable => 'rational64u', WriteGroup => 'IFD0' },
        0x8828 => { Name => 'VtOECF', Writable => 'undef', WriteGroup => 'ExifIFD' },
        0x9209 => { Name => 'VtFlash', Writable => 'int16u', WriteGroup => 'ExifIFD' },
        0x927c => { Name => 'VtMakerNote', Writable => 'undef', WriteGroup => 'ExifIFD' },
        0xa20c => { Name => 'VtSpatialFrequencyResponse', Writable => 'undef', WriteGroup => 'ExifIFD' },
    },
);
1;
)";

// Every tag of the table; offsets to sub-directories (EXIF, GPS, interop)
// come with the tags inside them.
const QStringList kEveryTag = {
    "-ImageWidth=64",
    "-ImageHeight=48",
    "-BitsPerSample=8",
    "-VtCompression=6",
    "-VtPhotometric=2",
    "-VtFillOrder=1",
    "-DocumentName=Holiday",
    "-ImageDescription=A lake at dawn",
    "-Make=ORVEK Optics",
    "-Model=Model 7",
    "-VtStripOffsets=8",
    "-Orientation#=6",
    "-SamplesPerPixel=3",
    "-RowsPerStrip=48",
    "-VtStripByteCounts=100",
    "-XResolution=300",
    "-YResolution=300",
    "-VtPlanarConfiguration=1",
    "-ResolutionUnit=inches",
    "-VtTransferFunction=1 2 3",
    "-Software=Darkroom 2",
    "-ModifyDate=2006:05:01 10:11:12",
    "-Artist=J. Doe",
    "-WhitePoint=0.3127 0.329",
    "-PrimaryChromaticities=0.64 0.33 0.3 0.6 0.15 0.06",
    "-VtTransferRange=0 255 0 255 0 255",
    "-VtJPEGProc=1",
    "-VtJPEGInterchangeFormat=100",
    "-VtJPEGInterchangeFormatLength=200",
    "-YCbCrCoefficients=0.299 0.587 0.114",
    "-YCbCrSubSampling=2 1",
    "-YCbCrPositioning#=1",
    "-ReferenceBlackWhite=0 255 128 255 128 255",
    "-VtCFARepeatPatternDim=2 2",
    "-VtCFAPattern=0 1 1 2",
    "-VtBatteryLevel=0.5",
    "-Copyright=(c) J. Doe",
    "-ExposureTime=1/250",
    "-FNumber=2.8",
    "-IPTC:Keywords=vespera",
    "-ExposureProgram#=3",
    "-SpectralSensitivity=RGB filters",
    "-GPSLatitudeRef=N",
    "-ISO=51200",
    "-VtOECF=oecf",
    "-ExifVersion=0230",
    "-DateTimeOriginal=2006:05:01 10:11:12",
    "-CreateDate=2006:05:01 10:11:13",
    "-ComponentsConfiguration#=1 2 3 0",
    "-CompressedBitsPerPixel=4",
    "-ShutterSpeedValue=1/250",
    "-ApertureValue=2.8",
    "-BrightnessValue=5",
    "-ExposureCompensation=-1",
    "-MaxApertureValue=2",
    "-SubjectDistance=3",
    "-MeteringMode#=5",
    "-LightSource#=1",
    "-VtFlash=9",
    "-FocalLength=50",
    "-VtMakerNote=maker data",
    "-UserComment=Hello",
    "-SubSecTime=25",
    "-SubSecTimeOriginal=26",
    "-SubSecTimeDigitized=27",
    "-FlashpixVersion=0100",
    "-ColorSpace#=1",
    "-ExifImageWidth=64",
    "-ExifImageHeight=48",
    "-InteropIndex=R98",
    "-FlashEnergy=10",
    "-VtSpatialFrequencyResponse=sfr",
    "-FocalPlaneXResolution=1000",
    "-FocalPlaneYResolution=1000",
    "-FocalPlaneResolutionUnit#=2",
    "-SubjectLocation=10 20",
    "-ExposureIndex=100",
    "-SensingMethod#=2",
    "-FileSource#=3",
    "-SceneType#=1",
};

class ImageInfoFiles : public ToolFiles {
protected:
    QString JpegWithEveryTag() {
        const QString path = SavePicture("every.jpg", QImage::Format_RGB888);
        QStringList args = {"-config", WriteText("exiftool.config", kExiftoolConfig), "-overwrite_original", "-q"};
        // A JPEG keeps its IPTC and its ICC profile in segments of their own,
        // where the imaging layer reads them as the tags 0x83BB and 0x8773.
        const QString icc = WriteText("srgb.icc", QColorSpace(QColorSpace::SRgb).iccProfile());
        RunTool("exiftool", args + kEveryTag + QStringList{"-ICC_Profile<=" + icc, path});
        return path;
    }
};

TEST_F(ImageInfoFiles, AJpegTaggedByExiftoolCarriesEveryTagOfTheTable) {
    const QString path = JpegWithEveryTag();
    auto bitmap = OpenFile(path);
    ASSERT_NE(bitmap, nullptr);
    std::set<std::uint32_t> ids;
    for (const auto& item : bitmap->PropertyItems())
        ids.insert(item.id);
    for (const ExifTagName& entry : g_ExifTagNames)
        EXPECT_TRUE(ids.count(entry.tag)) << std::hex << entry.tag;

    const QString exifOffset = ExifOffsetByExiv2(path);
    ASSERT_FALSE(exifOffset.isEmpty());

    const std::map<QString, QString> expected = {
        {"Image width", "64"},
        {"Image length", "48"},
        {"BitsPerSample", "8"},
        {"Photometric interpretation", "RGB"},
        {"Document name", "Holiday"},
        {"Image description", "A lake at dawn"},
        {"Manufacturer", "ORVEK Optics"},
        {"Model", "Model 7"},
        {"Orientation", "90 left"},
        {"Resolution units", "Inches"},
        {"Software", "Darkroom 2"},
        {"Date/time", "2006:05:01 10:11:12"},
        {"Artist", "J. Doe"},
        {"Copyrights", "(c) J. Doe"},
        {"ExifOffset", exifOffset},
        {"Exposure program", "Aperture priority"},
        {"SpectralSensitivity", "RGB filters"},
        {"ISO speed ratings", "51200"},
        {"Date/time original", "2006:05:01 10:11:12"},
        {"Date/time digitized", "2006:05:01 10:11:13"},
        {"Metering mode", "Pattern"},
        {"Light source", "Daylight"},
        {"Flash", "Fired"},
        {"SubSecTime", "25"},
        {"SubSecTimeOriginal", "26"},
        {"SubSecTimeDigitized", "27"},
        {"Color space", "sRGB"},
        {"Exif image width", "64"},
        {"Exif image height", "48"},
        {"Sensor", "One chip"},
    };
    EXPECT_EQ(RowsByName(CollectImageTags(bitmap.get())), expected);
}

TEST_F(ImageInfoFiles, TheThumbnailsTagsDoNotAddRowsOfTheirOwn) {
    const QString thumb = SavePicture("thumb.jpg", QImage::Format_RGB888, 16, 12);
    const QString path = SavePicture("thumbed.jpg", QImage::Format_RGB888);
    RunTool("exiftool", {"-overwrite_original", "-q", "-Make=ORVEK Optics", "-IFD0:Orientation#=1",
                         "-ThumbnailImage<=" + thumb, "-IFD1:ImageWidth=16", "-IFD1:ImageHeight=12",
                         "-IFD1:Orientation#=8", "-IFD1:Make=Thumbnail maker", path});
    auto bitmap = OpenFile(path);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_NE(bitmap->GetPropertyItem(imaging::PropertyTagThumbnailData), nullptr);
    ASSERT_NE(bitmap->GetPropertyItem(0x5020), nullptr);  // the thumbnail's width
    const std::map<QString, QString> expected = {
        {"Manufacturer", "ORVEK Optics"},
        {"Orientation", "Normal"},
        {"Resolution units", "Inches"},
    };
    EXPECT_EQ(RowsByName(CollectImageTags(bitmap.get())), expected);
}

TEST_F(ImageInfoFiles, GreyAndRgbTiffsFromTiffcp) {
    const QString grey = Path("grey.tif");
    const QString rgb = Path("rgb.tif");
    RunTool("tiffcp", {"-c", "none", "-r", "8", SavePicture("grey-qt.tif", QImage::Format_Grayscale8, 40, 30), grey});
    RunTool("tiffcp", {"-c", "lzw", SavePicture("rgb-qt.tif", QImage::Format_RGB888, 40, 30), rgb});
    // The artist in Windows-1252, as older software wrote it.
    const QString artist = WriteText("artist.txt", QByteArray("Jos\xE9 M\xFCller \x96 \x80"));
    for (const QString& file : {grey, rgb}) {
        RunTool("tiffset", {"-s", "271", "ORVEK Optics", file});
        RunTool("tiffset", {"-s", "274", "6", file});
        RunTool("tiffset", {"-s", "296", "3", file});
        RunTool("tiffset", {"-sf", "315", artist, file});
    }

    auto greyBitmap = OpenFile(grey);
    ASSERT_NE(greyBitmap, nullptr);
    auto rows = RowsByName(CollectImageTags(greyBitmap.get()));
    const std::map<QString, QString> common = {
        {"Image width", "40"},
        {"Image length", "30"},
        {"Manufacturer", "ORVEK Optics"},
        {"Orientation", "90 left"},
        {"Resolution units", "Centimeters"},
        {"Artist", QString::fromUtf8("José Müller – €")},
    };
    auto expected = common;
    expected["BitsPerSample"] = "8";                   // one SHORT
    expected["Photometric interpretation"] = "YCbCr";  // BlackIsZero reads "YCbCr" too
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(ColorCountText(greyBitmap->GetPixelFormat()), "256");

    auto rgbBitmap = OpenFile(rgb);
    ASSERT_NE(rgbBitmap, nullptr);
    expected = common;  // three SHORTs of BitsPerSample: not listed
    expected["Photometric interpretation"] = "RGB";
    EXPECT_EQ(RowsByName(CollectImageTags(rgbBitmap.get())), expected);
    EXPECT_EQ(ColorCountText(rgbBitmap->GetPixelFormat()), "16,777,216");
}

TEST_F(ImageInfoFiles, APngWithoutExifHasNoRows) {
    for (const auto format : {QImage::Format_Mono, QImage::Format_ARGB32}) {
        auto bitmap = OpenFile(SavePicture("plain.png", format));
        ASSERT_NE(bitmap, nullptr);
        EXPECT_TRUE(CollectImageTags(bitmap.get()).isEmpty());
        EXPECT_EQ(DimensionsText(bitmap.get()), "64 X 48");
    }
    EXPECT_TRUE(CollectImageTags(nullptr).isEmpty());
}

TEST_F(ImageInfoFiles, ColoursOfEachKindOfFile) {
    struct Case {
        QString file;
        const char* colours;
    };
    std::vector<Case> cases = {
        {SavePicture("mono.png", QImage::Format_Mono), "2"},
        {SavePicture("rgb.jpg", QImage::Format_RGB888), "16,777,216"},
        {SavePicture("argb.png", QImage::Format_ARGB32), "16,777,216"},
        {SavePicture("deep.tif", QImage::Format_RGBX64), "16,777,216"},
    };
    auto source = imaging::Bitmap::Create(16, 8, imaging::PixelFormat24bppRGB);
    const std::string gif = Path("palette.gif").toStdString();
    ASSERT_TRUE(imaging::SaveBitmapToFile(*source, gif, "image/gif", {}));
    cases.push_back({QString::fromStdString(gif), "256"});
    for (const Case& c : cases) {
        auto bitmap = OpenFile(c.file);
        ASSERT_NE(bitmap, nullptr) << c.file.toStdString();
        EXPECT_EQ(ColorCountText(bitmap->GetPixelFormat()), c.colours) << c.file.toStdString();
    }
    auto deep = OpenFile(cases[3].file);
    EXPECT_GE(imaging::PixelFormatBits(deep->GetPixelFormat()), 48);
}

TEST(ColorCountText, TwoToTheBitsGroupedByThousands) {
    struct Case {
        imaging::PixelFormat format;
        const char* text;
    };
    const Case cases[] = {
        {imaging::PixelFormatUndefined, "1"},
        {imaging::PixelFormat1bppIndexed, "2"},
        {imaging::PixelFormat4bppIndexed, "16"},
        {imaging::PixelFormat8bppIndexed, "256"},
        {imaging::PixelFormat16bppGrayScale, "65,536"},
        {imaging::PixelFormat16bppRGB565, "65,536"},
        {imaging::PixelFormat24bppRGB, "16,777,216"},
        {imaging::PixelFormat32bppARGB, "16,777,216"},
        {imaging::PixelFormat32bppCMYK, "16,777,216"},
        {imaging::PixelFormat48bppRGB, "16,777,216"},
        {imaging::PixelFormat64bppARGB, "16,777,216"},
        {0x1000, "65,536"},  // a code of 16 bits that no format has
        {0x1400, "1,048,576"},
        {0x1200, "262,144"},
        {0x0A00, "1,024"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ColorCountText(c.format), c.text) << std::hex << c.format;
}

TEST(DimensionsText, WidthXHeightOrZeroWithoutABitmap) {
    auto bitmap = imaging::Bitmap::Create(4000, 3000, imaging::PixelFormat8bppIndexed);
    EXPECT_EQ(DimensionsText(bitmap.get()), "4000 X 3000");
    EXPECT_EQ(DimensionsText(nullptr), "0 X 0");
}

TEST(CollectImageTags, KeepsTheBitmapsOrderAndLeavesOutWhatIsNotShown) {
    auto bitmap = imaging::Bitmap::Create(8, 8, imaging::PixelFormat24bppRGB);
    auto ascii = [](std::uint32_t id, const char* text) {
        std::string s(text);
        return imaging::PropertyItem{id, imaging::PropertyTypeASCII, static_cast<std::uint32_t>(s.size() + 1),
                                     std::vector<std::uint8_t>(s.c_str(), s.c_str() + s.size() + 1)};
    };
    bitmap->SetPropertyItem(ascii(0x0110, "Model 7"));
    bitmap->SetPropertyItem({0x0103, imaging::PropertyTypeShort, 1, {6, 0}});  // compression: no text
    bitmap->SetPropertyItem(ascii(0x010F, "ORVEK Optics"));
    bitmap->SetPropertyItem({0x829A, imaging::PropertyTypeRational, 1, {1, 0, 0, 0, 250, 0, 0, 0}});
    bitmap->SetPropertyItem({0x9209, imaging::PropertyTypeShort, 1, {16, 0}});
    bitmap->SetPropertyItem(ascii(0x5033, "2006:05:01 10:11:12"));  // the thumbnail's date
    EXPECT_EQ(CollectImageTags(bitmap.get()),
              (QStringList{"Model", "Model 7", "Manufacturer", "ORVEK Optics", "Flash", "No flash"}));
}

}  // namespace
