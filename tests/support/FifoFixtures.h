#pragma once
// Named pipes for the tests of code that must never block on one: making
// them, running the code under test on a thread of its own with a time-out,
// and gathering what the code reported on the log meanwhile.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <chrono>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace fifotests {

inline bool MakeFifo(const QString& path) { return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0; }

inline bool IsFifo(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// Runs work on a thread of its own and tells whether it returned within the
// time-out. Work still blocked then is released: each pipe of `fifos` is
// opened for writing and closed again, which ends a reader's blocking open
// or read. The thread is joined either way, so a failing test never hangs
// the run.
inline bool FinishesWithin(const QStringList& fifos, const std::function<void()>& work,
                           std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    std::thread thread([&] {
        work();
        done.set_value();
    });
    const bool inTime = finished.wait_for(timeout) == std::future_status::ready;
    while (finished.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
        for (const QString& fifo : fifos) {
            const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
        }
    }
    thread.join();
    return inTime;
}

// Collects the warnings written on the log while it lives.
class LogCapture {
public:
    LogCapture() {
        Current() = this;
        m_previous = qInstallMessageHandler(&LogCapture::Handle);
    }
    ~LogCapture() {
        qInstallMessageHandler(m_previous);
        Current() = nullptr;
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList Lines() const {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }
    // The lines that mention `text`.
    int Count(const QString& text) const { return static_cast<int>(Lines().filter(text).size()); }

private:
    static LogCapture*& Current() {
        static LogCapture* current = nullptr;
        return current;
    }
    static void Handle(QtMsgType, const QMessageLogContext&, const QString& message) {
        if (LogCapture* capture = Current()) {
            std::lock_guard lock(capture->m_mutex);
            capture->m_lines << message;
        }
    }

    mutable std::mutex m_mutex;
    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
};

}  // namespace fifotests
