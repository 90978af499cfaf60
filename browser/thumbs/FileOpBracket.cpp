#include "browser/thumbs/FileOpBracket.h"

#include "browser/cells/ThumbCacheLock.h"
#include "browser/monitor/FolderMonitor.h"
#include "imagefiles/ShellFileOps.h"

#include <chrono>
#include <mutex>
#include <thread>

int g_nFileOpDepth = 0;

namespace {

constexpr auto kResumeDelay = std::chrono::milliseconds(100);

}  // namespace

void BeginFileOp(platform::Event& go) {
    if (g_nFileOpDepth == 0) {
        // Waits until no builder thread is inside a cache access.
        const std::lock_guard barrier(g_csThumbCache);
    }
    go.ResetEvent();
    ++g_nFileOpDepth;
}

void EndFileOp(platform::Event& go) {
    if (g_nFileOpDepth <= 0)
        return;
    if (--g_nFileOpDepth == 0)
        go.Set();
}

void SuspendMonitor(CFolderMonitor* monitor) {
    if (monitor != nullptr)
        monitor->SetPaused(true);
}

void ResumeMonitor(CFolderMonitor* monitor) {
    if (monitor == nullptr)
        return;
    std::this_thread::sleep_for(kResumeDelay);
    monitor->SetPaused(false);
}

FileOperationBracket::FileOperationBracket(platform::Event& go, CFolderMonitor* monitor) : go_(go), monitor_(monitor) {
    BeginFileOp(go_);
    FileOperationHook(1);
    SuspendMonitor(monitor_);
}

FileOperationBracket::~FileOperationBracket() {
    ResumeMonitor(monitor_);
    FileOperationHook(0);
    EndFileOp(go_);
}
