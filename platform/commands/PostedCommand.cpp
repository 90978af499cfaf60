#include "platform/commands/PostedCommand.h"

#include <QCoreApplication>
#include <QObject>
#include <QSocketNotifier>
#include <QThread>

#include <sys/eventfd.h>
#include <unistd.h>

#include <deque>
#include <map>
#include <string>

namespace platform {

// The process-wide queue of posted commands.
class CommandQueue {
public:
    static CommandQueue& Instance() {
        static CommandQueue queue;
        return queue;
    }

    void Push(std::weak_ptr<CommandPort> port, Command command) {
        {
            std::lock_guard lock(mutex_);
            pending_.push_back({std::move(port), std::move(command)});
        }
        const std::uint64_t one = 1;
        if (wake_ >= 0) [[maybe_unused]]
            auto written = write(wake_, &one, sizeof one);
    }

    int Deliver() {
        std::uint64_t count = 0;
        if (wake_ >= 0) [[maybe_unused]]
            auto got = read(wake_, &count, sizeof count);
        int delivered = 0;
        for (;;) {
            Entry entry;
            {
                std::lock_guard lock(mutex_);
                if (pending_.empty())
                    return delivered;
                entry = std::move(pending_.front());
                pending_.pop_front();
            }
            const std::shared_ptr<CommandPort> port = entry.port.lock();
            // Close() runs on this same thread, so the receiver read here
            // cannot go away before the call.
            CommandReceiver* receiver = port ? port->Receiver() : nullptr;
            if (receiver == nullptr)
                continue;
            receiver->OnPostedCommand(entry.command);
            ++delivered;
        }
    }

    // Watches the eventfd on the thread of the running application, once
    // per application object.
    void AttachToApplication() {
        QCoreApplication* app = QCoreApplication::instance();
        if (app == nullptr || wake_ < 0 || QThread::currentThread() != app->thread())
            return;
        std::lock_guard lock(mutex_);
        if (attachedTo_ == app)
            return;
        attachedTo_ = app;
        auto* notifier = new QSocketNotifier(wake_, QSocketNotifier::Read, app);
        QObject::connect(notifier, &QSocketNotifier::activated, app, [this] { Deliver(); });
        QObject::connect(app, &QObject::destroyed, [this] {
            std::lock_guard lock(mutex_);
            attachedTo_ = nullptr;
        });
    }

    int Register(const char* name) {
        std::lock_guard lock(mutex_);
        auto [it, added] = registered_.try_emplace(name, nextRegistered_);
        if (added)
            ++nextRegistered_;
        return it->second;
    }

private:
    struct Entry {
        std::weak_ptr<CommandPort> port;
        Command command;
    };

    CommandQueue() : wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

    int wake_;
    std::mutex mutex_;
    std::deque<Entry> pending_;
    QCoreApplication* attachedTo_ = nullptr;
    std::map<std::string, int> registered_;
    int nextRegistered_ = 0xC000;
};

std::shared_ptr<CommandPort> CommandPort::Create(CommandReceiver* receiver) {
    CommandQueue::Instance().AttachToApplication();
    return std::shared_ptr<CommandPort>(new CommandPort(receiver));
}

bool CommandPort::Post(Command command) {
    // A port is only ever owned through shared_ptr (Create), so the queue can
    // hold it weakly and drop commands of a port nobody holds any more.
    {
        std::lock_guard lock(mutex_);
        if (receiver_ == nullptr)
            return false;
    }
    CommandQueue::Instance().Push(weak_from_this(), std::move(command));
    return true;
}

bool CommandPort::Post(int id, std::int64_t wParam, std::int64_t lParam) {
    return Post(Command{id, wParam, lParam, nullptr});
}

void CommandPort::Close() {
    std::lock_guard lock(mutex_);
    receiver_ = nullptr;
}

bool CommandPort::IsOpen() const {
    std::lock_guard lock(mutex_);
    return receiver_ != nullptr;
}

CommandReceiver* CommandPort::Receiver() const {
    std::lock_guard lock(mutex_);
    return receiver_;
}

int DeliverPostedCommands() { return CommandQueue::Instance().Deliver(); }

int RegisterCommandId(const char* name) { return CommandQueue::Instance().Register(name); }

}  // namespace platform
