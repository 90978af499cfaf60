// The update check's HTTP GET and its host look-up: the look-up's answer is
// the address connected to, and a look-up that does not end (a name server
// that never answers) holds neither the abort nor the time-out.
#include "app/update/HttpFetch.h"

#include "FakeUpdateServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>

namespace {

// Qt's own event dispatcher on every thread (see UpdateCheckerTest.cpp).
const bool kNoGlib = [] { return qputenv("QT_NO_GLIB", "1"); }();

TEST(HttpGet, ConnectsToTheAddressTheLookUpGives) {
    FakeUpdateServer server([](const QByteArray&) { return FakeUpdateServer::Reply("<status>0</status>"); });
    QStringList looked;
    update::FetchOptions options;
    options.useSystemProxy = false;
    std::mutex mutex;
    options.resolve = [&](const QString& host) {
        std::lock_guard lock(mutex);
        looked << host;
        return QList<QHostAddress>{QHostAddress(QHostAddress::LocalHost)};
    };
    const std::atomic<bool> abort{false};
    const QUrl url(QStringLiteral("http://updates.vespera.test:%1/checkupdate/updateurl.html").arg(server.Port()));
    const std::optional<update::HttpResponse> response = update::HttpGet(url, options, abort);
    ASSERT_TRUE(response.has_value());
    EXPECT_EQ(response->status, 200);
    EXPECT_EQ(response->body, QByteArray("<status>0</status>"));
    std::lock_guard lock(mutex);
    EXPECT_EQ(looked, QStringList{QStringLiteral("updates.vespera.test")});
}

TEST(HttpGet, AnAddressIsNotLookedUpAndANameWithoutOneFails) {
    update::FetchOptions options;
    options.useSystemProxy = false;
    std::atomic<int> lookups{0};
    options.resolve = [&](const QString&) {
        ++lookups;
        return QList<QHostAddress>{};
    };
    const std::atomic<bool> abort{false};
    EXPECT_FALSE(update::HttpGet(QUrl(QStringLiteral("http://nowhere.vespera.test/")), options, abort));
    EXPECT_EQ(lookups, 1);
    FakeUpdateServer server([](const QByteArray&) { return FakeUpdateServer::Reply("ok"); });
    const QUrl literal(QStringLiteral("http://127.0.0.1:%1/").arg(server.Port()));
    EXPECT_TRUE(update::HttpGet(literal, options, abort));
    EXPECT_EQ(lookups, 1);
}

TEST(HttpGet, ALookUpThatNeverEndsHoldsNeitherTheAbortNorTheTimeOut) {
    // The look-up waits until the test ends (its thread is nobody's to join).
    auto release = std::make_shared<std::promise<void>>();
    std::shared_future<void> released = release->get_future().share();
    auto started = std::make_shared<std::promise<void>>();
    std::future<void> lookUpStarted = started->get_future();
    update::FetchOptions options;
    options.useSystemProxy = false;
    options.resolve = [released, started](const QString&) {
        started->set_value();
        released.wait();
        return QList<QHostAddress>{};
    };
    std::atomic<bool> abort{false};
    auto get = std::async(std::launch::async, [&] {
        return update::HttpGet(QUrl(QStringLiteral("http://slow.vespera.test/")), options, abort);
    });
    ASSERT_EQ(lookUpStarted.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    abort = true;
    ASSERT_EQ(get.wait_for(std::chrono::seconds(30)), std::future_status::ready) << "the abort waited for the look-up";
    EXPECT_FALSE(get.get().has_value());

    // The time-out, with nobody aborting.
    options.timeoutMs = 50;
    options.resolve = [released](const QString&) {
        released.wait();
        return QList<QHostAddress>{};
    };
    abort = false;
    auto timed = std::async(std::launch::async, [&] {
        return update::HttpGet(QUrl(QStringLiteral("http://slow.vespera.test/")), options, abort);
    });
    ASSERT_EQ(timed.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_FALSE(timed.get().has_value());
    release->set_value();
}

}  // namespace
