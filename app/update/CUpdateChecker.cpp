#include "app/update/CUpdateChecker.h"

#include "app/update/HttpFetch.h"
#include "app/update/UpdateSchedule.h"
#include "core/version/VersionInfo.h"
#include "platform/commands/PostedCommand.h"
#include "platform/profile/ProfileStore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QNetworkInformation>
#include <QUrl>

#include <utility>

namespace update {

UpdateServer DefaultUpdateServer() {
    UpdateServer server{QLatin1String(vespera::kUpdateHost)};
    const QString custom = qEnvironmentVariable("VESPERA_UPDATE_SERVER");
    if (custom.isNull())
        return server;
    // "host" or "host:port"; an empty value switches the check off.
    const qsizetype colon = custom.lastIndexOf(u':');
    bool ok = true;
    const int port = colon < 0 ? 80 : custom.mid(colon + 1).toInt(&ok);
    server.host = colon < 0 ? custom : custom.left(colon);
    if (!ok || port <= 0 || port > 65535)
        server.host.clear();
    server.port = static_cast<quint16>(port > 0 && port <= 65535 ? port : 80);
    return server;
}

int UpdateMessageId() {
    static const int id = platform::RegisterCommandId("WM_QVAUTOUPDATE");
    return id;
}

namespace {

const QString kMain = QStringLiteral("MAIN");
const QString kLastCheck = QStringLiteral("XVALUE_T");
const QString kInterval = QStringLiteral("XVALUE_D");

QUrl RequestUrl(const QString& host, quint16 port, const QByteArray& pathAndQuery) {
    return QUrl::fromEncoded("http://" + host.toLatin1() + ':' + QByteArray::number(port) + pathAndQuery,
                             QUrl::StrictMode);
}

void WriteSchedule(const QString& profileFile, std::int64_t now, int intervalDays) {
    platform::ProfileStore store(profileFile);
    store.WriteString(kMain, kLastCheck, FormatCheckDate(now));
    store.WriteInt(kMain, kInterval, intervalDays);
    store.Sync();
}

}  // namespace

}  // namespace update

using update::UpdateReply;

namespace {

// The singleton; UI thread only.
CUpdateChecker* g_pChecker = nullptr;

}  // namespace

CUpdateChecker::CUpdateChecker()
    : m_server(update::DefaultUpdateServer()), m_profileFile(platform::ProfileStore::DefaultFile()) {}

CUpdateChecker::~CUpdateChecker() {
    m_bAbort = true;
    JoinWorker();
}

CUpdateChecker* CUpdateChecker::Create() {
    if (g_pChecker == nullptr)
        g_pChecker = new CUpdateChecker;
    return g_pChecker;
}

CUpdateChecker* CUpdateChecker::Get() { return Create(); }

void CUpdateChecker::Destroy() {
    delete g_pChecker;
    g_pChecker = nullptr;
}

void CUpdateChecker::SetServer(update::UpdateServer server) { m_server = std::move(server); }
void CUpdateChecker::SetProfileFile(const QString& file) { m_profileFile = file; }
void CUpdateChecker::SetNotifyPort(std::shared_ptr<platform::CommandPort> port) { m_port = std::move(port); }
void CUpdateChecker::SetReachability(std::function<bool()> connected) { m_connected = std::move(connected); }
void CUpdateChecker::SetClock(std::function<std::int64_t()> now) { m_now = std::move(now); }
void CUpdateChecker::SetWaitHook(std::function<void()> hook) { m_waitHook = std::move(hook); }

UpdateReply CUpdateChecker::Result() const {
    std::lock_guard lock(m_mutex);
    return m_reply;
}

bool CUpdateChecker::WasAnswered() const {
    std::lock_guard lock(m_mutex);
    return m_bAnswered;
}

bool CUpdateChecker::Parse(const QString& text) {
    UpdateReply reply;
    if (!update::ParseUpdateReply(text, reply))
        return false;
    std::lock_guard lock(m_mutex);
    m_reply = reply;
    return true;
}

bool CUpdateChecker::IsConnected() const {
    if (m_connected)
        return m_connected();
    // Without a backend the reachability is unknown, which counts as connected.
    if (QNetworkInformation::instance() == nullptr)
        QNetworkInformation::loadDefaultBackend();
    const QNetworkInformation* info = QNetworkInformation::instance();
    return info == nullptr || info->reachability() != QNetworkInformation::Reachability::Disconnected;
}

bool CUpdateChecker::Check(bool sync) {
    if (m_thread.joinable()) {
        if (m_bRunning) {
            // One check at a time: the menu waits for the running one and
            // reports its result, which stays as it is.
            if (!sync)
                return true;
            if (m_waitHook)
                m_waitHook();
            JoinWorker();
            return Status() != 0;
        }
        JoinWorker();
    }
    {
        std::lock_guard lock(m_mutex);
        m_reply.m_nStatus = 0;
        m_bAnswered = false;
    }
    const std::int64_t now = m_now ? m_now() : QDateTime::currentSecsSinceEpoch();
    StartWorker({sync, IsConnected(), now, m_server, m_profileFile, m_port});
    if (!sync)
        return true;
    JoinWorker();
    return Status() != 0;
}

void CUpdateChecker::StartWorker(Job job) {
    m_bRunning = true;
    m_thread = std::thread([this, job = std::move(job)] {
        try {
            RunCheck(job);
        } catch (...) {
            // A check that fails ends quietly.
        }
        m_bRunning = false;
    });
}

void CUpdateChecker::JoinWorker() {
    if (m_thread.joinable())
        m_thread.join();
}

void CUpdateChecker::RunCheck(const Job& job) {
    {
        const platform::ProfileStore store(job.profileFile);
        const QString last = store.GetString(update::kMain, update::kLastCheck, QString());
        if (last.isEmpty()) {
            // First start: the schedule begins today; only the menu asks now.
            update::WriteSchedule(job.profileFile, job.now, update::kDefaultIntervalDays);
            if (!job.force)
                return;
        } else if (!job.force) {
            const int interval = store.GetInt(update::kMain, update::kInterval, update::kDefaultIntervalDays);
            if (!update::IsCheckDue(last, interval, job.now))
                return;
        }
    }
    if (!job.connected || job.server.host.isEmpty() || m_bAbort)
        return;

    const update::FetchOptions options{job.server.timeoutMs, update::kMaxReplyBytes, job.server.useSystemProxy, {}};
    const std::optional<update::HttpResponse> first = update::HttpGet(
        update::RequestUrl(job.server.host, job.server.port, update::kFirstRequestPath), options, m_bAbort);
    if (!first || first->status != 200)
        return;
    const std::optional<update::QueryPage> page = update::ParseQueryPage(first->body);
    if (!page)
        return;

    const QByteArray query =
        update::BuildQuery(QString::fromLatin1(vespera::kProductName), update::ProgramVersionValue(), QByteArray(),
                           update::ProgramSubversionValue());
    const std::optional<update::HttpResponse> second = update::HttpGet(
        update::RequestUrl(page->host, job.server.port, page->path.toLatin1() + query), options, m_bAbort);
    if (!second || second->status != 200)
        return;

    UpdateReply reply;
    const QString text = update::DecodeReply(second->body);
    if (update::ParseUpdateReply(text, reply)) {
        {
            std::lock_guard lock(m_mutex);
            m_reply = reply;
            // A reply that does not give the status (an error page, say)
            // does not answer the question.
            m_bAnswered = !update::GetTag(text, u"status").isEmpty();
        }
        if (job.port)
            job.port->Post(update::UpdateMessageId());
    }
    update::WriteSchedule(job.profileFile, job.now, reply.m_nNextCheckInDays);
}
