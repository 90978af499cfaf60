#pragma once
// Fixtures of the batch tests: picture files made at run time, items and
// options, a reporter that records what the worker reports, a gate that holds
// the worker at one stage of one item, and a guard that makes a folder's mode
// bits hold even for root.

#include <sys/stat.h>
#include <sys/time.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <utility>
#include <vector>

#include "batch/BatchLog.h"
#include "batch/BatchRun.h"
#include "batch/BatchWorker.h"
#include "browser/items/Item.h"
#include "core/settings/AppSettings.h"
#include "engine/RSProgress.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/ImageEncoder.h"
#include "tests/support/HonourFileModes.h"

namespace batchtests {

// A picture w x h with a gradient and a colour of its own, saved in the
// format the extension names; false when it could not be written.
inline bool WritePicture(const QString& path, int w, int h, int seed = 0) {
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixelColor(x, y, QColor((x * 255 / w + seed * 37) & 255, (y * 255 / h) & 255, (seed * 91) & 255));
    if (path.endsWith(QStringLiteral(".gif"), Qt::CaseInsensitive)) {  // Qt writes no GIF
        const auto bitmap = imaging::Bitmap::FromImage(image, imaging::PixelFormat24bppRGB);
        return bitmap && imaging::SaveBitmapToFile(*bitmap, QFile::encodeName(path).toStdString(), "image/gif", {});
    }
    return image.save(path, nullptr, 90);
}

// A temporary folder holding a source folder and an output folder.
struct SourceAndOutput {
    SourceAndOutput() : src(dir.path() + QStringLiteral("/src/")), out(dir.path() + QStringLiteral("/out/")) {
        QDir().mkpath(src);
        QDir().mkpath(out);
    }
    bool IsValid() const { return dir.isValid() && QDir(src).exists() && QDir(out).exists(); }

    QTemporaryDir dir;
    const QString src, out;
};

inline CItem MakeItem(const QString& path, int w, int h, int mode = 4, float dpi = 96.0f) {
    AppSettings settings;
    settings.m_fDpi = dpi;
    settings.m_nInterpolMode = mode;
    CItem item(settings, path);
    item.m_nTargetWidth = w;
    item.m_nTargetHeight = h;
    return item;
}

inline BatchOptions OptionsFor(const QString& outFolder, int policy = 1, int format = 0) {
    BatchOptions options;
    options.outFolder = outFolder.endsWith(u'/') ? outFolder : outFolder + u'/';
    options.overwriteMethod = policy;
    options.outFormat = format;
    options.jpegQuality = 90;
    return options;
}

// Records every report with its log text, and the end of the run.
class RecordingReporter : public IBatchReporter {
public:
    void ReportFile(const BatchReport& report) override {
        std::lock_guard lock(mutex_);
        reports_.push_back(report);
        logs_.push_back(BatchLogText(report));
        changed_.notify_all();
    }
    void BatchFinished() override {
        std::lock_guard lock(mutex_);
        ++finished_;
        changed_.notify_all();
    }

    std::vector<BatchReport> Reports() const {
        std::lock_guard lock(mutex_);
        return reports_;
    }
    std::vector<int> Statuses() const {
        std::lock_guard lock(mutex_);
        std::vector<int> statuses;
        for (const BatchReport& report : reports_)
            statuses.push_back(report.status);
        return statuses;
    }
    std::vector<QString> Logs() const {
        std::lock_guard lock(mutex_);
        return logs_;
    }
    int Finished() const {
        std::lock_guard lock(mutex_);
        return finished_;
    }
    // Waits until `count` reports have come; false after the time-out.
    bool WaitReports(std::size_t count, int timeoutMs) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return reports_.size() >= count; });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<BatchReport> reports_;
    std::vector<QString> logs_;
    int finished_ = 0;
};

// Holds the batch worker at one stage of one item, as a step that takes as
// long as the test likes: arrived there (the `arrival`-th time: a write
// arrives at its stage once per block), the worker waits until Release() or,
// unless told otherwise, until the run is asked to stop (the abort flag), as
// a long resize would. While it lives it is the worker's stage hook and
// records every stage the worker passes. Make it before the run starts; it
// must outlive the run.
enum class OnStop { Leave, Stay };

class StageGate {
public:
    using Passed = std::pair<BatchStage, std::size_t>;

    StageGate(BatchStage stage, std::size_t index, int arrival = 1, OnStop onStop = OnStop::Leave)
        : stage_(stage), index_(index), arrival_(arrival), onStop_(onStop) {
        SetBatchStageHook([this](BatchStage s, std::size_t i) { OnStage(s, i); });
    }
    ~StageGate() {
        Release();
        SetBatchStageHook({});
    }
    StageGate(const StageGate&) = delete;
    StageGate& operator=(const StageGate&) = delete;

    // Whether the worker is (or was) held at the gate.
    bool Reached() const {
        std::lock_guard lock(mutex_);
        return reached_;
    }
    // Waits until the worker arrives at the gate; false after the time-out.
    bool WaitReached(int timeoutMs) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return reached_; });
    }
    void Release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    // Whether the worker left the gate because the run was asked to stop.
    bool LeftOnStop() const {
        std::lock_guard lock(mutex_);
        return leftOnStop_;
    }
    std::vector<Passed> Stages() const {
        std::lock_guard lock(mutex_);
        return stages_;
    }
    // How often the worker has passed a stage of an item.
    int Count(BatchStage stage, std::size_t index) const {
        std::lock_guard lock(mutex_);
        int count = 0;
        for (const Passed& passed : stages_)
            count += passed == Passed(stage, index) ? 1 : 0;
        return count;
    }

private:
    void OnStage(BatchStage stage, std::size_t index) {
        std::unique_lock lock(mutex_);
        stages_.emplace_back(stage, index);
        if (stage != stage_ || index != index_ || ++arrivals_ != arrival_)
            return;
        reached_ = true;
        changed_.notify_all();
        // Nothing signals the abort flag, so it is looked at every millisecond
        // until the stop or the release comes.
        while (!released_) {
            if (onStop_ == OnStop::Leave && g_bAbortResize.load()) {
                leftOnStop_ = true;
                return;
            }
            changed_.wait_for(lock, std::chrono::milliseconds(1));
        }
    }

    const BatchStage stage_;
    const std::size_t index_;
    const int arrival_;
    const OnStop onStop_;
    int arrivals_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Passed> stages_;
    bool reached_ = false;
    bool released_ = false;
    bool leftOnStop_ = false;
};

// The guard that makes file modes hold for root (tests/support).
using ::HonourFileModes;

// Removes a folder that threads of a run may still be adding to: the removal
// is tried again until the folder is gone (at most a thousand times).
inline bool RemoveFolderInUse(const QString& folder) {
    for (int tries = 0; tries < 1000 && QDir(folder).exists(); ++tries)
        QDir(folder).removeRecursively();
    return !QDir(folder).exists();
}

// Sets a file's times `seconds` into the past.
inline bool MakeOlder(const QString& path, long seconds) {
    struct timeval times[2]{};
    ::gettimeofday(&times[0], nullptr);
    times[0].tv_sec -= seconds;
    times[1] = times[0];
    return ::utimes(QFile::encodeName(path).constData(), times) == 0;
}

inline bool MakeReadOnly(const QString& folder) { return ::chmod(QFile::encodeName(folder).constData(), 0555) == 0; }
inline bool MakeWritable(const QString& folder) { return ::chmod(QFile::encodeName(folder).constData(), 0755) == 0; }

}  // namespace batchtests
