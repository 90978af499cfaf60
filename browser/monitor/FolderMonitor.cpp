#include "browser/monitor/FolderMonitor.h"
#include "platform/files/RegularFile.h"

#include "platform/resources/CommandIds.h"

#include <QtGlobal>

#include <chrono>
#include <optional>

namespace {

// How long the folder must stay unchanged before a change asks for the
// browser's Refresh first.
constexpr int kQuietMs = 2000;

}  // namespace

CFolderMonitor::CFolderMonitor(std::shared_ptr<platform::CommandPort> mainWindow)
    : mainWindow_(std::move(mainWindow)) {}

CFolderMonitor::~CFolderMonitor() {
    {
        std::lock_guard lock(mutex_);
        requests_.quit = true;
    }
    watch_.Wake();
    if (thread_.joinable())
        thread_.join();
}

bool CFolderMonitor::Start() {
    if (thread_.joinable() || !watch_.IsValid())
        return false;
    thread_ = std::thread([this] { ThreadProc(); });
    return true;
}

void CFolderMonitor::SetFolder(const QString& path, CThumbsBrowser* browser) {
    {
        std::lock_guard lock(mutex_);
        requests_.newFolder = true;
        requests_.folder = MonitoredFolder{path, browser};
    }
    watch_.Wake();
}

void CFolderMonitor::StopWatching() {
    {
        std::lock_guard lock(mutex_);
        requests_.stopWatching = true;
    }
    watch_.Wake();
}

CFolderMonitor::Requests CFolderMonitor::TakeRequests() {
    std::lock_guard lock(mutex_);
    Requests taken = std::move(requests_);
    requests_ = Requests{};
    requests_.quit = taken.quit;  // quitting stays asked for
    return taken;
}

std::int64_t CFolderMonitor::NowMs() const {
    if (now_)
        return now_();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void CFolderMonitor::ThreadProc() {
    try {
        // Quiet until the first change; quiet again once kQuietMs pass
        // without the wait ending for anything.
        bool quiet = true;
        std::optional<std::int64_t> lastEnd;  // when the last wait ended for something
        for (;;) {
            const platform::FolderWatch::WaitResult result = watch_.Wait(-1);
            // The kernel ends the watch of a folder that is deleted.
            watching_.store(watch_.IsWatching());
            if (result.failed)
                break;
            if (!result.Any())
                continue;
            const std::int64_t now = NowMs();
            if (lastEnd && now - *lastEnd >= kQuietMs)
                quiet = true;
            lastEnd = now;
            Requests requests = TakeRequests();
            if (requests.quit)
                break;
            if (requests.stopWatching)
                watch_.Unwatch();
            // A change of the folder that is being replaced is of no interest.
            else if (result.changed && !requests.newFolder)
                OnChange(quiet);
            if (requests.newFolder)
                OnNewFolder(std::move(requests.folder));
            watching_.store(watch_.IsWatching());
        }
    } catch (...) {
        // Nothing may leave the thread; the monitor just stops watching.
    }
}

void CFolderMonitor::OnChange(bool& quiet) {
    if (paused_.load() || !watch_.IsWatching())
        return;
    if (quiet) {
        Post(ID_REFRESH);
        quiet = false;
    }
    CheckFolder();
}

void CFolderMonitor::OnNewFolder(MonitoredFolder folder) {
    if (folder.folder.size() > 1 && folder.folder.endsWith(u'/'))
        folder.folder.chop(1);
    current_ = std::move(folder);
    if (current_.folder.isEmpty()) {
        watch_.Unwatch();
    } else if (!watch_.Watch(current_.folder)) {
        // A folder that cannot be watched (the user's inotify watches used
        // up, no permission, not a folder, gone) is still listed: only its
        // later changes go unseen.
        if (!reportedUnwatched_) {
            reportedUnwatched_ = true;
            qWarning(
                "folder monitor: %s cannot be watched; changes made to it will not be shown until it is "
                "chosen again",
                qUtf8Printable(current_.folder));
        }
        ListFolder();
        return;
    }
    CheckFolder();
}

void CFolderMonitor::ListFolder() {
    if (firstCheck_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        firstCheck_ = false;
    }
    watching_.store(watch_.IsWatching());  // before anything is posted for the folder
    if (current_.browser != nullptr)
        Post(ID_BEGINREADFOLDER);
}

void CFolderMonitor::CheckFolder() {
    if (current_.folder.isEmpty() || platform::KindOfFile(current_.folder) != platform::FileKind::Missing)
        ListFolder();
    else if (current_.browser != nullptr)
        watch_.Unwatch();  // the folder has gone: no listing is asked for
}

void CFolderMonitor::Post(int id) {
    if (mainWindow_)
        mainWindow_->Post(platform::Command{id, 0, 0, std::make_shared<const MonitoredFolder>(current_)});
}
