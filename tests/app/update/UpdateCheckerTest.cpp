#include "app/update/CUpdateChecker.h"

#include "FakeUpdateServer.h"
#include "app/update/CUpdateDlg.h"
#include "app/update/UpdateCommands.h"
#include "app/update/UpdateIds.h"
#include "app/update/UpdateSchedule.h"
#include "core/version/VersionInfo.h"
#include "platform/commands/PostedCommand.h"
#include "platform/profile/ProfileStore.h"
#include "platform/shellexec/OpenAddress.h"
#include "support/FileFixtures.h"

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace {

// Qt's own event dispatcher on every thread, set before the test's
// QApplication is made: glib's wake-ups go through atomics ThreadSanitizer
// cannot see, which it reports as races.
const bool kNoGlib = [] { return qputenv("QT_NO_GLIB", "1"); }();

using Response = FakeUpdateServer::Response;
using Kind = FakeUpdateServer::Kind;

const QByteArray kQueryPath = "/checkupdate/query.html";
const QByteArray kExpectedQuery =
    "/checkupdate/query.html?productname=ORVEK%20Vespera&version=3,0,0,0&user=%20&sn=&subversion=40904B0&reserved=%20";

// Answers the first request with the query page on the loopback address and
// the second with `second`.
FakeUpdateServer::Handler Serving(Response second) {
    return [second](const QByteArray& target) {
        if (target == "/checkupdate/updateurl.html")
            return FakeUpdateServer::Reply("http://127.0.0.1" + kQueryPath);
        return second;
    };
}

class RecordingReceiver : public platform::CommandReceiver {
public:
    void OnPostedCommand(const platform::Command& command) override { ids.push_back(command.id); }
    std::vector<int> ids;
};

// Records the addresses the program asks the desktop to open.
class RecordedAddresses {
public:
    RecordedAddresses()
        : previous_(platform::InstallAddressOpener([this](const QUrl& url) {
              opened << url.toString();
              return true;
          })) {}
    ~RecordedAddresses() { platform::InstallAddressOpener(previous_); }
    QStringList opened;

private:
    platform::AddressOpener previous_;
};

class UpdateCheckerTest : public ::testing::Test {
protected:
    void SetUp() override {
        profile_ = dir_.filePath(QStringLiteral("profile.conf"));
        port_ = platform::CommandPort::Create(&receiver_);
    }
    void TearDown() override {
        CUpdateChecker::Destroy();
        port_->Close();
    }

    // The checker pointed at `server`, with a schedule stored `daysAgo` days
    // back (none when negative).
    CUpdateChecker* Checker(const FakeUpdateServer& server, int daysAgo = 30, int timeoutMs = 60000) {
        if (daysAgo >= 0) {
            platform::ProfileStore store(profile_);
            store.WriteString(QStringLiteral("MAIN"), QStringLiteral("XVALUE_T"),
                              update::FormatCheckDate(now_ - daysAgo * 86400));
            store.WriteInt(QStringLiteral("MAIN"), QStringLiteral("XVALUE_D"), 7);
            store.Sync();
        }
        CUpdateChecker* checker = CUpdateChecker::Create();
        checker->SetServer({QStringLiteral("127.0.0.1"), server.Port(), timeoutMs, false});
        checker->SetProfileFile(profile_);
        checker->SetNotifyPort(port_);
        checker->SetReachability([] { return true; });
        checker->SetClock([this] { return now_; });
        return checker;
    }

    QString Stored(const char* key) const {
        return platform::ProfileStore(profile_).GetString(QStringLiteral("MAIN"), QLatin1String(key), QString());
    }

    static void WaitUntilIdle(CUpdateChecker* checker) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (checker->IsRunning() && std::chrono::steady_clock::now() < end)
            QTest::qWait(5);
    }

    QTemporaryDir dir_;
    QString profile_;
    std::int64_t now_ = QDateTime(QDate(2026, 12, 8), QTime(10, 0), Qt::LocalTime).toSecsSinceEpoch();
    RecordingReceiver receiver_;
    std::shared_ptr<platform::CommandPort> port_;
};

TEST_F(UpdateCheckerTest, NoUpdateSaysSoAndAdvancesTheSchedule) {
    FakeUpdateServer server(
        Serving(FakeUpdateServer::Reply("<status>0</status><nextcheckindays>14</nextcheckindays>")));
    CUpdateChecker* checker = Checker(server);
    ScriptedAnswers answers;
    update::CheckForUpdateCommand();
    ASSERT_EQ(server.Requests().size(), 2);
    EXPECT_EQ(server.Requests()[0], QByteArray("/checkupdate/updateurl.html"));
    EXPECT_EQ(server.Requests()[1], kExpectedQuery);
    ASSERT_EQ(answers.Questions().size(), 1u);
    EXPECT_EQ(answers.Questions()[0].text, QStringLiteral("No updates found!"));
    EXPECT_EQ(Stored("XVALUE_T"), QStringLiteral("26,12,08"));
    EXPECT_EQ(Stored("XVALUE_D"), QStringLiteral("14"));
    platform::DeliverPostedCommands();
    EXPECT_EQ(receiver_.ids, std::vector<int>{update::UpdateMessageId()});  // the frame shows nothing for status 0
    EXPECT_EQ(checker->Status(), 0);
}

TEST_F(UpdateCheckerTest, UpdateAvailableShowsTheDialogWithTheReplysTexts) {
    FakeUpdateServer server(
        Serving(FakeUpdateServer::Reply("<status>1</status><message40>Short</message40>"
                                        "<message80>Vespera 3.1 is out</message80>"
                                        "<updateurl>https://www.orvek.example/get</updateurl>"
                                        "<moreinfourl>http://www.orvek.example/news</moreinfourl>")));
    CUpdateChecker* checker = Checker(server);
    ScriptedAnswers answers;
    update::CheckForUpdateCommand();
    EXPECT_TRUE(answers.Questions().empty());
    EXPECT_EQ(checker->Status(), 1);
    EXPECT_EQ(Stored("XVALUE_D"), QStringLiteral("0"));  // no interval: check at the next start
    EXPECT_EQ(platform::DeliverPostedCommands(), 1);
    EXPECT_EQ(receiver_.ids, std::vector<int>{update::UpdateMessageId()});

    // The frame routes the message to the commands, which show the dialog.
    update::UpdateCommands commands({});
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto* dlg = qobject_cast<CUpdateDlg*>(QApplication::activeModalWidget())) {
            shown = dlg->Info()->toPlainText();
            QTest::mouseClick(dlg->CancelButton(), Qt::LeftButton);
        }
    });
    EXPECT_TRUE(commands.RunCommand(update::UpdateMessageId()));
    EXPECT_EQ(shown, QStringLiteral("Vespera 3.1 is out"));

    RecordedAddresses addresses;
    CUpdateDlg dlg(checker->Result());
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Dialog"));
    EXPECT_EQ(dlg.Heading()->text(), QStringLiteral("Updates are available for your version of software."));
    EXPECT_EQ(dlg.Info()->toPlainText(), QStringLiteral("Vespera 3.1 is out"));
    EXPECT_TRUE(dlg.Info()->isReadOnly());
    ASSERT_TRUE(dlg.MoreInfoButton()->isVisible());
    QTest::mouseClick(dlg.MoreInfoButton(), Qt::LeftButton);
    EXPECT_TRUE(dlg.isVisible());
    QTest::mouseClick(dlg.GetUpdatesButton(), Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(addresses.opened, (QStringList{QStringLiteral("http://www.orvek.example/news"),
                                             QStringLiteral("https://www.orvek.example/get")}));
}

TEST_F(UpdateCheckerTest, CriticalUpdateHeadingAndLongestMessage) {
    update::UpdateReply reply;
    reply.m_nStatus = 2;
    reply.m_strMessage40 = QStringLiteral("40");
    reply.m_strMessage250 = QStringLiteral("The long message");
    CUpdateDlg dlg(reply);
    dlg.show();
    EXPECT_EQ(dlg.Heading()->text(), QStringLiteral("Critical updates are available for your version of software"));
    EXPECT_EQ(dlg.Info()->toPlainText(), QStringLiteral("The long message"));
    EXPECT_FALSE(dlg.MoreInfoButton()->isVisible());  // no information page
    QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

TEST_F(UpdateCheckerTest, OnlyWebAddressesAreEverOpened) {
    RecordedAddresses addresses;
    update::UpdateReply reply;
    reply.m_nStatus = 1;
    reply.m_strUpdateUrl = QStringLiteral("file:///etc/passwd");
    reply.m_strMoreInfoUrl = QStringLiteral("javascript:alert(1)");
    CUpdateDlg dlg(reply);
    dlg.show();
    QTest::mouseClick(dlg.MoreInfoButton(), Qt::LeftButton);
    QTest::mouseClick(dlg.GetUpdatesButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(addresses.opened.isEmpty());

    for (const char* refused : {"/usr/bin/xterm", "ftp://host/x", "mailto:a@b", "http://", "http:/x",
                                "data:text/html,x", "vbscript:x", "  file:/x", "HTTP//host"})
        EXPECT_FALSE(platform::OpenWebAddress(QLatin1String(refused))) << refused;
    EXPECT_TRUE(addresses.opened.isEmpty());
    EXPECT_TRUE(platform::OpenWebAddress(QStringLiteral("HTTPS://Host.example/a?b=1")));
    EXPECT_EQ(addresses.opened.size(), 1);
}

TEST_F(UpdateCheckerTest, AServerThatNeverAnswersTimesOutQuietly) {
    FakeUpdateServer server([](const QByteArray&) { return FakeUpdateServer::Silent(); });
    CUpdateChecker* checker = Checker(server, 30, 300);
    const QString before = Stored("XVALUE_T");
    // The server never answers: only the time-out ends the check (without
    // it the test hangs here).
    EXPECT_FALSE(checker->Check(true));
    EXPECT_EQ(server.Requests().size(), 1);
    EXPECT_EQ(Stored("XVALUE_T"), before);  // not answered: the schedule stays
    EXPECT_EQ(platform::DeliverPostedCommands(), 0);
}

TEST_F(UpdateCheckerTest, RepliesOverTheCapAreRefused) {
    for (int which : {0, 1}) {
        FakeUpdateServer server([which](const QByteArray& target) {
            const bool first = target == "/checkupdate/updateurl.html";
            if (first == (which == 0))
                return FakeUpdateServer::Huge(10 * 1024 * 1024);
            return first ? FakeUpdateServer::Reply("http://127.0.0.1" + kQueryPath)
                         : FakeUpdateServer::Reply("<status>1</status>");
        });
        CUpdateChecker* checker = Checker(server);
        const QString before = Stored("XVALUE_T");
        EXPECT_FALSE(checker->Check(true)) << which;
        EXPECT_EQ(server.Requests().size(), which + 1);
        EXPECT_EQ(Stored("XVALUE_T"), before);
        EXPECT_EQ(platform::DeliverPostedCommands(), 0);
        CUpdateChecker::Destroy();
    }
}

TEST_F(UpdateCheckerTest, AHostWithAControlCharacterIsNeverAsked) {
    FakeUpdateServer server([](const QByteArray&) { return FakeUpdateServer::Reply("http://127.0.0.1\x01/q.html"); });
    CUpdateChecker* checker = Checker(server);
    EXPECT_FALSE(checker->Check(true));
    EXPECT_EQ(server.Requests().size(), 1);
}

TEST_F(UpdateCheckerTest, ScheduleDecidesTheBackgroundCheck) {
    // Today is 26,12,08; the interval is 7 days.
    struct Case {
        const char* stored;  // nullptr: first start
        bool sync;
        int requests;
        const char* storedAfter;
    };
    const Case cases[] = {
        {"26,12,05", false, 0, "26,12,05"},  // 3 days: not due
        {"26,12,05", true, 2, "26,12,08"},   // the menu ignores the interval
        {"26,11,30", false, 2, "26,12,08"},  // 8 days: due
        {"26,xx", false, 2, "26,12,08"},     // not a date: due
        {nullptr, false, 0, "26,12,08"},     // first start: the schedule begins, nothing is sent
        {nullptr, true, 2, "26,12,08"},      // the menu still checks at once
    };
    for (const Case& c : cases) {
        FakeUpdateServer server(
            Serving(FakeUpdateServer::Reply("<status>0</status><nextcheckindays>5</nextcheckindays>")));
        QFile::remove(profile_);
        CUpdateChecker* checker = Checker(server, -1);
        if (c.stored != nullptr) {
            platform::ProfileStore store(profile_);
            store.WriteString(QStringLiteral("MAIN"), QStringLiteral("XVALUE_T"), QLatin1String(c.stored));
            store.WriteInt(QStringLiteral("MAIN"), QStringLiteral("XVALUE_D"), 7);
            store.Sync();
        }
        EXPECT_TRUE(checker->Check(c.sync) || c.sync);
        WaitUntilIdle(checker);
        CUpdateChecker::Destroy();
        const std::string what = std::string(c.stored ? c.stored : "first start") + (c.sync ? " menu" : " background");
        EXPECT_EQ(server.Requests().size(), c.requests) << what;
        EXPECT_EQ(Stored("XVALUE_T"), QLatin1String(c.storedAfter)) << what;
        EXPECT_EQ(Stored("XVALUE_D"), c.requests > 0 ? QStringLiteral("5") : QStringLiteral("7")) << what;
    }
}

TEST_F(UpdateCheckerTest, AMenuCheckDuringABackgroundCheckKeepsItsResult) {
    // The background check's reply comes only once the menu check waits.
    FakeUpdateServer server(Serving(FakeUpdateServer::Held("<status>1</status><message40>New</message40>")));
    CUpdateChecker* checker = Checker(server);
    int waits = 0;
    checker->SetWaitHook([&] {
        ++waits;
        server.Release();
    });
    EXPECT_TRUE(checker->Check(false));
    ASSERT_TRUE(server.WaitForRequests(1));
    EXPECT_TRUE(checker->Check(false));  // no second background check
    EXPECT_TRUE(checker->Check(true));   // waits for it and reports "update available"
    EXPECT_EQ(waits, 1);
    EXPECT_EQ(checker->Status(), 1);
    EXPECT_EQ(server.Requests().size(), 2);
    EXPECT_EQ(platform::DeliverPostedCommands(), 1);
}

TEST_F(UpdateCheckerTest, ShuttingDownInTheMiddleOfACheckAbortsAndJoins) {
    FakeUpdateServer server([](const QByteArray&) { return FakeUpdateServer::Silent(); });
    // A time-out longer than any test run: only the abort can end the check
    // (without it the test hangs here).
    CUpdateChecker* checker = Checker(server, 30, 24 * 3600 * 1000);
    EXPECT_TRUE(checker->Check(false));
    ASSERT_TRUE(server.WaitForRequests(1));
    EXPECT_TRUE(checker->IsRunning());
    CUpdateChecker::Destroy();
    EXPECT_EQ(platform::DeliverPostedCommands(), 0);
}

// A server that refuses the connection, or answers what cannot be read: the
// menu says the check could not be made; the background check says nothing.
TEST_F(UpdateCheckerTest, ACheckThatCannotBeMadeIsNotCalledNoUpdates) {
    const QString cannot =
        QStringLiteral("Can't check for updates!\nThe update server cannot be reached or its answer cannot be read.");
    const struct {
        const char* name;
        std::function<Response(const QByteArray&)> handler;  // null: the port refuses connections
    } cases[] = {
        {"refused", nullptr},
        {"no address in the first reply", [](const QByteArray&) { return FakeUpdateServer::Reply("nonsense"); }},
        {"empty second reply", Serving(FakeUpdateServer::Reply(""))},
        {"second reply without a status", Serving(FakeUpdateServer::Reply("<html>Not found</html>"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeUpdateServer server(c.handler ? c.handler : [](const QByteArray&) { return FakeUpdateServer::Silent(); });
        CUpdateChecker* checker = Checker(server);
        if (!c.handler) {
            // A port on the loopback address that nothing listens on.
            QTcpServer closed;
            ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
            const quint16 port = closed.serverPort();
            closed.close();
            checker->SetServer({QStringLiteral("127.0.0.1"), port, 60000, false});
        }
        {
            ScriptedAnswers answers;
            EXPECT_TRUE(checker->Check(false));
            WaitUntilIdle(checker);
            EXPECT_TRUE(answers.Questions().empty());
            EXPECT_FALSE(checker->WasAnswered());
        }
        ScriptedAnswers answers;
        update::CheckForUpdateCommand();
        ASSERT_EQ(answers.Questions().size(), 1u);
        EXPECT_EQ(answers.Questions()[0].text, cannot);
        EXPECT_EQ(checker->Status(), 0);
        platform::DeliverPostedCommands();
        receiver_.ids.clear();
        CUpdateChecker::Destroy();
    }
    // Offline: nothing is sent, and the menu says so too.
    FakeUpdateServer server(Serving(FakeUpdateServer::Reply("<status>0</status>")));
    CUpdateChecker* checker = Checker(server);
    checker->SetReachability([] { return false; });
    ScriptedAnswers answers;
    update::CheckForUpdateCommand();
    ASSERT_EQ(answers.Questions().size(), 1u);
    EXPECT_EQ(answers.Questions()[0].text, cannot);
    EXPECT_TRUE(server.Requests().isEmpty());
}

TEST_F(UpdateCheckerTest, NoConnectionSendsNothing) {
    FakeUpdateServer server(Serving(FakeUpdateServer::Reply("<status>1</status>")));
    CUpdateChecker* checker = Checker(server);
    checker->SetReachability([] { return false; });
    EXPECT_FALSE(checker->Check(true));
    EXPECT_TRUE(server.Requests().isEmpty());
}

TEST_F(UpdateCheckerTest, TheServerCanBeNamedOrSwitchedOffFromTheEnvironment) {
    qputenv("VESPERA_UPDATE_SERVER", "127.0.0.1:8123");
    update::UpdateServer server = update::DefaultUpdateServer();
    EXPECT_EQ(server.host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(server.port, 8123);
    qputenv("VESPERA_UPDATE_SERVER", "localhost");
    EXPECT_EQ(update::DefaultUpdateServer().port, 80);
    qputenv("VESPERA_UPDATE_SERVER", "host:99999");
    EXPECT_TRUE(update::DefaultUpdateServer().host.isEmpty());
    qunsetenv("VESPERA_UPDATE_SERVER");
    EXPECT_EQ(update::DefaultUpdateServer().host, QLatin1String(vespera::kUpdateHost));

    // Switched off: even the menu's check sends nothing.
    FakeUpdateServer fake(Serving(FakeUpdateServer::Reply("<status>1</status>")));
    CUpdateChecker* checker = Checker(fake);
    checker->SetServer({QString(), fake.Port(), 1000, false});
    EXPECT_FALSE(checker->Check(true));
    EXPECT_TRUE(fake.Requests().isEmpty());
}

TEST_F(UpdateCheckerTest, ParseFillsTheFields) {
    CUpdateChecker* checker = CUpdateChecker::Get();
    EXPECT_FALSE(checker->Parse(QString()));
    ASSERT_TRUE(checker->Parse(QStringLiteral("<status>2</status><moreinfourl>http://a/</moreinfourl>")));
    EXPECT_EQ(checker->Result().m_nStatus, 2);
    EXPECT_EQ(checker->Result().m_strMoreInfoUrl, QStringLiteral("http://a/"));
    EXPECT_EQ(CUpdateChecker::GetTag(QStringLiteral("<a x>1</a>"), QStringLiteral("a")), QStringLiteral("1"));
}

}  // namespace
