// Every operation of the thumbnail cache waits for g_csThumbCache while
// another thread holds it: the operation's thread is seen arriving at the
// lock and waiting there, and it ends only after the lock is given up.
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "browser/cache/CacheTestSupport.h"
#include "browser/cells/ThumbCacheLock.h"

namespace {

// The last thread that had to wait for g_csThumbCache.
std::atomic<std::thread::id> g_waiter;
void NoteWaiter() { g_waiter = std::this_thread::get_id(); }

bool WaitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class CacheLockThreads : public CacheTest {
protected:
    void TearDown() override {
        g_csThumbCache.SetWaitWatcher(nullptr);
        CacheTest::TearDown();
    }
};

}  // namespace

TEST_F(CacheLockThreads, EachOperationWaitsForTheLockAnotherThreadHolds) {
    const QString path = Photo("a", "1.jpg");
    ASSERT_TRUE(m_cache.Insert(path, Cell()));
    const struct {
        const char* name;
        std::function<void()> operation;
    } operations[] = {
        {"Lookup",
         [&] {
             CellRef cell;
             m_cache.Lookup(path, cell);
         }},
        {"LookupInMemory",
         [&] {
             CellRef cell;
             m_cache.LookupInMemory(path, cell);
         }},
        {"Insert", [&] { m_cache.Insert(Photo("a", "2.jpg"), Cell()); }},
        {"SetAt", [&] { m_cache.SetAt(path, Cell()); }},
        {"RemoveKey", [&] { m_cache.RemoveKey(Photo("a", "2.jpg")); }},
        {"GetCount", [&] { (void)m_cache.GetCount(); }},
        {"Keys", [&] { (void)m_cache.Keys(); }},
        {"LoadOrSave", [&] { m_cache.LoadOrSave(QString(), true); }},
    };
    g_csThumbCache.SetWaitWatcher(&NoteWaiter);
    for (const auto& op : operations) {
        SCOPED_TRACE(op.name);
        g_waiter = std::thread::id();
        std::atomic<bool> done{false};
        std::unique_lock lock(g_csThumbCache);
        std::thread other([&] {
            op.operation();
            done = true;
        });
        const std::thread::id otherId = other.get_id();
        // The operation's thread arrives at the lock and waits for it.
        const bool waited = WaitUntil([&] { return g_waiter.load() == otherId || done.load(); });
        EXPECT_TRUE(waited);
        EXPECT_EQ(g_waiter.load(), otherId);
        EXPECT_FALSE(done);
        lock.unlock();
        other.join();
        EXPECT_TRUE(done);
    }
}
