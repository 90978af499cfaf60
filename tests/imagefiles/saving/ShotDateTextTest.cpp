#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "imagefiles/ShotDate.h"

namespace {

struct DateCase {
    const char* text;
    bool valid;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class ShotDateText : public ::testing::TestWithParam<DateCase> {};

TEST_P(ShotDateText, ParsesIntoLocalTime) {
    const DateCase c = GetParam();
    std::time_t t = 12345;
    ASSERT_EQ(ParseShotDateText(c.text, std::strlen(c.text), t), c.valid) << c.text;
    if (!c.valid) {
        EXPECT_EQ(t, 12345);
        return;
    }
    std::tm local{};
    localtime_r(&t, &local);
    EXPECT_EQ(local.tm_year + 1900, c.year);
    EXPECT_EQ(local.tm_mon + 1, c.month);
    EXPECT_EQ(local.tm_mday, c.day);
    EXPECT_EQ(local.tm_hour, c.hour);
    EXPECT_EQ(local.tm_min, c.minute);
    EXPECT_EQ(local.tm_sec, c.second);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ShotDateText,
    ::testing::Values(DateCase{"2010:05:17 13:45:09", true, 2010, 5, 17, 13, 45, 9},
                      DateCase{"2010:05:17 24:00:00", false},
                      DateCase{"2010:02:31 10:00:00", true, 2010, 3, 3, 10, 0, 0},  // rolls over
                      DateCase{"1969:12:31 23:59:59", false},
                      DateCase{"1970:01:02 00:00:00", true, 1970, 1, 2, 0, 0, 0},
                      DateCase{"3000:12:31 23:59:59", true, 3000, 12, 31, 23, 59, 59},
                      DateCase{"3001:01:01 00:00:00", false}, DateCase{"2010:13:01 00:00:00", false},
                      DateCase{"2010:00:01 00:00:00", false}, DateCase{"2010:01:00 00:00:00", false},
                      DateCase{"2010:01:32 00:00:00", false}, DateCase{"2010:01:01 00:60:00", false},
                      DateCase{"2010:01:01 00:00:60", false}, DateCase{"2010:01:01 -1:00:00", false},
                      DateCase{"2010:01:01 00:00", false}, DateCase{"    :  :     :  :  ", false}, DateCase{"", false},
                      DateCase{"2010-01-01 00:00:00", false}, DateCase{"99999999999999999999:01:01 00:00:00", false},
                      DateCase{"2010:1:2   3:4:5", true, 2010, 1, 2, 3, 4, 5}));

TEST(ShotDateTextBytes, ReadsNoFurtherThanTheLength) {
    // The tag's bytes need not end in 0: only the given length counts.
    const char text[] = "2011:06:07 08:09:1099";
    std::time_t t = 0;
    ASSERT_TRUE(ParseShotDateText(text, 19, t));
    std::tm local{};
    localtime_r(&t, &local);
    EXPECT_EQ(local.tm_sec, 10);
    EXPECT_FALSE(ParseShotDateText(text, 17, t));  // "...08:09:" is short of a field
    EXPECT_FALSE(ParseShotDateText(nullptr, 0, t));
}

TEST(ShotDateTextBytes, DaylightSavingIsLeftToTheLibrary) {
    // A summer and a winter date in a zone with daylight saving both come
    // back as the wall-clock time they were written with.
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    for (const char* text : {"2012:07:01 12:00:00", "2012:01:01 12:00:00"}) {
        std::time_t t = 0;
        ASSERT_TRUE(ParseShotDateText(text, std::strlen(text), t));
        std::tm local{};
        localtime_r(&t, &local);
        EXPECT_EQ(local.tm_hour, 12) << text;
    }
    std::time_t summer = 0, winter = 0;
    ParseShotDateText("2012:07:01 12:00:00", 19, summer);
    ParseShotDateText("2012:01:01 12:00:00", 19, winter);
    EXPECT_EQ((summer - winter) % 86400, 86400 - 3600);  // the summer date is an hour earlier in UTC
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

}  // namespace
