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
#include <chrono>
#include <mutex>

#include <pthread.h>

// A recursive mutex that can tell a watcher when a thread has to wait for
// it: a thread that finds it held by another calls the watcher (when one is
// set) on its own thread, just before it blocks, and the wait timer (when one
// is set) with how long it waited, once it holds the lock. Tests use the
// watcher to see that an operation really waits for the lock another thread
// holds; measurements use the timer to see how long drawings wait.
class ThumbCacheMutex {
public:
    using WaitWatcher = void (*)();
    using WaitTimer = void (*)(std::chrono::steady_clock::duration waited);

    constexpr ThumbCacheMutex() = default;
    ThumbCacheMutex(const ThumbCacheMutex&) = delete;
    ThumbCacheMutex& operator=(const ThumbCacheMutex&) = delete;

    void lock() {
        if (try_lock())
            return;
        if (const WaitWatcher watcher = m_watcher.load(std::memory_order_acquire))
            watcher();
        const WaitTimer timer = m_timer.load(std::memory_order_acquire);
        const auto start = timer ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point();
        m_mutex.lock();
        Entered();
        if (timer)
            timer(std::chrono::steady_clock::now() - start);
    }
    bool try_lock() {
        if (!m_mutex.try_lock())
            return false;
        Entered();
        return true;
    }
    void unlock() {
        if (--m_depth == 0)
            m_owner.store(kNoOwner, std::memory_order_relaxed);
        m_mutex.unlock();
    }

    // Whether the calling thread holds the lock (at any depth).
    bool HeldByThisThread() const {
        return ::pthread_equal(m_owner.load(std::memory_order_relaxed), ::pthread_self()) != 0;
    }

    // Null: nobody watches.
    void SetWaitWatcher(WaitWatcher watcher) { m_watcher.store(watcher, std::memory_order_release); }
    // Null: no wait is timed.
    void SetWaitTimer(WaitTimer timer) { m_timer.store(timer, std::memory_order_release); }

private:
    void Entered() {
        if (m_depth++ == 0)
            m_owner.store(::pthread_self(), std::memory_order_relaxed);
    }

    std::recursive_mutex m_mutex;
    // Only the holder changes these: another thread never reads its own id
    // in m_owner unless it holds the lock.
    // glibc never gives a thread the id 0.
    static constexpr pthread_t kNoOwner = 0;
    std::atomic<pthread_t> m_owner{kNoOwner};
    int m_depth = 0;
    std::atomic<WaitWatcher> m_watcher{nullptr};
    std::atomic<WaitTimer> m_timer{nullptr};
};

extern constinit ThumbCacheMutex g_csThumbCache;
