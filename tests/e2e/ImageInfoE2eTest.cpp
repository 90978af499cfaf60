// The Image Info dialog of the real program, opened with the Properties
// command of a thumbnail's context menu, in the Browse window and in the
// basket, on a JPEG tagged by exiftool: the dialog shows the file's path and
// the camera's tags with their values, read back from it with the keys that
// copy, and Escape or Enter closes it.

#include "tests/e2e/E2eSession.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMap>

#include <gtest/gtest.h>

namespace {

constexpr QRgb kBlue = qRgb(20, 40, 220);
constexpr QRgb kGreen = qRgb(20, 200, 20);
constexpr QRgb kYellow = qRgb(230, 220, 20);
constexpr int kTolerance = 40;

const QString kMake = QStringLiteral("ORVEK Optics");
const QString kModel = QStringLiteral("Test Camera 3");
const QString kShot = QStringLiteral("2021:06:05 14:30:07");

// A camera's JPEG: a picture written here, tagged by exiftool.
void MakeCameraJpeg(const QString& path) {
    ASSERT_TRUE(SaveSolidPicture(path, kBlue, {320, 240}, "JPEG", 95));
    const auto out = E2eSession::RunTool(
        QStringLiteral("exiftool"),
        {QStringLiteral("-q"), QStringLiteral("-overwrite_original"), QStringLiteral("-Make=") + kMake,
         QStringLiteral("-Model=") + kModel, QStringLiteral("-DateTimeOriginal=") + kShot, path},
        {}, 30000);
    ASSERT_TRUE(out.has_value()) << "exiftool failed";
}

void WriteBrowserFolder(const E2eSession& session, const QString& folder) {
    QDir().mkpath(QFileInfo(session.SettingsFile()).path());
    QFile settings(session.SettingsFile());
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[BROWSER]\nDEFAULT=" + QFile::encodeName(folder) + "\n");
}

// The text a key copies from the focused control of `window`: the test
// holds the clipboard with a marker first, so the copy is seen when it comes.
std::optional<QString> CopiedBy(E2eSession& session, unsigned long window, const QString& key) {
    const QString marker = QStringLiteral("<nothing copied>");
    QGuiApplication::clipboard()->setText(marker);
    if (!session.SendKeys(window, key))
        return std::nullopt;
    std::optional<QByteArray> text;
    const bool copied = E2eSession::WaitFor(
        [&] {
            text = E2eSession::ClipboardAs(QStringLiteral("UTF8_STRING"));
            return text && QString::fromUtf8(*text) != marker;
        },
        5000);
    if (!copied)
        return std::nullopt;
    return QString::fromUtf8(*text);
}

// How many windows of the program are mapped.
int ProgramWindowCount() {
    const auto out = E2eSession::Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                          QStringLiteral("--classname"), QStringLiteral("vespera")});
    return out && !out->isEmpty() ? static_cast<int>(out->split(u'\n').size()) : 0;
}

// Right-clicks the thumbnail drawn in `colour` and chooses the menu's last
// command, Properties.
void OpenProperties(E2eSession& session, unsigned long window, QRgb colour) {
    std::optional<QPoint> thumbnail;
    ASSERT_TRUE(E2eSession::WaitFor(
        [&] {
            const QImage shot = session.Screenshot(window);
            thumbnail =
                FractionNear(shot, colour, kTolerance) > 0.002 ? CentreNear(shot, colour, kTolerance) : std::nullopt;
            return thumbnail.has_value();
        },
        15000))
        << "no thumbnail";
    const int windowsBefore = ProgramWindowCount();
    ASSERT_TRUE(E2eSession::ClickAt(window, *thumbnail, 3));
    // The popup menu is one more window of the program; it holds the
    // keyboard, and Up from no item is its last one.
    ASSERT_TRUE(E2eSession::WaitFor([&] { return ProgramWindowCount() > windowsBefore; }, 5000)) << "no menu";
    ASSERT_TRUE(E2eSession::Xdotool({QStringLiteral("key"), QStringLiteral("Up")}));
    ASSERT_TRUE(E2eSession::Xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
}

struct ImageInfo {
    unsigned long window = 0;
    QString path;
    QMap<QString, QString> tags;
};

// The open dialog's path, copied from its edit (Tab from OK selects it
// all), and its tag list, copied a cell at a time (Alt+C focuses the list on
// its first row).
ImageInfo ReadImageInfo(E2eSession& session) {
    ImageInfo info;
    info.window = session.FindWindow(QStringLiteral("^Image Info$"), 10000);
    if (info.window == 0)
        return info;
    if (!session.SendKeys(info.window, QStringLiteral("Tab")))
        return info;
    info.path = CopiedBy(session, info.window, QStringLiteral("ctrl+c")).value_or(QString());
    if (info.path.isEmpty() || !session.SendKeys(info.window, QStringLiteral("alt+c")))
        return info;
    QString previousName;
    for (int row = 0; row < 60; ++row) {
        const std::optional<QString> name = CopiedBy(session, info.window, QStringLiteral("ctrl+c"));
        if (!session.SendKeys(info.window, QStringLiteral("Right")))
            break;
        const std::optional<QString> value = CopiedBy(session, info.window, QStringLiteral("ctrl+c"));
        if (!name || !value || *name == previousName)
            break;  // Down from the last row stays there
        info.tags.insert(*name, *value);
        previousName = *name;
        if (!session.SendKeysEach(info.window, {"Left", "Down"}))
            break;
    }
    return info;
}

QString Describe(const ImageInfo& info) {
    QString text = QStringLiteral("path '") + info.path + QStringLiteral("'");
    for (auto it = info.tags.cbegin(); it != info.tags.cend(); ++it)
        text += QStringLiteral("; ") + it.key() + QStringLiteral(" = ") + it.value();
    return text;
}

void ExpectCameraTags(const ImageInfo& info, const QString& path) {
    const std::string all = Describe(info).toStdString();
    EXPECT_EQ(info.path.toStdString(), path.toStdString()) << all;
    EXPECT_EQ(info.tags.value(QStringLiteral("Manufacturer")).toStdString(), kMake.toStdString()) << all;
    EXPECT_EQ(info.tags.value(QStringLiteral("Model")).toStdString(), kModel.toStdString()) << all;
    EXPECT_EQ(info.tags.value(QStringLiteral("Date/time original")).toStdString(), kShot.toStdString()) << all;
}

// The dialog as it shows: its own size, its texts drawn (dark pixels on
// the light face), the picture it belongs to not painted over it.
void ExpectShown(E2eSession& session, unsigned long dialog, const QString& name) {
    const QImage shot = session.Screenshot(dialog);
    ASSERT_FALSE(shot.isNull());
    const auto geometry = E2eSession::Xdotool({QStringLiteral("getwindowgeometry"), QString::number(dialog)});
    ASSERT_TRUE(geometry.has_value());
    const QString size = QString::number(shot.width()) + u'x' + QString::number(shot.height());
    EXPECT_TRUE(geometry->contains(QStringLiteral("Geometry: ") + size)) << geometry->toStdString();
    EXPECT_GT(shot.width(), 300);
    EXPECT_GT(shot.height(), 200);
    EXPECT_GT(FractionNear(shot, qRgb(0, 0, 0), 80), 0.005);
    EXPECT_LT(FractionNear(shot, kBlue, kTolerance), 0.001);
    if (const QString folder = qEnvironmentVariable("VESPERA_E2E_SCREENSHOTS"); !folder.isEmpty())
        shot.save(folder + u'/' + name + QStringLiteral(".png"));
}

// Properties on the tagged picture's thumbnail: the dialog shows, tells its
// path and tags, and `closeKey` closes it.
void CheckImageInfoOfThumbnail(E2eSession& session, unsigned long window, const QString& tagged, const QString& name,
                               const QString& closeKey) {
    OpenProperties(session, window, kBlue);
    const ImageInfo info = ReadImageInfo(session);
    ASSERT_NE(info.window, 0u) << "no Image Info dialog: " << session.ErrorOutput().toStdString();
    ExpectShown(session, info.window, name);
    ExpectCameraTags(info, tagged);
    ASSERT_TRUE(session.SendKeys(info.window, closeKey));
    EXPECT_TRUE(session.WaitForWindowGone(QStringLiteral("^Image Info$")));
}

TEST(ImageInfo, PropertiesOfAThumbnailInTheBrowseWindow) {
    E2eSession session;
    const QString camera = session.Home() + QStringLiteral("/Pictures/Camera");
    ASSERT_TRUE(QDir().mkpath(camera));
    const QString tagged = camera + QStringLiteral("/DSC_0042.jpg");
    MakeCameraJpeg(tagged);
    ASSERT_TRUE(SaveSolidPicture(camera + QStringLiteral("/plain.png"), kYellow));
    const QString document = session.Home() + QStringLiteral("/green.png");
    ASSERT_TRUE(SaveSolidPicture(document, kGreen));
    WriteBrowserFolder(session, camera);

    ASSERT_TRUE(session.Start({document}));
    const unsigned long window = session.FindWindow(QStringLiteral("^ORVEK Vespera 3 - green\\.png$"));
    ASSERT_NE(window, 0u) << session.ErrorOutput().toStdString();
    // Batch mode, then Browse over the preview.
    ASSERT_TRUE(session.OpenBrowseWindow(window)) << session.WindowName(window).toStdString();

    CheckImageInfoOfThumbnail(session, window, tagged, QStringLiteral("image-info-browse"), QStringLiteral("Escape"));
    ASSERT_TRUE(session.CloseWindow(window));
    EXPECT_EQ(session.WaitForExit(), std::optional<int>(0));
}

TEST(ImageInfo, PropertiesOfAPictureInTheBasket) {
    E2eSession session;
    const QString photos = session.Home() + QStringLiteral("/photos");
    ASSERT_TRUE(QDir().mkpath(photos));
    const QString tagged = photos + QStringLiteral("/DSC_0043.jpg");
    MakeCameraJpeg(tagged);
    const QString plain = photos + QStringLiteral("/plain.png");
    ASSERT_TRUE(SaveSolidPicture(plain, kYellow));

    // Two pictures on the command line: both in the basket.
    ASSERT_TRUE(session.Start({tagged, plain}));
    const unsigned long window = session.FindWindow(QStringLiteral("^ORVEK Vespera 3"));
    ASSERT_NE(window, 0u) << session.ErrorOutput().toStdString();

    // Enter is the OK button's (the focus is on the list, not a button).
    CheckImageInfoOfThumbnail(session, window, tagged, QStringLiteral("image-info-basket"), QStringLiteral("Return"));
    ASSERT_TRUE(session.CloseWindow(window));
    EXPECT_TRUE(session.WaitForExit(20000).has_value());
}

}  // namespace
