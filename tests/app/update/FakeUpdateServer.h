#pragma once
// An HTTP server on the loopback address, on a thread of its own, for the
// update check's tests: it records each request's target and answers as the
// test's handler says (a reply, a reply after a delay, a reply held until the
// test releases it, a body of any size sent in pieces, or never an answer).

#include <QByteArray>
#include <QEventLoop>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

class FakeUpdateServer {
public:
    enum class Kind { Reply, Silent, Huge, Held };
    struct Response {
        Kind kind = Kind::Reply;
        QByteArray body;
        int delayMs = 0;
        qint64 hugeBytes = 0;
    };
    static Response Reply(QByteArray body, int delayMs = 0) { return {Kind::Reply, std::move(body), delayMs, 0}; }
    static Response Silent() { return {Kind::Silent, {}, 0, 0}; }
    static Response Huge(qint64 bytes) { return {Kind::Huge, {}, 0, bytes}; }
    // The reply is sent once Release() has been called.
    static Response Held(QByteArray body) { return {Kind::Held, std::move(body), 0, 0}; }
    using Handler = std::function<Response(const QByteArray& target)>;

    explicit FakeUpdateServer(Handler handler) : handler_(std::move(handler)) {
        std::promise<quint16> ready;
        std::future<quint16> port = ready.get_future();
        thread_ = std::thread([this, &ready] { Run(ready); });
        port_ = port.get();
    }
    ~FakeUpdateServer() {
        stop_ = true;
        thread_.join();
    }
    FakeUpdateServer(const FakeUpdateServer&) = delete;
    FakeUpdateServer& operator=(const FakeUpdateServer&) = delete;

    quint16 Port() const { return port_; }

    // Sends the held replies, those waiting and those to come. Any thread.
    void Release() { released_ = true; }

    QList<QByteArray> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }

    // Waits (polling) until `count` requests have come, at most `timeoutMs`.
    bool WaitForRequests(int count, int timeoutMs = 60000) const {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Requests().size() < count) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    static QByteArray Http200(const QByteArray& body) {
        return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(body.size()) +
               "\r\nConnection: close\r\n\r\n" + body;
    }

private:
    void Run(std::promise<quint16>& ready) {
        QEventLoop loop;
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
            while (QTcpSocket* socket = server.nextPendingConnection())
                Serve(socket);
        });
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (released_)
                SendHeld();
            if (stop_)
                loop.quit();
        });
        poll.start(5);
        ready.set_value(server.serverPort());
        loop.exec();
    }

    void Serve(QTcpSocket* socket) {
        auto received = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
            *received += socket->readAll();
            const qsizetype end = received->indexOf("\r\n\r\n");
            if (end < 0 || received->isNull())
                return;
            const QList<QByteArray> words = received->left(received->indexOf("\r\n")).split(' ');
            received->clear();
            const QByteArray target = words.size() >= 2 ? words[1] : QByteArray();
            {
                std::lock_guard lock(mutex_);
                requests_ << target;
            }
            Answer(socket, handler_(target));
        });
    }

    // Server thread.
    void SendHeld() {
        for (const auto& [socket, body] : held_) {
            if (socket) {
                socket->write(Http200(body));
                socket->disconnectFromHost();
            }
        }
        held_.clear();
    }

    void Answer(QTcpSocket* socket, const Response& response) {
        switch (response.kind) {
        case Kind::Silent:
            return;
        case Kind::Held:
            held_.emplace_back(socket, response.body);
            if (released_)
                SendHeld();
            return;
        case Kind::Reply:
            if (response.delayMs > 0) {
                QTimer::singleShot(response.delayMs, socket, [socket, body = response.body] {
                    socket->write(Http200(body));
                    socket->disconnectFromHost();
                });
            } else {
                socket->write(Http200(response.body));
                socket->disconnectFromHost();
            }
            return;
        case Kind::Huge: {
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(response.hugeBytes) +
                          "\r\nConnection: close\r\n\r\n");
            auto left = std::make_shared<qint64>(response.hugeBytes);
            auto more = [socket, left] {
                if (*left <= 0 || socket->bytesToWrite() > 256 * 1024)
                    return;
                const qint64 n = std::min<qint64>(*left, 64 * 1024);
                *left -= n;
                socket->write(QByteArray(n, 'a'));
            };
            QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
            more();
            return;
        }
        }
    }

    Handler handler_;
    std::thread thread_;
    quint16 port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> released_{false};
    std::vector<std::pair<QPointer<QTcpSocket>, QByteArray>> held_;  // server thread
    mutable std::mutex mutex_;
    QList<QByteArray> requests_;
};
