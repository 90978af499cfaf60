#include <algorithm>
#include <cctype>
#include <string>

#include "imagefiles/ShotDate.h"

namespace {

// One decimal number as scanf's %d reads it (leading white space, an
// optional sign), held to a range wide enough for every valid field.
bool ReadNumber(const char*& p, int& value) {
    while (std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (!std::isdigit(static_cast<unsigned char>(*p)))
        return false;
    long long v = 0;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p)
        v = std::min(v * 10 + (*p - '0'), 1'000'000LL);
    value = static_cast<int>(negative ? -v : v);
    return true;
}

bool ReadSeparator(const char*& p, char separator) {
    if (separator == ' ') {  // a space in the format matches any white space
        while (std::isspace(static_cast<unsigned char>(*p)))
            ++p;
        return true;
    }
    if (*p != separator)
        return false;
    ++p;
    return true;
}

}  // namespace

bool ParseShotDateText(const char* text, std::size_t length, std::time_t& shotDate) {
    if (text == nullptr)
        return false;
    const std::string terminated(text, length);  // the tag's bytes need not end in 0
    const char* p = terminated.c_str();
    int fields[6];
    const char separators[5] = {':', ':', ' ', ':', ':'};
    for (int i = 0; i < 6; ++i) {
        if (i > 0 && !ReadSeparator(p, separators[i - 1]))
            return false;
        if (!ReadNumber(p, fields[i]))
            return false;
    }
    const auto [year, month, day, hour, minute, second] = fields;
    if (year < 1970 || year > 3000 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 59)
        return false;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1) && !(tm.tm_year == 69 && tm.tm_mon == 11 && tm.tm_mday == 31))
        return false;
    shotDate = t;
    return true;
}
