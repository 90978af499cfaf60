#pragma once
// One HTTP GET on the calling thread, with an event loop of its own: used by
// the update check's worker. The request ends on a network error, a reply
// that is not "200", a body over the cap, no progress for the time-out, the
// whole time-out, or an abort request.

#include <QByteArray>
#include <QUrl>

#include <atomic>
#include <optional>

class QNetworkAccessManager;

namespace update {

struct FetchOptions {
    int timeoutMs = 15000;
    qsizetype maxBytes = 64 * 1024;
};

// The body, or nothing when the request failed. `manager` belongs to the
// calling thread. `abort` is polled while the request runs.
std::optional<QByteArray> HttpGet(QNetworkAccessManager& manager, const QUrl& url, const FetchOptions& options,
                                  const std::atomic<bool>& abort);

}  // namespace update
