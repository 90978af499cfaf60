// Resize and Save through the scripted file dialog and prompt, the output read
// back, and the command's enable rule.

#include <QImageReader>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "DocumentFixtures.h"
#include "core/resize/ResizeEngine.h"
#include "platform/files/FolderEntries.h"
#include "platform/files/LocalFileName.h"
#include "platform/files/RegularFile.h"
#include "platform/resources/CommandIds.h"
#include "support/LimitedChild.h"
#include "support/TransparentPictures.h"

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

public:
    // A small picture in a place every user may read.
    QString WriteSource() { return WriteImage("source.png", Gradient(20, 20), "png"); }
    std::vector<QString> Shown() const { return Messages(); }

protected:
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

// Each failure of a step that says why is reported once, by that step; the
// general message of a failed resize ("not enough memory") does not follow.
TEST_F(ResizeAndSave, AnUnwritablePathShowsWhyOnce) {
    const QString out = Path("no-such-folder/out.jpg");
    ResizeSmallImageTo(out);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], QStringLiteral("Can't save file ") + out + QStringLiteral(".\nNo such file or directory"));
}

TEST_F(ResizeAndSave, AnExtensionWithoutAFormatSaysSoAndLeavesNoFile) {
    const QString out = Path("out.xyz");
    ResizeSmallImageTo(out);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages()[0].startsWith(QStringLiteral("Can't save file ") + out + QStringLiteral(".\n")))
        << Messages()[0].toStdString();
    EXPECT_NE(Messages()[0], QStringLiteral("Can't save file ") + out + QStringLiteral(".\n"));
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(ResizeAndSave, AJpegWiderThanItsFormatAllowsSaysWhyAndAPngOfThatSizeIsWritten) {
    ASSERT_TRUE(doc.OpenDocumentFile(WriteImage("a.png", Gradient(10, 10), "png")));
    settings.m_nWidth = 70000;
    settings.m_nHeight = 3;
    settings.m_nInterpolMode = 1;
    const QString jpeg = Path("wide.jpg");
    dialog.answers = {jpeg};
    doc.OnResizeAndSave();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages()[0].startsWith(QStringLiteral("Can't save file ") + jpeg + QStringLiteral(".\n")));
    EXPECT_TRUE(Messages()[0].contains(QStringLiteral("65500 pixels"))) << Messages()[0].toStdString();
    EXPECT_FALSE(QFile::exists(jpeg));

    const QString png = Path("wide.png");
    ASSERT_TRUE(doc.ResizeAndSave(&png));
    EXPECT_EQ(QImageReader(png).size(), QSize(70000, 3));
}

TEST(ResizeAndSaveFailure, AFailedResizeShowsTheGeneralMessage) {
    imaging::InitializeImaging();
    ScriptedAnswers prompt;
    AppSettings settings;
    ResizeEngine failing;
    failing.resizeImageV1 = [](const EngineCall&) { return 0; };
    CQVVesperaDoc doc(settings, failing);
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("a.png"));
    ASSERT_TRUE(Gradient(10, 10).save(source));
    ASSERT_TRUE(doc.OpenDocumentFile(source));
    settings.m_nWidth = 20;
    settings.m_nHeight = 20;
    settings.m_nInterpolMode = 5;
    ScriptedFileDialog dialog;
    dialog.answers = {dir.filePath(QStringLiteral("out.png"))};
    doc.SetFileDialog(&dialog);
    doc.OnResizeAndSave();
    ASSERT_EQ(prompt.Questions().size(), 1u);
    EXPECT_EQ(prompt.Questions()[0].text, kCantCreate);
}

// Resize and Save of a small image as BMP in a child process, after
// `prepare`; the child prints the messages shown and exits with their number,
// plus 10 when a file was left at the output path.
template <typename Prepare>
[[noreturn]] void SaveInChild(ResizeAndSave& test, CQVVesperaDoc& doc, AppSettings& settings,
                              ScriptedFileDialog& dialog, const QString& out, Prepare prepare) {
    if (!doc.OpenDocumentFile(test.WriteSource()))
        std::_Exit(100);
    prepare();
    settings.m_nWidth = 40;
    settings.m_nHeight = 40;
    dialog.answers = {out};
    doc.OnResizeAndSave();
    const std::vector<QString> messages = test.Shown();
    for (const QString& message : messages)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
    std::_Exit(static_cast<int>(messages.size()) + (QFile::exists(out) ? 10 : 0));
}

TEST_F(ResizeAndSave, AWriteBeyondTheFileSizeLimitSaysWhy) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QString out = Path("limited.bmp");
    EXPECT_EXIT(SaveInChild(*this, doc, settings, dialog, out,
                            [] {
                                // The limit makes writes fail with "File too large"
                                // instead of ending the process.
                                std::signal(SIGXFSZ, SIG_IGN);
                                const rlimit limit{1000, 1000};
                                setrlimit(RLIMIT_FSIZE, &limit);
                            }),
                ::testing::ExitedWithCode(1), "Can't save file .*limited\\.bmp\\.\nFile too large");
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(ResizeAndSave, AReadOnlyFolderSaysWhyOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The folder is read-only for everybody; a superuser's child takes an
    // ordinary user's identity to feel it.
    ASSERT_TRUE(dir.mkdir(QStringLiteral("locked")));
    const QString out = Path("locked/out.bmp");
    ASSERT_EQ(::chmod(QFile::encodeName(Path("locked")).constData(), 0555), 0);
    EXPECT_EXIT(SaveInChild(*this, doc, settings, dialog, out,
                            [] {
                                if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                                    std::_Exit(101);
                            }),
                ::testing::ExitedWithCode(1), "Can't save file .*out\\.bmp\\.\nPermission denied");
    EXPECT_FALSE(QFile::exists(out));
}

// Under a file-size limit (ulimit -f) a save that passes it fails like any
// failed write: the process lives on, the save says it failed, and neither
// the output nor a temporary file is left. The test runs itself again as a
// child process under the limit, after the signal is ignored as the program
// does at start.
TEST_F(ResizeAndSave, UnderAFileSizeLimitTheSaveFailsAndLeavesNothing) {
    if (qEnvironmentVariableIsSet("VESPERA_FSIZE_CHILD")) {
        platform::IgnoreFileSizeLimitSignal();
        ASSERT_TRUE(doc.OpenDocumentFile(WriteImage("a.png", Gradient(10, 10), "png")));
        settings.m_nWidth = 1000;
        settings.m_nHeight = 1000;
        const QString out = Path("big.bmp");  // 3 MB, over the limit
        EXPECT_FALSE(doc.ResizeAndSave(&out));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.png"});
        return;
    }
    const limitedchild::Outcome child = limitedchild::RunLimited(
        {"/proc/self/exe", "--gtest_filter=ResizeAndSave.UnderAFileSizeLimitTheSaveFailsAndLeavesNothing"}, 1 << 20,
        {"VESPERA_FSIZE_CHILD=1"});
    ASSERT_TRUE(child.Exited()) << "signal " << child.Signal() << "\n" << child.output;
    EXPECT_EQ(child.ExitCode(), 0) << child.output;
}

TEST_F(ResizeAndSave, AnExistingFileIsReplacedWhole) {
    ASSERT_TRUE(doc.OpenDocumentFile(WriteImage("a.png", Gradient(10, 10), "png")));
    settings.m_nWidth = 20;
    settings.m_nHeight = 20;
    const QString out = Write("old.png", QByteArray(100000, 'x'));
    ASSERT_TRUE(doc.ResizeAndSave(&out));
    EXPECT_EQ(QImage(out).size(), QSize(20, 20));
}

// A picture in a folder whose name is not UTF-8, saved in that folder under
// a name that is not UTF-8 either (Latin-1 here), is written under those very
// bytes, in every format, and its file is byte for byte that of its ASCII
// named copy saved under an ASCII name.
TEST_F(ResizeAndSave, NamesThatAreNotUtf8AreWrittenUnderTheirOwnBytes) {
    const QByteArray root = platform::LocalFileName(dir.path());
    const QByteArray latin1 = root + "/caf\xE9", ascii = root + "/plain";
    for (const QByteArray& folder : {latin1, ascii})
        ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    const QByteArray camera = platform::LocalFileName(CameraJpeg());
    ASSERT_EQ(::link(camera.constData(), (latin1 + "/n\xE9.jpg").constData()), 0);
    ASSERT_EQ(::link(camera.constData(), (ascii + "/n.jpg").constData()), 0);
    settings.m_nWidth = 32;
    settings.m_nHeight = 24;
    settings.m_nInterpolMode = 6;
    const auto save = [&](const QByteArray& source, const QByteArray& out) {
        EXPECT_TRUE(doc.OpenDocumentFile(platform::FileNameFromLocal(source)));
        const QString path = platform::FileNameFromLocal(out);
        EXPECT_TRUE(doc.ResizeAndSave(&path));
        return platform::ReadRegularFile(out.toStdString(), 1 << 20).value_or(std::vector<std::uint8_t>{});
    };
    for (const char* ext : {".jpg", ".png", ".tif", ".bmp", ".gif"}) {
        SCOPED_TRACE(ext);
        const std::vector<std::uint8_t> written = save(latin1 + "/n\xE9.jpg", latin1 + "/out\xE9" + ext);
        EXPECT_FALSE(written.empty());
        EXPECT_EQ(written, save(ascii + "/n.jpg", ascii + "/out" + ext));
    }
    EXPECT_TRUE(Messages().empty()) << Messages().front().toStdString();
    // Nothing was written under a name that lost its bytes.
    QStringList names = platform::NonFolderEntryNames(platform::FileNameFromLocal(latin1));
    names.sort();
    QStringList expected{platform::FileNameFromLocal("n\xE9.jpg")};
    for (const char* ext : {".bmp", ".gif", ".jpg", ".png", ".tif"})
        expected << platform::FileNameFromLocal(QByteArray("out\xE9") + ext);
    expected.sort();
    EXPECT_EQ(names, expected);
    // The temporary folder goes with its files, which Qt's removal cannot name.
    for (const QString& name : names)
        ::unlink((latin1 + '/' + platform::LocalFileName(name)).constData());
    ::rmdir(latin1.constData());
}

TEST_F(ResizeAndSave, TheOpenImageIsNeverItsOwnOutput) {
    const QString path = Path("a.png");
    ResizeSmallImageTo(path);
    const QByteArray before = Encode(Gradient(10, 10), "png");
    ASSERT_EQ(Messages().size(), 1u);
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

// Transparency is not kept: a transparent GIF colour and a PNG's alpha come
// out white, resized or saved at their own size, in every output format.
TEST_F(ResizeAndSave, TransparentPicturesComeOutWhiteWhereTheyWereTransparent) {
    constexpr int kW = 40, kH = 20;
    const struct {
        const char* source;
        QByteArray bytes;
        bool band;  // a half-transparent band (the alpha files)
        const char* output;
        int scale;
        int mode;
    } cases[] = {
        {"clear.gif", transparent::TransparentGif(kW, kH), false, "gif-own-size.png", 1, 4},
        {"clear.gif", transparent::TransparentGif(kW, kH), false, "gif-twice.bmp", 2, 0},
        {"clear.gif", transparent::TransparentGif(kW, kH), false, "gif-engine.gif", 2, 6},
        {"alpha.png", transparent::AlphaPng(kW, kH), true, "png-own-size.png", 1, 4},
        {"alpha.png", transparent::AlphaPng(kW, kH), true, "png-twice.png", 2, 0},
        {"alpha.png", transparent::AlphaPng(kW, kH), true, "png-engine.jpg", 2, 6},
        {"alpha.tif", transparent::AlphaTiff(kW, kH), true, "tiff-twice.tif", 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        ASSERT_TRUE(doc.OpenDocumentFile(Write(QString::fromLatin1(c.source), c.bytes)));
        settings.m_nWidth = kW * c.scale;
        settings.m_nHeight = kH * c.scale;
        settings.m_nInterpolMode = c.mode;
        const QString out = Path(QString::fromLatin1(c.output));
        ASSERT_TRUE(doc.ResizeAndSave(&out));
        const QImage saved(out);
        ASSERT_EQ(saved.size(), QSize(kW * c.scale, kH * c.scale));
        EXPECT_FALSE(saved.hasAlphaChannel());
        const bool jpeg = QString::fromLatin1(c.output).endsWith(QStringLiteral(".jpg"));
        // Away from the edges between the parts, which a resize blends.
        for (int x = 0; x < kW; ++x) {
            if (x % (kW / 4) < 2 || x % (kW / 4) > kW / 4 - 3)
                continue;
            const QRgb want = transparent::ExpectedOverWhite(x, kW, c.band);
            const QRgb got = saved.pixel(x * c.scale + c.scale / 2, kH * c.scale / 2);
            const int slack = jpeg ? 12 : 1;
            EXPECT_TRUE(transparent::NearColour(got, want, slack)) << x;
        }
    }
}
