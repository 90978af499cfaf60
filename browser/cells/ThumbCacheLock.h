#pragma once
// g_csThumbCache: the lock of the thumbnail cache (browser/cache) and of
// every cell that is shared between threads.
//
// The builder threads and the user-interface thread meet in the cache and in
// its cells: a cell in the cache may get a better thumbnail from a builder
// thread while the user-interface thread draws it. Everything that reads or
// changes a shared cell (its thumbnail, its facts, its caption state) or the
// cache holds this lock. It is recursive, so a caller that holds it across a
// lookup and a drawing may call operations that take it again.
//
// The lock is initialised as a constant, before any code runs, so it exists
// before the cache and the builder that use it are started.

#include <atomic>
#include <mutex>

// A recursive mutex that can tell a watcher when a thread has to wait for
// it: a thread that finds it held by another calls the watcher (when one is
// set) on its own thread, just before it blocks. Tests use this to see that
// an operation really waits for the lock another thread holds.
class ThumbCacheMutex {
public:
    using WaitWatcher = void (*)();

    constexpr ThumbCacheMutex() = default;
    ThumbCacheMutex(const ThumbCacheMutex&) = delete;
    ThumbCacheMutex& operator=(const ThumbCacheMutex&) = delete;

    void lock() {
        if (m_mutex.try_lock())
            return;
        if (const WaitWatcher watcher = m_watcher.load(std::memory_order_acquire))
            watcher();
        m_mutex.lock();
    }
    bool try_lock() { return m_mutex.try_lock(); }
    void unlock() { m_mutex.unlock(); }

    // Null: nobody watches.
    void SetWaitWatcher(WaitWatcher watcher) { m_watcher.store(watcher, std::memory_order_release); }

private:
    std::recursive_mutex m_mutex;
    std::atomic<WaitWatcher> m_watcher{nullptr};
};

extern constinit ThumbCacheMutex g_csThumbCache;
