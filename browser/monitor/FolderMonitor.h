#pragma once
// CFolderMonitor watches the folder that a thumbnail browser shows and asks
// for a new listing when it changes. Its worker thread waits on a watch of
// the folder (platform/watch) and posts to the main window's port:
//
//   ID_BEGINREADFOLDER  the folder is ready to be listed (after every change
//                       that is not paused, and after every new folder);
//   ID_REFRESH          the browser's Refresh, once for the first change
//                       after two seconds without any.
//
// Both carry a MonitoredFolder payload: the folder to list and the browser
// it is for. The receiver sets the browser's folder from it; the worker never
// touches the browser.
//
// The browser pauses the monitor around its own file operations (SetPaused):
// the changes they make post nothing.

#include "platform/commands/PostedCommand.h"
#include "platform/watch/FolderWatch.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class CThumbsBrowser;

// What the monitor's commands carry.
struct MonitoredFolder {
    QString folder;  // the folder to list; empty: nothing is watched
    CThumbsBrowser* browser = nullptr;
};

class CFolderMonitor {
public:
    // Posts to `mainWindow`. The thread starts with Start().
    explicit CFolderMonitor(std::shared_ptr<platform::CommandPort> mainWindow);
    // Stops the thread and waits until it has ended.
    virtual ~CFolderMonitor();
    CFolderMonitor(const CFolderMonitor&) = delete;
    CFolderMonitor& operator=(const CFolderMonitor&) = delete;

    // Starts the worker thread once; false when it runs already or the watch
    // could not be opened (then nothing is ever watched: the owner lists the
    // folders itself).
    bool Start();

    // Watches `path` for `browser` from now on (an empty path: nothing) and
    // asks for its listing. One trailing '/' is dropped ("/" stays "/"). UI
    // thread.
    void SetFolder(const QString& path, CThumbsBrowser* browser);

    // Watches nothing from now on and posts nothing for it; the folder is
    // kept until the next SetFolder. Used while a library is shown.
    void StopWatching();

    // While paused, changes post nothing.
    void SetPaused(bool paused) { paused_.store(paused); }
    bool IsPaused() const { return paused_.load(); }

    // Whether the worker watches a folder now (it stops when the folder goes).
    bool IsWatching() const { return watching_.load(); }

    // Tests: the clock of the quiet period (milliseconds from any origin,
    // read on the worker thread whenever its wait ends). Set before Start.
    void SetClock(std::function<std::int64_t()> nowMs) { now_ = std::move(nowMs); }

private:
    struct Requests {
        bool quit = false;
        bool stopWatching = false;
        bool newFolder = false;
        MonitoredFolder folder;
    };

    void ThreadProc();
    Requests TakeRequests();
    void OnChange(bool& quiet);
    void OnNewFolder(MonitoredFolder folder);
    void CheckFolder();
    // Asks for the listing of the current folder, whether it exists or not.
    void ListFolder();
    void Post(int id);
    std::int64_t NowMs() const;

    std::shared_ptr<platform::CommandPort> mainWindow_;
    std::atomic<bool> paused_{false};
    std::atomic<bool> watching_{false};
    std::function<std::int64_t()> now_;

    std::mutex mutex_;  // guards requests_
    Requests requests_;

    // The worker's own state.
    platform::FolderWatch watch_;
    MonitoredFolder current_;
    bool firstCheck_ = true;
    // A folder could not be watched and the log has said so.
    bool reportedUnwatched_ = false;

    std::thread thread_;
};
