#include "app/update/HttpFetch.h"

#include "core/version/VersionInfo.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QTcpSocket>
#include <QTimer>

#include <netdb.h>
#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace update {

namespace {

// How often a running request looks at the abort flag and the clock.
constexpr int kPollMs = 20;

struct Route {
    QString host;
    quint16 port;
    QByteArray target;  // origin form, or the absolute address for a proxy
};

Route RouteFor(const QUrl& url, bool useSystemProxy) {
    const quint16 port = static_cast<quint16>(url.port(80));
    QByteArray target = url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (target.isEmpty())
        target = "/";
    if (useSystemProxy) {
        for (const QNetworkProxy& proxy : QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(url))) {
            if (proxy.type() == QNetworkProxy::HttpProxy || proxy.type() == QNetworkProxy::HttpCachingProxy)
                return {proxy.hostName(), proxy.port(), url.toEncoded(QUrl::RemoveFragment)};
        }
    }
    return {url.host(), port, target};
}

// The first address of the host (a literal address as it stands), or
// nothing when the lookup failed, was aborted or ran out of time.
std::optional<QHostAddress> LookUpHost(const QString& host, const FetchOptions& options, const std::atomic<bool>& abort,
                                       const QElapsedTimer& clock) {
    if (QHostAddress literal; literal.setAddress(host))
        return literal;
    struct Lookup {
        std::mutex mutex;
        std::condition_variable done;
        std::optional<QList<QHostAddress>> addresses;
    };
    auto lookup = std::make_shared<Lookup>();
    HostResolver resolve = options.resolve ? options.resolve : HostResolver(SystemResolve);
    // Detached: the lookup cannot be interrupted, and the worker, its join
    // and the process's exit must not wait for it. It touches only its own
    // shared state.
    std::thread([lookup, resolve = std::move(resolve), host] {
        QList<QHostAddress> addresses = resolve(host);
        std::lock_guard lock(lookup->mutex);
        lookup->addresses = std::move(addresses);
        lookup->done.notify_all();
    }).detach();
    std::unique_lock lock(lookup->mutex);
    while (!lookup->addresses) {
        if (abort || clock.hasExpired(options.timeoutMs))
            return std::nullopt;
        lookup->done.wait_for(lock, std::chrono::milliseconds(kPollMs));
    }
    if (lookup->addresses->isEmpty())
        return std::nullopt;
    return lookup->addresses->front();
}

QByteArray RequestText(const QUrl& url, const QByteArray& target) {
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (url.port(80) != 80)
        host += ':' + QByteArray::number(url.port());
    return "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\nUser-Agent: " + vespera::kApplicationTitle +
           "\r\nAccept: */*\r\nConnection: close\r\n\r\n";
}

}  // namespace

QList<QHostAddress> SystemResolve(const QString& host) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG;
    addrinfo* found = nullptr;
    QList<QHostAddress> addresses;
    if (::getaddrinfo(host.toUtf8().constData(), nullptr, &hints, &found) != 0)
        return addresses;
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        const QHostAddress address(entry->ai_addr);
        if (!address.isNull() && !addresses.contains(address))
            addresses.append(address);
    }
    ::freeaddrinfo(found);
    return addresses;
}

std::optional<HttpResponse> HttpGet(const QUrl& url, const FetchOptions& options, const std::atomic<bool>& abort) {
    if (abort || !url.isValid() || url.scheme() != QLatin1String("http"))
        return std::nullopt;
    const Route route = RouteFor(url, options.useSystemProxy);
    QElapsedTimer clock;
    clock.start();
    const std::optional<QHostAddress> address = LookUpHost(route.host, options, abort, clock);
    if (!address)
        return std::nullopt;

    QEventLoop loop;
    QTcpSocket socket;
    socket.setProxy(QNetworkProxy::NoProxy);
    QByteArray received;
    bool closed = false;
    bool failed = false;
    HttpResponse response;
    ParseState state = ParseState::Incomplete;

    auto parse = [&] {
        state = ParseHttpResponse(received, closed, options.maxBytes, response);
        if (state != ParseState::Incomplete)
            loop.quit();
    };
    QObject::connect(&socket, &QTcpSocket::connected, &loop, [&] { socket.write(RequestText(url, route.target)); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] {
        received += socket.readAll();
        parse();
    });
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, [&] {
        received += socket.readAll();
        closed = true;
        parse();
    });
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, [&](QAbstractSocket::SocketError error) {
        if (error == QAbstractSocket::RemoteHostClosedError)
            return;  // the end of a response read to the close
        failed = true;
        loop.quit();
    });
    QTimer poll;
    poll.setInterval(kPollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (abort || clock.hasExpired(options.timeoutMs)) {
            failed = true;
            loop.quit();
        }
    });
    poll.start();
    socket.connectToHost(*address, route.port);
    loop.exec();
    poll.stop();
    socket.abort();

    if (failed || abort || state != ParseState::Complete)
        return std::nullopt;
    return response;
}

}  // namespace update
