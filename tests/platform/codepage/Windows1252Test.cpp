#include "platform/codepage/Windows1252.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(Windows1252, AsciiAndLatin1RangesMapToThemselves) {
    for (int b : {0x00, 0x41, 0x7F, 0xA0, 0xE9, 0xFF})
        EXPECT_EQ(platform::Windows1252ToUtf16(static_cast<std::uint8_t>(b)), char16_t(b)) << b;
}

TEST(Windows1252, HighControlRangeHasTheCodePagesCharacters) {
    struct Case {
        std::uint8_t byte;
        char16_t expected;
    };
    const Case cases[] = {
        {0x80, u'\u20AC'},  // euro sign
        {0x85, u'\u2026'},  // ellipsis
        {0x8A, u'\u0160'},  // S caron
        {0x93, u'\u201C'},  // left double quote
        {0x9F, u'\u0178'},  // Y diaeresis
        {0x81, u'\u0081'},  // unassigned: kept
        {0x9D, u'\u009D'},  // unassigned: kept
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::Windows1252ToUtf16(c.byte), c.expected) << int(c.byte);
}

TEST(Windows1252, TextKeepsOneUnitPerByte) {
    const std::vector<std::uint8_t> bytes = {'C', ':', 0x5C, 0x80, 'a', 0xE9};
    EXPECT_EQ(platform::Windows1252ToUtf16(bytes), std::u16string(u"C:\\\u20ACa\u00E9"));
}

}  // namespace
