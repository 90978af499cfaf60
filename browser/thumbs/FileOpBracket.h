#pragma once
// The bracket around every file operation a browser starts (paste, drop,
// rename): the browser's folder monitor is paused, so that the operation's
// own changes ask for no listing; FileOperationHook hears 1 before and 0
// after; and a process-wide depth counter marks that an operation is in
// progress. The first operation waits until no builder thread is inside the
// thumbnail cache (g_csThumbCache is the barrier) and resets the browser's
// go event; the last one signals it again.
//
// UI thread only.

#include "platform/threads/Event.h"

class CFolderMonitor;

// Number of file operations in progress.
extern int g_nFileOpDepth;

void BeginFileOp(platform::Event& go);
void EndFileOp(platform::Event& go);
// With a monitor: changes are ignored until the resume; the resume first
// waits 100 ms, so that the notifications of the operation arrive while the
// monitor still ignores them.
void SuspendMonitor(CFolderMonitor* monitor);
void ResumeMonitor(CFolderMonitor* monitor);

// The whole bracket for one operation's scope.
class FileOperationBracket {
public:
    FileOperationBracket(platform::Event& go, CFolderMonitor* monitor);
    ~FileOperationBracket();
    FileOperationBracket(const FileOperationBracket&) = delete;
    FileOperationBracket& operator=(const FileOperationBracket&) = delete;

private:
    platform::Event& go_;
    CFolderMonitor* monitor_;
};
