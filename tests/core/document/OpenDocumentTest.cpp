// Opening images: formats, resolution, failures and the messages they show.

#include <fcntl.h>
#include <unistd.h>

#include <cmath>

#include "DocumentFixtures.h"
#include "core/document/DocumentIds.h"
#include "platform/files/LocalFileName.h"
#include "platform/resources/CommandIds.h"
#include "platform/resources/StringTable.h"
#include "tests/support/DamagedImages.h"

using namespace doctests;

namespace {

class OpenDocument : public DocumentTest {
protected:
    OpenDocument() {
        doc.SetListener(&listener);
        doc.SetFileDialog(&dialog);
    }
    CQVVesperaDoc doc{settings};
};

TEST_F(OpenDocument, JpegGivesItsSizeResolutionAndTheImageRule) {
    QImage image = Gradient(64, 48);
    SetDpi(image, 72);
    const QString path = WriteImage("photo.jpg", image, "jpeg");

    ASSERT_TRUE(doc.OpenDocumentFile(path));
    EXPECT_TRUE(doc.HasImage());
    EXPECT_EQ(doc.ImageWidth(), 64);
    EXPECT_EQ(doc.ImageHeight(), 48);
    EXPECT_NEAR(doc.ImageDpi(), 72.0, 0.01);
    EXPECT_EQ(doc.ImagePath(), path);
    EXPECT_EQ(doc.GetPathName(), path);
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("photo.jpg"));
    // Lock off: the output is the image itself.
    EXPECT_EQ(settings.m_nWidth, 64);
    EXPECT_EQ(settings.m_nHeight, 48);
    EXPECT_FLOAT_EQ(settings.m_fDpi, doc.ImageDpi());
    EXPECT_EQ(listener.panelUpdates, 1);
    ASSERT_EQ(listener.opens.size(), 1u);
    EXPECT_TRUE(listener.opens[0].opened);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(OpenDocument, PngKeepsItsResolutionAndGreyPngOpens) {
    QImage colour = Gradient(30, 20);
    SetDpi(colour, 300);
    ASSERT_TRUE(doc.OpenDocumentFile(WriteImage("print.png", colour, "png")));
    EXPECT_NEAR(doc.ImageDpi(), 300.0, 0.01);
    EXPECT_NEAR(settings.m_fDpi, 300.0, 0.01);

    QImage grey(25, 15, QImage::Format_Grayscale8);
    grey.fill(128);
    ASSERT_TRUE(doc.OpenDocumentFile(WriteImage("grey.png", grey, "png")));
    EXPECT_EQ(doc.ImageWidth(), 25);
    EXPECT_EQ(doc.ImageHeight(), 15);
    EXPECT_NE(doc.GetSource()->GetPixelFormat(), imaging::PixelFormatUndefined);
    EXPECT_TRUE(Messages().empty());
}

struct BadFile {
    const char* name;
    const char* bytes;  // null: the file does not exist
};

class OpenBadFile : public OpenDocument, public ::testing::WithParamInterface<BadFile> {};

TEST_P(OpenBadFile, ShowsTheMessageAndLeavesNoImage) {
    ASSERT_TRUE(doc.OpenDocumentFile(WriteImage("first.png", Gradient(8, 8), "png")));
    const QString path = GetParam().bytes ? Write(GetParam().name, GetParam().bytes) : Path(GetParam().name);

    EXPECT_FALSE(doc.OpenDocumentFile(path));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], QStringLiteral("Can't open file\n") + path + u'!');
    EXPECT_FALSE(doc.HasImage());
    EXPECT_EQ(doc.GetSource(), nullptr);
    EXPECT_TRUE(doc.GetPathName().isEmpty());
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("Untitled"));
    ASSERT_EQ(listener.opens.size(), 2u);
    EXPECT_FALSE(listener.opens[1].opened);
    EXPECT_FALSE(doc.QueryCommand(ID_NEXT_IMAGE).enabled);
    EXPECT_FALSE(doc.QueryCommand(ID_FILE_SAVE).enabled);
}

INSTANTIATE_TEST_SUITE_P(Files, OpenBadFile,
                         ::testing::Values(BadFile{"corrupt.jpg", "\xFF\xD8\xFF\xE0 this is no JPEG"},
                                           BadFile{"empty.png", ""}, BadFile{"vanished.jpg", nullptr}));

// A JPEG cut short decodes in Qt with grey rows and a warning on the
// console only: it is refused like any unreadable file. Bytes between
// segments, which decoders skip, refuse nothing.
TEST_F(OpenDocument, AJpegCutShortIsRefusedAndExtraneousBytesAreNot) {
    const QByteArray jpeg = Encode(Gradient(300, 200), "jpeg");
    const QString cut = Write("cut.jpg", jpeg.left(jpeg.size() * 3 / 10));
    EXPECT_FALSE(doc.OpenDocumentFile(cut));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], QStringLiteral("Can't open file\n") + cut + u'!');
    EXPECT_FALSE(doc.HasImage());

    // Four zero bytes before the marker that follows the JFIF segment.
    const qsizetype afterApp0 = 2 + 2 + ((uchar(jpeg[4]) << 8) | uchar(jpeg[5]));
    ASSERT_EQ(uchar(jpeg[afterApp0]), 0xFF);
    QByteArray padded = jpeg;
    padded.insert(afterApp0, QByteArray(4, '\0'));
    EXPECT_TRUE(doc.OpenDocumentFile(Write("padded.jpg", padded)));
    EXPECT_EQ(doc.ImageWidth(), 300);
    EXPECT_EQ(Messages().size(), 1u);
}

// Damaged files that a lenient decoder passes off as whole pictures, grey or
// black where their data is missing: refused like any unreadable file, and
// Resize and Save has no image to work on.
struct DamagedPicture {
    const char* name;
    QByteArray (*make)();
};

class OpenDamagedFile : public OpenDocument, public ::testing::WithParamInterface<DamagedPicture> {};

TEST_P(OpenDamagedFile, IsRefusedWithTheMessage) {
    const QString path = Write(GetParam().name, GetParam().make());
    EXPECT_FALSE(doc.OpenDocumentFile(path));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], QStringLiteral("Can't open file\n") + path + u'!');
    EXPECT_FALSE(doc.HasImage());
    EXPECT_FALSE(doc.QueryCommand(ID_FILE_SAVE).enabled);
}

INSTANTIATE_TEST_SUITE_P(
    Files, OpenDamagedFile,
    ::testing::Values(DamagedPicture{"half.jpg", [] { return damaged::JpegCutWithEnd(); }},
                      DamagedPicture{"huge.jpg", [] { return damaged::JpegClaiming(30000, 30000); }},
                      DamagedPicture{"tall.gif", [] { return damaged::GifClaimingRows(1, 4, 65535); }}),
    [](const auto& info) { return std::string(info.param.name).substr(0, 4); });

// A name that is not UTF-8 is carried whole to the file; one whose bytes were
// lost on the way (Qt's decoding makes them U+FFFD) says why it fails.
TEST_F(OpenDocument, ANameThatIsNotUtf8Opens) {
    const QByteArray name("caf\xE9.jpg");
    ASSERT_TRUE(WriteFileByBytes(dir.path(), name, Encode(Gradient(30, 20), "jpeg")));
    const QString path = platform::FileNameFromLocal(QFile::encodeName(dir.path()) + '/' + name);
    EXPECT_TRUE(doc.OpenDocumentFile(path));
    EXPECT_EQ(doc.ImageWidth(), 30);
    EXPECT_TRUE(Messages().empty());

    const QString lossy = QFile::decodeName(QFile::encodeName(dir.path()) + '/' + name);
    EXPECT_FALSE(doc.OpenDocumentFile(lossy));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0],
              QStringLiteral("Can't open file\n") + lossy +
                  QStringLiteral("!\nThe file name is not valid UTF-8, and the name given here has lost its bytes."));
}

// A file of 4 GiB and more is refused whole: its length taken in 32 bits
// would name the small JPEG at its start.
TEST_F(OpenDocument, FileOfFourGigabytesIsRefusedNotTruncated) {
    const QByteArray jpeg = Encode(Gradient(16, 16), "jpeg");
    const QString path = Write("huge.jpg", jpeg);
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const off_t length = (off_t{1} << 32) + jpeg.size();
    const bool sparse = ::ftruncate(fd, length) == 0;
    ::close(fd);
    if (!sparse)
        GTEST_SKIP() << "no sparse file of 4 GiB here";

    EXPECT_FALSE(doc.OpenDocumentFile(path));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], QStringLiteral("Can't open file\n") + path + u'!');
    EXPECT_FALSE(doc.HasImage());
}

TEST_F(OpenDocument, FileOpenAsksForAPathAndCancelChangesNothing) {
    const QString path = WriteImage("chosen.png", Gradient(12, 10), "png");
    dialog.answers = {QString(), path};
    EXPECT_TRUE(doc.RunCommand(ID_FILE_OPEN));
    EXPECT_FALSE(doc.HasImage());
    EXPECT_TRUE(listener.opens.empty());
    EXPECT_TRUE(doc.RunCommand(ID_FILE_OPEN));
    EXPECT_TRUE(doc.HasImage());
    EXPECT_EQ(doc.ImageWidth(), 12);
    ASSERT_EQ(dialog.asked.size(), 2u);
    EXPECT_TRUE(dialog.asked[0]);
}

TEST_F(OpenDocument, NoImageBeforeTheFirstOpen) {
    EXPECT_FALSE(doc.HasImage());
    EXPECT_EQ(doc.ImageWidth(), 10);
    EXPECT_EQ(doc.ImageHeight(), 10);
    EXPECT_EQ(doc.ImageDpi(), 0.0f);
    EXPECT_FALSE(doc.QueryCommand(ID_NEXT_IMAGE).enabled);
    EXPECT_FALSE(doc.QueryCommand(ID_PREV_IMAGE).enabled);
}

TEST_F(OpenDocument, UpdateViewsIfAllowedHonoursTheHold) {
    doc.UpdateViewsIfAllowed();
    EXPECT_EQ(listener.viewUpdates, 1);
    doc.m_bHoldUpdates = true;
    doc.UpdateViewsIfAllowed();
    EXPECT_EQ(listener.viewUpdates, 1);
}

}  // namespace

namespace {

TEST(DocumentStrings, StandInTheTableOnce) {
    EXPECT_TRUE(platform::StringTableError().isEmpty()) << platform::StringTableError().toStdString();
    EXPECT_EQ(platform::LoadResString(23), QStringLiteral("Can't open file\n%s!"));
    EXPECT_EQ(platform::LoadResString(147), QStringLiteral("Can't save file %s."));
    EXPECT_EQ(platform::LoadResString(122),
              QStringLiteral("Can't create output image!\r\nMay be not enough memory!\r\n\r\n"));
}

}  // namespace
