#pragma once
// Folder watches that fail as the kernel makes them fail once the user's
// inotify watches (ENOSPC) or instances (EMFILE) are used up, put in place
// for the watches made while a ScopedWatchCalls lives.

#include "platform/watch/FolderWatch.h"

#include <cerrno>
#include <cstdint>

namespace failingwatch {

inline int OutOfWatches(int, const char*, std::uint32_t) {
    errno = ENOSPC;
    return -1;
}

inline int OutOfInstances(int) {
    errno = EMFILE;
    return -1;
}

class ScopedWatchCalls {
public:
    explicit ScopedWatchCalls(platform::FolderWatch::SystemCalls calls)
        : before_(platform::FolderWatch::SetSystemCalls(calls)) {}
    ~ScopedWatchCalls() { platform::FolderWatch::SetSystemCalls(before_); }
    ScopedWatchCalls(const ScopedWatchCalls&) = delete;
    ScopedWatchCalls& operator=(const ScopedWatchCalls&) = delete;

private:
    platform::FolderWatch::SystemCalls before_;
};

}  // namespace failingwatch
