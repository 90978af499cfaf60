#include "batch/BatchWorker.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <set>
#include <system_error>
#include <utility>
#include <vector>

#include "batch/BatchOutputFile.h"
#include "batch/BatchOutputName.h"
#include "batch/BatchTempFolder.h"
#include "batch/SourcePrefetch.h"
#include "core/resize/InterpolMode.h"
#include "core/resize/ResizeBitmap.h"
#include "core/settings/SettingsLimits.h"
#include "engine/RSProgress.h"
#include "imagefiles/PixelFormatProbe.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/ExifProperties.h"
#include "platform/imaging/PixelPool.h"
#include "platform/paths/Paths.h"
#include "platform/resources/StringTable.h"

using imaging::Bitmap;

std::atomic<int> g_nBatchIndex{0};

namespace {

std::mutex g_stageHookMutex;
BatchStageHook g_stageHook;

BatchStageHook CurrentStageHook() {
    std::lock_guard lock(g_stageHookMutex);
    return g_stageHook;
}

// At most this many items in flight, whatever the number of cores: each holds
// a decoded source (96 MB for 24 megapixels, four bytes a pixel) and the
// resize's buffers. Five keep eight cores busy with camera pictures: the
// resizes run on all cores, so more decodes at once only add memory, and
// fresh memory is slow to come by on a loaded machine.
constexpr int kMaxItemsInFlight = 5;

// What the resizes and saves in flight may hold at once, estimated from the
// pictures' sizes; one item alone may always go.
constexpr std::int64_t kWorkBudgetBytes = std::int64_t{640} << 20;

// An item's work: its decoded source, its target, and for the engine's
// algorithms the planes they keep beside the target.
std::int64_t WorkBytes(const Bitmap& source, const CItem& item) {
    const std::int64_t target = std::int64_t{item.m_nTargetWidth} * item.m_nTargetHeight * 3;
    return std::int64_t{source.Width()} * source.Height() * 3 + target * (IsEngineMode(item.m_nMode) ? 4 : 2);
}

int ItemsInFlight(int asked) {
    if (asked > 0)
        return asked;
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(cores, 1, kMaxItemsInFlight);
}

// Threads that take tasks first come, first served. When no thread could be
// started the tasks wait until RunQueued runs them on the caller's thread.
class WorkPool {
public:
    explicit WorkPool(int threads) {
        for (int i = 0; i < threads; ++i) {
            try {
                threads_.emplace_back([this] { Loop(); });
            } catch (const std::system_error&) {
                break;
            }
        }
    }
    ~WorkPool() {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        wake_.notify_all();
        for (std::thread& thread : threads_)
            thread.join();
    }
    WorkPool(const WorkPool&) = delete;
    WorkPool& operator=(const WorkPool&) = delete;

    bool HasThreads() const { return !threads_.empty(); }

    void Post(std::function<void()> task) {
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        wake_.notify_one();
    }

    void RunQueued() {
        for (;;) {
            std::function<void()> task;
            {
                std::lock_guard lock(mutex_);
                if (tasks_.empty())
                    return;
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
        }
    }

private:
    // Runs every task posted, also those still queued when the pool closes.
    void Loop() {
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return closing_ || !tasks_.empty(); });
                if (tasks_.empty())
                    return;
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool closing_ = false;
    std::vector<std::thread> threads_;
};

// The progress of one item's resize. It stops the resize when the run is
// cancelled or has stopped. Once the item is the one the log shows as
// started (Show), its progress goes on to the run's sink, beginning with
// where it has got to: the sink sees each item's stages in list order, one
// item at a time, as in a run of one item at a time. All items of a run share
// one lock for the sink.
class ItemProgress final : public CRSProgress {
public:
    ItemProgress(std::mutex& sinkLock, const std::atomic<bool>& stopping, CRSProgress* sink)
        : CRSProgress(Relay{}), sinkLock_(sinkLock), stopping_(stopping), sink_(sink) {}

    int Progress(int percent) override {
        if (g_bAbortResize.load() || stopping_.load())
            return 0;
        std::lock_guard lock(sinkLock_);
        if (percent < m_nLastPercent)
            stageEnds_.push_back(m_nLastPercent);
        m_nLastPercent = percent;
        phases_ = m_nPhases;
        if (!shown_ || sink_ == nullptr)
            return 1;
        sink_->m_nPhases = phases_;
        return sink_->Progress(percent);
    }

    // The worker's thread, after the item's report has been shown.
    void Show() {
        std::lock_guard lock(sinkLock_);
        shown_ = true;
        if (sink_ == nullptr)
            return;
        // Each stage that has ended, then the one under way: a percent lower
        // than the last one starts the sink's next stage. A sink that answers
        // "stop" hears no more.
        sink_->m_nPhases = phases_;
        for (const int end : stageEnds_)
            if (!sink_->Progress(end) || !sink_->Progress(0))
                return;
        if (m_nLastPercent > 0)
            sink_->Progress(m_nLastPercent);
    }

private:
    std::mutex& sinkLock_;
    const std::atomic<bool>& stopping_;
    CRSProgress* const sink_;
    bool shown_ = false;
    int phases_ = 1;
    std::vector<int> stageEnds_;
};

enum class Next { Go, Stop };

// What became of an item's resize and save.
enum class Work { None, Running, Written, NotWritten, Stopped };

// The folders a run writes its outputs in: the sources' own, or the one
// output folder.
std::set<QString> OutputFolders(const BatchRun& run) {
    std::set<QString> folders;
    if (!run.options.sameFolder) {
        folders.insert(run.options.outFolder);
        return folders;
    }
    for (const CItem& item : run.items) {
        const platform::PathParts parts = platform::SplitPath(item.m_strPath);
        folders.insert(parts.drive + parts.dir);
    }
    return folders;
}

// Whether an item's file gives an image size; an item without a usable size
// is told apart by it: its file cannot be read, or its size cannot be made.
bool HasImageSize(const QString& path) {
    const std::optional<imaging::ImageHeader> header = ProbeImageFileHeader(path);
    return header && header->width > 0 && header->height > 0;
}

// Why an output that was decided cannot be written, told on a line of its own.
QString RefusalOf(const BatchOutput& output) {
    if (output.kind == BatchOutputKind::IsSource)
        return platform::LoadResString(IDS_OUTPUT_IS_SOURCE);
    return {};
}

// One item in flight, from its decode to its report.
struct Slot {
    std::size_t index = 0;
    bool usable = false;
    // An item that cannot be worked on whose file gives no image size: it
    // gets no output and one report, that its file cannot be read.
    bool unreadable = false;
    // Decoding, on the pool (for an item that cannot be worked on, the look
    // at its file's size). A decode of an older generation is stale: the
    // source was found to be an earlier item's output, to be read once that
    // is in place.
    enum class Decode { NotStarted, Running, Done } decode = Decode::NotStarted;
    unsigned generation = 0;
    bool afterCommit = false;
    std::unique_ptr<Bitmap> source;
    // Decided in list order on the runner's thread.
    bool planned = false;
    bool opened = false;
    bool reserved = false;  // its output counts as taken until it is in place
    BatchOutput output;
    std::unique_ptr<Bitmap> target;
    std::unique_ptr<ItemProgress> progress;
    // The resize and the save, on the pool.
    Work work = Work::None;
    std::unique_ptr<StagedBatchOutput> staged;
    int tasks = 0;           // pool tasks that still use the slot
    std::int64_t bytes = 0;  // its work's estimated memory
};

// Runs the items in list order as the user sees them: the names are decided,
// the log and progress reported and the outputs renamed into place one item
// after another, on the worker's thread. Meanwhile the following items (a
// bounded number in flight) are decoded, resized and saved under their
// temporary names on a pool of threads, so the files written are those of a
// run of one item at a time.
class BatchRunner {
public:
    BatchRunner(const BatchRun& run, IBatchReporter& reporter, CRSProgress* progress)
        : run_(run),
          reporter_(reporter),
          progress_(progress),
          total_(static_cast<int>(run.items.size())),
          inFlight_(static_cast<std::size_t>(ItemsInFlight(run.itemsInFlight))),
          workBudget_(run.workBudgetBytes > 0 ? run.workBudgetBytes : kWorkBudgetBytes),
          stageHook_(CurrentStageHook()),
          sourcePixels_(imaging::PixelPool::Create(inFlight_)),
          targetPixels_(imaging::PixelPool::Create(inFlight_)),
          pool_(static_cast<int>(inFlight_)) {}

    ~BatchRunner() { Finish(); }

    void Run() {
        g_nBatchIndex.store(0);
        // What killed runs left behind; no folder of this run exists yet.
        for (const QString& folder : OutputFolders(run_))
            RemoveStaleBatchFolders(folder);
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
        Finish();
    }

private:
    // Any thread: the stage hook of the run (a test's), if any.
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

    // Any thread: the work in flight is to stop (a cancel, or the run ends).
    bool StopAsked() const { return g_bAbortResize.load() || stopping_.load(); }

    void Report(BatchItemStatus status, std::size_t i, const QString& path = {}, const QString& failure = {}) {
        reporter_.ReportFile({status, static_cast<int>(i) + 1, total_, run_.items[i], path, failure});
    }

    Next Process(std::size_t i) {
        Slot& slot = AwaitPlanned(i);
        const Next next = Process(i, slot);
        Retire(slot);
        return next;
    }

    // The item's reports and its output put in place, as a run of one item
    // at a time has them.
    Next Process(std::size_t i, Slot& slot) {
        const CItem& item = run_.items[i];
        // An item's size and mode come from outside (batch files, the command
        // line): one that cannot be worked on fails before anything is read.
        const bool usable = IsUsableBatchItem(item);
        if (usable) {
            if (!slot.opened) {
                Report(BATCH_ITEM_OPEN_FAILED, i);
                return Next::Go;
            }
            if (Cancelled(i))
                return Next::Stop;
        } else if (slot.unreadable) {
            // Its size is none of the file's: there is no output to tell of.
            Report(BATCH_ITEM_NO_SIZE, i);
            return Next::Go;
        }

        const BatchOutput& output = slot.output;
        // The output was decided ahead of the item's turn: its folder may
        // have gone since, as it may during the item's work (below).
        if (output.kind == BatchOutputKind::NoFolder || (WritesOutput(output) && !HasOutputFolder(output.path))) {
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
            // The file gives a size (an unreadable one was told above): the
            // unusable value is the target's, which cannot be made.
            Report(BATCH_ITEM_NO_MEMORY, i);
            return Next::Go;
        }
        if (output.kind == BatchOutputKind::NoFreeName || output.kind == BatchOutputKind::IsSource) {
            Report(BATCH_ITEM_WRITE_FAILED, i, output.path, RefusalOf(output));
            return Next::Stop;
        }
        if (slot.progress)
            slot.progress->Show();
        switch (AwaitWork(slot)) {
        case Work::None:  // no target bitmap
            Report(BATCH_ITEM_NO_MEMORY, i);
            return Next::Go;
        case Work::Stopped:
            Report(BATCH_ITEM_CANCELLED, i);
            return Next::Stop;
        default:
            break;
        }
        // The file is complete under its temporary name before the cancel is
        // looked at again; a cancel meanwhile drops it.
        if (slot.work == Work::Written && Cancelled(i))
            return Next::Stop;
        if (slot.work != Work::Written || !slot.staged->Commit()) {
            if (!HasOutputFolder(output.path))
                Report(BATCH_ITEM_NO_OUTPUT_FOLDER, i, output.path);
            else
                Report(BATCH_ITEM_WRITE_FAILED, i, output.path, slot.staged ? slot.staged->Failure() : QString());
            return Next::Stop;
        }
        return Next::Go;
    }

    static bool WritesOutput(const BatchOutput& output) {
        return output.kind == BatchOutputKind::New || output.kind == BatchOutputKind::Replace;
    }

    // Waits until item i is decoded and its output decided, keeping the
    // following items going meanwhile.
    Slot& AwaitPlanned(std::size_t i) {
        std::unique_lock lock(mutex_);
        for (;;) {
            Advance();
            if (!window_.empty() && window_.front()->index == i && window_.front()->planned)
                return *window_.front();
            Wait(lock);
        }
    }

    Work AwaitWork(Slot& slot) {
        std::unique_lock lock(mutex_);
        for (;;) {
            Advance();
            if (slot.work != Work::Running)
                return slot.work;
            Wait(lock);
        }
    }

    // Waits for a task to finish. Without threads of the pool the tasks run
    // here, outside the lock.
    void Wait(std::unique_lock<std::mutex>& lock) {
        if (pool_.HasThreads()) {
            changed_.wait(lock);
            return;
        }
        lock.unlock();
        pool_.RunQueued();
        lock.lock();
    }
    template <typename Done>
    void Wait(std::unique_lock<std::mutex>& lock, Done done) {
        while (!done())
            Wait(lock);
    }

    // The item is reported: its output is in place (or never will be), and
    // the window moves on once no task uses it any more.
    void Retire(Slot& slot) {
        std::unique_lock lock(mutex_);
        Wait(lock, [&] { return slot.tasks == 0; });
        if (slot.reserved)
            Unreserve(slot.output.path);
        window_.pop_front();
    }

    // Under the lock: admits items into the window and decides the outputs of
    // those decoded, in list order.
    void Advance() {
        while (window_.size() < inFlight_ && next_ < run_.items.size() && !planStopped_)
            Admit(next_++);
        for (const auto& slot : window_) {
            if (slot->planned)
                continue;
            if (planStopped_ || !Plan(*slot))
                break;  // nothing after an item that stops the run is begun
        }
    }

    void Admit(std::size_t i) {
        auto slot = std::make_unique<Slot>();
        slot->index = i;
        slot->usable = IsUsableBatchItem(run_.items[i]);
        // A source that an item before it writes is read once that is done.
        slot->afterCommit = slot->usable && IsReservedOutput(run_.items[i].m_strPath);
        if (!slot->afterCommit)
            StartDecode(*slot);
        window_.push_back(std::move(slot));
    }

    // Decides the item's output once its source is decoded; false when it
    // cannot be decided yet.
    bool Plan(Slot& slot) {
        if (slot.usable) {
            if (slot.afterCommit) {
                // Everything before it is in place once it leads the window.
                if (window_.front().get() == &slot && slot.decode == Slot::Decode::NotStarted) {
                    slot.afterCommit = false;
                    StartDecode(slot);
                }
                return false;
            }
            if (slot.decode != Slot::Decode::Done)
                return false;
            slot.opened = slot.source != nullptr;
            if (!slot.opened) {
                slot.planned = true;
                return true;
            }
            // Large pictures wait until the work in flight leaves room.
            slot.bytes = WorkBytes(*slot.source, run_.items[slot.index]);
            if (working_ > 0 && workBytes_ + slot.bytes > workBudget_)
                return false;
        } else {
            if (slot.decode != Slot::Decode::Done)
                return false;
            if (slot.unreadable) {
                slot.planned = true;
                return true;
            }
        }
        const CItem& item = run_.items[slot.index];
        slot.output = MakeBatchOutputName(item.m_strPath, item.m_nTargetWidth, item.m_nTargetHeight, run_.options,
                                          kLastUniqueNumber, [this](const QString& path) { return IsTaken(path); });
        slot.planned = true;
        switch (slot.output.kind) {
        case BatchOutputKind::NoFolder:
        case BatchOutputKind::NoFreeName:
        case BatchOutputKind::IsSource:
            planStopped_ = true;  // the run stops at this item
            slot.source.reset();
            return true;
        case BatchOutputKind::Skip:
            slot.source.reset();
            return true;
        default:
            break;
        }
        if (!slot.usable)
            return true;
        try {
            slot.target = Bitmap::Create(item.m_nTargetWidth, item.m_nTargetHeight, imaging::PixelFormat24bppRGB,
                                         targetPixels_.get());
        } catch (const std::bad_alloc&) {
        }
        if (!slot.target) {
            slot.source.reset();
            return true;
        }
        Reserve(slot);
        StartWork(slot);
        return true;
    }

    void StartDecode(Slot& slot) {
        slot.decode = Slot::Decode::Running;
        const unsigned generation = ++slot.generation;
        ++slot.tasks;
        pool_.Post([this, &slot, generation] {
            Stage(BatchStage::Decode, slot.index);
            const QString& path = run_.items[slot.index].m_strPath;
            std::unique_ptr<Bitmap> source;
            bool unreadable = false;
            if (!stopping_.load()) {
                if (slot.usable)
                    source = DecodeBatchSource(path, sourcePixels_.get());
                else
                    unreadable = !HasImageSize(path);
            }
            std::lock_guard lock(mutex_);
            if (slot.generation == generation) {
                slot.source = std::move(source);
                slot.unreadable = unreadable;
                slot.decode = Slot::Decode::Done;
            }
            --slot.tasks;
            changed_.notify_all();
        });
    }

    void StartWork(Slot& slot) {
        slot.work = Work::Running;
        ++working_;
        workBytes_ += slot.bytes;
        slot.progress = std::make_unique<ItemProgress>(sinkLock_, stopping_, progress_);
        ++slot.tasks;
        pool_.Post([this, &slot] {
            const CItem& item = run_.items[slot.index];
            std::unique_ptr<StagedBatchOutput> staged;
            const Work work = ResizeAndSave(slot, item, staged);
            // The pictures go as soon as the output is written, so that no more
            // than the items in flight hold theirs.
            slot.source.reset();
            slot.target.reset();
            std::lock_guard lock(mutex_);
            slot.work = work;
            --working_;
            workBytes_ -= slot.bytes;
            slot.staged = std::move(staged);
            --slot.tasks;
            changed_.notify_all();
        });
    }

    // Pool thread: the slot's source and target are this task's alone.
    Work ResizeAndSave(Slot& slot, const CItem& item, std::unique_ptr<StagedBatchOutput>& staged) {
        const std::size_t index = slot.index;
        int resized = 0;
        try {
            Stage(BatchStage::Resize, index);
            if (stopping_.load())
                return Work::Stopped;
            resized = ResizeBitmap(slot.source.get(), slot.target.get(), item.m_nMode, run_.options.crop,
                                   slot.progress.get());
        } catch (const std::exception&) {
            // Out of memory or any other failure of the resize: the run stops
            // as the engine's own failures stop it.
            resized = 0;
        }
        if (!resized || StopAsked())
            return Work::Stopped;
        Stage(BatchStage::Save, index);
        // A cancel is heard at the write's next block, so a large output does
        // not hold the run's end for the seconds its encoding takes.
        const auto stopRequested = [this, index] {
            Stage(BatchStage::Write, index);
            return StopAsked();
        };
        try {
            staged = std::make_unique<StagedBatchOutput>(*slot.target, slot.output, *slot.source,
                                                         run_.options.jpegQuality, item.m_fTargetDpi, stopRequested);
        } catch (const std::exception&) {
            return Work::NotWritten;
        }
        if (staged->IsWritten())
            return Work::Written;
        return StopAsked() ? Work::Stopped : Work::NotWritten;
    }

    // The outputs decided and not yet in place count as taken, as they would
    // in a run of one item at a time. A later item whose source is one of
    // them reads it once it is in place.
    void Reserve(Slot& slot) {
        slot.reserved = true;
        reserved_.push_back(slot.output.path);
        for (const auto& later : window_) {
            if (later->index <= slot.index || !later->usable || later->planned)
                continue;
            if (!IsSameFile(run_.items[later->index].m_strPath, slot.output.path))
                continue;
            later->afterCommit = true;
            later->decode = Slot::Decode::NotStarted;
            ++later->generation;  // a decode under way is stale
            later->source.reset();
        }
    }

    void Unreserve(const QString& path) {
        const auto found = std::find(reserved_.begin(), reserved_.end(), path);
        if (found != reserved_.end())
            reserved_.erase(found);
    }

    bool IsTaken(const QString& path) const {
        return EntryExists(path) || std::find(reserved_.begin(), reserved_.end(), path) != reserved_.end();
    }

    bool IsReservedOutput(const QString& source) const {
        return std::any_of(reserved_.begin(), reserved_.end(),
                           [&](const QString& output) { return IsSameFile(source, output); });
    }

    // Stops the work in flight and waits for it; what it staged is dropped.
    void Finish() {
        stopping_.store(true);
        std::unique_lock lock(mutex_);
        Wait(lock, [&] {
            return std::all_of(window_.begin(), window_.end(), [](const auto& slot) { return slot->tasks == 0; });
        });
        window_.clear();
    }

    const BatchRun& run_;
    IBatchReporter& reporter_;
    CRSProgress* progress_;
    const int total_;
    const std::size_t inFlight_;
    const std::int64_t workBudget_;
    const BatchStageHook stageHook_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<Slot>> window_;  // the items in flight, in list order
    std::size_t next_ = 0;                      // the next item to admit
    bool planStopped_ = false;
    std::vector<QString> reserved_;
    int working_ = 0;  // resizes and saves in flight
    std::int64_t workBytes_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex sinkLock_;  // the run's progress sink, for the items' progress
    // The decoded sources and the targets go into memory that the items
    // before them gave back, so the system does not provide fresh pages for
    // every picture; no more is kept than the items in flight hold.
    const std::shared_ptr<imaging::PixelPool> sourcePixels_;
    const std::shared_ptr<imaging::PixelPool> targetPixels_;
    WorkPool pool_;  // last: its threads end before the rest goes
};

}  // namespace

void SetBatchStageHook(BatchStageHook hook) {
    std::lock_guard lock(g_stageHookMutex);
    g_stageHook = std::move(hook);
}

bool IsUsableBatchItem(const CItem& item) {
    const std::int64_t w = item.m_nTargetWidth, h = item.m_nTargetHeight;
    // The run uses the global size correction, never the item's own.
    const SettingsRecord record{.width = item.m_nTargetWidth,
                                .height = item.m_nTargetHeight,
                                .dpi = item.m_fTargetDpi,
                                .interpolMode = item.m_nMode};
    if (!IsValidSettingsRecord(record, SideLimit::Unbounded))
        return false;
    if (w > imaging::kMaxBitmapSide || h > imaging::kMaxBitmapSide)
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
