// vespera-bench basket [ITEMS [FILES [REPAINTS]]]
// A large basket, offscreen: a batch file of ITEMS items (default 200000)
// over FILES small pictures (default 100, repeated in turn) is generated in a
// fresh folder, then loaded into the basket of a 1600 x 230 basket view with
// the thumbnail builder running:
//   load_ms     reading the batch file into the basket, rebuilding its list
//               and the first synchronous painting of the view
//   repaint_ms  one synchronous repaint of the whole view, averaged over
//               REPAINTS paintings (default 30) at the start, the middle and
//               the end of the row
//   cells       the cells the last painting drew
// time_ms is load_ms.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cstdio>
#include <stdexcept>
#include <vector>

#include "batch/basket/BasketBrowser.h"
#include "batch/basket/BasketView.h"
#include "batch/basket/BatchFile.h"
#include "browser/builder/Thumbnails.h"
#include "core/settings/AppSettings.h"
#include "vespera-bench/Subcommand.h"

namespace {

constexpr int kWidth = 1600;
constexpr int kHeight = 230;

QStringList WritePictures(const QString& folder, int count) {
    QStringList paths;
    QImage image(64, 48, QImage::Format_RGB32);
    for (int i = 0; i < count; ++i) {
        image.fill(QColor(40 + i % 200, 90, 160));
        const QString path = QStringLiteral("%1/picture%2.jpg").arg(folder).arg(i, 4, 10, QChar(u'0'));
        if (!image.save(path, "JPEG"))
            throw std::runtime_error("cannot write " + path.toStdString());
        paths.append(path);
    }
    return paths;
}

QString WriteBatch(const QString& folder, const QStringList& pictures, int items) {
    std::vector<BatchFileRecord> records;
    records.reserve(static_cast<std::size_t>(items));
    for (int i = 0; i < items; ++i)
        records.push_back({pictures[i % pictures.size()], 640, 480, 300.0f, 4, 0});
    const QString path = folder + QStringLiteral("/large.vpb");
    QString error;
    if (!WriteBatchFile(path, records, &error))
        throw std::runtime_error("cannot write the batch file: " + error.toStdString());
    return path;
}

double RepaintMs(CBasketView& view) {
    QElapsedTimer timer;
    timer.start();
    view.viewport()->repaint();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

int RunBasket(const std::vector<std::string>& args) {
    const int items = args.size() > 0 ? IntArgument(args[0]) : 200000;
    const int files = args.size() > 1 ? IntArgument(args[1]) : 100;
    const int repaints = args.size() > 2 ? IntArgument(args[2]) : 30;
    if (items < 1 || files < 1 || repaints < 1)
        throw std::invalid_argument("ITEMS, FILES and REPAINTS must be at least 1");

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "vespera-bench";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);

    QTemporaryDir folder;
    if (!folder.isValid())
        throw std::runtime_error("no temporary folder");
    const QString batch = WriteBatch(folder.path(), WritePictures(folder.path(), files), items);
    LoadBrowserColors(folder.filePath(QStringLiteral("none.ini")));
    if (!InitThumbnails(folder.filePath(QStringLiteral("cache"))))
        throw std::runtime_error("cannot start the thumbnail builder");

    AppSettings settings;
    double loadMs = 0, repaintMs = 0;
    int cells = 0, count = 0;
    {
        CBasketBrowser basket(settings);
        basket.m_chooseBatchFile = [&](bool) { return batch; };
        CBasketView view;
        view.SetBasket(&basket);
        view.resize(kWidth, kHeight);
        view.show();
        view.OnInitialUpdate();
        QApplication::processEvents();

        QElapsedTimer timer;
        timer.start();
        if (!basket.LoadBatch())
            throw std::runtime_error("the batch file was not loaded");
        view.viewport()->repaint();
        loadMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        count = basket.GetItemCount();
        std::fprintf(stderr, "items=%d\nload_ms=%.1f\n", count, loadMs);

        QScrollBar* bar = view.horizontalScrollBar();
        for (int i = 0; i < repaints; ++i) {
            const int third = i * 3 / repaints;  // start, middle, end of the row
            bar->setValue(third == 0 ? 0 : third == 1 ? bar->maximum() / 2 : bar->maximum());
            QApplication::processEvents();
            repaintMs += RepaintMs(view);
        }
        repaintMs /= repaints;
        cells = basket.CellsDrawnLastTime();
    }
    ShutdownThumbnails();

    std::fprintf(stderr, "repaint_ms=%.2f\ncells=%d\n", repaintMs, cells);
    std::fprintf(stderr, "time_ms=%.1f\n", loadMs);
    return 0;
}

const RegisterSubcommand reg{"basket", "[ITEMS [FILES [REPAINTS]]]",
                             "loading and repainting a basket of ITEMS items (default 200000), offscreen", RunBasket};

}  // namespace
