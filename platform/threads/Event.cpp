#include "platform/threads/Event.h"

namespace platform {

namespace {

// One lock and one condition for all events: waits on several events need a
// single place to sleep, and events are few and rarely set.
std::mutex& EventMutex() {
    static std::mutex mutex;
    return mutex;
}

std::condition_variable& EventChanged() {
    static std::condition_variable changed;
    return changed;
}

}  // namespace

Event::Event(Reset reset, bool signalled) : manual_(reset == Reset::Manual), signalled_(signalled) {}

void Event::Set() {
    {
        std::lock_guard lock(EventMutex());
        signalled_ = true;
    }
    EventChanged().notify_all();
}

void Event::ResetEvent() {
    std::lock_guard lock(EventMutex());
    signalled_ = false;
}

bool Event::IsSet() const {
    std::lock_guard lock(EventMutex());
    return signalled_;
}

bool Event::Wait(int timeoutMs) { return WaitForEvents({this}, timeoutMs) == 0; }

int WaitForEvents(std::initializer_list<Event*> events, int timeoutMs) {
    std::unique_lock lock(EventMutex());
    auto firstSignalled = [&events] {
        int index = 0;
        for (Event* event : events) {
            if (event->signalled_)
                return index;
            ++index;
        }
        return -1;
    };
    int index = -1;
    auto ready = [&] { return (index = firstSignalled()) >= 0; };
    if (timeoutMs < 0)
        EventChanged().wait(lock, ready);
    else if (!EventChanged().wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
        return -1;
    Event* event = *(events.begin() + index);
    if (!event->manual_)
        event->signalled_ = false;
    return index;
}

}  // namespace platform
