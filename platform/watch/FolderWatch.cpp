#include "platform/watch/FolderWatch.h"
#include "platform/files/LocalFileName.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>

namespace platform {

namespace {

constexpr std::uint32_t kChangeMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY | IN_ATTRIB |
                                      IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF;

// Events that count as a change of the folder whatever watch they name.
constexpr std::uint32_t kAlwaysChange = IN_Q_OVERFLOW;
// Events of the watch itself that count as a change.
constexpr std::uint32_t kSelfChange = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT;

using Clock = std::chrono::steady_clock;

int PollOnce(pollfd* fds, int count, int timeoutMs) {
    for (;;) {
        const int ready = poll(fds, count, timeoutMs);
        if (ready >= 0 || errno != EINTR)
            return ready;
    }
}

FolderWatch::SystemCalls g_systemCalls;

// The calls in place, with the kernel's own where none is given.
FolderWatch::SystemCalls CurrentCalls() {
    FolderWatch::SystemCalls calls = g_systemCalls;
    if (calls.init == nullptr)
        calls.init = [](int flags) { return inotify_init1(flags); };
    if (calls.addWatch == nullptr)
        calls.addWatch = [](int fd, const char* path, std::uint32_t mask) { return inotify_add_watch(fd, path, mask); };
    return calls;
}

}  // namespace

FolderWatch::SystemCalls FolderWatch::SetSystemCalls(SystemCalls calls) {
    const SystemCalls before = g_systemCalls;
    g_systemCalls = calls;
    return before;
}

FolderWatch::FolderWatch()
    : calls_(CurrentCalls()),
      inotify_(calls_.init(IN_NONBLOCK | IN_CLOEXEC)),
      wake_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

FolderWatch::~FolderWatch() {
    if (inotify_ >= 0)
        close(inotify_);
    if (wake_ >= 0)
        close(wake_);
}

bool FolderWatch::Watch(const QString& folder) {
    Unwatch();
    if (inotify_ < 0 || folder.isEmpty())
        return false;
    const QByteArray path = platform::LocalFileName(folder);
    descriptor_ = calls_.addWatch(inotify_, path.constData(), kChangeMask | IN_ONLYDIR);
    // Events of an earlier watch may still be queued: they name its old
    // descriptor and are dropped as they are read.
    return descriptor_ >= 0;
}

void FolderWatch::Unwatch() {
    if (descriptor_ >= 0 && inotify_ >= 0)
        inotify_rm_watch(inotify_, descriptor_);
    descriptor_ = -1;
}

bool FolderWatch::DrainEvents() {
    bool changed = false;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t got = read(inotify_, buffer, sizeof buffer);
        if (got <= 0)
            return changed;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
            if (event.mask & kAlwaysChange) {
                changed = true;
                continue;
            }
            if (descriptor_ < 0 || event.wd != descriptor_)
                continue;
            if (event.mask & (kChangeMask | kSelfChange))
                changed = true;
            // The kernel ended the watch (folder deleted or unmounted).
            if (event.mask & IN_IGNORED)
                descriptor_ = -1;
        }
    }
}

FolderWatch::WaitResult FolderWatch::Wait(int timeoutMs, int settleMs, int maxSettleMs) {
    WaitResult result;
    if (!IsValid()) {
        result.failed = true;
        return result;
    }
    pollfd fds[2] = {{wake_, POLLIN, 0}, {inotify_, POLLIN, 0}};
    const auto takeWake = [&] {
        std::uint64_t count = 0;
        if (read(wake_, &count, sizeof count) == static_cast<ssize_t>(sizeof count))
            result.woken = true;
    };
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int left = -1;
        if (timeoutMs >= 0)
            left = static_cast<int>(std::max<std::int64_t>(
                0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count()));
        const int ready = PollOnce(fds, 2, left);
        if (ready < 0) {
            result.failed = true;
            return result;
        }
        if (ready == 0)
            return result;
        if (fds[0].revents & POLLIN)
            takeWake();
        if ((fds[1].revents & POLLIN) && DrainEvents())
            result.changed = true;
        if (result.woken)
            return result;
        if (result.changed)
            break;
        // Only events of an old watch: wait on.
    }
    // Let the burst settle.
    const auto settleEnd = Clock::now() + std::chrono::milliseconds(maxSettleMs);
    for (;;) {
        const int left =
            static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(settleEnd - Clock::now()).count());
        if (left <= 0)
            return result;
        const int ready = PollOnce(fds, 2, std::min(settleMs, left));
        if (ready <= 0)
            return result;
        if (fds[0].revents & POLLIN) {
            takeWake();
            if (result.woken)
                return result;
        }
        if (fds[1].revents & POLLIN)
            DrainEvents();
    }
}

void FolderWatch::Wake() {
    const std::uint64_t one = 1;
    if (wake_ >= 0) [[maybe_unused]]
        auto written = write(wake_, &one, sizeof one);
}

}  // namespace platform
