// vespera-bench batch-cancel OUTDIR W H [AFTER_MS]
// How long a batch run takes to end when Cancel comes while a large output
// is being written. Makes a picture of W/10 x H/10 in OUTDIR and runs one
// item of it, enlarged to W x H (nearest neighbour) and written as PNG, into
// OUTDIR, twice: once whole (write_ms, from the write's first block to the
// run's end), once cancelled AFTER_MS (default 500) into the write. Prints
// write_ms and cancel_to_end_ms (also as time_ms), from the cancel to the
// run's end, on standard error.

#include <QColor>
#include <QDir>
#include <QImage>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "batch/BatchWorker.h"
#include "core/settings/AppSettings.h"
#include "engine/RSProgress.h"
#include "platform/imaging/ExifProperties.h"
#include "vespera-bench/Subcommand.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Records when the run ends.
class EndReporter : public IBatchReporter {
public:
    void ReportFile(const BatchReport& report) override { last = report.status; }
    void BatchFinished() override { end = Clock::now(); }
    int last = -1;
    Clock::time_point end;
};

// Notes the first block of item 0's write.
class WriteWatch {
public:
    WriteWatch() {
        SetBatchStageHook([this](BatchStage stage, std::size_t index) {
            if (stage != BatchStage::Write || index != 0)
                return;
            std::lock_guard lock(mutex_);
            if (!started_) {
                started_ = true;
                start_ = Clock::now();
                changed_.notify_all();
            }
        });
    }
    ~WriteWatch() { SetBatchStageHook({}); }

    // Waits until the write has begun; its time.
    Clock::time_point WaitStarted() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return started_; });
        return start_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool started_ = false;
    Clock::time_point start_;
};

QString MakeSource(const QString& folder, int w, int h) {
    QImage image(w, h, QImage::Format_RGB888);
    std::uint32_t state = 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            state = state * 1103515245u + 12345u;
            image.setPixelColor(x, y, QColor(x * 255 / w, y * 255 / h, static_cast<int>(state >> 24)));
        }
    const QString path = folder + QStringLiteral("batch-cancel-source.png");
    if (!image.save(path))
        throw std::runtime_error("cannot write " + path.toStdString());
    return path;
}

int RunBatchCancelCommand(const std::vector<std::string>& args) {
    if (args.size() < 3)
        throw std::invalid_argument("expected OUTDIR W H [AFTER_MS]");
    QString folder = QString::fromStdString(args[0]);
    if (!folder.endsWith(u'/'))
        folder += u'/';
    const int w = IntArgument(args[1]), h = IntArgument(args[2]);
    const int afterMs = args.size() > 3 ? IntArgument(args[3]) : 500;
    if (w < 10 || h < 10 || afterMs < 0)
        throw std::invalid_argument("W and H must be 10 or more, AFTER_MS 0 or more");
    if (!QDir().mkpath(folder))
        throw std::runtime_error("cannot make " + args[0]);
    imaging::InitializeImaging();

    AppSettings settings;
    settings.m_fDpi = 96.0f;
    BatchRun run;
    run.options.outFolder = folder;
    run.options.newName = 1;
    run.options.overwriteMethod = 1;
    run.options.outFormat = 4;  // PNG
    CItem item(settings, MakeSource(folder, w / 10, h / 10));
    item.m_nTargetWidth = w;
    item.m_nTargetHeight = h;
    item.m_nMode = 0;
    run.items.push_back(item);

    g_bAbortResize.store(0);
    {
        WriteWatch watch;
        EndReporter reporter;
        std::thread worker = StartBatchThread(run, reporter, nullptr);
        const Clock::time_point start = watch.WaitStarted();
        worker.join();
        std::fprintf(stderr, "write_ms=%.1f\n", Milliseconds(start, reporter.end));
    }
    {
        WriteWatch watch;
        EndReporter reporter;
        std::thread worker = StartBatchThread(run, reporter, nullptr);
        const Clock::time_point start = watch.WaitStarted();
        std::this_thread::sleep_until(start + std::chrono::milliseconds(afterMs));
        const Clock::time_point cancel = Clock::now();
        g_bAbortResize.store(1);
        worker.join();
        g_bAbortResize.store(0);
        const double ms = Milliseconds(cancel, reporter.end);
        std::fprintf(stderr, "cancel_to_end_ms=%.1f\ntime_ms=%.1f\n", ms, ms);
        if (reporter.last != BATCH_ITEM_CANCELLED)
            std::fprintf(stderr, "the write ended before the cancel came\n");
    }
    return 0;
}

const RegisterSubcommand reg{"batch-cancel", "OUTDIR W H [AFTER_MS]",
                             "the time from Cancel to the end of a batch run that is writing a W x H PNG",
                             RunBatchCancelCommand};

}  // namespace
