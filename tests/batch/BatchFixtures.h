#pragma once
// Fixtures of the batch tests: picture files made at run time, items and
// options, a reporter that records what the worker reports, and a guard that
// makes a folder's mode bits hold even for root.

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "app/settings/AppSettings.h"
#include "batch/BatchLog.h"
#include "batch/BatchRun.h"
#include "batch/BatchWorker.h"
#include "browser/items/Item.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/ImageEncoder.h"

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

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<BatchReport> reports_;
    std::vector<QString> logs_;
    int finished_ = 0;
};

// Root passes every permission check. While this lives, the calling thread
// (and the threads it starts) run without the capabilities that override
// file modes, so a read-only folder is read-only for root as well. Active()
// is false when that could not be arranged and the process is root.
class HonourFileModes {
public:
    HonourFileModes() {
        if (::geteuid() != 0) {
            active_ = true;
            return;
        }
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        header_.pid = 0;
        if (::syscall(SYS_capget, &header_, data_) != 0)
            return;
        saved_ = data_[0].effective;
        data_[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        active_ = ::syscall(SYS_capset, &header_, data_) == 0;
        dropped_ = active_;
    }
    ~HonourFileModes() {
        if (!dropped_)
            return;
        data_[0].effective = saved_;
        ::syscall(SYS_capset, &header_, data_);
    }
    HonourFileModes(const HonourFileModes&) = delete;
    HonourFileModes& operator=(const HonourFileModes&) = delete;

    bool Active() const { return active_; }

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct data_[2]{};
    __u32 saved_ = 0;
    bool active_ = false;
    bool dropped_ = false;
};

inline bool MakeReadOnly(const QString& folder) { return ::chmod(QFile::encodeName(folder).constData(), 0555) == 0; }
inline bool MakeWritable(const QString& folder) { return ::chmod(QFile::encodeName(folder).constData(), 0755) == 0; }

}  // namespace batchtests
