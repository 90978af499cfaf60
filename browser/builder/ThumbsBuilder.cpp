#include "browser/builder/ThumbsBuilder.h"
#include "platform/files/LocalFileName.h"

#include <QDebug>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "browser/cells/ThumbCacheLock.h"
#include "browser/cells/ThumbProgress.h"
#include "imagefiles/ImageFileNames.h"

namespace {

constexpr std::int64_t kRecentNanoseconds = 1'000'000'000;

// Lowers the calling thread's priority by `more` nice steps; the nice value
// it then runs at.
int LowerThreadPriority(int more) {
    const pid_t tid = ::gettid();
    errno = 0;
    const int base = ::getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    if (more > 0 && errno == 0)
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), std::min(base + more, 19));
    errno = 0;
    return ::getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
}

std::int64_t NowNanoseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

}  // namespace

CThumbsBuilderThreads::CThumbsBuilderThreads(CMapStringToObPlus& cache) : m_cache(cache) {}

CThumbsBuilderThreads::~CThumbsBuilderThreads() { Stop(); }

void CThumbsBuilderThreads::Start() {
    std::lock_guard lock(m_startStop);
    if (m_running)
        return;
    m_stopping = false;
    m_stopEvent.ResetEvent();
    for (int n = 0; n < kQueues; ++n)
        m_threads[n] = std::thread([this, n] { ThreadProc(n); });
    m_running = true;
}

void CThumbsBuilderThreads::Stop() noexcept {
    std::lock_guard lock(m_startStop);
    if (!m_running)
        return;
    m_stopping = true;
    m_stopEvent.Set();
    for (Queue& queue : m_queues) {
        queue.cancel = true;
        queue.quit.Set();
    }
    for (std::thread& thread : m_threads)
        if (thread.joinable())
            thread.join();
    for (Queue& queue : m_queues) {
        std::lock_guard queueLock(queue.mutex);
        queue.paths.clear();
        queue.quit.ResetEvent();
        queue.work.ResetEvent();
    }
    m_running = false;
}

void CThumbsBuilderThreads::ThreadProc(int n) noexcept {
    Queue& queue = m_queues[n];
    queue.nice = LowerThreadPriority(n == 0 ? 0 : kBelowNormalNice);
    for (;;) {
        if (platform::WaitForEvents({&queue.work, &queue.quit}) != 0 || m_stopping)
            return;
        queue.busy = true;
        bool worked = false;
        try {
            worked = ProcessQueue(n);
        } catch (...) {
            // A run that fails ends; the thread waits for the next one.
            worked = true;
        }
        if (worked && QueueEmpty(queue))
            GiveBackFreedHeap();
        // Thread 0 hands over to thread 1, thread 1 to thread 2.
        if (n + 1 < kQueues) {
            Queue& next = m_queues[n + 1];
            bool hasWork = false;
            {
                std::lock_guard lock(next.mutex);
                hasWork = !next.paths.empty();
            }
            if (hasWork)
                next.work.Set();
        }
        queue.busy = false;
    }
}

void CThumbsBuilderThreads::QueueThumbnailFiles(const QStringList& paths) {
    for (int n : {1, 2}) {
        Queue& queue = m_queues[n];
        {
            std::lock_guard lock(queue.mutex);
            queue.paths.clear();
            queue.cancel = true;
        }
        queue.work.Set();
    }
    Queue& first = m_queues[0];
    {
        std::lock_guard lock(first.mutex);
        first.paths.assign(paths.begin(), paths.end());
        first.cancel = true;
    }
    first.work.Set();
}

void CThumbsBuilderThreads::PrioritizeThumbnailFiles(const QStringList& paths) {
    Queue& first = m_queues[0];
    std::lock_guard lock(first.mutex);
    for (const QString& path : paths) {
        const auto found = std::find(first.paths.begin(), first.paths.end(), path);
        if (found != first.paths.end())
            first.paths.erase(found);
    }
    first.paths.insert(first.paths.begin(), paths.begin(), paths.end());
}

void CThumbsBuilderThreads::AddThumbnailListener(IThumbUpdate* listener) {
    std::lock_guard lock(m_listenersMutex);
    m_listeners.push_back(listener);
}

void CThumbsBuilderThreads::RemoveThumbnailListener(IThumbUpdate* listener) {
    std::lock_guard lock(m_listenersMutex);
    for (auto i = m_listeners.size(); i-- > 0;)
        if (m_listeners[i] == listener)
            m_listeners.erase(m_listeners.begin() + static_cast<std::ptrdiff_t>(i));
}

void CThumbsBuilderThreads::NotifyListeners(const QString& path, int flag) {
    std::lock_guard lock(m_listenersMutex);
    for (IThumbUpdate* listener : m_listeners) {
        try {
            listener->OnThumbUpdate(path, flag);
        } catch (...) {
        }
    }
}

QStringList CThumbsBuilderThreads::QueuedPaths(int queue) const {
    std::lock_guard lock(m_queues[queue].mutex);
    return QStringList(m_queues[queue].paths.begin(), m_queues[queue].paths.end());
}

bool CThumbsBuilderThreads::WaitUntilIdle(int timeoutMs) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        bool idle = true;
        for (const Queue& queue : m_queues) {
            std::lock_guard lock(queue.mutex);
            idle = idle && queue.paths.empty() && !queue.busy && !queue.work.IsSet();
        }
        if (idle)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void CThumbsBuilderThreads::Append(int n, const QString& path) {
    std::lock_guard lock(m_queues[n].mutex);
    m_queues[n].paths.push_back(path);
}

void CThumbsBuilderThreads::RemoveFirst(int n, const QString& path) {
    Queue& queue = m_queues[n];
    std::lock_guard lock(queue.mutex);
    const auto found = std::find(queue.paths.begin(), queue.paths.end(), path);
    if (found != queue.paths.end())
        queue.paths.erase(found);
}

bool CThumbsBuilderThreads::ReadStatus(const QString& path, FileStatus& status) {
    struct stat st {};
    if (::stat(platform::LocalFileName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    status.size = st.st_size;
    status.mtimeSeconds = st.st_mtim.tv_sec;
    status.mtimeNanoseconds = std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec;
    return true;
}

bool CThumbsBuilderThreads::QueueEmpty(const Queue& queue) {
    std::lock_guard lock(queue.mutex);
    return queue.paths.empty();
}

void CThumbsBuilderThreads::GiveBackFreedHeap() noexcept {
    // The decoders of a run allocate and free some megabytes per file, in the
    // arena of their thread; glibc keeps what they freed for the next run,
    // which for an idle browser is memory held for nothing.
    ::malloc_trim(0);
}

bool CThumbsBuilderThreads::ProcessQueue(int n) {
    Queue& queue = m_queues[n];
    {
        std::lock_guard lock(queue.mutex);
        if (queue.paths.empty())
            return false;
        queue.cancel = false;
    }
    for (;;) {
        if (Stopping(queue))
            return true;
        QString path;
        {
            std::lock_guard lock(queue.mutex);
            if (queue.paths.empty())
                return true;
            path = queue.paths.front();
        }
        FileStatus status;
        if (!ReadStatus(path, status)) {
            RemoveFirst(n, path);  // the file is gone, or is no regular file
            if (n == 0)
                NotifyListeners(path, kThumbFailed);
            continue;
        }
        CellRef cell;
        {
            std::lock_guard lock(g_csThumbCache);
            if (m_cache.Lookup(path, cell)) {
                const bool stale = cell->m_timeFile != status.mtimeSeconds || (n == 0 && !cell->HasThumbnailData());
                if (stale) {
                    m_cache.RemoveKey(path);
                    cell = nullptr;
                }
            }
        }
        if (cell) {
            if (!cell->IsComplete()) {
                if (n == 0) {
                    Append(1, path);
                } else {
                    BetterPass(path, cell, status);
                    if (Stopping(queue))
                        return true;
                }
            }
        } else {
            try {
                if (!BuildNewCell(n, path, status))
                    return true;
            } catch (...) {
                // The cell is dropped; the step goes on.
            }
        }
        RemoveFirst(n, path);
    }
}

bool CThumbsBuilderThreads::WaitUntilSettled(const QString& path, FileStatus& status) {
    for (int attempt = 0; attempt < kSettleTries; ++attempt) {
        FileStatus now;
        if (!ReadStatus(path, now))
            return false;
        const bool changed = now.size != status.size || now.mtimeNanoseconds != status.mtimeNanoseconds;
        const std::int64_t age = (m_now ? m_now() : NowNanoseconds()) - now.mtimeNanoseconds;
        const bool recent = age >= 0 && age < kRecentNanoseconds;
        status = now;
        if (!changed && !recent)
            return true;
        if (m_stopEvent.Wait(kSettleWaitMs))
            return false;
    }
    return false;
}

bool CThumbsBuilderThreads::BuildNewCell(int n, const QString& path, FileStatus status) {
    Queue& queue = m_queues[n];
    auto cell = std::make_shared<CPaletteItemImg>();
    CThumbsBrowserThreadsProgress progress(queue.cancel);
    bool built = false;
    LockPath(path);
    try {
        built = WaitUntilSettled(path, status) && cell->LoadThumbnail(path, false, &progress);
    } catch (...) {
        built = false;
    }
    UnlockPath(path);
    if (Stopping(queue))
        return false;
    if (!built) {
        // The cell stays without a thumbnail; those waiting for the file
        // hear that it is done with.
        NotifyListeners(path, kThumbFailed);
        return true;
    }
    // Set before the cell enters the cache, where the UI may draw it at once.
    cell->m_timeFile = status.mtimeSeconds;
    cell->m_bSoundNote = HasSoundNote(path);
    const bool complete = cell->IsComplete();
    if (!m_cache.Insert(path, cell))
        qWarning("thumbnail builder: the cache could not write an archive");
    NotifyListeners(path);
    if (n == 0 && !complete && IsSupportedImageExtension(path))
        Append(1, path);
    return true;
}

void CThumbsBuilderThreads::BetterPass(const QString& path, const CellRef& cell, const FileStatus& status) {
    std::optional<ThumbnailBuild> build;
    LockPath(path);
    try {
        build = cell->BuildThumbnail(path, true);
    } catch (...) {
        build.reset();
    }
    UnlockPath(path);
    if (!build || !build->dib)
        return;  // a failed pass keeps the thumbnail the cell has
    bool swapped = false;
    {
        std::lock_guard lock(g_csThumbCache);
        CellRef current;
        if (m_cache.LookupInMemory(path, current) && current == cell && cell->m_timeFile == status.mtimeSeconds) {
            cell->AdoptThumbnail(std::move(*build));
            swapped = true;
        }
    }
    if (swapped)
        NotifyListeners(path);
}

void CThumbsBuilderThreads::LockPath(const QString& path) {
    PathLock* lock = nullptr;
    {
        std::lock_guard guard(m_csPathLocks);
        auto& entry = m_mapPathLocks[path];
        if (!entry)
            entry = std::make_unique<PathLock>();
        ++entry->users;
        lock = entry.get();
    }
    lock->mutex.lock();
}

void CThumbsBuilderThreads::UnlockPath(const QString& path) {
    std::lock_guard guard(m_csPathLocks);
    const auto found = m_mapPathLocks.find(path);
    if (found == m_mapPathLocks.end())
        return;
    found->second->mutex.unlock();
    if (--found->second->users == 0)
        m_mapPathLocks.erase(found);
}
