#pragma once
// The update check: asks the maker's server whether a newer version exists,
// in the background at every start (when the schedule says a check is due)
// and at once from Help > "&Check For Update". A reply that reports an update
// is posted to the main frame as WM_QVAUTOUPDATE, whose handler shows
// CUpdateDlg with the checker's Result().
//
// The checker owns its worker thread and joins it: a check runs on the worker
// with its own event loop and time-outs; the menu's check waits for it. A
// background check still running when a menu check comes keeps its result
// and the menu reports it. Destroy() aborts a running request and joins.
// Network failures, time-outs and hostile replies end a check quietly.

#include "app/update/UpdateProtocol.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {
class CommandPort;
}

namespace update {

// Where the server is and how long a request may take. Tests point it at a
// server of their own.
struct UpdateServer {
    QString host;       // the first request's host
    quint16 port = 80;  // both requests' port
    int timeoutMs = 15000;
    bool useSystemProxy = true;
};

// The built-in server; the environment variable VESPERA_UPDATE_SERVER
// ("host" or "host:port") puts another in its place, and an empty value (or
// a build whose host is empty) switches the check off.
UpdateServer DefaultUpdateServer();

// The registered message the worker posts to the main frame.
int UpdateMessageId();

}  // namespace update

class CUpdateChecker {
public:
    // The process-wide checker: made by Create (or the first Get), destroyed
    // by Destroy. UI thread.
    static CUpdateChecker* Create();
    static CUpdateChecker* Get();
    static void Destroy();

    ~CUpdateChecker();
    CUpdateChecker(const CUpdateChecker&) = delete;
    CUpdateChecker& operator=(const CUpdateChecker&) = delete;

    // sync false (start-up): starts a background check when none runs;
    // returns true. sync true (menu): checks now, ignoring the schedule, or
    // waits for the background check that runs; true when an update is
    // reported. UI thread.
    bool Check(bool sync);

    // The last reply (status 0 when none reported an update). Any thread.
    update::UpdateReply Result() const;
    int Status() const { return Result().m_nStatus; }
    // The last check that asked the server got a usable answer; false when
    // the server could not be reached or its reply could not be read (and
    // before any check). Any thread.
    bool WasAnswered() const;

    // A background check is running.
    bool IsRunning() const { return m_bRunning; }

    // Fills the fields from a reply's text; false for an empty text.
    bool Parse(const QString& text);
    static QString GetTag(const QString& text, const QString& tag) { return update::GetTag(text, tag); }

    // Configuration, UI thread, before a check starts.
    void SetServer(update::UpdateServer server);
    // Where the schedule is kept (the program's profile by default).
    void SetProfileFile(const QString& file);
    // The main frame's port; a closed or absent port receives nothing.
    void SetNotifyPort(std::shared_ptr<platform::CommandPort> port);
    // Tests: whether the computer is connected, and the clock.
    void SetReachability(std::function<bool()> connected);
    void SetClock(std::function<std::int64_t()> now);
    // Tests: called on the UI thread when a menu check starts to wait for
    // the background check that runs.
    void SetWaitHook(std::function<void()> hook);

private:
    CUpdateChecker();

    struct Job {
        bool force;
        bool connected;
        std::int64_t now;
        update::UpdateServer server;
        QString profileFile;
        std::shared_ptr<platform::CommandPort> port;
    };
    void StartWorker(Job job);
    void JoinWorker();
    void RunCheck(const Job& job);
    bool IsConnected() const;

    mutable std::mutex m_mutex;
    update::UpdateReply m_reply;  // guarded by m_mutex
    bool m_bAnswered = false;     // guarded by m_mutex

    // UI thread only.
    update::UpdateServer m_server;
    QString m_profileFile;
    std::shared_ptr<platform::CommandPort> m_port;
    std::function<bool()> m_connected;
    std::function<std::int64_t()> m_now;
    std::function<void()> m_waitHook;
    std::thread m_thread;

    std::atomic<bool> m_bRunning{false};
    std::atomic<bool> m_bAbort{false};
};
