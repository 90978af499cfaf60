// The program as a Linux desktop sees it once installed: `cmake --install`
// into a temporary DESTDIR lays out the binary, the help pages in the data
// folder the program looks in, the desktop entry, the hicolor icon and the
// AppStream metainfo; the entry and the metainfo pass the freedesktop
// validators; the installed binary, started the way the entry's Exec line
// says with two pictures, shows its main window with both in the basket, and
// the window's class is the one the entry names. A direct install (no
// DESTDIR) indexes the entry by MIME type for "Open With".

#include "tests/e2e/E2eSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

const QString kAppId = QStringLiteral(VESPERA_APP_ID);
const QStringList kPictureTypes = {QStringLiteral("image/jpeg"), QStringLiteral("image/png"),
                                   QStringLiteral("image/tiff"), QStringLiteral("image/bmp"),
                                   QStringLiteral("image/gif")};
constexpr QRgb kRed = qRgb(220, 30, 30);
constexpr QRgb kGreen = qRgb(30, 200, 30);
constexpr int kTolerance = 40;

struct ToolRun {
    bool ok = false;
    QString output;  // standard output and error together
};

// Runs a program to its end with DESTDIR set as given (unset when empty).
ToolRun RunCommand(const QString& program, const QStringList& arguments, const QString& destdir = {}) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DESTDIR"));
    if (!destdir.isEmpty())
        environment.insert(QStringLiteral("DESTDIR"), destdir);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    ToolRun run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished(5000);
        run.output = program + QStringLiteral(" did not end: ") + process.errorString();
        return run;
    }
    run.output = QString::fromLocal8Bit(process.readAll());
    run.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return run;
}

// `cmake --install` of the build tree under `prefix`.
ToolRun Install(const QString& prefix, const QString& destdir) {
    return RunCommand(
        qEnvironmentVariable("VESPERA_CMAKE"),
        {QStringLiteral("--install"), qEnvironmentVariable("VESPERA_BUILD_DIR"), QStringLiteral("--prefix"), prefix},
        destdir);
}

// The keys of the desktop entry's main group.
QMap<QString, QString> DesktopEntry(const QString& path) {
    QMap<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    bool inMainGroup = false;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == QStringLiteral("[Desktop Entry]");
        } else if (inMainGroup && line.contains(u'=') && !line.startsWith(u'#')) {
            const qsizetype equals = line.indexOf(u'=');
            keys.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
        }
    }
    return keys;
}

// The command line a desktop makes of an Exec value for local files: the
// program looked up in `binFolder` as on the PATH, %F replaced by the files,
// each its own argument. Empty when the value has no program there or a
// field code other than %F and %%.
QStringList ExpandExec(const QString& exec, const QString& binFolder, const QStringList& files) {
    const QStringList words = exec.split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return {};
    const QString program = QStandardPaths::findExecutable(words.front(), {binFolder});
    if (program.isEmpty())
        return {};
    QStringList command{program};
    for (qsizetype i = 1; i < words.size(); ++i) {
        if (words[i] == QStringLiteral("%F"))
            command << files;
        else if (words[i].contains(u'%') && words[i] != QStringLiteral("%%"))
            return {};
        else
            command << words[i];
    }
    return command;
}

// The two parts of a window's WM_CLASS: instance and class.
QStringList WindowClass(unsigned long window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr)
        return {};
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, static_cast<xcb_window_t>(window), XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    if (!reply)
        return {};
    const QByteArray value(static_cast<const char*>(xcb_get_property_value(reply.get())),
                           xcb_get_property_value_length(reply.get()));
    QStringList parts = QString::fromLatin1(value).split(QChar(0));
    if (!parts.isEmpty() && parts.back().isEmpty())
        parts.removeLast();
    return parts;
}

// The installed tree of one `cmake --install` into a temporary DESTDIR with
// the prefix /usr, shared by the tests of this suite.
class InstalledProgram : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        destdir_ = new QTemporaryDir;
        install_ = new ToolRun(Install(QStringLiteral("/usr"), destdir_->path()));
    }
    static void TearDownTestSuite() {
        delete install_;
        delete destdir_;
    }

    void SetUp() override { ASSERT_TRUE(install_->ok) << install_->output.toStdString(); }

    static QString Usr() { return destdir_->path() + QStringLiteral("/usr"); }
    static QString DesktopFile() { return Usr() + QStringLiteral("/share/applications/") + kAppId + ".desktop"; }
    static QString Metainfo() { return Usr() + QStringLiteral("/share/metainfo/") + kAppId + ".metainfo.xml"; }
    static QString Icon() {
        return Usr() + QStringLiteral("/share/icons/hicolor/scalable/apps/") + kAppId + QStringLiteral(".svg");
    }

    static QTemporaryDir* destdir_;
    static ToolRun* install_;
};

QTemporaryDir* InstalledProgram::destdir_ = nullptr;
ToolRun* InstalledProgram::install_ = nullptr;

TEST_F(InstalledProgram, TreeHoldsTheProgramItsDataAndItsDesktopFiles) {
    const QFileInfo binary(Usr() + QStringLiteral("/bin/vespera"));
    EXPECT_TRUE(binary.isFile() && binary.isExecutable()) << binary.filePath().toStdString();
    // The help pages where the program looks for them: ../share/orvek-vespera
    // beside its own folder.
    EXPECT_TRUE(QFileInfo(binary.path() + QStringLiteral("/../share/orvek-vespera/help/index.html")).isFile());

    // The entry names the icon and the program that are installed.
    const QMap<QString, QString> entry = DesktopEntry(DesktopFile());
    ASSERT_FALSE(entry.isEmpty()) << DesktopFile().toStdString();
    EXPECT_EQ(entry.value(QStringLiteral("Icon")), kAppId);
    EXPECT_EQ(entry.value(QStringLiteral("Exec")), QStringLiteral("vespera %F"));
    EXPECT_EQ(entry.value(QStringLiteral("TryExec")), binary.fileName());
    for (const QString& type : kPictureTypes)
        EXPECT_TRUE(entry.value(QStringLiteral("MimeType")).split(u';').contains(type)) << type.toStdString();

    // The icon is a picture that renders, square as the theme wants it.
    QImageReader icon(Icon());
    EXPECT_EQ(icon.format(), QByteArray("svg")) << icon.errorString().toStdString();
    icon.setScaledSize(QSize(128, 128));
    const QImage rendered = icon.read();
    ASSERT_FALSE(rendered.isNull()) << icon.errorString().toStdString();
    EXPECT_GT(FractionNear(rendered, qRgb(0x2f, 0x3b, 0x5c), 10), 0.05);

    // The metainfo tells of the same program: its id, its entry, its binary.
    QFile file(Metainfo());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << Metainfo().toStdString();
    QXmlStreamReader xml(&file);
    const QStringList wanted = {QStringLiteral("id"), QStringLiteral("launchable"), QStringLiteral("binary"),
                                QStringLiteral("project_license")};
    QMap<QString, QString> texts;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && wanted.contains(xml.name().toString()))
            texts.insert(xml.name().toString(), xml.readElementText());
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(texts.value(QStringLiteral("id")), kAppId);
    EXPECT_EQ(texts.value(QStringLiteral("launchable")), kAppId + QStringLiteral(".desktop"));
    EXPECT_EQ(texts.value(QStringLiteral("binary")), binary.fileName());
    EXPECT_FALSE(texts.value(QStringLiteral("project_license")).isEmpty());
}

TEST_F(InstalledProgram, EntryAndMetainfoPassTheValidators) {
    const ToolRun desktop = RunCommand(QStringLiteral("desktop-file-validate"), {DesktopFile()});
    EXPECT_TRUE(desktop.ok) << desktop.output.toStdString();
    // The validator prints nothing for an entry without faults; hints are
    // faults worth mending too.
    EXPECT_TRUE(desktop.output.trimmed().isEmpty()) << desktop.output.toStdString();

    const ToolRun metainfo = RunCommand(QStringLiteral("appstreamcli"),
                                        {QStringLiteral("validate"), QStringLiteral("--no-net"), Metainfo()});
    EXPECT_TRUE(metainfo.ok) << metainfo.output.toStdString();
}

TEST_F(InstalledProgram, ExecWithTwoPicturesShowsTheWindowWithABasketOfTwo) {
    E2eSession session;
    const QString photos = session.Home() + QStringLiteral("/Pictures");
    ASSERT_TRUE(QDir().mkpath(photos));
    // A desktop hands over the files as they are named, spaces included.
    const QString beach = photos + QStringLiteral("/Beach day.jpg");
    const QString harbour = photos + QStringLiteral("/harbour.png");
    ASSERT_TRUE(SaveSolidPicture(beach, kRed, {240, 180}, "JPEG", 95));
    ASSERT_TRUE(SaveSolidPicture(harbour, kGreen));

    const QMap<QString, QString> entry = DesktopEntry(DesktopFile());
    const QStringList command =
        ExpandExec(entry.value(QStringLiteral("Exec")), Usr() + QStringLiteral("/bin"), {beach, harbour});
    ASSERT_EQ(command.size(), 3) << entry.value(QStringLiteral("Exec")).toStdString();
    ASSERT_TRUE(session.StartProgram(command.front(), command.mid(1)));

    // Two pictures go to the basket and leave the document empty.
    const unsigned long window = session.FindWindow(QStringLiteral("^ORVEK Vespera 3 - QVVespera$"));
    ASSERT_NE(window, 0u) << session.ErrorOutput().toStdString();
    QImage shot;
    const bool both = E2eSession::WaitFor(
        [&] {
            shot = session.Screenshot(window);
            return FractionNear(shot, kRed, kTolerance) > 0.002 && FractionNear(shot, kGreen, kTolerance) > 0.002;
        },
        15000);
    if (const QString folder = qEnvironmentVariable("VESPERA_E2E_SCREENSHOTS"); !folder.isEmpty())
        shot.save(folder + QStringLiteral("/installed-basket.png"));
    EXPECT_TRUE(both) << "the basket does not show both pictures";

    // The desktop matches the window to the entry by its class.
    const QStringList windowClass = WindowClass(window);
    EXPECT_TRUE(windowClass.contains(entry.value(QStringLiteral("StartupWMClass"))))
        << windowClass.join(u',').toStdString();

    ASSERT_TRUE(session.CloseWindow(window));
    const std::optional<int> code = session.WaitForExit(20000);
    ASSERT_TRUE(code.has_value()) << "the program did not end: " << session.ErrorOutput().toStdString();
    EXPECT_EQ(*code, 0) << session.ErrorOutput().toStdString();
}

// A direct install, as into ~/.local, needs no package trigger: the desktop's
// index of programs by MIME type lists the entry for each picture type.
TEST(DirectInstall, IndexesTheEntryForEachPictureType) {
    QTemporaryDir prefix;
    const ToolRun install = Install(prefix.path(), {});
    ASSERT_TRUE(install.ok) << install.output.toStdString();
    QFile cache(prefix.path() + QStringLiteral("/share/applications/mimeinfo.cache"));
    ASSERT_TRUE(cache.open(QIODevice::ReadOnly)) << install.output.toStdString();
    const QString index = QString::fromUtf8(cache.readAll());
    for (const QString& type : kPictureTypes) {
        const QRegularExpression line(QStringLiteral("^") + QRegularExpression::escape(type) +
                                          QStringLiteral("=.*\\b") + QRegularExpression::escape(kAppId) +
                                          QStringLiteral("\\.desktop;"),
                                      QRegularExpression::MultilineOption);
        EXPECT_TRUE(line.match(index).hasMatch()) << type.toStdString() << "\n" << index.toStdString();
    }
}

}  // namespace
