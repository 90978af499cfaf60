#pragma once
// A watch on one folder (the stand-in of the system's change notifications):
// it reports when an entry of the folder is created, deleted or renamed, when
// a file's size or times change, and when the folder itself is deleted,
// moved or unmounted (or the kernel's event queue overflowed, so that changes
// may have been lost). Events that arrive close together are coalesced into
// one change.
//
// One thread owns the watch: it calls Watch, Unwatch and Wait. Any thread may
// call Wake to end a Wait early.

#include <QString>

#include <cstdint>

namespace platform {

class FolderWatch {
public:
    // The two kernel calls that can fail for want of resources: making the
    // inotify instance (the per-user limit of instances) and adding a watch
    // (the per-user limit of watches, ENOSPC). Tests put failing ones in
    // place; null members are the kernel's own.
    struct SystemCalls {
        int (*init)(int flags) = nullptr;
        int (*addWatch)(int fd, const char* path, std::uint32_t mask) = nullptr;
    };
    // The calls of the watches made from now on; returns those in place
    // before. Only while no watch is being made.
    static SystemCalls SetSystemCalls(SystemCalls calls);

    // Opens the inotify instance and the wake-up eventfd; IsValid tells
    // whether that worked.
    FolderWatch();
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    bool IsValid() const { return inotify_ >= 0 && wake_ >= 0; }

    // Watches `folder` (not its sub-folders) in place of the folder watched
    // so far. False when it cannot be watched (missing, not a folder, no
    // permission, out of watches); then nothing is watched.
    bool Watch(const QString& folder);
    // Watches nothing.
    void Unwatch();
    bool IsWatching() const { return descriptor_ >= 0; }

    struct WaitResult {
        bool changed = false;  // the watched folder changed
        bool woken = false;    // Wake was called
        bool failed = false;   // the wait itself failed
        bool Any() const { return changed || woken || failed; }
    };

    // Waits up to `timeoutMs` (negative: no limit) for a change or a wake-up.
    // After the first event it keeps collecting events until `settleMs` pass
    // without one (at most `maxSettleMs` in all), so a burst is one change. A
    // time-out gives a result with nothing set.
    WaitResult Wait(int timeoutMs, int settleMs = 50, int maxSettleMs = 500);

    // Ends a Wait early; a wake-up given while nobody waits ends the next Wait.
    void Wake();

private:
    // Reads the pending events; true when one of them concerns the folder.
    bool DrainEvents();

    SystemCalls calls_;
    int inotify_ = -1;
    int wake_ = -1;
    int descriptor_ = -1;
};

}  // namespace platform
