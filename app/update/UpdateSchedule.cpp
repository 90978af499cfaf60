#include "app/update/UpdateSchedule.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QTimeZone>

#include <optional>

namespace update {

namespace {

// One "%d" of the C runtime's scanf: blanks, a sign, at least one digit.
std::optional<int> ScanInt(const QString& text, qsizetype& at) {
    while (at < text.size() && text[at].isSpace())
        ++at;
    const qsizetype start = at;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-'))
        ++at;
    const qsizetype digits = at;
    while (at < text.size() && text[at] >= u'0' && text[at] <= u'9' && at - digits < 9)
        ++at;
    if (at == digits)
        return std::nullopt;
    return text.mid(start, at - start).toInt();
}

}  // namespace

QString FormatCheckDate(std::int64_t secondsSinceEpoch) {
    const QDate date = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch, Qt::LocalTime).date();
    return QString::asprintf("%02d,%02d,%02d", date.year() % 100, date.month(), date.day());
}

bool IsCheckDue(const QString& stored, int intervalDays, std::int64_t now) {
    qsizetype at = 0;
    const std::optional<int> y = ScanInt(stored, at);
    if (!y || at >= stored.size() || stored[at++] != u',')
        return true;
    const std::optional<int> m = ScanInt(stored, at);
    if (!m || at >= stored.size() || stored[at++] != u',')
        return true;
    const std::optional<int> d = ScanInt(stored, at);
    if (!d)
        return true;
    const QDate date(2000 + *y, *m, *d);
    if (!date.isValid())
        return true;
    const std::int64_t then = QDateTime(date, QTime(0, 0), Qt::LocalTime).toSecsSinceEpoch();
    if (then > now)
        return true;
    const std::int64_t elapsedDays = (now - then) / 86400;
    return elapsedDays >= intervalDays;
}

}  // namespace update
