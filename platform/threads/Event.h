#pragma once
// Events as the worker threads use them: set by one thread, waited for by
// another, with automatic reset (one waiter consumes the signal) or manual
// reset (signalled until Reset), and a wait on several events at once that
// returns the lowest signalled index.

#include <chrono>
#include <condition_variable>
#include <initializer_list>
#include <mutex>

namespace platform {

class Event {
public:
    enum class Reset { Automatic, Manual };

    explicit Event(Reset reset = Reset::Automatic, bool signalled = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void ResetEvent();
    bool IsSet() const;

    // Waits until the event is signalled or the time-out passes (negative:
    // no time-out). True when signalled; an automatic event is then reset.
    bool Wait(int timeoutMs = -1);

private:
    friend int WaitForEvents(std::initializer_list<Event*> events, int timeoutMs);
    bool manual_;
    bool signalled_;
};

// Waits until one of the events is signalled: returns the index of the lowest
// signalled one (resetting it when it is automatic), or -1 after the time-out
// (negative: none).
int WaitForEvents(std::initializer_list<Event*> events, int timeoutMs = -1);

}  // namespace platform
