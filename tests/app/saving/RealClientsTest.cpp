// exiftool and exiv2, the tools photographers use, read what we write.
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include "SavingFixtures.h"

using namespace savingtests;

namespace {

// Runs a tool and returns its standard output; fails the test when it
// cannot be run or (with checkExitCode) ends with an error.
QByteArray RunTool(const QString& program, const QStringList& arguments, bool checkExitCode = true) {
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << program.toStdString();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    if (checkExitCode) {
        EXPECT_EQ(process.exitCode(), 0) << program.toStdString() << ": "
                                         << process.readAllStandardError().toStdString();
    }
    return process.readAllStandardOutput();
}

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
