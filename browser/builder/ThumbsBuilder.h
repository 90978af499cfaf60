#pragma once
// CThumbsBuilderThreads (g_ThumbsBuilder): makes the thumbnails of the files
// the browsers list, in the background, in two passes.
//
// Three queues, each served by its own thread: queue 0 (normal priority)
// makes the first thumbnail of every new file, from its EXIF thumbnail when
// it has one; queue 1 (below normal: nice +5) makes complete thumbnails from
// the whole image for cells that are not complete; queue 2 (below normal) is
// served like queue 1 and nothing fills it. A listing replaces all work
// (QueueThumbnailFiles); painting moves the visible items to the front of
// queue 0 (PrioritizeThumbnailFiles); listeners hear of every thumbnail that
// is ready. Finished cells go into the cache.
//
// Threads: each queue's list and cancel flag are guarded by the queue's lock;
// two threads never build one path at once (the per-path lock); cache work
// holds g_csThumbCache for the single lookup, removal, insertion or swap
// only; a better pass builds without any lock and swaps its result in only
// if the cache still holds the same cell for the same file. Listeners are
// added, removed and called under one mutex. The threads run from Start to
// Stop, which cancels, wakes and joins them; the destructor stops them too.
//
// A file that is being written (its size or modification time changed since
// the listing, or it was modified less than a second ago) is looked at again
// every 500 ms, up to eight times; a file still changing then gets no
// thumbnail this time (the next listing queues it again).
//
// Memory: a thread whose queue runs empty gives the heap its decoders freed
// back to the system (once per run, not per file).

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "browser/builder/ThumbUpdate.h"
#include "browser/cache/ThumbCache.h"
#include "platform/threads/Event.h"

class CThumbsBuilderThreads {
public:
    static constexpr int kQueues = 3;
    static constexpr int kBelowNormalNice = 5;
    static constexpr int kSettleTries = 8;
    static constexpr int kSettleWaitMs = 500;
    static constexpr int kNiceUnknown = -1000;

    explicit CThumbsBuilderThreads(CMapStringToObPlus& cache = g_ThumbCache);
    virtual ~CThumbsBuilderThreads();
    CThumbsBuilderThreads(const CThumbsBuilderThreads&) = delete;
    CThumbsBuilderThreads& operator=(const CThumbsBuilderThreads&) = delete;

    // Starts the three threads (once; later calls do nothing until Stop).
    void Start();
    // Cancels the work, wakes and joins the threads. Never throws.
    void Stop() noexcept;
    bool IsRunning() const { return m_running.load(); }

    // Replaces all work with these paths (a listing).
    void QueueThumbnailFiles(const QStringList& paths);
    // Moves these paths to the front of queue 0, in their order (paths not
    // queued are queued now). Wakes nothing and cancels nothing.
    void PrioritizeThumbnailFiles(const QStringList& paths);
    void AddThumbnailListener(IThumbUpdate* listener);
    // Every occurrence; once it returns, the listener is not called again.
    void RemoveThumbnailListener(IThumbUpdate* listener);

    // For tests and measurements: the paths waiting in a queue; whether every
    // queue is empty and no thread is working (waits up to timeoutMs).
    QStringList QueuedPaths(int queue) const;
    bool WaitUntilIdle(int timeoutMs) const;
    // Tests: the wall clock that tells whether a file was modified recently
    // (nanoseconds since the epoch; it is read on the builder's threads after
    // each look at a file's status). Set before Start.
    void SetClock(std::function<std::int64_t()> nowNanoseconds) { m_now = std::move(nowNanoseconds); }
    // The nice value each thread runs at; kNiceUnknown until it has started.
    int ThreadNice(int queue) const { return m_queues[queue].nice.load(); }

private:
    struct Queue {
        mutable std::mutex mutex;
        std::deque<QString> paths;
        std::atomic<bool> cancel{false};
        platform::Event work{platform::Event::Reset::Automatic};
        platform::Event quit{platform::Event::Reset::Automatic};
        std::atomic<bool> busy{false};
        std::atomic<int> nice{kNiceUnknown};
    };
    struct PathLock {
        std::mutex mutex;
        int users = 0;
    };
    struct FileStatus {
        std::int64_t size = 0;
        std::int64_t mtimeSeconds = 0;
        std::int64_t mtimeNanoseconds = 0;
    };

    void ThreadProc(int n) noexcept;
    // Builds the queue's files until it is empty or cancelled; true when
    // there was a file to look at.
    bool ProcessQueue(int n);
    static bool QueueEmpty(const Queue& queue);
    // Returns the heap the run freed to the system (a queue that ran empty).
    static void GiveBackFreedHeap() noexcept;
    // False when the run must end (cancel or stop).
    bool BuildNewCell(int n, const QString& path, FileStatus status);
    void BetterPass(const QString& path, const CellRef& cell, const FileStatus& status);
    bool WaitUntilSettled(const QString& path, FileStatus& status);
    bool Stopping(const Queue& queue) const { return queue.cancel.load() || m_stopping.load(); }
    void Append(int n, const QString& path);
    void RemoveFirst(int n, const QString& path);
    void NotifyListeners(const QString& path, int flag = 0);
    void LockPath(const QString& path);
    void UnlockPath(const QString& path);
    static bool ReadStatus(const QString& path, FileStatus& status);

    CMapStringToObPlus& m_cache;
    Queue m_queues[kQueues];
    std::mutex m_listenersMutex;
    std::vector<IThumbUpdate*> m_listeners;
    std::mutex m_csPathLocks;
    std::map<QString, std::unique_ptr<PathLock>> m_mapPathLocks;
    std::thread m_threads[kQueues];
    std::mutex m_startStop;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_stopping{false};
    platform::Event m_stopEvent{platform::Event::Reset::Manual};
    std::function<std::int64_t()> m_now;
};
