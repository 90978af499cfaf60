#pragma once
// One HTTP GET on the calling thread, with an event loop of its own: used by
// the update check's worker. Every Qt object it makes lives and dies on that
// thread. The request goes through the desktop's HTTP proxy when one is set
// up for the address (and `useSystemProxy` is on), else straight to the host.
// It ends on a connection error, a malformed response, a body over the cap,
// the time-out, or an abort request.

#include "app/update/HttpResponse.h"

#include <QHostAddress>
#include <QList>
#include <QUrl>

#include <atomic>
#include <functional>
#include <optional>

namespace update {

// The addresses of a host name; an empty list when it has none.
using HostResolver = std::function<QList<QHostAddress>(const QString& host)>;

struct FetchOptions {
    int timeoutMs = 15000;
    qsizetype maxBytes = 64 * 1024;
    bool useSystemProxy = true;
    // Looks the host name up; none: the system's resolver. It runs on a
    // thread of its own that nobody waits for, so a name server that takes
    // seconds holds neither the abort nor the time-out, nor the program's
    // exit.
    HostResolver resolve;
};

// The system's resolver (getaddrinfo), in its order of preference.
QList<QHostAddress> SystemResolve(const QString& host);

// The status and body, or nothing when the request failed. `abort` is polled
// while the request runs.
std::optional<HttpResponse> HttpGet(const QUrl& url, const FetchOptions& options, const std::atomic<bool>& abort);

}  // namespace update
