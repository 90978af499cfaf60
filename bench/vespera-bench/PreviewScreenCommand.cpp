// vespera-bench preview-screen FILE PERCENT MODE RUNS PROGRAM
// The preview of the real program on the X display of the run (e.g. under
// xvfb-run with a 1600 x 1000 screen, where the window is maximised): PROGRAM
// is started RUNS times with --timing on FILE, with the settings of a user
// who locked the output at PERCENT % of each picture in InterpolMode MODE,
// each time in a fresh private HOME. Each run reports what the program's
// view measured: the time from the output size reaching the view to the
// fast preview painted (fast_ms) and to the engine's region painted
// (engine_ms); then the left button pans across the picture with xdotool
// (120 moves, 8 ms apart) and the frames painted while panning give
// pan_fps. The medians are printed last; time_ms is the median engine_ms.
// A FILE whose extension the program does not open (.ppm) is copied as PNG.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <vector>

#include "vespera-bench/Subcommand.h"

namespace {

constexpr int kTimeoutMs = 60000;
constexpr int kPanMoves = 120;

std::optional<QString> Xdotool(const QStringList& arguments) {
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), arguments);
    if (!xdotool.waitForFinished(30000) || xdotool.exitCode() != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(xdotool.readAllStandardOutput());
}

// The values "name=N" the program printed so far.
class TimingLines {
public:
    explicit TimingLines(QProcess& process) : process_(process) {}
    std::optional<qint64> Value(const QString& name) {
        text_ += QString::fromLocal8Bit(process_.readAllStandardError());
        const QRegularExpression line(QStringLiteral("^%1=(\\d+)$").arg(name), QRegularExpression::MultilineOption);
        QRegularExpressionMatchIterator it = line.globalMatch(text_);
        std::optional<qint64> last;
        while (it.hasNext())
            last = it.next().captured(1).toLongLong();
        return last;
    }
    qint64 WaitFor(const QString& name) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < kTimeoutMs) {
            if (const std::optional<qint64> value = Value(name))
                return *value;
            process_.waitForReadyRead(20);
        }
        throw std::runtime_error("the program never reported " + name.toStdString());
    }

private:
    QProcess& process_;
    QString text_;
};

struct Figures {
    double fastMs;
    double engineMs;
    double panFps;
};

Figures OneRun(const QString& program, const QString& file, double percent, int mode) {
    QTemporaryDir sandbox;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        environment.insert(QLatin1String(name), sandbox.path() + u'/' + QLatin1String(name));
    const QString config = sandbox.path() + QStringLiteral("/XDG_CONFIG_HOME/ORVEK");
    QDir().mkpath(config);
    QFile settings(config + QStringLiteral("/ORVEK Vespera.conf"));
    if (!settings.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write the settings");
    settings.write(QStringLiteral("[MAIN]\nINTERPOLMODE=%1\nLOCKSETTINGS=1\nINPERCENTS=1\nPERCENTW=%2\nPERCENTH=%2\n")
                       .arg(mode)
                       .arg(percent, 0, 'f', 6)
                       .toUtf8());
    settings.close();

    QProcess viewer;
    viewer.setProcessEnvironment(environment);
    viewer.start(program, {QStringLiteral("--timing"), file});
    if (!viewer.waitForStarted(10000))
        throw std::runtime_error("cannot start " + program.toStdString());
    TimingLines timing(viewer);
    Figures figures{};
    figures.fastMs = static_cast<double>(timing.WaitFor(QStringLiteral("preview_fast_ms")));
    figures.engineMs = static_cast<double>(timing.WaitFor(QStringLiteral("preview_engine_ms")));

    const QString pattern = QRegularExpression::escape(QFileInfo(file).fileName());
    const std::optional<QString> found =
        Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern});
    const unsigned long window = found ? found->split(u'\n').front().trimmed().toULong() : 0;
    if (window == 0)
        throw std::runtime_error("no window shows " + file.toStdString());
    // Press in the middle of the window and drag towards the top left.
    QStringList pan{QStringLiteral("mousemove"), QStringLiteral("--window"), QString::number(window),
                    QStringLiteral("800"),       QStringLiteral("500"),      QStringLiteral("mousedown"),
                    QStringLiteral("1")};
    for (int i = 0; i < kPanMoves; ++i)
        pan << QStringLiteral("mousemove_relative") << QStringLiteral("--") << QStringLiteral("-4")
            << QStringLiteral("-3") << QStringLiteral("sleep") << QStringLiteral("0.008");
    pan << QStringLiteral("mouseup") << QStringLiteral("1");
    if (!Xdotool(pan))
        throw std::runtime_error("xdotool cannot pan");
    const qint64 frames = timing.WaitFor(QStringLiteral("pan_frames"));
    const qint64 panMs = timing.WaitFor(QStringLiteral("pan_ms"));
    figures.panFps = panMs > 0 ? 1000.0 * static_cast<double>(frames) / static_cast<double>(panMs) : 0.0;
    std::fprintf(stderr, "pan_frames=%lld pan_ms=%lld\n", static_cast<long long>(frames),
                 static_cast<long long>(panMs));

    viewer.terminate();
    if (!viewer.waitForFinished(5000))
        viewer.kill();
    viewer.waitForFinished(5000);
    return figures;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int RunPreviewScreen(const std::vector<std::string>& args) {
    if (args.size() != 5)
        throw std::invalid_argument("expected FILE PERCENT MODE RUNS PROGRAM");
    QString file = QFileInfo(QString::fromStdString(args[0])).absoluteFilePath();
    const double percent = DoubleArgument(args[1]);
    const int mode = IntArgument(args[2]);
    const int runs = IntArgument(args[3]);
    if (percent <= 0 || runs < 1)
        throw std::invalid_argument("PERCENT and RUNS must be positive");
    const QString program = QString::fromStdString(args[4]);

    int argc = 1;
    char name[] = "vespera-bench";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    QTemporaryDir copies;
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (!QStringList{"jpg", "tif", "bmp", "gif", "png"}.contains(suffix)) {
        const QString png = copies.path() + u'/' + QFileInfo(file).completeBaseName() + QStringLiteral(".png");
        if (!QImage(file).save(png, "PNG", 100))
            throw std::runtime_error("cannot copy " + file.toStdString() + " as PNG");
        file = png;
    }

    std::vector<double> fast, engine, fps;
    for (int i = 0; i < runs; ++i) {
        const Figures figures = OneRun(program, file, percent, mode);
        std::fprintf(stderr, "run_%d fast_ms=%.0f engine_ms=%.0f pan_fps=%.1f\n", i + 1, figures.fastMs,
                     figures.engineMs, figures.panFps);
        fast.push_back(figures.fastMs);
        engine.push_back(figures.engineMs);
        fps.push_back(figures.panFps);
    }
    std::fprintf(stderr, "fast_ms=%.0f\nengine_ms=%.0f\npan_fps=%.1f\ntime_ms=%.0f\n", Median(fast), Median(engine),
                 Median(fps), Median(engine));
    return 0;
}

const RegisterSubcommand reg{"preview-screen", "FILE PERCENT MODE RUNS PROGRAM",
                             "the real program's preview under X: fast and engine paint times, panning frame rate",
                             RunPreviewScreen};

}  // namespace
