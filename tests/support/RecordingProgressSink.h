#pragma once
// A progress sink that records the commands the engine posts, installed for
// the lifetime of the object.

#include <memory>
#include <mutex>
#include <vector>

#include "platform/progress/ProgressSink.h"

class RecordingProgressSink {
public:
    RecordingProgressSink() : sink_(std::make_shared<Sink>()) { platform::InstallProgressSink(sink_); }
    ~RecordingProgressSink() { platform::ClearProgressSink(); }

    std::vector<int> Commands() const {
        std::lock_guard lock(sink_->mutex);
        return sink_->commands;
    }
    void Clear() {
        std::lock_guard lock(sink_->mutex);
        sink_->commands.clear();
    }

private:
    struct Sink : platform::ProgressSink {
        void PostCommand(int id) override {
            std::lock_guard lock(mutex);
            commands.push_back(id);
        }
        mutable std::mutex mutex;
        std::vector<int> commands;
    };
    std::shared_ptr<Sink> sink_;
};
