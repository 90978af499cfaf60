#include "app/update/UpdateProtocol.h"
#include "app/update/UpdateSchedule.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace {

using update::GetTag;

TEST(UpdateProtocol, TagValues) {
    const QString reply = QStringLiteral(
        "<reply><status id=\"x\">2</status><message40></message40>"
        "<updateurl>http://a/b</updateurl><open>never closed</reply>");
    EXPECT_EQ(GetTag(reply, u"status"), QStringLiteral("2"));  // the opening tag may carry attributes
    EXPECT_EQ(GetTag(reply, u"message40"), QString());
    EXPECT_EQ(GetTag(reply, u"updateurl"), QStringLiteral("http://a/b"));
    EXPECT_EQ(GetTag(reply, u"missing"), QString());
    EXPECT_EQ(GetTag(reply, u"open"), QString());  // no closing tag
    EXPECT_EQ(GetTag(QStringLiteral("<status"), u"status"), QString());
    EXPECT_EQ(GetTag(QStringLiteral("<status/>1"), u"status"), QString());
}

TEST(UpdateProtocol, ReplyWithoutIntervalGivesZero) {
    update::UpdateReply reply;
    reply.m_nNextCheckInDays = 9;
    ASSERT_TRUE(update::ParseUpdateReply(u"<status>1</status><message40>Vespera 3.1 is out</message40>", reply));
    EXPECT_EQ(reply.m_nStatus, 1);
    EXPECT_EQ(reply.m_strMessage40, QStringLiteral("Vespera 3.1 is out"));
    EXPECT_EQ(reply.m_nNextCheckInDays, 0);
    EXPECT_TRUE(reply.m_strMoreInfoUrl.isEmpty());
    EXPECT_FALSE(update::ParseUpdateReply(u"", reply));
}

TEST(UpdateProtocol, IntegersReadLikeAtoi) {
    EXPECT_EQ(update::ParseCInt(u"  14 days"), 14);
    EXPECT_EQ(update::ParseCInt(u"-3"), -3);
    EXPECT_EQ(update::ParseCInt(u"x1"), 0);
    EXPECT_EQ(update::ParseCInt(u""), 0);
    EXPECT_EQ(update::ParseCInt(u"99999999999999999999"), INT_MAX);
    EXPECT_EQ(update::ParseCInt(u"-99999999999999999999"), INT_MIN);
}

TEST(UpdateProtocol, ProductNameEncoding) {
    EXPECT_EQ(update::PercentEncodeProductName(u"Ab c"), QByteArray("Ab%20c"));
    EXPECT_EQ(update::PercentEncodeProductName(u"+"), QByteArray("%2B"));
    EXPECT_EQ(update::PercentEncodeProductName(u"\u0410"), QByteArray("%10"));
    EXPECT_EQ(update::PercentEncodeProductName(u"\"<>%\\^[]`+$,@:;/!#?=&"),
              QByteArray("%22%3C%3E%25%5C%5E%5B%5D%60%2B%24%2C%40%3A%3B%2F%21%23%3F%3D%26"));
    EXPECT_EQ(update::PercentEncodeProductName(u"z{~'*"), QByteArray("z%7B%7E'*"));
}

TEST(UpdateProtocol, QueryOfThisProgram) {
    EXPECT_EQ(update::ProgramVersionValue(), QByteArray("3,0,0,0"));
    EXPECT_EQ(update::ProgramSubversionValue(), QByteArray("40904B0"));
    EXPECT_EQ(update::BuildQuery(u"ORVEK Vespera", "3,0,0,0", "", "40904B0"),
              QByteArray("?productname=ORVEK%20Vespera&version=3,0,0,0&user=%20&sn=&subversion=40904B0&reserved=%20"));
}

TEST(UpdateProtocol, QueryPageFromTheFirstReply) {
    struct Case {
        QByteArray body;
        bool ok;
        const char* host;
        const char* path;
    };
    const Case cases[] = {
        {"http://update.orvek.example/checkupdate/query.html", true, "update.orvek.example", "/checkupdate/query.html"},
        {"http://127.0.0.1/q\r\n", true, "127.0.0.1", "/q"},
        {"xxxxxxxa-b.c/%7Euser/p;x=1", true, "a-b.c", "/%7Euser/p;x=1"},
        {"https://host/path", false, "", ""},  // the host would be empty
        {"http://ho\x01st/path", false, "", ""},
        {"http://host\x7f/path", false, "", ""},
        {"http://ho st/path", false, "", ""},
        {"http://host:8080/path", false, "", ""},
        {"http://user@host/path", false, "", ""},
        {"http://host/pa th", false, "", ""},
        {"http://host/path\r\nX-Injected: 1", false, "", ""},
        {"http://host/p?a=1", false, "", ""},
        {"http://host/p#f", false, "", ""},
        {"http://host/p%zz", false, "", ""},
        {"http://host/\xc3\xa9", false, "", ""},
        {"http://host..x/p", false, "", ""},
        {"http://host", false, "", ""},
        {"http:/", false, "", ""},
        {"", false, "", ""},
    };
    for (const Case& c : cases) {
        const auto page = update::ParseQueryPage(c.body);
        ASSERT_EQ(page.has_value(), c.ok) << c.body.toStdString();
        if (page) {
            EXPECT_EQ(page->host, QLatin1String(c.host));
            EXPECT_EQ(page->path, QLatin1String(c.path));
        }
    }
}

std::int64_t LocalTime(int y, int m, int d, int hour = 12) {
    return QDateTime(QDate(y, m, d), QTime(hour, 0), Qt::LocalTime).toSecsSinceEpoch();
}

TEST(UpdateSchedule, DateIsTwoDigitYearMonthAndDay) {
    EXPECT_EQ(update::FormatCheckDate(LocalTime(2026, 12, 8)), QStringLiteral("26,12,08"));
    EXPECT_EQ(update::FormatCheckDate(LocalTime(2031, 1, 2, 0)), QStringLiteral("31,01,02"));
}

TEST(UpdateSchedule, DueWhenTheIntervalHasPassed) {
    const std::int64_t now = LocalTime(2026, 12, 8, 9);
    struct Case {
        const char* stored;
        int interval;
        bool due;
    };
    const Case cases[] = {
        {"26,12,05", 7, false}, {"26,12,01", 7, true},  {"26,12,02", 7, false},   {"26,12,08", 0, true},
        {"26,12,08", 1, false}, {"26,11,08", 30, true}, {" 26, 12, 5", 7, false}, {"26,12,5 junk", 7, false},
        {"", 7, true},          {"x", 7, true},         {"26,12", 7, true},       {"26;12;05", 7, true},
        {"26,13,05", 7, true},  {"26,02,30", 7, true},  {"27,01,01", 7, true},    {"99999999999,1,1", 7, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(update::IsCheckDue(QLatin1String(c.stored), c.interval, now), c.due) << c.stored;
}

}  // namespace
