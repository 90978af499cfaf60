// vespera-bench browser FOLDER [PEER]
// The thumbnail browser on a folder, in a 1600 x 1000 view on the X display
// of the run (xvfb-run), with a cold thumbnail cache in a fresh cache folder:
//   first_screen_ms  from showing the folder until the window, grabbed from
//                    the screen every 30 ms, shows 90% of the photo pixels it
//                    shows once every thumbnail is built
//   built_screen_ms  until every visible cell has its thumbnail and is painted
//   all_built_ms     until the builder is idle (both passes of every file)
//   rss_mb, hwm_mb   resident memory then, and its peak; trimmed_mb after
//                    the allocator has given back what it kept
//   first_scroll_fps frames per second scrolling once down through the
//                    folder right after that, through thumbnails never drawn
//                    before: each frame moves the view one wheel notch (three
//                    rows) and paints what came into view, on the screen;
//                    first_scroll_frames frames, decoded_ahead thumbnails the
//                    view had decoded off its paintings, decoded_max the most
//                    thumbnails kept decoded at once (their bound)
//   scroll_fps       paintings per second while xdotool turns the wheel down
//                    through the whole folder (5 ms between clicks; xdotool's
//                    own pace may be the limit)
//   frame_ms         one synchronous repaint after a 60-pixel scroll, averaged
//                    over the whole folder
// With PEER (gthumb or geeqie), the same folder in that program with a fresh
// HOME, in the same run: peer_first_screen_ms (from its window's appearance,
// same criterion), peer_start_ms (from its start to its window), peer_rss_mb
// once its window stops changing, and the ratios.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>

#include <malloc.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "browser/builder/Thumbnails.h"
#include "browser/cells/DecodedDibCache.h"
#include "browser/cells/ThumbDecoder.h"
#include "browser/thumbs/ImgThumbsBrowser.h"
#include "browser/thumbs/ThumbsView.h"
#include "core/settings/AppSettings.h"
#include "vespera-bench/Subcommand.h"

namespace {

constexpr int kWidth = 1600;
constexpr int kHeight = 1000;
constexpr int kTimeoutMs = 300000;

// Pixels of the photographs' sky and hills (blue or green dominant, not grey).
int PhotoPixels(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < rgb.height(); y += 2) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); x += 2) {
            const int r = qRed(row[x]), g = qGreen(row[x]), b = qBlue(row[x]);
            if ((b > r + 50 && b > 150) || (g > r + 30 && g > b + 30))
                ++count;
        }
    }
    return count;
}

int GrabPhotoPixels(WId window) {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? PhotoPixels(screen->grabWindow(window).toImage()) : 0;
}

// The first sample reaching 90% of the final count.
double FirstScreenMs(const std::vector<std::pair<double, int>>& samples, int finalCount) {
    for (const auto& [ms, count] : samples)
        if (finalCount > 0 && count >= finalCount * 9 / 10)
            return ms;
    return -1;
}

double MegabytesOf(const QString& statusFile, const char* key) {
    QFile file(statusFile);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(static_cast<qsizetype>(std::strlen(key))).trimmed().split(' ').front().toDouble() / 1024.0;
    return -1;
}

void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

QString Run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

struct Ours {
    double firstScreenMs = -1, builtScreenMs = -1, allBuiltMs = -1, rssMb = -1, hwmMb = -1, trimmedMb = -1,
           scrollFps = -1, frameMs = -1, firstScrollFps = -1;
    int firstScrollFrames = 0, decodedAhead = 0, decodedMax = 0;
};

// Scrolls the view once from the top to the bottom, one wheel notch a frame,
// each frame painted and on the screen before the next; frames per second.
double ScrollOnceThrough(CThumbsView* view, int& frames, int& decodedMax) {
    QScrollBar* bar = view->verticalScrollBar();
    const int notch = 3 * bar->singleStep();
    const int height = view->ClientSize().height(), width = view->ClientSize().width();
    frames = 0;
    decodedMax = 0;
    QElapsedTimer clock;
    clock.start();
    while (bar->value() < bar->maximum()) {
        const int before = bar->value();
        bar->setValue(std::min(bar->maximum(), before + notch));
        const int moved = std::min(height, bar->value() - before);
        // The strip that came into view; the rest was moved on the screen.
        view->viewport()->repaint(QRect(0, height - moved, width, moved));
        decodedMax = std::max(decodedMax, static_cast<int>(g_DecodedDibs.Size()));
        ++frames;
    }
    const double ms = clock.nsecsElapsed() / 1e6;
    return frames > 0 && ms > 0 ? frames * 1000.0 / ms : -1;
}

Ours MeasureOurs(const QString& folder) {
    Ours out;
    InitThumbnails();
    AppSettings settings;
    auto browser = std::make_unique<CImgThumbsBrowser>(settings);
    auto* view = new CThumbsView;
    view->setWindowTitle(QStringLiteral("vespera-bench browser"));
    view->resize(kWidth, kHeight);
    view->show();
    Pump(500);

    QElapsedTimer clock;
    clock.start();
    view->SetBrowser(browser.get());
    browser->m_strFolder = folder;
    view->OnInitialUpdate();
    std::vector<std::pair<double, int>> samples;
    int paintsWhenBuilt = -1;
    while (clock.elapsed() < kTimeoutMs) {
        QApplication::processEvents(QEventLoop::AllEvents, 30);
        samples.emplace_back(clock.nsecsElapsed() / 1e6, GrabPhotoPixels(view->winId()));
        if (out.builtScreenMs < 0) {
            bool all = true;
            const int n = browser->GetItemCount();
            for (int i = 0; i < n && all; ++i) {
                const QRect r = browser->GetItemRect(view, i).translated(-view->ScrollPosition());
                if (!r.intersects(QRect(QPoint(0, 0), view->ClientSize())))
                    break;
                CellRef cell;
                all = g_ThumbCache.LookupInMemory(browser->GetItem(i)->m_strPath, cell) && cell->HasThumbnailData();
            }
            if (all && paintsWhenBuilt < 0)
                paintsWhenBuilt = view->PaintCount();
            else if (paintsWhenBuilt >= 0 && view->PaintCount() > paintsWhenBuilt)
                out.builtScreenMs = clock.nsecsElapsed() / 1e6;
        }
        if (out.builtScreenMs >= 0 && g_ThumbsBuilder.WaitUntilIdle(0))
            break;
    }
    out.allBuiltMs = clock.nsecsElapsed() / 1e6;
    Pump(300);
    out.firstScreenMs = FirstScreenMs(samples, GrabPhotoPixels(view->winId()));
    out.rssMb = MegabytesOf(QStringLiteral("/proc/self/status"), "VmRSS:");
    out.hwmMb = MegabytesOf(QStringLiteral("/proc/self/status"), "VmHWM:");
    // What is live, without the heap the decoders freed but the allocator keeps.
    ::malloc_trim(0);
    out.trimmedMb = MegabytesOf(QStringLiteral("/proc/self/status"), "VmRSS:");

    // Once through the folder: everything below the first screen was never
    // drawn.
    const int decodedBefore = browser->ThumbDecoder().DecodedCount();
    out.firstScrollFps = ScrollOnceThrough(view, out.firstScrollFrames, out.decodedMax);
    browser->ThumbDecoder().WaitUntilIdle(10000);
    out.decodedAhead = browser->ThumbDecoder().DecodedCount() - decodedBefore;

    // Scrolling with the wheel through the whole folder, from the top.
    QScrollBar* bar = view->verticalScrollBar();
    bar->setValue(0);
    Pump(300);
    const int wheelStep = 3 * bar->singleStep();
    const int clicks = bar->maximum() / std::max(1, wheelStep) + 3;
    const QString window = QString::number(view->winId());
    Run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                                    QStringLiteral("800"), QStringLiteral("500")});
    Pump(200);
    const int paintsBefore = view->PaintCount();
    QProcess wheel;
    clock.restart();
    wheel.start(QStringLiteral("xdotool"),
                {QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(clicks),
                 QStringLiteral("--delay"), QStringLiteral("5"), QStringLiteral("5")});
    while ((wheel.state() != QProcess::NotRunning || bar->value() < bar->maximum()) && clock.elapsed() < kTimeoutMs) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (wheel.state() == QProcess::NotRunning && clock.elapsed() > 60000)
            break;
    }
    const double scrollMs = clock.nsecsElapsed() / 1e6;
    if (bar->value() == bar->maximum() && scrollMs > 0)
        out.scrollFps = (view->PaintCount() - paintsBefore) * 1000.0 / scrollMs;

    // Synchronous frames of 60 pixels each.
    bar->setValue(0);
    Pump(100);
    int frames = 0;
    clock.restart();
    for (int y = 0; y <= bar->maximum(); y += 60, ++frames) {
        bar->setValue(y);
        view->viewport()->repaint();
    }
    if (frames > 0)
        out.frameMs = clock.nsecsElapsed() / 1e6 / frames;

    view->DestroyWindow();
    Pump(100);
    browser.reset();
    ShutdownThumbnails();
    return out;
}

struct Peer {
    double startMs = -1, firstScreenMs = -1, rssMb = -1;
};

Peer MeasurePeer(const QString& program, const QString& folder) {
    Peer out;
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"})
        env.remove(QString::fromLatin1(name));
    QProcess peer;
    peer.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    peer.start(program, {folder});
    unsigned long window = 0;
    while (window == 0 && clock.elapsed() < 60000) {
        const QString found =
            Run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                            QStringLiteral("--pid"), QString::number(peer.processId())});
        window = found.split(u'\n').front().toULong();
        if (window == 0)
            QThread::msleep(20);
    }
    if (window == 0) {
        peer.kill();
        peer.waitForFinished();
        return out;
    }
    out.startMs = clock.nsecsElapsed() / 1e6;
    Run(QStringLiteral("xdotool"),
        {QStringLiteral("windowsize"), QString::number(window), QString::number(kWidth), QString::number(kHeight)});
    clock.restart();
    std::vector<std::pair<double, int>> samples;
    int last = -1;
    QElapsedTimer stable;
    stable.start();
    while (clock.elapsed() < kTimeoutMs) {
        const int count = GrabPhotoPixels(static_cast<WId>(window));
        samples.emplace_back(clock.nsecsElapsed() / 1e6, count);
        if (count != last) {
            last = count;
            stable.restart();
        } else if (count > 0 && stable.elapsed() > 5000) {
            break;
        }
        QThread::msleep(30);
    }
    out.firstScreenMs = FirstScreenMs(samples, last);
    out.rssMb = MegabytesOf(QStringLiteral("/proc/%1/status").arg(peer.processId()), "VmRSS:");
    peer.terminate();
    if (!peer.waitForFinished(5000)) {
        peer.kill();
        peer.waitForFinished();
    }
    return out;
}

int RunBrowser(const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2) {
        std::fprintf(stderr, "usage: vespera-bench browser FOLDER [PEER]\n");
        return 2;
    }
    // A cold cache of our own: nothing of the user's is read or written.
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    static int argc = 1;
    static char name[] = "vespera-bench";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    const QString folder = QString::fromStdString(args[0]);

    const Ours ours = MeasureOurs(folder);
    std::fprintf(stderr,
                 "first_screen_ms=%.1f built_screen_ms=%.1f all_built_ms=%.1f rss_mb=%.1f hwm_mb=%.1f trimmed_mb=%.1f "
                 "first_scroll_fps=%.1f first_scroll_frames=%d decoded_ahead=%d decoded_max=%d scroll_fps=%.1f "
                 "frame_ms=%.2f\n",
                 ours.firstScreenMs, ours.builtScreenMs, ours.allBuiltMs, ours.rssMb, ours.hwmMb, ours.trimmedMb,
                 ours.firstScrollFps, ours.firstScrollFrames, ours.decodedAhead, ours.decodedMax, ours.scrollFps,
                 ours.frameMs);
    if (args.size() == 2) {
        const Peer peer = MeasurePeer(QString::fromStdString(args[1]), folder);
        std::fprintf(stderr, "peer=%s peer_start_ms=%.1f peer_first_screen_ms=%.1f peer_rss_mb=%.1f\n", args[1].c_str(),
                     peer.startMs, peer.firstScreenMs, peer.rssMb);
        if (peer.firstScreenMs > 0 && ours.firstScreenMs > 0)
            std::fprintf(stderr, "first_screen_ratio=%.3f rss_ratio=%.3f\n", ours.firstScreenMs / peer.firstScreenMs,
                         peer.rssMb > 0 ? ours.rssMb / peer.rssMb : -1.0);
    }
    std::fprintf(stderr, "time_ms=%.1f\n", ours.firstScreenMs);
    return 0;
}

const RegisterSubcommand reg{"browser", "FOLDER [PEER]",
                             "the thumbnail browser on a folder: first screenful, scrolling, memory (under X)",
                             RunBrowser};

}  // namespace
