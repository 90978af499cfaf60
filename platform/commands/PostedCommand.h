#pragma once
// Commands posted to a receiver on the UI thread, from any thread.
//
// A receiver (the main frame, a view, a dialog) makes a CommandPort for
// itself on the UI thread and hands the port to whoever must tell it
// something: the document's preview worker, the batch worker, the builder
// threads. Post() queues the command and returns at once; the UI thread's
// event loop delivers it to the receiver. A receiver closes its port before
// it goes away: later posts are dropped and queued ones are never delivered,
// so a worker can never reach a window that is gone.
//
// Workers queue under a mutex and wake the UI thread through an eventfd
// watched by a socket notifier, so nothing crosses threads through Qt's own
// event queue. Without an application object (or before its event loop runs)
// commands wait in the queue until DeliverPostedCommands() is called on the
// thread that owns the receivers.

#include <cstdint>
#include <memory>
#include <mutex>

namespace platform {

// What a posted message carries: the command id and its two parameters, and
// optionally a payload the sender hands over (shared, so it lives as long as
// the last holder).
struct Command {
    int id = 0;
    std::int64_t wParam = 0;
    std::int64_t lParam = 0;
    std::shared_ptr<const void> payload;
};

class CommandReceiver {
public:
    virtual ~CommandReceiver() = default;
    // Called on the UI thread, once per delivered command.
    virtual void OnPostedCommand(const Command& command) = 0;
};

class CommandPort : public std::enable_shared_from_this<CommandPort> {
public:
    // Made on the UI thread for a receiver that outlives the port's use or
    // closes it first.
    static std::shared_ptr<CommandPort> Create(CommandReceiver* receiver);

    CommandPort(const CommandPort&) = delete;
    CommandPort& operator=(const CommandPort&) = delete;

    // Queues the command for the receiver. Any thread. False when the port
    // is closed (the command is dropped).
    bool Post(Command command);
    bool Post(int id, std::int64_t wParam = 0, std::int64_t lParam = 0);

    // Detaches the receiver: nothing more reaches it. UI thread.
    void Close();
    bool IsOpen() const;

private:
    friend class CommandQueue;
    explicit CommandPort(CommandReceiver* receiver) : receiver_(receiver) {}
    CommandReceiver* Receiver() const;

    mutable std::mutex mutex_;
    CommandReceiver* receiver_;
};

// Delivers every queued command whose port is still open, in the order they
// were posted. Called by the event loop; tests without one call it directly.
// Returns how many were delivered.
int DeliverPostedCommands();

// Ids for messages named at run time (the registered window messages): the
// same name always gives the same id, different names different ids, all at
// or above 0xC000 and so apart from the command ids of the resources.
int RegisterCommandId(const char* name);

}  // namespace platform
