#pragma once
// CProgress: the progress and cancel interface handed to a thumbnail load.
// The loads of this program accept it without calling it: the builder tests
// its cancel flags itself around each load.

#include <atomic>

class CProgress {
public:
    virtual ~CProgress() = default;
    virtual void Reset() = 0;
    virtual void Step() = 0;
    // False means stop.
    virtual bool Continue(int done, int total) = 0;
};

// The browsers' progress: stops once its own flag is set.
class CThumbsBrowserProgress final : public CProgress {
public:
    void Reset() override { m_bStop = false; }
    void Step() override {}
    bool Continue(int, int) override { return !m_bStop; }
    void Stop() { m_bStop = true; }

private:
    std::atomic<bool> m_bStop{false};
};

// The builder threads' progress: bound to the cancel flag of the queue being
// served.
class CThumbsBrowserThreadsProgress final : public CProgress {
public:
    explicit CThumbsBrowserThreadsProgress(const std::atomic<bool>& cancel) : m_cancel(cancel) {}
    void Reset() override {}
    void Step() override {}
    bool Continue(int, int) override { return !m_cancel.load(); }

private:
    const std::atomic<bool>& m_cancel;
};
