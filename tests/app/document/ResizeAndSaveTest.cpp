// Resize and Save through the scripted file dialog and prompt, the output read
// back, and the command's enable rule.

#include <QImageReader>

#include "DocumentFixtures.h"
#include "platform/resources/CommandIds.h"

using namespace doctests;

namespace {

const QString kCantCreate = QStringLiteral("Can't create output image!\r\nMay be not enough memory!\r\n\r\n");

class ResizeAndSave : public DocumentTest {
protected:
    ResizeAndSave() {
        doc.SetListener(&listener);
        doc.SetFileDialog(&dialog);
    }
    // A camera JPEG of 64 x 48 at 72 dpi with a Make tag.
    QString CameraJpeg() { return WriteCameraJpeg("camera.jpg", 64, 48); }
    // Opens a 10 x 10 image, asks for 20 x 20 and runs Resize and Save with
    // the dialog answering `out` (empty: cancelled).
    void ResizeSmallImageTo(const QString& out) {
        ASSERT_TRUE(doc.OpenDocumentFile(WriteImage("a.png", Gradient(10, 10), "png")));
        settings.m_nWidth = 20;
        settings.m_nHeight = 20;
        dialog.answers = {out};
        doc.OnResizeAndSave();
    }
    std::string AsciiTag(const imaging::Bitmap& bitmap, std::uint32_t id) {
        const imaging::PropertyItem* item = bitmap.GetPropertyItem(id);
        if (!item)
            return "(none)";
        return std::string(item->value.begin(), item->value.end()).c_str();
    }

    CQVVesperaDoc doc{settings};
};

TEST_F(ResizeAndSave, WritesTheResizedImageWithMetadataAndResolution) {
    ASSERT_TRUE(doc.OpenDocumentFile(CameraJpeg()));
    settings.m_nWidth = 32;
    settings.m_nHeight = 24;
    settings.m_fDpi = 150.0f;
    settings.m_nInterpolMode = 6;
    const QString out = Path("small.jpg");
    dialog.answers = {out};

    EXPECT_TRUE(doc.RunCommand(ID_FILE_SAVE));
    EXPECT_TRUE(Messages().empty());
    ASSERT_EQ(dialog.asked.size(), 1u);
    EXPECT_FALSE(dialog.asked[0]);  // the save dialog
    EXPECT_EQ(QImageReader(out).format(), "jpeg");
    auto saved = imaging::Bitmap::FromFile(out.toStdString());
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->Width(), 32);
    EXPECT_EQ(saved->Height(), 24);
    EXPECT_NEAR(saved->HorizontalResolution(), 150.0, 0.01);
    EXPECT_EQ(AsciiTag(*saved, 271), "TestCam");
    EXPECT_EQ(AsciiTag(*saved, 305), "ORVEK Vespera");
}

TEST_F(ResizeAndSave, TheExtensionChoosesTheFormatAndCropCoversTheTarget) {
    ASSERT_TRUE(doc.OpenDocumentFile(WriteImage("wide.png", Gradient(400, 300), "png")));
    settings.m_nWidth = 200;
    settings.m_nHeight = 200;
    settings.m_nCorrectProp = 1;
    settings.m_nInterpolMode = 3;
    const QString out = Path("square.png");
    ASSERT_TRUE(doc.ResizeAndSave(&out));
    EXPECT_EQ(QImageReader(out).format(), "png");
    const QImage image(out);
    EXPECT_EQ(image.size(), QSize(200, 200));
    // The centre cut: the left edge is a third of the way into the gradient,
    // not its start.
    EXPECT_GT(qBlue(image.pixel(0, 100)), 20);
}

TEST_F(ResizeAndSave, TheImagesOwnSizeWritesAClone) {
    ASSERT_TRUE(doc.OpenDocumentFile(WriteImage("same.png", Gradient(40, 30), "png")));
    settings.m_fDpi = 200.0f;
    const QString out = Path("same-200dpi.bmp");
    dialog.answers = {out};
    doc.OnResizeAndSave();
    EXPECT_TRUE(Messages().empty());
    auto saved = imaging::Bitmap::FromFile(out.toStdString());
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->Width(), 40);
    EXPECT_NEAR(saved->HorizontalResolution(), 200.0, 0.1);
    EXPECT_EQ(QImage(out).convertToFormat(QImage::Format_RGB888),
              QImage(Path("same.png")).convertToFormat(QImage::Format_RGB888));
}

TEST_F(ResizeAndSave, CancellingTheDialogShowsNothing) {
    ResizeSmallImageTo(QString());
    EXPECT_TRUE(g_bSaveCancelled);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ResizeAndSave, AnUnwritablePathShowsWhyAndThenTheGeneralMessage) {
    const QString out = Path("no-such-folder/out.jpg");
    ResizeSmallImageTo(out);
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_TRUE(Messages()[0].startsWith(QStringLiteral("Can't save file ") + out + QStringLiteral(".\n")));
    EXPECT_GT(Messages()[0].size(), (QStringLiteral("Can't save file ") + out + QStringLiteral(".\n")).size());
    EXPECT_EQ(Messages()[1], kCantCreate);
}

TEST_F(ResizeAndSave, AFailedSaveLeavesNoEmptyFileBehind) {
    // No encoder for the four-letter extension: the save fails after the
    // writability test.
    const QString out = Path("out.jpeg");
    ResizeSmallImageTo(out);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], kCantCreate);
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(ResizeAndSave, AnExistingFileIsReplacedWhole) {
    ASSERT_TRUE(doc.OpenDocumentFile(WriteImage("a.png", Gradient(10, 10), "png")));
    settings.m_nWidth = 20;
    settings.m_nHeight = 20;
    const QString out = Write("old.png", QByteArray(100000, 'x'));
    ASSERT_TRUE(doc.ResizeAndSave(&out));
    EXPECT_EQ(QImage(out).size(), QSize(20, 20));
}

TEST_F(ResizeAndSave, TheOpenImageIsNeverItsOwnOutput) {
    const QString path = Path("a.png");
    ResizeSmallImageTo(path);
    const QByteArray before = Encode(Gradient(10, 10), "png");
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_TRUE(Messages()[0].startsWith(QStringLiteral("Can't save file ") + path + u'.'));
    EXPECT_EQ(ReadFile(path), before);
}

struct EnableCase {
    const char* name;
    bool open;
    int width, height;
    float dpi;
    bool enabled;
};

class ResizeAndSaveEnable : public ResizeAndSave, public ::testing::WithParamInterface<EnableCase> {};

TEST_P(ResizeAndSaveEnable, FollowsTheImageAndTheOutput) {
    const EnableCase& c = GetParam();
    if (c.open) {
        QImage image = Gradient(50, 40);
        SetDpi(image, 100);
        ASSERT_TRUE(doc.OpenDocumentFile(WriteImage("e.png", image, "png")));
    }
    settings.m_nWidth = c.width;
    settings.m_nHeight = c.height;
    settings.m_fDpi = c.open ? doc.ImageDpi() + c.dpi : c.dpi;
    EXPECT_EQ(doc.QueryCommand(ID_FILE_SAVE).enabled, c.enabled);
}

INSTANTIATE_TEST_SUITE_P(Rule, ResizeAndSaveEnable,
                         ::testing::Values(EnableCase{"NoImage", false, 20, 20, 300, false},
                                           EnableCase{"Unchanged", true, 50, 40, 0, false},
                                           EnableCase{"Wider", true, 51, 40, 0, true},
                                           EnableCase{"Higher", true, 50, 39, 0, true},
                                           EnableCase{"OtherResolution", true, 50, 40, 1, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
