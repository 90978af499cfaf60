// The basket of the real program: started with three pictures it opens a
// basket of three in batch mode; Enter runs the batch, the Batch Settings
// dialog's OK starts it, and the three outputs have the size, the format and
// the resolution the settings give, while the progress dialog's log tells of
// each of them.

#include "tests/e2e/E2eSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QProcess>

#include <gtest/gtest.h>

#include <cmath>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Picture {
    const char* name;
    int width, height;
    int outWidth, outHeight;  // fitted into 160 x 120, keeping the aspect
};

constexpr Picture kPictures[] = {
    {"wide.jpg", 400, 300, 160, 120},
    {"tall.jpg", 300, 400, 90, 120},
    {"square.png", 200, 200, 120, 120},
};

void WritePicture(const QString& path, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, (x + y) % 256));
    image.setDotsPerMeterX(2835);
    image.setDotsPerMeterY(2835);
    ASSERT_TRUE(image.save(path, nullptr, 90)) << path.toStdString();
}

// Runs the basket of the program's main window: Enter opens Batch Settings,
// whose Enter (OK) starts the run. Gives the main and progress windows;
// `unanswered` says what it means when Batch Settings does not come.
void RunTheBasket(E2eSession& session, int timeoutMs, const char* unanswered, unsigned long& window,
                  unsigned long& progress) {
    window = session.FindWindow(QStringLiteral("^ORVEK Vespera 3"), timeoutMs);
    ASSERT_NE(window, 0u) << session.ErrorOutput().toStdString();
    ASSERT_TRUE(session.SendKeys(window, QStringLiteral("Return")));
    const unsigned long settings = session.FindWindow(QStringLiteral("^Batch Settings$"), timeoutMs);
    ASSERT_NE(settings, 0u) << unanswered << session.ErrorOutput().toStdString();
    ASSERT_TRUE(session.SendKeys(settings, QStringLiteral("Return")));
    progress = session.FindWindow(QStringLiteral("^Batch processing$"));
    ASSERT_NE(progress, 0u) << session.ErrorOutput().toStdString();
}

// Closes the progress window and then the main window, and waits for the
// program to end. Closing the progress window while the run is still ending
// (its outputs can all be there a moment before) only cancels it and leaves
// the window with "Done", as it does for a user; it is closed again until it
// is gone.
void CloseProgressAndProgram(E2eSession& session, unsigned long progress, unsigned long window) {
    EXPECT_TRUE(E2eSession::WaitFor(
        [&] {
            session.CloseWindow(progress);
            return session.WaitForWindowGone(QStringLiteral("^Batch processing$"), 1000);
        },
        20000));
    session.CloseWindow(window);
    EXPECT_TRUE(session.WaitForExit(20000).has_value());
}

void WriteSettings(const E2eSession& session, const QString& outFolder) {
    // Apply to new: the pictures take the panel's 160 x 120 at 150 dpi,
    // keeping their aspect, bicubic; the outputs are JPEG files.
    ASSERT_TRUE(session.WriteSettingsFile(
        "[MAIN]\nWIDTH=160\nHEIGHT=120\nDPI=150.000000\nCORRECTPROP=0\nINTERPOLMODE=3\nAPPLYTOALL=1\n"
        "INPERCENTS=0\nLOCKSETTINGS=0\n[BATCH]\nOUTFORMAT=1\nOVERWRITEMETHOD=1\nNEWNAME=0\nSAMEFOLDER=0\n"
        "OUTFOLDER=" +
        outFolder.toUtf8() + "\n"));
}

// exiftool's answer, one value per line (-s3), or nothing when it fails.
std::optional<QString> Exiftool(const QStringList& arguments) {
    QProcess exiftool;
    exiftool.start(QStringLiteral("exiftool"), arguments);
    if (!exiftool.waitForFinished(20000) || exiftool.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(exiftool.readAllStandardOutput()).trimmed();
}

// Names that are not UTF-8 (Latin-1 here), given as bytes on the command
// line: a basket of both, whose run writes outputs of the same byte names.
TEST(Basket, NamesThatAreNotUtf8RunAsABatchUnderTheirOwnNames) {
    E2eSession session;
    const QString source = session.Home() + QStringLiteral("/photos/");
    const QString out = session.Home() + QStringLiteral("/resized/");
    ASSERT_TRUE(QDir().mkpath(source));
    ASSERT_TRUE(QDir().mkpath(out));
    const QByteArray names[] = {"caf\xE9.jpg", "na\xEFve.jpg"};
    WritePicture(source + QStringLiteral("plain.jpg"), 400, 300);
    for (const QByteArray& name : names)
        ASSERT_EQ(::link(QFile::encodeName(source + QStringLiteral("plain.jpg")).constData(),
                         (QFile::encodeName(source) + name).constData()),
                  0);
    WriteSettings(session, out);

    // QProcess passes its arguments through QFile::encodeName, which cannot
    // make these bytes; the shell's printf makes them (octal escapes).
    const QString script =
        QStringLiteral("exec \"$0\" \"$1/$(printf 'caf\\351.jpg')\" \"$1/$(printf 'na\\357ve.jpg')\"");
    ASSERT_TRUE(session.StartProgram(QStringLiteral("/bin/sh"),
                                     {QStringLiteral("-c"), script, qEnvironmentVariable("VESPERA_PROGRAM"), source}));
    unsigned long window = 0, progress = 0;
    ASSERT_NO_FATAL_FAILURE(RunTheBasket(session, 15000, "Enter did not run the basket: ", window, progress));

    const auto exists = [&](const QByteArray& name) {
        struct stat st {};
        return ::stat((QFile::encodeName(out) + name).constData(), &st) == 0 && st.st_size > 0;
    };
    ASSERT_TRUE(E2eSession::WaitFor([&] { return exists(names[0]) && exists(names[1]); }, 60000))
        << session.ErrorOutput().toStdString() << QDir(out).entryList(QDir::Files).join(u' ').toStdString()
        << E2eSession::CopyTextAt(progress, {60, 80}).value_or(QString()).toStdString();
    for (const QByteArray& name : names) {
        QFile output;
        const int fd = ::open((QFile::encodeName(out) + name).constData(), O_RDONLY);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(output.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
        EXPECT_EQ(QImage::fromData(output.readAll()).size(), QSize(160, 120));
    }

    CloseProgressAndProgram(session, progress, window);
}

// In same-folder mode, a source whose folder and name are not UTF-8
// (Latin-1 here) gets its output beside it under those bytes, byte for byte
// the output of its ASCII-named copy in a folder of its own.
TEST(Basket, SameFolderOutputsBesideNamesThatAreNotUtf8) {
    E2eSession session;
    const QByteArray home = QFile::encodeName(session.Home());
    const QByteArray latin1 = home + "/caf\xE9", ascii = home + "/plain";
    for (const QByteArray& folder : {latin1, ascii})
        ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    WritePicture(QFile::decodeName(ascii) + QStringLiteral("/n.jpg"), 400, 300);
    ASSERT_EQ(::link((ascii + "/n.jpg").constData(), (latin1 + "/n\xE9.jpg").constData()), 0);
    ASSERT_TRUE(session.WriteSettingsFile(
        "[MAIN]\nWIDTH=160\nHEIGHT=120\nDPI=150.000000\nCORRECTPROP=0\nINTERPOLMODE=3\nAPPLYTOALL=1\n"
        "INPERCENTS=0\nLOCKSETTINGS=0\n[BATCH]\nOUTFORMAT=0\nOVERWRITEMETHOD=1\nNEWNAME=0\nSAMEFOLDER=1\n"));

    // The shell's printf makes the bytes (octal escapes) that QProcess cannot.
    const QString script = QStringLiteral("exec \"$0\" \"$1/$(printf 'caf\\351/n\\351.jpg')\" \"$1/plain/n.jpg\"");
    ASSERT_TRUE(
        session.StartProgram(QStringLiteral("/bin/sh"),
                             {QStringLiteral("-c"), script, qEnvironmentVariable("VESPERA_PROGRAM"), session.Home()}));
    unsigned long window = 0, progress = 0;
    ASSERT_NO_FATAL_FAILURE(RunTheBasket(session, 15000, "Enter did not run the basket: ", window, progress));
    const QByteArray outputs[] = {latin1 + "/n\xE9_RESIZED_TO_160x120.jpg", ascii + "/n_RESIZED_TO_160x120.jpg"};
    const auto bytes = [](const QByteArray& path) {
        QFile file;
        const int fd = ::open(path.constData(), O_RDONLY);
        return fd >= 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle) ? file.readAll()
                                                                                           : QByteArray();
    };
    ASSERT_TRUE(
        E2eSession::WaitFor([&] { return !bytes(outputs[0]).isEmpty() && !bytes(outputs[1]).isEmpty(); }, 60000))
        << session.ErrorOutput().toStdString()
        << E2eSession::CopyTextAt(progress, {60, 80}).value_or(QString()).toStdString();
    EXPECT_EQ(bytes(outputs[0]), bytes(outputs[1]));
    EXPECT_EQ(QImage::fromData(bytes(outputs[0])).size(), QSize(160, 120));
    CloseProgressAndProgram(session, progress, window);
    // The sandbox goes with its files, which Qt's removal cannot name.
    for (const QByteArray& name : {QByteArray("/n\xE9.jpg"), QByteArray("/n\xE9_RESIZED_TO_160x120.jpg")})
        ::unlink((latin1 + name).constData());
    ::rmdir(latin1.constData());
}

TEST(Basket, ThreePicturesOnTheCommandLineRunAsABatch) {
    E2eSession session;
    const QString source = session.Home() + QStringLiteral("/photos/");
    const QString out = session.Home() + QStringLiteral("/resized/");
    ASSERT_TRUE(QDir().mkpath(source));
    ASSERT_TRUE(QDir().mkpath(out));
    QStringList arguments;
    for (const Picture& picture : kPictures) {
        WritePicture(source + QLatin1String(picture.name), picture.width, picture.height);
        arguments << source + QLatin1String(picture.name);
    }
    // The JPEG sources carry camera data, which their outputs must keep.
    ASSERT_TRUE(Exiftool({"-q", "-overwrite_original", "-Make=ORVEK Optics", "-Model=Vespa D7",
                          "-DateTimeOriginal=2026:05:01 10:11:12", source + "wide.jpg", source + "tall.jpg"}));
    WriteSettings(session, out);

    ASSERT_TRUE(session.Start(arguments));
    // Enter runs the basket: Batch Settings first, its OK starts the run.
    unsigned long window = 0, progress = 0;
    ASSERT_NO_FATAL_FAILURE(RunTheBasket(session, 15000, "Enter did not run the basket: ", window, progress));

    const QStringList outputs = {out + QStringLiteral("wide.jpg"), out + QStringLiteral("tall.jpg"),
                                 out + QStringLiteral("square.jpg")};
    ASSERT_TRUE(E2eSession::WaitFor(
        [&] {
            for (const QString& output : outputs)
                if (!QFileInfo::exists(output))
                    return false;
            return true;
        },
        60000))
        << session.ErrorOutput().toStdString();
    for (std::size_t i = 0; i < std::size(kPictures); ++i) {
        QImageReader reader(outputs[static_cast<int>(i)]);
        EXPECT_EQ(reader.format(), QByteArray("jpeg")) << i;
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << i;
        EXPECT_EQ(image.size(), QSize(kPictures[i].outWidth, kPictures[i].outHeight)) << i;
        // The target resolution, 150 dpi.
        EXPECT_NEAR(image.dotsPerMeterX() * 0.0254, 150.0, 0.5) << i;
    }
    for (const QString& output : {outputs[0], outputs[1]})
        EXPECT_EQ(Exiftool({"-s3", "-Make", "-Model", "-DateTimeOriginal", "-Software", output}),
                  QStringLiteral("ORVEK Optics\nVespa D7\n2026:05:01 10:11:12\nORVEK Vespera"))
            << output.toStdString();

    // The log, copied from the progress dialog: a click into it, then the
    // keys that select it all and copy it.
    std::optional<QString> log;
    ASSERT_TRUE(E2eSession::WaitFor(
        [&] {
            log = E2eSession::CopyTextAt(progress, {60, 80});
            return log && log->count(QStringLiteral("File ")) >= 3;
        },
        20000))
        << (log ? log->toStdString() : std::string("no clipboard"));
    EXPECT_TRUE(log->contains(QStringLiteral("File 1 from 3\nInput file\nFolder: ") + source + "\nName: wide.jpg"));
    EXPECT_TRUE(log->contains(QStringLiteral("Size: 90x120 pixels, 150 DPI\nAlgorithm: Bicubic")));
    EXPECT_TRUE(log->contains(QStringLiteral("File 3 from 3")));

    CloseProgressAndProgram(session, progress, window);
}

// Chooses Batch > `itemKey` ("s" Save, "l" Load) and types `name` into the
// picker titled `picker`, then Enter.
void ChooseBatchFile(E2eSession& session, unsigned long window, const QString& itemKey, const QString& picker,
                     const QString& name) {
    ASSERT_TRUE(session.SendKeys(window, QStringLiteral("alt+b")));
    ASSERT_TRUE(
        E2eSession::Xdotool({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("100"), itemKey}));
    const unsigned long dialog = session.FindWindow(picker);
    ASSERT_NE(dialog, 0u) << "no picker " << picker.toStdString();
    ASSERT_TRUE(E2eSession::Xdotool({QStringLiteral("type"), name}).has_value());
    ASSERT_TRUE(session.SendKeys(dialog, QStringLiteral("Return")));
    ASSERT_TRUE(session.WaitForWindowGone(picker));
}

// Pictures named relative to the folder the program was started in are
// saved in a batch file under their real folder: a program started in
// another folder loads them, and the one whose file has gone meanwhile is
// named on the log.
TEST(Basket, ABasketOfRelativePathsLoadsFromAnotherFolder) {
    E2eSession session;
    const QString start = session.Home() + QStringLiteral("/start/");
    const QString elsewhere = session.Home() + QStringLiteral("/elsewhere/");
    const QString out = session.Home() + QStringLiteral("/resized/");
    for (const QString& folder : {start + QStringLiteral("big"), elsewhere, out})
        ASSERT_TRUE(QDir().mkpath(folder));
    for (const char* name : {"a.png", "b.png", "c.png"})
        WritePicture(start + QStringLiteral("big/") + QLatin1String(name), 400, 300);
    WriteSettings(session, out);
    const QString program = qEnvironmentVariable("VESPERA_PROGRAM");
    const QString inFolder = QStringLiteral("cd \"$1\" && shift && exec \"$0\" \"$@\"");

    ASSERT_TRUE(session.StartProgram(QStringLiteral("/bin/sh"),
                                     {QStringLiteral("-c"), inFolder, program, start, QStringLiteral("big/a.png"),
                                      QStringLiteral("big/b.png"), QStringLiteral("big/c.png")}));
    unsigned long window = session.FindWindow(QStringLiteral("^ORVEK Vespera 3"));
    ASSERT_NE(window, 0u) << session.ErrorOutput().toStdString();
    ASSERT_NO_FATAL_FAILURE(
        ChooseBatchFile(session, window, QStringLiteral("s"), QStringLiteral("^Save batch$"), QStringLiteral("three")));
    const QString batchFile = session.DataHome() + QStringLiteral("/ORVEK/ORVEK Vespera/Batches/three.vpb");
    ASSERT_TRUE(E2eSession::WaitFor([&] { return QFileInfo(batchFile).size() > 50; }, 5000));
    session.CloseWindow(window);
    ASSERT_TRUE(session.WaitForExit(20000).has_value());
    ASSERT_TRUE(QFile::remove(start + QStringLiteral("big/c.png")));

    ASSERT_TRUE(session.StartProgram(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), inFolder, program, elsewhere}));
    window = session.FindWindow(QStringLiteral("^ORVEK Vespera 3"));
    ASSERT_NE(window, 0u) << session.ErrorOutput().toStdString();
    ASSERT_NO_FATAL_FAILURE(
        ChooseBatchFile(session, window, QStringLiteral("l"), QStringLiteral("^Load batch$"), QStringLiteral("three")));
    unsigned long progress = 0;
    ASSERT_NO_FATAL_FAILURE(RunTheBasket(session, 15000, "the loaded basket does not run: ", window, progress));
    ASSERT_TRUE(E2eSession::WaitFor(
        [&] { return QFileInfo::exists(out + "a.jpg") && QFileInfo::exists(out + "b.jpg"); }, 60000))
        << session.ErrorOutput().toStdString();
    std::optional<QString> log;
    ASSERT_TRUE(E2eSession::WaitFor(
        [&] {
            log = E2eSession::CopyTextAt(progress, {60, 80});
            return log && log->contains(QStringLiteral("File 2 from 2"));
        },
        20000))
        << (log ? log->toStdString() : std::string("no clipboard"));
    // The log names the pictures' real folder.
    EXPECT_TRUE(log->contains(QStringLiteral("File 1 from 2\nInput file\nFolder: ") + start + "big/\nName: a.png"))
        << log->toStdString();
    const QString errors = session.ErrorOutput();
    EXPECT_TRUE(errors.contains(QStringLiteral("basket: 1 of the 3 pictures of ") + batchFile + " are gone"))
        << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("basket:   ") + start + QStringLiteral("big/c.png")))
        << errors.toStdString();

    CloseProgressAndProgram(session, progress, window);
}

// A named pipe among the pictures on the command line never blocks the start:
// the window answers at once with a basket of the two pictures, whose run
// tells of two files and writes two outputs.
TEST(Basket, ANamedPipeAmongThePicturesLeavesABasketOfTheOthers) {
    E2eSession session;
    const QString source = session.Home() + QStringLiteral("/photos/");
    const QString out = session.Home() + QStringLiteral("/resized/");
    ASSERT_TRUE(QDir().mkpath(source));
    ASSERT_TRUE(QDir().mkpath(out));
    WritePicture(source + QStringLiteral("a.jpg"), 400, 300);
    ASSERT_EQ(::mkfifo(QFile::encodeName(source + QStringLiteral("b.jpg")).constData(), 0600), 0);
    WritePicture(source + QStringLiteral("c.jpg"), 300, 400);
    WriteSettings(session, out);

    ASSERT_TRUE(session.Start({source + "a.jpg", source + "b.jpg", source + "c.jpg"}));
    unsigned long window = 0, progress = 0;
    ASSERT_NO_FATAL_FAILURE(RunTheBasket(session, 5000, "the window does not answer: ", window, progress));

    ASSERT_TRUE(E2eSession::WaitFor(
        [&] { return QFileInfo::exists(out + "a.jpg") && QFileInfo::exists(out + "c.jpg"); }, 60000))
        << session.ErrorOutput().toStdString();
    std::optional<QString> log;
    ASSERT_TRUE(E2eSession::WaitFor(
        [&] {
            log = E2eSession::CopyTextAt(progress, {60, 80});
            return log && log->contains(QStringLiteral("File 2 from 2"));
        },
        20000))
        << (log ? log->toStdString() : std::string("no clipboard"));
    EXPECT_TRUE(log->contains(QStringLiteral("File 1 from 2\nInput file\nFolder: ") + source + "\nName: a.jpg"));
    EXPECT_FALSE(log->contains(QStringLiteral("b.jpg")));
    EXPECT_EQ(QDir(out).entryList(QDir::Files), (QStringList{"a.jpg", "c.jpg"}));
    const QString logLine = QStringLiteral("basket: ") + source + QStringLiteral("b.jpg is not a regular file");
    EXPECT_TRUE(E2eSession::WaitFor([&] { return session.ErrorOutput().contains(logLine); }, 5000))
        << session.ErrorOutput().toStdString();

    CloseProgressAndProgram(session, progress, window);
}

}  // namespace
