// vespera-bench first-paint FILE RUNS PROGRAM [ARGS...]
// Time from starting an image viewer on FILE to the first painted picture,
// on the X display of the run (e.g. under xvfb-run). PROGRAM is started RUNS
// times with ARGS and then FILE, each time with a fresh private HOME and XDG
// folders; its window is found by the file's name in the caption, and the
// centre of the window is grabbed every few milliseconds until it shows a
// picture (more than 100 distinct colours). time_ms is the median run.
// The same subcommand measures the program and its peer (feh, eog), so the
// figures are comparable.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "vespera-bench/Subcommand.h"

namespace {

constexpr int kTimeoutMs = 60000;
constexpr int kPictureColours = 100;

unsigned long FindWindowNamed(const QString& pattern) {
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"),
                  {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern});
    if (!xdotool.waitForFinished(5000) || xdotool.exitCode() != 0)
        return 0;
    return QString::fromLocal8Bit(xdotool.readAllStandardOutput()).split(u'\n').front().trimmed().toULong();
}

// The centre third of the window shows a picture.
bool ShowsPicture(QScreen* screen, unsigned long window) {
    const QImage whole = screen->grabWindow(static_cast<WId>(window)).toImage();
    if (whole.width() < 30 || whole.height() < 30)
        return false;
    const QImage centre = whole.copy(whole.width() / 3, whole.height() / 3, whole.width() / 3, whole.height() / 3)
                              .convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> colours;
    for (int y = 0; y < centre.height(); y += 2) {
        const auto* row = reinterpret_cast<const QRgb*>(centre.constScanLine(y));
        for (int x = 0; x < centre.width(); x += 2) {
            colours.insert(row[x]);
            if (colours.size() > kPictureColours)
                return true;
        }
    }
    return false;
}

double OneRun(QScreen* screen, const QString& program, const QStringList& arguments, const QString& file) {
    QTemporaryDir sandbox;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        environment.insert(QLatin1String(name), sandbox.path() + u'/' + QLatin1String(name));
    QProcess viewer;
    viewer.setProcessEnvironment(environment);
    viewer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    viewer.start(program, arguments + QStringList{file});
    if (!viewer.waitForStarted(10000))
        throw std::runtime_error("cannot start " + program.toStdString());
    const QString pattern = QRegularExpression::escape(QFileInfo(file).fileName());
    unsigned long window = 0;
    double elapsed = -1;
    while (timer.elapsed() < kTimeoutMs) {
        if (window == 0)
            window = FindWindowNamed(pattern);
        if (window != 0 && ShowsPicture(screen, window)) {
            elapsed = static_cast<double>(timer.nsecsElapsed()) / 1e6;
            break;
        }
        QThread::msleep(2);
    }
    viewer.terminate();
    if (!viewer.waitForFinished(5000))
        viewer.kill();
    viewer.waitForFinished(5000);
    if (elapsed < 0)
        throw std::runtime_error("no picture shown within the time-out");
    return elapsed;
}

int RunFirstPaint(const std::vector<std::string>& args) {
    if (args.size() < 3)
        throw std::invalid_argument("expected FILE RUNS PROGRAM [ARGS...]");
    const QString file = QFileInfo(QString::fromStdString(args[0])).absoluteFilePath();
    const int runs = IntArgument(args[1]);
    if (runs < 1)
        throw std::invalid_argument("RUNS must be at least 1");
    const QString program = QString::fromStdString(args[2]);
    QStringList arguments;
    for (std::size_t i = 3; i < args.size(); ++i)
        arguments << QString::fromStdString(args[i]);

    int argc = 1;
    char name[] = "vespera-bench";
    char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication application(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        throw std::runtime_error("no X display");

    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        times.push_back(OneRun(screen, program, arguments, file));
        std::fprintf(stderr, "run_%d_ms=%.1f\n", i + 1, times.back());
    }
    std::sort(times.begin(), times.end());
    std::fprintf(stderr, "time_ms=%.1f\n", times[times.size() / 2]);
    return 0;
}

const RegisterSubcommand reg{"first-paint", "FILE RUNS PROGRAM [ARGS...]",
                             "time from starting a viewer on FILE to its first painted picture (needs X)",
                             RunFirstPaint};

}  // namespace
