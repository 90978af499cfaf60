// exiftool and exiv2, the tools photographers use, read what we write.
#include <fstream>

#include <QColorSpace>
#include <QRegularExpression>
#include <QStringList>

#include "SavingFixtures.h"

using namespace savingtests;

namespace {

class RealClients : public SavingTest {
protected:
    std::string SaveCameraLike() {
        auto source = CameraSource(4000, 3000, BlueThumbnail());
        auto resized = Resized(800, 600, Qt::red);
        const std::string path = Path("camera.jpg");
        EXPECT_TRUE(SaveImageWithEncoder(resized.get(), path, 0, source.get(), 90, 300.0f));
        return path;
    }
};

TEST_F(RealClients, ExiftoolListsTheMetadataAndExtractsTheThumbnail) {
    const QString path = QString::fromStdString(SaveCameraLike());
    const QString tags = QString::fromUtf8(
        RunTool("exiftool", {"-s", "-s", "-Make", "-Software", "-XResolution", "-YResolution", "-ResolutionUnit",
                             "-ExifImageWidth", "-ExifImageHeight", "-DateTimeOriginal", "-ThumbnailLength", path}));
    EXPECT_TRUE(tags.contains("Make: TestCam")) << tags.toStdString();
    EXPECT_TRUE(tags.contains("Software: ORVEK Vespera")) << tags.toStdString();
    EXPECT_TRUE(tags.contains("XResolution: 300")) << tags.toStdString();
    EXPECT_TRUE(tags.contains("YResolution: 300")) << tags.toStdString();
    EXPECT_TRUE(tags.contains("ResolutionUnit: inches")) << tags.toStdString();
    EXPECT_TRUE(tags.contains("ExifImageWidth: 800")) << tags.toStdString();
    EXPECT_TRUE(tags.contains("ExifImageHeight: 600")) << tags.toStdString();
    EXPECT_TRUE(tags.contains("DateTimeOriginal: 2011:04:05 06:07:08")) << tags.toStdString();
    EXPECT_TRUE(tags.contains("ThumbnailLength:")) << tags.toStdString();

    const QByteArray thumb = RunTool("exiftool", {"-b", "-ThumbnailImage", path});
    const QImage image = QImage::fromData(thumb, "JPEG");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(200, 150));
    EXPECT_GT(image.pixelColor(100, 75).red(), 200);

    // exiftool's own validation finds nothing wrong with the EXIF structure.
    const QString warnings =
        QString::fromUtf8(RunTool("exiftool", {"-validate", "-warning", "-error", "-a", "-s", path}));
    EXPECT_FALSE(warnings.contains("Error")) << warnings.toStdString();
    EXPECT_FALSE(warnings.contains("XResolution")) << warnings.toStdString();
}

// A PNG output carries the source's colour profile in a named iCCP chunk and
// its EXIF in an eXIf chunk, without the thumbnail, as ImageMagick, exiftool
// and Exiv2 read them back.
TEST_F(RealClients, PngKeepsTheProfileAndTheCameraData) {
    QImage image = Noise(320, 240);
    image.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    const QByteArray profile = image.colorSpace().iccProfile();
    ASSERT_GT(profile.size(), 100);
    const std::string sourcePath = Path("camera.jpg");
    const Bytes jpeg = QtEncode(image, "jpeg", 90);
    std::ofstream(sourcePath, std::ios::binary).write(reinterpret_cast<const char*>(jpeg.data()), jpeg.size());
    RunTool("exiftool",
            {"-q", "-overwrite_original", "-Make=TestCam", "-Model=Model 7", "-DateTimeOriginal=2011:04:05 06:07:08",
             "-GPSLatitude=48.5", "-GPSLatitudeRef=N", QString::fromStdString(sourcePath)});
    const auto source = Bitmap::FromFile(sourcePath);
    ASSERT_TRUE(source);
    ASSERT_TRUE(source->GetPropertyItem(imaging::PropertyTagICCProfile));

    auto resized = Bitmap::FromImage(Noise(240, 180), imaging::PixelFormat24bppRGB);
    const QString path = QString::fromStdString(Path("saved.png"));
    ASSERT_TRUE(SaveImageWithEncoder(resized.get(), path.toStdString(), 1, source.get(), 90, 300.0f));

    // libpng, under ImageMagick, takes the profile without a warning. (The
    // ImageMagick 6 of Debian 12 reads no eXIf chunk at all, not even its
    // own: exiftool and Exiv2 read the EXIF below.)
    QByteArray errors;
    const QString verbose = QString::fromUtf8(RunTool("identify", {"-verbose", path}, true, &errors));
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    EXPECT_TRUE(verbose.contains(QStringLiteral("Profile-icc: %1 bytes").arg(profile.size()))) << verbose.toStdString();
    EXPECT_TRUE(verbose.contains("icc:description: Display P3")) << verbose.toStdString();

    const QString tags =
        QString::fromUtf8(RunTool("exiftool", {"-s", "-s", "-Make", "-Model", "-DateTimeOriginal", "-GPSLatitude#",
                                               "-Software", "-ProfileDescription", "-ThumbnailLength", path}));
    EXPECT_TRUE(tags.contains("Make: TestCam")) << tags.toStdString();
    EXPECT_TRUE(tags.contains("Model: Model 7")) << tags.toStdString();
    EXPECT_TRUE(tags.contains("DateTimeOriginal: 2011:04:05 06:07:08")) << tags.toStdString();
    EXPECT_TRUE(tags.contains("GPSLatitude: 48.5")) << tags.toStdString();
    EXPECT_TRUE(tags.contains("Software: ORVEK Vespera")) << tags.toStdString();
    EXPECT_TRUE(tags.contains("ProfileDescription:")) << tags.toStdString();
    EXPECT_FALSE(tags.contains("ThumbnailLength")) << tags.toStdString();
    const QString warnings =
        QString::fromUtf8(RunTool("exiftool", {"-validate", "-warning", "-error", "-a", "-s", path}));
    EXPECT_FALSE(warnings.contains("Error")) << warnings.toStdString();
    EXPECT_FALSE(warnings.contains("iCCP")) << warnings.toStdString();
    EXPECT_FALSE(warnings.contains("eXIf")) << warnings.toStdString();
    const SavedExif saved = ReadBack(path.toStdString());
    EXPECT_EQ(saved.Text("Exif.Image.Make"), "TestCam");
    EXPECT_EQ(saved.Text("Exif.Photo.DateTimeOriginal"), "2011:04:05 06:07:08");
}

// A camera's IFD0 tag 0x000B (ProcessingSoftware) shares its number with
// the GPS tag GPSDOP: each stays in the directory it came from, so neither
// is taken for the other nor lost.
TEST_F(RealClients, ATagStaysInItsOwnDirectory) {
    const std::string sourcePath = Path("source.jpg");
    const Bytes plain = QtEncode(Flat(64, 48, Qt::blue), "jpeg", 90);
    std::ofstream(sourcePath, std::ios::binary).write(reinterpret_cast<const char*>(plain.data()), plain.size());
    RunTool("exiftool",
            {"-q", "-overwrite_original", "-Make=TestCam", "-IFD0:ProcessingSoftware=Firmware 1.2", "-GPS:GPSDOP=2.5",
             "-GPS:GPSLatitude=48.5", "-GPS:GPSLatitudeRef=N", QString::fromStdString(sourcePath)});
    const auto source = Bitmap::FromFile(sourcePath);
    ASSERT_TRUE(source);

    for (const char* name : {"saved.jpg", "saved.tif"}) {
        SCOPED_TRACE(name);
        auto resized = Resized(32, 24, Qt::red);
        const QString path = QString::fromStdString(Path(name));
        ASSERT_TRUE(SaveImageWithEncoder(resized.get(), path.toStdString(), 1, source.get(), 90, 300.0f));
        const QString warnings =
            QString::fromUtf8(RunTool("exiftool", {"-validate", "-warning", "-error", "-a", "-s", path}));
        // (exiftool calls ProcessingSoftware non-standard in IFD0 wherever it is.)
        EXPECT_FALSE(warnings.contains("GPS 0x000b", Qt::CaseInsensitive)) << warnings.toStdString();
        EXPECT_FALSE(warnings.contains("GPSDOP")) << warnings.toStdString();
        const QString tags = QString::fromUtf8(
            RunTool("exiftool", {"-s", "-s", "-IFD0:ProcessingSoftware", "-GPS:GPSDOP", "-GPS:GPSLatitude#", path}));
        EXPECT_TRUE(tags.contains("ProcessingSoftware: Firmware 1.2")) << tags.toStdString();
        EXPECT_TRUE(tags.contains("GPSDOP: 2.5")) << tags.toStdString();
        EXPECT_TRUE(tags.contains("GPSLatitude: 48.5")) << tags.toStdString();
    }
}

TEST_F(RealClients, Exiv2ListsTheMetadataAndExtractsTheThumbnail) {
    const std::string path = SaveCameraLike();
    const QString listing = QString::fromUtf8(RunTool("exiv2", {"-pt", QString::fromStdString(path)}));
    EXPECT_TRUE(listing.contains(QRegularExpression("Exif\\.Image\\.Make +Ascii +\\d+ +TestCam")))
        << listing.toStdString();
    EXPECT_TRUE(listing.contains(QRegularExpression("Exif\\.Image\\.Software +Ascii +\\d+ +ORVEK Vespera")))
        << listing.toStdString();
    EXPECT_TRUE(listing.contains(QRegularExpression("Exif\\.Image\\.XResolution +Rational +1 +300")))
        << listing.toStdString();
    EXPECT_TRUE(listing.contains(QRegularExpression("Exif\\.Photo\\.PixelXDimension +\\w+ +1 +800")))
        << listing.toStdString();

    // exiv2 0.27 ends -et with a non-zero status even when it wrote the file.
    RunTool("exiv2", {"-f", "-et", "-l", QString::fromStdString(m_dir.string()), QString::fromStdString(path)}, false);
    const fs::path extracted = m_dir / "camera-thumb.jpg";
    ASSERT_TRUE(fs::exists(extracted));
    const QImage image(QString::fromStdString(extracted.string()));
    EXPECT_EQ(image.size(), QSize(200, 150));
}

}  // namespace

#include "CameraSources.h"

namespace {

// exiftool's validation of a file: its warnings, without the marks of how
// much they matter and with the container's name left out, so that a JPEG
// source and a TIFF output compare.
QStringList ValidationWarnings(const std::string& path) {
    const QString out = QString::fromUtf8(
        RunTool("exiftool", {"-validate", "-warning", "-error", "-a", "-s", "-s", QString::fromStdString(path)}));
    QStringList warnings;
    for (QString line : out.split('\n', Qt::SkipEmptyParts)) {
        if (line.startsWith("Validate:"))
            continue;
        line.remove("[minor] ");
        line.replace(QRegularExpression("\\b(JPEG|TIFF)\\b"), "FILE");
        warnings << line.trimmed();
    }
    return warnings;
}

class CameraValidation : public SavingTest, public ::testing::WithParamInterface<const char*> {};

// exiftool -validate on files saved from camera-like sources of several
// makers finds nothing the source did not already have; tiffinfo reads
// every TIFF without a word of warning.
TEST_P(CameraValidation, SavedFilesGetNoNewWarnings) {
    for (const auto& camera : CameraModels())
        for (const char* format : {"jpeg", "tiff"}) {
            const std::string sourcePath = Path(std::string("source.") + (format[0] == 'j' ? "jpg" : "tif"));
            const Bytes file = CameraFile(camera, format, 800, 600);
            std::ofstream(sourcePath, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
            auto source = Bitmap::FromMemory(file);
            ASSERT_TRUE(source);
            auto resized = Bitmap::FromImage(Noise(200, 150), imaging::PixelFormat24bppRGB);
            const std::string path = Path(std::string("saved.") + GetParam());
            ASSERT_TRUE(SaveImageWithEncoder(resized.get(), path, 1, source.get(), 85, 240.0f));

            const QStringList before = ValidationWarnings(sourcePath);
            QStringList added;
            for (const QString& warning : ValidationWarnings(path))
                if (!before.contains(warning))
                    added << warning;
            EXPECT_TRUE(added.isEmpty()) << camera.name << " " << format << " to " << GetParam() << ":\n"
                                         << added.join('\n').toStdString();
            if (std::string(GetParam()) == "tif") {
                QByteArray errors;
                RunTool("tiffinfo", {QString::fromStdString(path)}, true, &errors);
                EXPECT_TRUE(errors.isEmpty()) << camera.name << " " << format << ": " << errors.toStdString();
            }
        }
}

INSTANTIATE_TEST_SUITE_P(Formats, CameraValidation, ::testing::Values("jpg", "tif"));

}  // namespace

namespace {

// Camera files as exiftool and exiv2 make them: the EXIF block in a byte
// order of the camera's, IFD0, EXIF, GPS and interoperability directories,
// and a maker note that Exiv2 knows. A big-endian Pentax note holds an
// opaque array whose numbers only the note's header ("AOC\0MM") orders.
struct CameraFileCase {
    const char* name;
    const char* extension;  // "jpg" or "tif"
    bool bigEndian;
    const char* interopIndex;  // as exiftool names it
    QStringList exiftoolTags;
    QStringList exiv2Commands;
};

std::vector<CameraFileCase> CameraFileCases() {
    const QStringList pentax = {"-Make=PENTAX Corporation", "-Model=PENTAX K10D", "-InteropIndex=R03"};
    const QStringList pentaxNote = {"set Exif.Pentax.Version Byte 3 0 0 0", "set Exif.Pentax.ISO Short 6",
                                    "set Exif.Pentax.0x021c Undefined 22 225 9 30 0 0 0 0 32 0 0 0 0 0 1 79 30 176"};
    const QStringList canon = {"-Make=Canon", "-Model=Canon EOS 40D", "-InteropIndex=R98"};
    const QStringList canonNote = {"set Exif.Canon.ModelID Long 2147484214", "set Exif.CanonCs.Macro Short 2",
                                   "set Exif.CanonCs.LensType Short 137", "set Exif.Canon.OwnerName Ascii Jane Doe"};
    const char* adobeRgb = "R03 - DCF option file (Adobe RGB)";
    const char* sRgb = "R98 - DCF basic file (sRGB)";
    return {{"Pentax_big_endian_jpeg", "jpg", true, adobeRgb, pentax, pentaxNote},
            {"Pentax_big_endian_tiff", "tif", true, adobeRgb, pentax, pentaxNote},
            {"Canon_little_endian_jpeg", "jpg", false, sRgb, canon, canonNote},
            {"Canon_little_endian_tiff", "tif", false, sRgb, canon, canonNote}};
}

struct DirectoryCase {
    CameraFileCase source;
    const char* output;  // the saved file's extension
};

void PrintTo(const DirectoryCase& c, std::ostream* os) { *os << c.source.name << " to " << c.output; }

class CameraDirectories : public SavingTest, public ::testing::WithParamInterface<DirectoryCase> {
protected:
    // The camera file at `path`: an image of Qt's (a TIFF turned big-endian
    // by tiffcp when the camera's order is), its EXIF written by exiftool
    // and its maker note by exiv2.
    void MakeCameraFile(const CameraFileCase& c, const std::string& path) {
        const bool tiff = std::string(c.extension) == "tif";
        const Bytes image = QtEncode(Noise(100, 75).scaled(400, 300), tiff ? "tiff" : "jpeg", 90);
        const std::string plain = Path(std::string("plain.") + c.extension);
        std::ofstream(plain, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), image.size());
        if (tiff && c.bigEndian)
            RunTool("tiffcp", {"-B", QString::fromStdString(plain), QString::fromStdString(path)});
        else
            fs::copy_file(plain, path);
        QStringList exiftool = {"-q", "-overwrite_original"};
        if (!tiff)
            exiftool << (c.bigEndian ? "-ExifByteOrder=Big-endian" : "-ExifByteOrder=Little-endian");
        exiftool << c.exiftoolTags
                 << QStringList{"-InteropVersion=0100",
                                "-RelatedImageWidth=400",
                                "-RelatedImageHeight=300",
                                "-ExifVersion=0230",
                                "-DateTimeOriginal=2011:04:05 06:07:08",
                                "-GPSLatitude=48.5",
                                "-GPSLatitudeRef=N",
                                "-GPSAltitude=120",
                                QString::fromStdString(path)};
        RunTool("exiftool", exiftool);
        QStringList exiv2;
        for (const QString& command : c.exiv2Commands)
            exiv2 << "-M" << command;
        RunTool("exiv2", exiv2 << QString::fromStdString(path));
    }
};

// exiftool's reading of a file: "[group] tag: value" lines.
QStringList ExiftoolLines(const std::string& path, const QStringList& what) {
    const QString out = QString::fromUtf8(
        RunTool("exiftool", QStringList{"-a", "-G1", "-s", "-s"} << what << QString::fromStdString(path)));
    return out.split('\n', Qt::SkipEmptyParts);
}

// The directories exiftool finds in a file's EXIF data and maker note (the
// thumbnail's left out: a PNG's EXIF has none).
QStringList DirectoriesOf(const std::string& path) {
    QStringList groups;
    for (const QString& line : ExiftoolLines(path, {"-EXIF:all", "-MakerNotes:all"})) {
        const QString group = line.section(']', 0, 0).mid(1).trimmed();
        if (!groups.contains(group) && group != "IFD1")
            groups << group;
    }
    groups.sort();
    return groups;
}

// Every directory of the source's EXIF reaches the output, and exiftool reads
// the interoperability directory and every maker-note value back as they
// were, in JPEG, PNG and TIFF outputs of big- and little-endian sources.
TEST_P(CameraDirectories, ReachTheOutputAndReadBackTheSame) {
    const DirectoryCase c = GetParam();
    const std::string sourcePath = Path(std::string("source.") + c.source.extension);
    MakeCameraFile(c.source, sourcePath);
    const QStringList kept = {"-InteropIFD:all", "-MakerNotes:all"};
    const QStringList before = ExiftoolLines(sourcePath, kept);
    ASSERT_TRUE(before.contains(QString("[InteropIFD] InteropIndex: ") + c.source.interopIndex))
        << before.join('\n').toStdString();
    if (c.source.bigEndian) {
        ASSERT_TRUE(before.contains("[Pentax] ColorMatrixA2: 5857 2334 0 0 8192 0 0 335 7856"))
            << before.join('\n').toStdString();
    }
    const QStringList directories = DirectoriesOf(sourcePath);
    for (const char* group : {"IFD0", "ExifIFD", "GPS", "InteropIFD"})
        ASSERT_TRUE(directories.contains(group)) << group;

    auto source = Bitmap::FromFile(sourcePath);
    ASSERT_TRUE(source);
    auto resized = Bitmap::FromImage(Noise(200, 150), imaging::PixelFormat24bppRGB);
    const std::string path = Path(std::string("saved.") + c.output);
    ASSERT_TRUE(SaveImageWithEncoder(resized.get(), path, 1, source.get(), 85, 240.0f));

    // (Joined, so that a difference reads as text.)
    EXPECT_EQ(ExiftoolLines(path, kept).join('\n').toStdString(), before.join('\n').toStdString());
    EXPECT_EQ(DirectoriesOf(path).join(' ').toStdString(), directories.join(' ').toStdString());
    EXPECT_EQ(ExiftoolLines(path, {"-ExifByteOrder"}).join("").toStdString(),
              ExiftoolLines(sourcePath, {"-ExifByteOrder"}).join("").toStdString());
}

std::vector<DirectoryCase> DirectoryCases() {
    std::vector<DirectoryCase> cases;
    for (const CameraFileCase& source : CameraFileCases())
        for (const char* output : {"jpg", "png", "tif"})
            cases.push_back({source, output});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Sources, CameraDirectories, ::testing::ValuesIn(DirectoryCases()), [](const auto& info) {
    return std::string(info.param.source.name) + "_to_" + info.param.output;
});

}  // namespace
