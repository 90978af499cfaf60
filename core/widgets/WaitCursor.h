#pragma once
// The wait cursor for the life of the object, while a long operation runs on
// the UI thread. Without a GUI application (tests, tools) it does nothing.

class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool shown_ = false;
};
