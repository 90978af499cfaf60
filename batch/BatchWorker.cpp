#include "batch/BatchWorker.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <utility>

#include "app/resize/InterpolMode.h"
#include "app/resize/ResizeBitmap.h"
#include "batch/BatchOutputFile.h"
#include "batch/BatchOutputName.h"
#include "batch/SourcePrefetch.h"
#include "engine/RSProgress.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/ExifProperties.h"

using imaging::Bitmap;

std::atomic<int> g_nBatchIndex{0};

namespace {

std::mutex g_stageHookMutex;
BatchStageHook g_stageHook;

BatchStageHook CurrentStageHook() {
    std::lock_guard lock(g_stageHookMutex);
    return g_stageHook;
}

enum class Next { Go, Stop };

class BatchRunner {
public:
    BatchRunner(const BatchRun& run, IBatchReporter& reporter, CRSProgress* progress)
        : run_(run),
          reporter_(reporter),
          progress_(progress),
          total_(static_cast<int>(run.items.size())),
          stageHook_(CurrentStageHook()) {}

    void Run() {
        g_nBatchIndex.store(0);
        bool stopped = false;
        for (std::size_t i = 0; i < run_.items.size() && !stopped; ++i) {
            Stage(BatchStage::ItemStart, i);
            stopped = Cancelled(i > 0 ? i - 1 : i);
            if (stopped)
                break;
            g_nBatchIndex.store(static_cast<int>(i) + 1);
            stopped = Process(i) == Next::Stop;
        }
        // A cancel after the last item's checks still ends in its line.
        if (!stopped && !run_.items.empty())
            Cancelled(run_.items.size() - 1);
        prefetch_.Discard();
    }

private:
    void Stage(BatchStage stage, std::size_t i) const {
        if (stageHook_)
            stageHook_(stage, i);
    }

    // A cancel ends the run with its line whenever it comes: between items,
    // during a decode, a resize that does not look at the flag, or a save.
    // The line goes with item `i`, the last one the run reached.
    bool Cancelled(std::size_t i) {
        if (!g_bAbortResize.load())
            return false;
        Report(BATCH_ITEM_CANCELLED, i);
        return true;
    }

    void Report(BatchItemStatus status, std::size_t i, const QString& path = {}) {
        reporter_.ReportFile({status, static_cast<int>(i) + 1, total_, run_.items[i], path});
    }

    std::unique_ptr<Bitmap> Source(std::size_t i) {
        if (prefetch_.Holds(i))
            return prefetch_.Take();
        prefetch_.Discard();
        return DecodeBatchSource(run_.items[i].m_strPath);
    }

    // Decodes the next item meanwhile, unless it is the output being made.
    void PrefetchAfter(std::size_t i, const QString& output) {
        const std::size_t next = i + 1;
        if (next >= run_.items.size() || g_bAbortResize.load() || !IsUsableBatchItem(run_.items[next]))
            return;
        const QString& path = run_.items[next].m_strPath;
        if (!IsSameFile(path, output))
            prefetch_.Start(next, path);
    }

    Next Process(std::size_t i) {
        const CItem& item = run_.items[i];
        // An item's size and mode come from outside (batch files, the command
        // line): one that cannot be worked on fails before anything is read.
        const bool usable = IsUsableBatchItem(item);
        std::unique_ptr<Bitmap> source;
        if (usable) {
            Stage(BatchStage::Decode, i);
            source = Source(i);
            if (!source) {
                Report(BATCH_ITEM_OPEN_FAILED, i);
                return Next::Go;
            }
            if (Cancelled(i))
                return Next::Stop;
        }

        const BatchOutput output =
            MakeBatchOutputName(item.m_strPath, item.m_nTargetWidth, item.m_nTargetHeight, run_.options);
        if (output.kind == BatchOutputKind::NoFolder) {
            Report(BATCH_ITEM_NO_OUTPUT_FOLDER, i, output.path);
            return Next::Stop;
        }
        if (output.kind == BatchOutputKind::Skip) {
            Report(BATCH_ITEM_SKIPPED, i, output.path);
            return Next::Go;
        }
        // Reported before the work, so the log shows what is being done.
        Report(BATCH_ITEM_STARTED, i, output.path);
        if (!usable) {
            Report(BATCH_ITEM_NO_MEMORY, i);
            return Next::Go;
        }
        if (output.kind == BatchOutputKind::NoFreeName || output.kind == BatchOutputKind::IsSource) {
            Report(BATCH_ITEM_WRITE_FAILED, i, output.path);
            return Next::Stop;
        }
        PrefetchAfter(i, output.path);

        std::unique_ptr<Bitmap> target;
        try {
            target = Bitmap::Create(item.m_nTargetWidth, item.m_nTargetHeight, imaging::PixelFormat24bppRGB);
        } catch (const std::bad_alloc&) {
        }
        if (!target) {
            Report(BATCH_ITEM_NO_MEMORY, i);
            return Next::Go;
        }

        Stage(BatchStage::Resize, i);
        int resized = 0;
        try {
            resized = ResizeBitmap(source.get(), target.get(), item.m_nMode, run_.options.crop, progress_);
        } catch (const std::bad_alloc&) {
            Report(BATCH_ITEM_NO_MEMORY, i);
            return Next::Go;
        } catch (const std::exception&) {
            resized = 0;
        }
        if (!resized || g_bAbortResize.load()) {
            Report(BATCH_ITEM_CANCELLED, i);
            return Next::Stop;
        }

        Stage(BatchStage::Save, i);
        // The file is complete under its temporary name before the cancel is
        // looked at again; a cancel meanwhile drops it.
        std::unique_ptr<StagedBatchOutput> staged;
        try {
            staged = std::make_unique<StagedBatchOutput>(*target, output, *source, run_.options.jpegQuality,
                                                         item.m_fTargetDpi);
        } catch (const std::exception&) {
        }
        if (staged && staged->IsWritten() && Cancelled(i))
            return Next::Stop;
        if (!staged || !staged->Commit()) {
            Report(BATCH_ITEM_WRITE_FAILED, i, output.path);
            return Next::Stop;
        }
        return Next::Go;
    }

    const BatchRun& run_;
    IBatchReporter& reporter_;
    CRSProgress* progress_;
    const int total_;
    const BatchStageHook stageHook_;
    SourcePrefetch prefetch_;
};

}  // namespace

void SetBatchStageHook(BatchStageHook hook) {
    std::lock_guard lock(g_stageHookMutex);
    g_stageHook = std::move(hook);
}

bool IsUsableBatchItem(const CItem& item) {
    const std::int64_t w = item.m_nTargetWidth, h = item.m_nTargetHeight;
    if (!IsDrawingMode(item.m_nMode) && !IsEngineMode(item.m_nMode))
        return false;
    if (w <= 0 || h <= 0 || w > imaging::kMaxBitmapSide || h > imaging::kMaxBitmapSide)
        return false;
    return (w * 3 + 3) / 4 * 4 * h <= imaging::kMaxBitmapBytes;
}

int BatchThreadProc(const BatchRun& run, IBatchReporter& reporter, CRSProgress* progress) {
    try {
        BatchRunner(run, reporter, progress).Run();
    } catch (...) {
        // Nothing may stop the end of the run from being reported.
    }
    reporter.BatchFinished();
    return 1;
}

std::thread StartBatchThread(BatchRun run, IBatchReporter& reporter, CRSProgress* progress) {
    imaging::InitializeImaging();
    return std::thread([run = std::move(run), &reporter, progress] { BatchThreadProc(run, reporter, progress); });
}
