#pragma once
// When the background update check asks the server: the date of the last
// answered check ("MAIN"/"XVALUE_T", "%y,%m,%d" in local time) and the
// interval in days ("MAIN"/"XVALUE_D", 7 when absent).

#include <QString>

#include <cstdint>

namespace update {

inline constexpr int kDefaultIntervalDays = 7;

// `secondsSinceEpoch` as the stored date, e.g. "26,12,08".
QString FormatCheckDate(std::int64_t secondsSinceEpoch);

// True when a check is due at `now`: the whole days since local midnight of
// the stored date reach `intervalDays`. A stored text that is not a date, and
// a date after `now` (a clock set back), count as due.
bool IsCheckDue(const QString& stored, int intervalDays, std::int64_t now);

}  // namespace update
