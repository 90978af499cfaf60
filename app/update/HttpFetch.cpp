#include "app/update/HttpFetch.h"

#include "app/version/VersionInfo.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <memory>

namespace update {

namespace {

// How often a running request looks at the abort flag and the clock.
constexpr int kPollMs = 20;

}  // namespace

std::optional<QByteArray> HttpGet(QNetworkAccessManager& manager, const QUrl& url, const FetchOptions& options,
                                  const std::atomic<bool>& abort) {
    if (abort)
        return std::nullopt;
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QLatin1String(vespera::kApplicationTitle));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(options.timeoutMs);

    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    QByteArray body;
    bool tooLong = false;
    QElapsedTimer clock;
    clock.start();

    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        body += reply->readAll();
        if (body.size() > options.maxBytes) {
            tooLong = true;
            reply->abort();
        }
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer poll;
    poll.setInterval(kPollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (abort || clock.hasExpired(options.timeoutMs))
            reply->abort();
    });
    poll.start();
    if (!reply->isFinished())
        loop.exec();
    poll.stop();

    if (tooLong || abort || reply->error() != QNetworkReply::NoError)
        return std::nullopt;
    if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200)
        return std::nullopt;
    body += reply->readAll();
    if (body.size() > options.maxBytes)
        return std::nullopt;
    return body;
}

}  // namespace update
