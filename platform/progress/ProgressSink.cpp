#include "platform/progress/ProgressSink.h"

#include "platform/resources/CommandIds.h"

#include <mutex>
#include <utility>

namespace platform {
namespace {

std::mutex& SinkMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<ProgressSink>& InstalledSink() {
    static std::shared_ptr<ProgressSink> sink;
    return sink;
}

}  // namespace

void InstallProgressSink(std::shared_ptr<ProgressSink> sink) {
    std::lock_guard lock(SinkMutex());
    InstalledSink() = std::move(sink);
}

void ClearProgressSink() {
    std::shared_ptr<ProgressSink> old;
    {
        std::lock_guard lock(SinkMutex());
        old = std::move(InstalledSink());
    }
    // The old sink dies here, outside the lock, in case its destructor posts.
}

bool PostProgressCommand(int commandId) {
    std::lock_guard lock(SinkMutex());
    const auto& sink = InstalledSink();
    if (!sink)
        return false;
    sink->PostCommand(commandId);
    return true;
}

bool PostProgressStart() { return PostProgressCommand(ID_START_PROGRESS); }

bool PostProgressStep() { return PostProgressCommand(ID_PROGRESS); }

bool PostProgressEnd() { return PostProgressCommand(ID_END_PROGRESS); }

}  // namespace platform
