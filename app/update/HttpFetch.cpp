#include "app/update/HttpFetch.h"

#include "app/version/VersionInfo.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QTcpSocket>
#include <QTimer>

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

QByteArray RequestText(const QUrl& url, const QByteArray& target) {
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (url.port(80) != 80)
        host += ':' + QByteArray::number(url.port());
    return "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\nUser-Agent: " + vespera::kApplicationTitle +
           "\r\nAccept: */*\r\nConnection: close\r\n\r\n";
}

}  // namespace

std::optional<HttpResponse> HttpGet(const QUrl& url, const FetchOptions& options, const std::atomic<bool>& abort) {
    if (abort || !url.isValid() || url.scheme() != QLatin1String("http"))
        return std::nullopt;
    const Route route = RouteFor(url, options.useSystemProxy);

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
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    poll.setInterval(kPollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (abort || clock.hasExpired(options.timeoutMs)) {
            failed = true;
            loop.quit();
        }
    });
    poll.start();
    socket.connectToHost(route.host, route.port);
    loop.exec();
    poll.stop();
    socket.abort();

    if (failed || abort || state != ParseState::Complete)
        return std::nullopt;
    return response;
}

}  // namespace update
