#pragma once
// One HTTP GET on the calling thread, with an event loop of its own: used by
// the update check's worker. Every Qt object it makes lives and dies on that
// thread. The request goes through the desktop's HTTP proxy when one is set
// up for the address (and `useSystemProxy` is on), else straight to the host.
// It ends on a connection error, a malformed response, a body over the cap,
// the time-out, or an abort request.

#include "app/update/HttpResponse.h"

#include <QUrl>

#include <atomic>
#include <optional>

namespace update {

struct FetchOptions {
    int timeoutMs = 15000;
    qsizetype maxBytes = 64 * 1024;
    bool useSystemProxy = true;
};

// The status and body, or nothing when the request failed. `abort` is polled
// while the request runs.
std::optional<HttpResponse> HttpGet(const QUrl& url, const FetchOptions& options, const std::atomic<bool>& abort);

}  // namespace update
